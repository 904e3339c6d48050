// The simulated machine's HKEY_LOCAL_MACHINE: a tree of keys and values held in memory, read from
// and written back to a regedit export file (registry.reg).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/cp1252.h"

namespace talvex::sim {

// A part of a registry value or key that few of them have (the whole UTF-16 text that
// Windows-1252 cannot hold), kept on the heap so that the common value stays small. Reads as a T
// that is empty while nothing is held; an empty T is never held.
template <typename T>
class RarePart {
 public:
  RarePart() = default;
  RarePart(T part) { *this = std::move(part); }  // NOLINT(google-explicit-constructor)
  RarePart(const RarePart& other) : RarePart(other.get()) {}
  RarePart(RarePart&&) noexcept = default;
  RarePart& operator=(const RarePart& other) { return *this = T(other.get()); }
  RarePart& operator=(RarePart&&) noexcept = default;
  RarePart& operator=(T part) {
    held_ = part.empty() ? nullptr : std::make_unique<T>(std::move(part));
    return *this;
  }

  const T& get() const {
    static const T kNone;
    return held_ ? *held_ : kNone;
  }
  operator const T&() const { return get(); }  // NOLINT(google-explicit-constructor)
  bool empty() const { return held_ == nullptr; }
  size_t size() const { return get().size(); }
  auto operator[](size_t i) const { return get()[i]; }
  auto begin() const { return get().begin(); }
  auto end() const { return get().end(); }
  void clear() { held_.reset(); }

  friend bool operator==(const RarePart& a, const RarePart& b) { return a.get() == b.get(); }

 private:
  std::unique_ptr<T> held_;
};

// A value as the registry holds it. name and data are what a program sees through the ANSI
// calls: Windows-1252, with '?' for a character it lacks. A REG_SZ value's data includes its
// terminating zero when the file gave one.
struct RegValue {
  std::string name;  // "" is the key's default value
  uint32_t type = 0;
  std::vector<uint8_t> data;
  // What a Version 5 file held that Windows-1252 cannot: the whole name as UTF-16, and for the
  // string types the whole data as UTF-16LE bytes. Empty when name and data hold everything.
  RarePart<std::u16string> wideName{};
  RarePart<std::vector<uint8_t>> wideData{};

  friend bool operator==(const RegValue&, const RegValue&) = default;
};

// Limits the Windows registry has too. Keeping them means every tree the store holds can be
// written out and read back, and that walking it never recurses deeper than kMaxKeyDepth.
inline constexpr size_t kMaxKeyNameLength = 255;
inline constexpr size_t kMaxKeyDepth = 512;

// Key and value names compare with ASCII-only case folding, so the result never depends on the
// locale (as on Windows, where the registry's folding of other letters is not the C library's).
bool NamesEqual(std::string_view a, std::string_view b);

// Splits a path relative to HKEY_LOCAL_MACHINE ("A\B\C") into its key names; "" gives none (the
// root). Nullopt when a name is empty (a leading, trailing or doubled backslash), longer than
// kMaxKeyNameLength or contains a line feed (a .reg file cannot hold one), or when there are
// more than kMaxKeyDepth names.
std::optional<std::vector<std::string>> SplitKeyPath(const std::string& path);

class RegKeyNode;

// Counts the changes of one key tree, so that its owners can tell cheaply whether it changed
// since they last looked, and which keys' values changed.
struct RegTreeRevision {
  // A key whose values changed, and the revision (`any`) that change made.
  struct ValueChange {
    uint64_t revision;
    const RegKeyNode* key;  // for comparison only: the key may be gone since
  };
  // The log keeps the latest changes only, so that it stays small whatever the run does.
  static constexpr size_t kMaxValueLog = 4096;

  uint64_t any = 0;                    // every change: keys, values
  uint64_t keys = 0;                   // keys added or deleted
  std::vector<ValueChange> value_log;  // oldest first
  uint64_t value_log_start = 0;        // every value change after this revision is in the log
};

class RegKeyNode : public std::enable_shared_from_this<RegKeyNode> {
  // Only the tree makes the keys it holds (the constructor below is public for make_shared).
  struct Token {
    explicit Token() = default;
  };

 public:
  explicit RegKeyNode(std::string name) : RegKeyNode(Token(), std::move(name), {}, nullptr) {}
  // folded: the name's identity when the caller has it already.
  RegKeyNode(Token, std::string name, std::u16string wideName, RegTreeRevision* revision,
             std::string folded = {});
  ~RegKeyNode();
  RegKeyNode(const RegKeyNode&) = delete;
  RegKeyNode& operator=(const RegKeyNode&) = delete;

  // The name as a program sees it through the ANSI calls, and the whole name in UTF-16 when
  // Windows-1252 cannot hold it (empty otherwise).
  const std::string& name() const { return name_; }
  const std::u16string& wide_name() const { return wide_name_.get(); }
  // The key this one is a sub-key of; null for the root and for a key that was deleted.
  RegKeyNode* parent() const { return parent_; }

  // Children and values keep their order; names compare without regard to letter case. A name
  // given in UTF-16 (from a Version 5 file) is kept whole: it only ever equals the same text.
  const std::vector<std::shared_ptr<RegKeyNode>>& subkeys() const { return subkeys_; }
  const std::vector<RegValue>& values() const { return values_; }

  RegKeyNode* FindSubkey(std::string_view name);
  RegKeyNode* FindSubkey(std::u16string_view name);
  // Returns the existing sub-key of that name or appends a new one after its siblings.
  RegKeyNode* AddSubkey(std::string_view name);
  RegKeyNode* AddSubkey(std::u16string_view name);
  bool RemoveSubkey(std::string_view name);
  // Removes this sub-key (and everything below it); false when it is not one of this key's.
  bool RemoveSubkey(RegKeyNode* child);
  // The key at a path below this one ("A\B"; "" is this key), or null. Never creates anything.
  RegKeyNode* FindPath(std::string_view path);

  const RegValue* FindValue(std::string_view name) const;
  const RegValue* FindValue(std::u16string_view name) const;
  // Replaces the value of that name in place, or appends it after the others.
  void SetValue(RegValue value);
  bool RemoveValue(std::string_view name);
  bool RemoveValue(std::u16string_view name);

  // Same names (letter case included), values and sub-keys, in the same order.
  friend bool operator==(const RegKeyNode& a, const RegKeyNode& b);

 private:
  friend class RegistryStore;

  RegKeyNode* FindByKey(const std::string& folded);
  RegKeyNode* Append(std::string name, std::u16string wideName, std::string folded);
  std::optional<size_t> ValueIndex(const std::string& folded) const;
  template <typename Query>
  std::optional<size_t> PositionOf(const Query& query) const;
  void EraseValue(size_t position);
  void Changed(bool keys);

  std::string name_;
  RarePart<std::u16string> wide_name_;
  std::string folded_;  // the name's identity: what lookups compare
  RegKeyNode* parent_ = nullptr;
  RegTreeRevision* revision_;  // the owning store's counters; null for a free-standing key
  std::vector<std::shared_ptr<RegKeyNode>> subkeys_;
  // Built once a key has more than a few sub-keys or values, so a lookup never scans siblings;
  // most keys have few, and no index at all. The value index is dropped when positions move.
  std::unique_ptr<std::unordered_map<std::string_view, RegKeyNode*>> subkey_index_;
  mutable std::unique_ptr<std::unordered_map<std::string, size_t>> value_index_;
  std::vector<RegValue> values_;
};

enum class RegFileFormat {
  kRegedit4,  // "REGEDIT4", ANSI (Windows-1252)
  kVersion5,  // "Windows Registry Editor Version 5.00", UTF-16LE with BOM
};

// The first line of each format, and the root every section names.
inline constexpr char kRegedit4Header[] = "REGEDIT4";
inline constexpr char kVersion5Header[] = "Windows Registry Editor Version 5.00";
inline constexpr char kRootKeyName[] = "HKEY_LOCAL_MACHINE";

// A .reg file that cannot be read. line() is the 1-based line at fault, 0 for the file as a whole.
class RegFileError : public std::runtime_error {
 public:
  RegFileError(int line, const std::string& what)
      : std::runtime_error("line " + std::to_string(line) + ": " + what), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

class RegistryStore {
 public:
  static constexpr size_t kMaxFileBytes = size_t{64} << 20;
  static constexpr size_t kMaxItems = size_t{1} << 20;

  RegistryStore();

  // Parses a whole registry.reg file (bytes as read from disk). Only keys under
  // HKEY_LOCAL_MACHINE are accepted. Throws RegFileError on anything it cannot read, including
  // files above kMaxFileBytes or holding more than kMaxItems keys and values, so memory stays
  // bounded whatever the input. Time and memory grow linearly with the file.
  static RegistryStore Parse(const std::string& fileBytes);
  // The whole tree in the format it was read in, in regedit's style: a section for every key
  // (parents included) in tree order, CR LF line ends, long hex values continued with a backslash.
  std::string Serialize() const;
  // The same bytes, handed to write in pieces of a few hundred kilobytes, so that a large
  // registry is never held whole in memory. False as soon as write answers false.
  bool Serialize(const std::function<bool(std::string_view)>& write) const;

  RegFileFormat format() const { return format_; }
  void set_format(RegFileFormat format) { format_ = format; }

  // HKEY_LOCAL_MACHINE itself.
  RegKeyNode& root() { return *root_; }
  const RegKeyNode& root() const { return *root_; }

  // Path relative to HKEY_LOCAL_MACHINE, components separated by single backslashes ("" is the
  // root). Null when any component is missing. Never creates anything.
  RegKeyNode* FindKey(std::string_view path);
  // Creates the key and its missing parents. Null for a path SplitKeyPath refuses.
  RegKeyNode* CreateKey(const std::string& path);
  // Deletes the key and everything below it; false when it does not exist. The root cannot be
  // deleted.
  bool DeleteKey(std::string_view path);

  // Grows with every change of the tree made after the store was read: any change, and keys
  // added or deleted.
  uint64_t revision() const { return revision_->any; }
  uint64_t key_revision() const { return revision_->keys; }
  // Calls changed(key) for each key whose values changed after `revision` (a key may come more
  // than once); false, calling nothing, when the changes since then are no longer all known.
  template <typename Changed>
  bool ForEachValueChangeSince(uint64_t revision, Changed changed) const {
    const RegTreeRevision& tree = *revision_;
    if (revision < tree.value_log_start)
      return false;
    auto it = std::upper_bound(tree.value_log.begin(), tree.value_log.end(), revision,
                               [](uint64_t after, const RegTreeRevision::ValueChange& change) {
                                 return after < change.revision;
                               });
    for (; it != tree.value_log.end(); ++it)
      changed(it->key);
    return true;
  }

 private:
  RegFileFormat format_ = RegFileFormat::kRegedit4;
  std::unique_ptr<RegTreeRevision> revision_;
  std::shared_ptr<RegKeyNode> root_;
};

// Windows-1252 <-> UTF-16 code unit conversion used by the Version 5 format. Characters that
// Windows-1252 cannot represent become '?'.
using talvex::Cp1252ToUtf16;
using talvex::Utf16ToCp1252;
std::u16string AnsiToUtf16(std::string_view text);
// The text as the ANSI calls see it; *lossy says whether a character became '?' for want of one.
std::string Utf16ToAnsi(std::u16string_view text, bool* lossy = nullptr);
// A name's identity for lookups: its UTF-8 text with the letters a to z made capitals. An ANSI
// name and a UTF-16 name get the same identity exactly when they are the same text.
std::string FoldedName(std::string_view ansi);
std::string FoldedName(std::u16string_view wide);

}  // namespace talvex::sim
