// The registry calls over the simulated machine's HKEY_LOCAL_MACHINE. Every change is written back
// to registry.reg at once.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "platform/registry.h"
#include "platform/sim/failure_plan.h"
#include "platform/sim/reg_store.h"

namespace talvex::sim {

class SimRegistry : public Registry {
 public:
  // file may be empty: changes then stay in memory (tests).
  SimRegistry(RegistryStore& store, std::filesystem::path file, FailurePlan& failures);

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

  // Keys handed out and not closed yet.
  size_t OpenKeyCount() const { return open_.size(); }
  // Writes registry.reg now; false when it cannot be written.
  bool Save();

 private:
  // The path (relative to HKEY_LOCAL_MACHINE) that a handle stands for, or false.
  bool KeyPath(RegKey key, std::string* path) const;
  // The key's node, or an error code: ERROR_INVALID_HANDLE, ERROR_KEY_DELETED.
  int32_t Resolve(RegKey key, RegKeyNode** node, std::string* path = nullptr);
  int32_t Open(const char* operation, RegKey root, const std::string& subKey, RegKey* result);
  int32_t Changed();

  RegistryStore& store_;
  std::filesystem::path file_;
  FailurePlan& failures_;
  std::map<RegKey, std::string> open_;
  RegKey next_handle_ = 0x100;
};

// Joins a key path and a sub-key path with one backslash.
std::string JoinKeyPath(const std::string& parent, const std::string& child);

}  // namespace talvex::sim
