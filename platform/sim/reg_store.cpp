// The in-memory key tree of the simulated HKEY_LOCAL_MACHINE and its path helpers.
#include "platform/sim/reg_store.h"

#include <algorithm>
#include <utility>

namespace talvex::sim {
namespace {

char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

template <typename Range, typename NameOf>
auto FindByName(Range& items, const std::string& name, NameOf nameOf) {
  return std::find_if(items.begin(), items.end(),
                      [&](const auto& item) { return NamesEqual(nameOf(item), name); });
}

}  // namespace

bool NamesEqual(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiUpper(x) == AsciiUpper(y);
         });
}

std::optional<std::vector<std::string>> SplitKeyPath(const std::string& path) {
  std::vector<std::string> names;
  if (path.empty())
    return names;
  size_t start = 0;
  while (true) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos)
      end = path.size();
    const size_t length = end - start;
    if (length == 0 || length > kMaxKeyNameLength || names.size() == kMaxKeyDepth) {
      return std::nullopt;
    }
    std::string name = path.substr(start, length);
    if (name.find('\n') != std::string::npos)
      return std::nullopt;
    names.push_back(std::move(name));
    if (end == path.size())
      return names;
    start = end + 1;
  }
}

RegKeyNode* RegKeyNode::FindSubkey(const std::string& name) {
  auto it =
      FindByName(subkeys_, name, [](const auto& key) -> const std::string& { return key->name(); });
  return it == subkeys_.end() ? nullptr : it->get();
}

RegKeyNode* RegKeyNode::AddSubkey(const std::string& name) {
  if (RegKeyNode* existing = FindSubkey(name))
    return existing;
  subkeys_.push_back(std::make_unique<RegKeyNode>(name));
  return subkeys_.back().get();
}

bool RegKeyNode::RemoveSubkey(const std::string& name) {
  auto it =
      FindByName(subkeys_, name, [](const auto& key) -> const std::string& { return key->name(); });
  if (it == subkeys_.end())
    return false;
  subkeys_.erase(it);
  return true;
}

const RegValue* RegKeyNode::FindValue(const std::string& name) const {
  auto it =
      FindByName(values_, name, [](const RegValue& v) -> const std::string& { return v.name; });
  return it == values_.end() ? nullptr : &*it;
}

void RegKeyNode::SetValue(RegValue value) {
  auto it = FindByName(values_, value.name,
                       [](const RegValue& v) -> const std::string& { return v.name; });
  if (it == values_.end()) {
    values_.push_back(std::move(value));
    return;
  }
  // The name keeps the spelling it was first given, as a registry value's does.
  it->type = value.type;
  it->data = std::move(value.data);
}

bool RegKeyNode::RemoveValue(const std::string& name) {
  auto it =
      FindByName(values_, name, [](const RegValue& v) -> const std::string& { return v.name; });
  if (it == values_.end())
    return false;
  values_.erase(it);
  return true;
}

bool operator==(const RegKeyNode& a, const RegKeyNode& b) {
  return a.name_ == b.name_ && a.values_ == b.values_ &&
         std::equal(a.subkeys_.begin(), a.subkeys_.end(), b.subkeys_.begin(), b.subkeys_.end(),
                    [](const auto& x, const auto& y) { return *x == *y; });
}

RegistryStore::RegistryStore() : root_(std::make_unique<RegKeyNode>(kRootKeyName)) {}

RegKeyNode* RegistryStore::FindKey(const std::string& path) {
  const auto names = SplitKeyPath(path);
  if (!names)
    return nullptr;
  RegKeyNode* key = root_.get();
  for (const std::string& name : *names) {
    key = key->FindSubkey(name);
    if (key == nullptr)
      return nullptr;
  }
  return key;
}

RegKeyNode* RegistryStore::CreateKey(const std::string& path) {
  const auto names = SplitKeyPath(path);
  if (!names)
    return nullptr;
  RegKeyNode* key = root_.get();
  for (const std::string& name : *names)
    key = key->AddSubkey(name);
  return key;
}

bool RegistryStore::DeleteKey(const std::string& path) {
  const size_t split = path.rfind('\\');
  if (path.empty() || !SplitKeyPath(path))
    return false;
  RegKeyNode* parent = split == std::string::npos ? root_.get() : FindKey(path.substr(0, split));
  return parent != nullptr &&
         parent->RemoveSubkey(split == std::string::npos ? path : path.substr(split + 1));
}

}  // namespace talvex::sim
