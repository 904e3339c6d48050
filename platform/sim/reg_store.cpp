// The in-memory key tree of the simulated HKEY_LOCAL_MACHINE and its path helpers.
#include "platform/sim/reg_store.h"

#include <algorithm>
#include <utility>

#include "platform/ascii_text.h"

namespace talvex::sim {
namespace {

// Up to this many sub-keys or values a lookup compares them in turn; beyond it a key keeps an
// index by name.
constexpr size_t kIndexThreshold = 8;

bool IsStringType(uint32_t type) {
  return type == 1 || type == 2 || type == 7;  // REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ
}

bool WideNamesEqual(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
           return x == y || (x < 0x80 && y < 0x80 &&
                             UpperAscii(static_cast<char>(x)) == UpperAscii(static_cast<char>(y)));
         });
}

// A name to look up: Windows-1252 text, or UTF-16 text that Windows-1252 cannot hold whole. The
// two never name the same thing.
struct NameQuery {
  std::string_view ansi;
  std::u16string_view wide;  // not empty: the name is only this text
  std::string converted;

  explicit NameQuery(std::string_view name) : ansi(name) {}
  explicit NameQuery(std::u16string_view name) {
    bool lossy = false;
    converted = Utf16ToAnsi(name, &lossy);
    ansi = converted;
    if (lossy)
      wide = name;
  }
  NameQuery(const NameQuery&) = delete;
  NameQuery& operator=(const NameQuery&) = delete;
  bool Matches(const RegValue& value) const {
    return wide.empty() ? value.wideName.empty() && NamesEqual(value.name, ansi)
                        : !value.wideName.empty() && WideNamesEqual(value.wideName.get(), wide);
  }
  std::string Folded() const { return wide.empty() ? FoldedName(ansi) : FoldedName(wide); }
};

std::string FoldedValueName(const RegValue& value) {
  return value.wideName.empty() ? FoldedName(value.name) : FoldedName(value.wideName.get());
}

std::u16string WideText(const std::vector<uint8_t>& utf16le) {
  std::u16string text;
  text.reserve(utf16le.size() / 2);
  for (size_t i = 0; i + 1 < utf16le.size(); i += 2)
    text.push_back(static_cast<char16_t>(utf16le[i] | (utf16le[i + 1] << 8)));
  return text;
}

// Derives what the ANSI calls see from the whole text a value was given in, and drops the whole
// text where Windows-1252 holds all of it.
void Normalize(RegValue& value) {
  if (!value.wideName.empty()) {
    bool lossy = false;
    value.name = Utf16ToAnsi(value.wideName.get(), &lossy);
    if (!lossy)
      value.wideName.clear();
  }
  if (!value.wideData.empty()) {
    bool lossy = false;
    if (IsStringType(value.type) && value.wideData.size() % 2 == 0) {
      const std::string ansi = Utf16ToAnsi(WideText(value.wideData), &lossy);
      value.data.assign(ansi.begin(), ansi.end());
    }
    if (!lossy)
      value.wideData.clear();
  }
}

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
  return EqualsIgnoreCase(a, b);
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

RegKeyNode::RegKeyNode(Token, std::string name, std::u16string wideName, RegTreeRevision* revision,
                       std::string folded)
    : name_(std::move(name)),
      wide_name_(std::move(wideName)),
      folded_(std::move(folded)),
      revision_(revision) {
  if (folded_.empty())
    folded_ = wide_name_.empty() ? FoldedName(name_) : FoldedName(wide_name_.get());
}

RegKeyNode::~RegKeyNode() {
  for (const auto& child : subkeys_)
    child->parent_ = nullptr;
}

void RegKeyNode::Changed(bool keys) {
  if (revision_ == nullptr)
    return;
  ++revision_->any;
  if (keys) {
    ++revision_->keys;
    return;
  }
  std::vector<RegTreeRevision::ValueChange>& log = revision_->value_log;
  if (log.size() == RegTreeRevision::kMaxValueLog) {
    log.clear();
    revision_->value_log_start = revision_->any - 1;
  }
  log.push_back({revision_->any, this});
}

RegKeyNode* RegKeyNode::FindByKey(const std::string& folded) {
  if (subkey_index_) {
    auto it = subkey_index_->find(folded);
    return it == subkey_index_->end() ? nullptr : it->second;
  }
  for (const auto& child : subkeys_)
    if (child->folded_ == folded)
      return child.get();
  return nullptr;
}

RegKeyNode* RegKeyNode::Append(std::string name, std::u16string wideName, std::string folded) {
  // A new key counts its changes with the tree it joins.
  auto child = std::make_shared<RegKeyNode>(Token(), std::move(name), std::move(wideName),
                                            revision_, std::move(folded));
  child->parent_ = this;
  subkeys_.push_back(std::move(child));
  RegKeyNode* added = subkeys_.back().get();
  if (subkey_index_) {
    subkey_index_->emplace(added->folded_, added);
  } else if (subkeys_.size() > kIndexThreshold) {
    subkey_index_ = std::make_unique<std::unordered_map<std::string_view, RegKeyNode*>>();
    subkey_index_->reserve(subkeys_.size() * 2);
    for (const auto& key : subkeys_)
      subkey_index_->emplace(key->folded_, key.get());
  }
  Changed(true);
  return added;
}

RegKeyNode* RegKeyNode::FindSubkey(std::string_view name) {
  return FindByKey(FoldedName(name));
}

RegKeyNode* RegKeyNode::FindSubkey(std::u16string_view name) {
  return FindByKey(FoldedName(name));
}

RegKeyNode* RegKeyNode::AddSubkey(std::string_view name) {
  std::string folded = FoldedName(name);
  if (RegKeyNode* existing = FindByKey(folded))
    return existing;
  return Append(std::string(name), {}, std::move(folded));
}

RegKeyNode* RegKeyNode::AddSubkey(std::u16string_view name) {
  std::string folded = FoldedName(name);
  if (RegKeyNode* existing = FindByKey(folded))
    return existing;
  bool lossy = false;
  std::string ansi = Utf16ToAnsi(name, &lossy);
  return Append(std::move(ansi), lossy ? std::u16string(name) : std::u16string(),
                std::move(folded));
}

bool RegKeyNode::RemoveSubkey(std::string_view name) {
  return RemoveSubkey(FindSubkey(name));
}

bool RegKeyNode::RemoveSubkey(RegKeyNode* child) {
  if (child == nullptr || child->parent_ != this)
    return false;
  auto it = std::find_if(subkeys_.begin(), subkeys_.end(),
                         [child](const auto& key) { return key.get() == child; });
  if (it == subkeys_.end())
    return false;
  if (subkey_index_)
    subkey_index_->erase(child->folded_);
  child->parent_ = nullptr;
  subkeys_.erase(it);
  Changed(true);
  return true;
}

RegKeyNode* RegKeyNode::FindPath(std::string_view path) {
  RegKeyNode* key = this;
  if (path.empty())
    return key;
  while (key != nullptr) {
    const size_t end = path.find('\\');
    const std::string_view name = path.substr(0, end);
    if (name.empty())
      return nullptr;
    key = key->FindSubkey(name);
    if (end == std::string_view::npos)
      return key;
    path.remove_prefix(end + 1);
  }
  return nullptr;
}

std::optional<size_t> RegKeyNode::ValueIndex(const std::string& folded) const {
  if (!value_index_) {
    value_index_ = std::make_unique<std::unordered_map<std::string, size_t>>();
    value_index_->reserve(values_.size() * 2);
    for (size_t i = 0; i < values_.size(); ++i)
      value_index_->emplace(FoldedValueName(values_[i]), i);
  }
  auto it = value_index_->find(folded);
  if (it == value_index_->end())
    return std::nullopt;
  return it->second;
}

template <typename Query>
std::optional<size_t> RegKeyNode::PositionOf(const Query& query) const {
  if (values_.size() > kIndexThreshold)
    return ValueIndex(query.Folded());
  for (size_t i = 0; i < values_.size(); ++i)
    if (query.Matches(values_[i]))
      return i;
  return std::nullopt;
}

const RegValue* RegKeyNode::FindValue(std::string_view name) const {
  std::optional<size_t> at = PositionOf(NameQuery(name));
  return at ? &values_[*at] : nullptr;
}

const RegValue* RegKeyNode::FindValue(std::u16string_view name) const {
  std::optional<size_t> at = PositionOf(NameQuery(name));
  return at ? &values_[*at] : nullptr;
}

void RegKeyNode::SetValue(RegValue value) {
  Normalize(value);
  std::optional<size_t> at = value.wideName.empty()
                                 ? PositionOf(NameQuery(std::string_view(value.name)))
                                 : PositionOf(NameQuery(std::u16string_view(value.wideName.get())));
  Changed(false);
  if (!at) {
    if (value_index_)
      value_index_->emplace(FoldedValueName(value), values_.size());
    // A key with values mostly has several: room for a few at once saves regrowing one by one.
    if (values_.empty())
      values_.reserve(4);
    values_.push_back(std::move(value));
    return;
  }
  // The name keeps the spelling it was first given, as a registry value's does.
  RegValue& existing = values_[*at];
  existing.type = value.type;
  existing.data = std::move(value.data);
  existing.wideData = std::move(value.wideData);
}

void RegKeyNode::EraseValue(size_t position) {
  values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(position));
  value_index_.reset();  // the positions after it moved
  Changed(false);
}

bool RegKeyNode::RemoveValue(std::string_view name) {
  std::optional<size_t> at = PositionOf(NameQuery(name));
  if (at)
    EraseValue(*at);
  return at.has_value();
}

bool RegKeyNode::RemoveValue(std::u16string_view name) {
  std::optional<size_t> at = PositionOf(NameQuery(name));
  if (at)
    EraseValue(*at);
  return at.has_value();
}

bool operator==(const RegKeyNode& a, const RegKeyNode& b) {
  return a.name_ == b.name_ && a.wide_name_ == b.wide_name_ && a.values_ == b.values_ &&
         std::equal(a.subkeys_.begin(), a.subkeys_.end(), b.subkeys_.begin(), b.subkeys_.end(),
                    [](const auto& x, const auto& y) { return *x == *y; });
}

RegistryStore::RegistryStore()
    : revision_(std::make_unique<RegTreeRevision>()),
      root_(std::make_shared<RegKeyNode>(RegKeyNode::Token(), kRootKeyName, std::u16string(),
                                         revision_.get())) {}

RegKeyNode* RegistryStore::FindKey(std::string_view path) {
  return root_->FindPath(path);
}

RegKeyNode* RegistryStore::CreateKey(const std::string& path) {
  const auto names = SplitKeyPath(path);
  if (!names)
    return nullptr;
  RegKeyNode* key = root_.get();
  for (const std::string& name : *names)
    key = key->AddSubkey(std::string_view(name));
  return key;
}

bool RegistryStore::DeleteKey(std::string_view path) {
  if (path.empty())
    return false;
  RegKeyNode* key = FindKey(path);
  return key != nullptr && key->parent() != nullptr && key->parent()->RemoveSubkey(key);
}

}  // namespace talvex::sim
