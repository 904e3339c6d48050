#include "platform/sim/sim_registry.h"

#include <cstring>
#include <fstream>
#include <system_error>

#include "platform/winconst.h"

namespace talvex::sim {

namespace {
int32_t Code(uint32_t error) {
  return static_cast<int32_t>(error);
}
}  // namespace

std::string JoinKeyPath(const std::string& parent, const std::string& child) {
  if (parent.empty())
    return child;
  if (child.empty())
    return parent;
  return parent + "\\" + child;
}

SimRegistry::SimRegistry(RegistryStore& store, std::filesystem::path file, FailurePlan& failures)
    : store_(store),
      file_(std::move(file)),
      failures_(failures),
      written_revision_(store.revision()) {}

int32_t SimRegistry::Resolve(RegKey key, RegKeyNode** node, std::string* path) {
  if (key == win::HKEY_LOCAL_MACHINE) {
    *node = &store_.root();
    if (path)
      path->clear();
    return 0;
  }
  auto it = open_.find(key);
  if (it == open_.end())
    return Code(win::ERROR_INVALID_HANDLE);
  // A deleted key (or one below it) is gone from memory, whatever has its name now.
  std::shared_ptr<RegKeyNode> open = it->second.node.lock();
  if (!open)
    return Code(win::ERROR_KEY_DELETED);
  *node = open.get();
  if (path)
    *path = it->second.path;
  return 0;
}

int32_t SimRegistry::Open(RegKey root, const std::string& subKey, RegKey* result) {
  if (result == nullptr)
    return Code(win::ERROR_INVALID_PARAMETER);
  *result = 0;
  if (!subKey.empty() && subKey[0] == '\\')
    return Code(win::ERROR_BAD_PATHNAME);
  RegKeyNode* parent = nullptr;
  std::string parentPath;
  if (int32_t error = Resolve(root, &parent, &parentPath))
    return error;
  std::string path = JoinKeyPath(parentPath, subKey);
  if (auto failure = failures_.Check("RegOpenKeyExA", path, win::ERROR_ACCESS_DENIED))
    return Code(*failure);
  RegKeyNode* key = parent->FindPath(subKey);
  if (key == nullptr)
    return Code(win::ERROR_FILE_NOT_FOUND);
  RegKey handle = next_handle_;
  next_handle_ += 4;
  open_[handle] = OpenKey{key->weak_from_this(), std::move(path)};
  *result = handle;
  return 0;
}

int32_t SimRegistry::RegOpenKeyA(RegKey root, const std::string& subKey, RegKey* result) {
  return Open(root, subKey, result);
}

int32_t SimRegistry::RegOpenKeyExA(RegKey root, const std::string& subKey, uint32_t, uint32_t,
                                   RegKey* result) {
  return Open(root, subKey, result);
}

int32_t SimRegistry::RegCloseKey(RegKey key) {
  if (key == win::HKEY_LOCAL_MACHINE)
    return 0;
  return open_.erase(key) == 1 ? 0 : Code(win::ERROR_INVALID_HANDLE);
}

int32_t SimRegistry::RegQueryValueExA(RegKey key, const std::string& name, uint32_t* type,
                                      uint8_t* data, uint32_t* dataSize) {
  RegKeyNode* node = nullptr;
  if (int32_t error = Resolve(key, &node))
    return error;
  if (data != nullptr && dataSize == nullptr)
    return Code(win::ERROR_INVALID_PARAMETER);
  const RegValue* value = node->FindValue(name);
  if (value == nullptr)
    return Code(win::ERROR_FILE_NOT_FOUND);
  if (type)
    *type = value->type;
  uint32_t size = static_cast<uint32_t>(value->data.size());
  if (data != nullptr) {
    if (*dataSize < size) {
      *dataSize = size;
      return Code(win::ERROR_MORE_DATA);
    }
    if (size > 0)
      std::memcpy(data, value->data.data(), size);
  }
  if (dataSize)
    *dataSize = size;
  return 0;
}

int32_t SimRegistry::RegSetValueExA(RegKey key, const std::string& name, uint32_t type,
                                    const uint8_t* data, uint32_t dataSize) {
  RegKeyNode* node = nullptr;
  if (int32_t error = Resolve(key, &node))
    return error;
  if (auto failure = failures_.Check("RegSetValueExA", name, win::ERROR_ACCESS_DENIED))
    return Code(*failure);
  if (data == nullptr && dataSize != 0)
    return Code(win::ERROR_INVALID_PARAMETER);
  // registry.reg cannot hold a line break in a value name.
  if (name.find_first_of("\r\n") != std::string::npos)
    return Code(win::ERROR_INVALID_PARAMETER);
  RegValue value;
  value.name = name;
  value.type = type;
  if (dataSize > 0)
    value.data.assign(data, data + dataSize);
  node->SetValue(std::move(value));
  return 0;
}

int32_t SimRegistry::RegDeleteValueA(RegKey key, const std::string& name) {
  RegKeyNode* node = nullptr;
  if (int32_t error = Resolve(key, &node))
    return error;
  if (!node->RemoveValue(std::string_view(name)))
    return Code(win::ERROR_FILE_NOT_FOUND);
  return 0;
}

int32_t SimRegistry::RegDeleteKeyA(RegKey key, const std::string& subKey) {
  RegKeyNode* node = nullptr;
  std::string path;
  if (int32_t error = Resolve(key, &node, &path))
    return error;
  if (!subKey.empty() && subKey[0] == '\\')
    return Code(win::ERROR_BAD_PATHNAME);
  std::string target = JoinKeyPath(path, subKey);
  if (target.empty())
    return Code(win::ERROR_ACCESS_DENIED);  // the root key stays
  RegKeyNode* victim = node->FindPath(subKey);
  if (victim == nullptr)
    return Code(win::ERROR_FILE_NOT_FOUND);
  if (!victim->subkeys().empty())
    return Code(win::ERROR_ACCESS_DENIED);
  if (auto failure = failures_.Check("RegDeleteKeyA", target, win::ERROR_ACCESS_DENIED))
    return Code(*failure);
  victim->parent()->RemoveSubkey(victim);
  return 0;
}

int32_t SimRegistry::RegQueryInfoKeyA(RegKey key, uint32_t* subKeyCount) {
  RegKeyNode* node = nullptr;
  if (int32_t error = Resolve(key, &node))
    return error;
  if (subKeyCount)
    *subKeyCount = static_cast<uint32_t>(node->subkeys().size());
  return 0;
}

int32_t SimRegistry::RegEnumKeyExA(RegKey key, uint32_t index, std::string* name) {
  RegKeyNode* node = nullptr;
  if (int32_t error = Resolve(key, &node))
    return error;
  if (index >= node->subkeys().size())
    return Code(win::ERROR_NO_MORE_ITEMS);
  *name = node->subkeys()[index]->name();
  return 0;
}

bool SimRegistry::Flush() {
  const uint64_t revision = store_.revision();
  if (revision == written_revision_)
    return true;
  if (!file_.empty()) {
    // A temporary file, then a rename: registry.reg is never left half written.
    std::filesystem::path temporary = file_;
    temporary += ".tmp";
    bool written = false;
    {
      std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
      const std::string bytes = store_.Serialize();
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      out.close();
      written = !out.fail();
    }
    std::error_code error;
    if (written)
      std::filesystem::rename(temporary, file_, error);
    if (!written || error) {
      std::filesystem::remove(temporary, error);
      return false;
    }
  }
  written_revision_ = revision;
  return true;
}

}  // namespace talvex::sim
