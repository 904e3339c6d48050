// The registry calls over the simulated machine's HKEY_LOCAL_MACHINE. Changes are kept in memory
// and written to registry.reg by Flush, which the machine calls whenever it can be looked at.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "platform/registry.h"
#include "platform/sim/failure_plan.h"
#include "platform/sim/journal.h"
#include "platform/sim/reg_store.h"

namespace talvex::sim {

class SimRegistry : public Registry {
 public:
  // file may be empty: changes then stay in memory (tests).
  SimRegistry(RegistryStore& store, std::filesystem::path file, FailurePlan& failures,
              Journal& journal);

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
  // Writes registry.reg atomically when the registry changed since it was read or last written
  // (by these calls or by anything else that changed the store). True when the file now holds
  // the registry as it is; false when it cannot be written (it is tried again next time).
  bool Flush();

 private:
  // What a handle stands for: the key it was opened on (a deleted key stays deleted, even when
  // another of the same name appears) and that key's path for failure injection.
  struct OpenKey {
    std::weak_ptr<RegKeyNode> node;
    std::string path;
  };
  // The key's node, or an error code: ERROR_INVALID_HANDLE, ERROR_KEY_DELETED.
  int32_t Resolve(RegKey key, RegKeyNode** node, std::string* path = nullptr);
  int32_t Open(const char* operation, RegKey root, const std::string& subKey, RegKey* result);
  // The calls themselves; the public ones add their journal line.
  int32_t DoRegQueryValueExA(RegKey key, const std::string& name, uint32_t* type, uint8_t* data,
                             uint32_t* dataSize);
  int32_t DoRegSetValueExA(RegKey key, const std::string& name, uint32_t type, const uint8_t* data,
                           uint32_t dataSize);
  int32_t DoRegDeleteValueA(RegKey key, const std::string& name);
  int32_t DoRegDeleteKeyA(RegKey key, const std::string& subKey);
  int32_t DoRegQueryInfoKeyA(RegKey key, uint32_t* subKeyCount);
  int32_t DoRegEnumKeyExA(RegKey key, uint32_t index, std::string* name);
  // The key a handle stands for, as the journal names it.
  std::string KeyName(RegKey key) const;

  RegistryStore& store_;
  std::filesystem::path file_;
  FailurePlan& failures_;
  Journal& journal_;
  std::map<RegKey, OpenKey> open_;
  RegKey next_handle_ = 0x100;
  uint64_t written_revision_;
};

// Joins a key path and a sub-key path with one backslash.
std::string JoinKeyPath(const std::string& parent, const std::string& child);

}  // namespace talvex::sim
