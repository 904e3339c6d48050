// The registry (advapi32), in the shape of the Windows calls: result codes are Windows error codes,
// value data travels through a caller's buffer with a declared size.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace talvex {

class Registry {
 public:
  virtual ~Registry() = default;

  virtual int32_t RegOpenKeyA(RegKey root, const std::string& subKey, RegKey* result) = 0;
  virtual int32_t RegOpenKeyExA(RegKey root, const std::string& subKey, uint32_t options,
                                uint32_t samDesired, RegKey* result) = 0;
  virtual int32_t RegCloseKey(RegKey key) = 0;

  // data may be null to ask for the size only. A buffer that is too small gives ERROR_MORE_DATA
  // with the needed size in *dataSize and no data.
  virtual int32_t RegQueryValueExA(RegKey key, const std::string& name, uint32_t* type,
                                   uint8_t* data, uint32_t* dataSize) = 0;
  virtual int32_t RegSetValueExA(RegKey key, const std::string& name, uint32_t type,
                                 const uint8_t* data, uint32_t dataSize) = 0;
  virtual int32_t RegDeleteValueA(RegKey key, const std::string& name) = 0;
  // Deletes a key that has no sub-keys.
  virtual int32_t RegDeleteKeyA(RegKey key, const std::string& subKey) = 0;

  virtual int32_t RegQueryInfoKeyA(RegKey key, uint32_t* subKeyCount) = 0;
  virtual int32_t RegEnumKeyExA(RegKey key, uint32_t index, std::string* name) = 0;
};

// Closes an open key when it goes out of scope.
using ScopedRegKey = ScopedPlatformHandle<Registry, RegKey, &Registry::RegCloseKey>;

}  // namespace talvex
