// The framework's registry object: opens one key at a time under a root key and raises
// ERegistryException when a value cannot be written or read as the asked type.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/registry.h"

namespace talvex {

class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TRegistry {
 public:
  // Keys are opened with the given access, full access unless said otherwise.
  explicit TRegistry(Registry& registry, uint32_t access = 0xF003F /* KEY_ALL_ACCESS */);
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  // A path that begins with a backslash is a path from the root key; any other path is relative
  // to the key that is open. The backslash is stripped before the platform call, which refuses it.
  // Never creates anything when canCreate is false (the only use here).
  bool OpenKey(const std::string& key, bool canCreate);
  void CloseKey();

  // REG_SZ with the terminating zero; raises "Failed to set data for '<name>'" on failure.
  void WriteString(const std::string& name, const std::string& value);
  // The text of a REG_SZ or REG_EXPAND_SZ value up to its first zero; "" for a value that is
  // absent or holds no data. Raises "Invalid data type for '<name>'" for a value of another type
  // that holds data.
  std::string ReadString(const std::string& name);
  bool ValueExists(const std::string& name);
  bool DeleteValue(const std::string& name);
  // Deletes every sub-key, deepest first and from the last index down, then the key itself.
  bool DeleteKey(const std::string& key);

 private:
  // The key a path is relative to, and the path without its leading backslash.
  RegKey BaseKeyFor(const std::string& key, std::string* relative) const;
  bool DeleteTree(RegKey parent, const std::string& name, int depth);

  Registry& registry_;
  uint32_t access_;
  const RegKey root_;  // HKEY_LOCAL_MACHINE
  ScopedRegKey current_;
};

}  // namespace talvex
