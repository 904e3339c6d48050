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

constexpr JournalName kValueTypes[] = {
    {0, "REG_NONE"},
    {win::REG_SZ, "REG_SZ"},
    {win::REG_EXPAND_SZ, "REG_EXPAND_SZ"},
    {win::REG_BINARY, "REG_BINARY"},
    {win::REG_DWORD, "REG_DWORD"},
    {win::REG_MULTI_SZ, "REG_MULTI_SZ"},
};

// Value data as the journal shows it: the bytes of a string type as text (terminating zeros
// included, as ^@), a four-byte REG_DWORD as its number, anything else as hex bytes.
void DataField(JournalLine& line, uint32_t type, const uint8_t* data, uint32_t size) {
  if (data == nullptr) {
    line.Raw("data", "null");
  } else if (type == win::REG_SZ || type == win::REG_EXPAND_SZ || type == win::REG_MULTI_SZ) {
    line.Text("data", std::string_view(reinterpret_cast<const char*>(data), size));
  } else if (type == win::REG_DWORD && size == 4) {
    line.Number("data", static_cast<int64_t>(data[0] | data[1] << 8 | data[2] << 16 |
                                             static_cast<uint32_t>(data[3]) << 24));
  } else {
    std::string hex = "hex:";
    static const char kDigits[] = "0123456789abcdef";
    for (uint32_t i = 0; i < size; ++i) {
      if (i > 0)
        hex += ',';
      hex += kDigits[data[i] >> 4];
      hex += kDigits[data[i] & 0xF];
    }
    line.Raw("data", hex);
  }
}

}  // namespace

std::string JoinKeyPath(const std::string& parent, const std::string& child) {
  if (parent.empty())
    return child;
  if (child.empty())
    return parent;
  return parent + "\\" + child;
}

SimRegistry::SimRegistry(RegistryStore& store, std::filesystem::path file, FailurePlan& failures,
                         Journal& journal)
    : store_(store),
      file_(std::move(file)),
      failures_(failures),
      journal_(journal),
      written_revision_(store.revision()) {}

std::string SimRegistry::KeyName(RegKey key) const {
  if (key == win::HKEY_LOCAL_MACHINE)
    return "HKEY_LOCAL_MACHINE";
  auto it = open_.find(key);
  if (it == open_.end())
    return JournalHandle(key);
  return JournalText(JoinKeyPath("HKEY_LOCAL_MACHINE", it->second.path));
}

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

int32_t SimRegistry::Open(const char* operation, RegKey root, const std::string& subKey,
                          RegKey* result) {
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
  if (auto failure = failures_.Check(operation, path, win::ERROR_ACCESS_DENIED))
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
  std::string rootName = journal_.on() ? KeyName(root) : std::string();
  int32_t code = Open("RegOpenKeyA", root, subKey, result);
  if (journal_.on()) {
    JournalLine line("RegOpenKeyA");
    line.Raw("key", rootName).Text("subkey", subKey).ResultCode(static_cast<uint32_t>(code));
    if (code == 0)
      line.Handle("handle", *result);
    journal_.Write(line);
  }
  return code;
}

int32_t SimRegistry::RegOpenKeyExA(RegKey root, const std::string& subKey, uint32_t options,
                                   uint32_t samDesired, RegKey* result) {
  static constexpr JournalName kAccess[] = {{win::KEY_ALL_ACCESS, "KEY_ALL_ACCESS"},
                                            {win::KEY_READ, "KEY_READ"}};
  std::string rootName = journal_.on() ? KeyName(root) : std::string();
  int32_t code = Open("RegOpenKeyExA", root, subKey, result);
  if (journal_.on()) {
    JournalLine line("RegOpenKeyExA");
    line.Raw("key", rootName).Text("subkey", subKey).Code("options", options);
    line.Named("access", samDesired, kAccess).ResultCode(static_cast<uint32_t>(code));
    if (code == 0)
      line.Handle("handle", *result);
    journal_.Write(line);
  }
  return code;
}

int32_t SimRegistry::RegCloseKey(RegKey key) {
  std::string name = journal_.on() ? KeyName(key) : std::string();
  int32_t code = 0;
  if (key != win::HKEY_LOCAL_MACHINE)
    code = open_.erase(key) == 1 ? 0 : Code(win::ERROR_INVALID_HANDLE);
  if (journal_.on())
    journal_.Write(
        JournalLine("RegCloseKey").Raw("key", name).ResultCode(static_cast<uint32_t>(code)));
  return code;
}

int32_t SimRegistry::DoRegQueryValueExA(RegKey key, const std::string& name, uint32_t* type,
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

int32_t SimRegistry::DoRegSetValueExA(RegKey key, const std::string& name, uint32_t type,
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

int32_t SimRegistry::DoRegDeleteValueA(RegKey key, const std::string& name) {
  RegKeyNode* node = nullptr;
  if (int32_t error = Resolve(key, &node))
    return error;
  if (!node->RemoveValue(std::string_view(name)))
    return Code(win::ERROR_FILE_NOT_FOUND);
  return 0;
}

int32_t SimRegistry::DoRegDeleteKeyA(RegKey key, const std::string& subKey) {
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

int32_t SimRegistry::DoRegQueryInfoKeyA(RegKey key, uint32_t* subKeyCount) {
  RegKeyNode* node = nullptr;
  if (int32_t error = Resolve(key, &node))
    return error;
  if (subKeyCount)
    *subKeyCount = static_cast<uint32_t>(node->subkeys().size());
  return 0;
}

int32_t SimRegistry::DoRegEnumKeyExA(RegKey key, uint32_t index, std::string* name) {
  RegKeyNode* node = nullptr;
  if (int32_t error = Resolve(key, &node))
    return error;
  if (index >= node->subkeys().size())
    return Code(win::ERROR_NO_MORE_ITEMS);
  *name = node->subkeys()[index]->name();
  return 0;
}

int32_t SimRegistry::RegQueryValueExA(RegKey key, const std::string& name, uint32_t* type,
                                      uint8_t* data, uint32_t* dataSize) {
  if (!journal_.on())
    return DoRegQueryValueExA(key, name, type, data, dataSize);
  uint32_t asked = dataSize ? *dataSize : 0;
  uint32_t gotType = 0;
  int32_t code = DoRegQueryValueExA(key, name, &gotType, data, dataSize);
  const bool found = code == 0 || code == Code(win::ERROR_MORE_DATA);
  if (type && found)
    *type = gotType;
  JournalLine line("RegQueryValueExA");
  line.Raw("key", KeyName(key)).Text("name", name);
  if (dataSize)
    line.Number("size", asked);
  else
    line.Raw("size", "null");
  line.ResultCode(static_cast<uint32_t>(code));
  if (found) {
    line.Named("type", gotType, kValueTypes);
    if (dataSize)
      line.Number("size", *dataSize);
  }
  if (code == 0 && data != nullptr && dataSize != nullptr)
    DataField(line, gotType, data, *dataSize);
  journal_.Write(line);
  return code;
}

int32_t SimRegistry::RegSetValueExA(RegKey key, const std::string& name, uint32_t type,
                                    const uint8_t* data, uint32_t dataSize) {
  int32_t code = DoRegSetValueExA(key, name, type, data, dataSize);
  if (journal_.on()) {
    JournalLine line("RegSetValueExA");
    line.Raw("key", KeyName(key)).Text("name", name).Named("type", type, kValueTypes);
    DataField(line, type, data, dataSize);
    journal_.Write(line.ResultCode(static_cast<uint32_t>(code)));
  }
  return code;
}

int32_t SimRegistry::RegDeleteValueA(RegKey key, const std::string& name) {
  int32_t code = DoRegDeleteValueA(key, name);
  if (journal_.on())
    journal_.Write(JournalLine("RegDeleteValueA")
                       .Raw("key", KeyName(key))
                       .Text("name", name)
                       .ResultCode(static_cast<uint32_t>(code)));
  return code;
}

int32_t SimRegistry::RegDeleteKeyA(RegKey key, const std::string& subKey) {
  int32_t code = DoRegDeleteKeyA(key, subKey);
  if (journal_.on())
    journal_.Write(JournalLine("RegDeleteKeyA")
                       .Raw("key", KeyName(key))
                       .Text("subkey", subKey)
                       .ResultCode(static_cast<uint32_t>(code)));
  return code;
}

int32_t SimRegistry::RegQueryInfoKeyA(RegKey key, uint32_t* subKeyCount) {
  int32_t code = DoRegQueryInfoKeyA(key, subKeyCount);
  if (journal_.on()) {
    JournalLine line("RegQueryInfoKeyA");
    line.Raw("key", KeyName(key)).ResultCode(static_cast<uint32_t>(code));
    if (code == 0 && subKeyCount)
      line.Number("subkeys", *subKeyCount);
    journal_.Write(line);
  }
  return code;
}

int32_t SimRegistry::RegEnumKeyExA(RegKey key, uint32_t index, std::string* name) {
  int32_t code = DoRegEnumKeyExA(key, index, name);
  if (journal_.on()) {
    JournalLine line("RegEnumKeyExA");
    line.Raw("key", KeyName(key)).Number("index", index).ResultCode(static_cast<uint32_t>(code));
    if (code == 0)
      line.Text("name", *name);
    journal_.Write(line);
  }
  return code;
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
      const bool whole = store_.Serialize([&out](std::string_view piece) {
        out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        return !out.fail();
      });
      out.close();
      written = whole && !out.fail();
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
