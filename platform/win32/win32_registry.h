// The registry through advapi32's A functions.
#pragma once

#include "platform/registry.h"

namespace talvex::win32 {

class Win32Registry final : public Registry {
 public:
  int32_t RegOpenKeyA(RegKey root, const std::string& subKey, RegKey* result) override;
  int32_t RegOpenKeyExA(RegKey root, const std::string& subKey, uint32_t options,
                        uint32_t samDesired, RegKey* result) override;
  int32_t RegCloseKey(RegKey key) override;
  int32_t RegQueryValueExA(RegKey key, const std::string& name, uint32_t* type, uint8_t* data,
                           uint32_t* dataSize) override;
  int32_t RegSetValueExA(RegKey key, const std::string& name, uint32_t type, const uint8_t* data,
                         uint32_t dataSize) override;
  int32_t RegDeleteValueA(RegKey key, const std::string& name) override;
  int32_t RegDeleteKeyA(RegKey key, const std::string& subKey) override;
  int32_t RegQueryInfoKeyA(RegKey key, uint32_t* subKeyCount) override;
  int32_t RegEnumKeyExA(RegKey key, uint32_t index, std::string* name) override;
};

}  // namespace talvex::win32
