#include "framework/registry_object.h"

#include <algorithm>
#include <vector>

#include "platform/winconst.h"

namespace talvex {

namespace {
// Registry trees are at most 512 levels deep on Windows; this stops a cycle in a broken backend.
constexpr int kMaxTreeDepth = 512;
}  // namespace

TRegistry::TRegistry(Registry& registry, uint32_t access)
    : registry_(registry), access_(access), root_(win::HKEY_LOCAL_MACHINE), current_(registry) {}

TRegistry::~TRegistry() = default;

RegKey TRegistry::BaseKeyFor(const std::string& key, std::string* relative) const {
  if (!key.empty() && key[0] == '\\') {
    *relative = key.substr(1);
    return root_;
  }
  *relative = key;
  return current_.valid() ? current_.get() : root_;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  (void)canCreate;  // keys are only ever opened here, never created
  std::string relative;
  RegKey base = BaseKeyFor(key, &relative);
  RegKey opened = 0;
  if (registry_.RegOpenKeyExA(base, relative, 0, access_, &opened) != 0)
    return false;
  *current_.Receive() = opened;
  return true;
}

void TRegistry::CloseKey() {
  current_.Reset();
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  std::vector<uint8_t> data(value.begin(), value.end());
  data.push_back(0);
  int32_t result = registry_.RegSetValueExA(current_.get(), name, win::REG_SZ, data.data(),
                                            static_cast<uint32_t>(data.size()));
  if (result != 0)
    throw ERegistryException("Failed to set data for '" + name + "'");
}

std::string TRegistry::ReadString(const std::string& name) {
  uint32_t size = 0;
  if (registry_.RegQueryValueExA(current_.get(), name, nullptr, nullptr, &size) != 0 || size == 0)
    return {};
  std::vector<uint8_t> data(size, 0);
  uint32_t got = size;
  uint32_t type = 0;
  if (registry_.RegQueryValueExA(current_.get(), name, &type, data.data(), &got) != 0)
    throw ERegistryException("Failed to get data for '" + name + "'");
  if (type != win::REG_SZ && type != win::REG_EXPAND_SZ)
    throw ERegistryException("Invalid data type for '" + name + "'");
  std::string text(data.begin(), data.begin() + std::min(got, size));
  return text.substr(0, text.find('\0'));
}

bool TRegistry::ValueExists(const std::string& name) {
  uint32_t size = 0;
  return registry_.RegQueryValueExA(current_.get(), name, nullptr, nullptr, &size) == 0;
}

bool TRegistry::DeleteValue(const std::string& name) {
  return registry_.RegDeleteValueA(current_.get(), name) == 0;
}

bool TRegistry::DeleteKey(const std::string& key) {
  std::string relative;
  RegKey base = BaseKeyFor(key, &relative);
  return DeleteTree(base, relative, 0);
}

bool TRegistry::DeleteTree(RegKey parent, const std::string& name, int depth) {
  if (depth > kMaxTreeDepth)
    return false;
  {
    ScopedRegKey key(registry_);
    if (registry_.RegOpenKeyExA(parent, name, 0, access_, key.Receive()) == 0) {
      uint32_t count = 0;
      if (registry_.RegQueryInfoKeyA(key.get(), &count) == 0) {
        for (uint32_t index = count; index-- > 0;) {
          std::string child;
          if (registry_.RegEnumKeyExA(key.get(), index, &child) == 0)
            DeleteTree(key.get(), child, depth + 1);
        }
      }
    }
  }
  return registry_.RegDeleteKeyA(parent, name) == 0;
}

}  // namespace talvex
