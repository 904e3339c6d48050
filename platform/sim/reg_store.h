// The simulated machine's HKEY_LOCAL_MACHINE: a tree of keys and values held in memory, read from
// and written back to a regedit export file (registry.reg).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace talvex::sim {

// A value as the registry holds it. Text data is 8-bit ANSI (Windows-1252) whatever the file's
// format; a REG_SZ value's data includes its terminating zero when the file gave one.
struct RegValue {
  std::string name;  // "" is the key's default value
  uint32_t type = 0;
  std::vector<uint8_t> data;

  friend bool operator==(const RegValue&, const RegValue&) = default;
};

// Limits the Windows registry has too. Keeping them means every tree the store holds can be
// written out and read back, and that walking it never recurses deeper than kMaxKeyDepth.
inline constexpr size_t kMaxKeyNameLength = 255;
inline constexpr size_t kMaxKeyDepth = 512;

// Key and value names compare with ASCII-only case folding, so the result never depends on the
// locale (as on Windows, where the registry's folding of other letters is not the C library's).
bool NamesEqual(const std::string& a, const std::string& b);

// Splits a path relative to HKEY_LOCAL_MACHINE ("A\B\C") into its key names; "" gives none (the
// root). Nullopt when a name is empty (a leading, trailing or doubled backslash), longer than
// kMaxKeyNameLength or contains a line feed (a .reg file cannot hold one), or when there are
// more than kMaxKeyDepth names.
std::optional<std::vector<std::string>> SplitKeyPath(const std::string& path);

class RegKeyNode {
 public:
  explicit RegKeyNode(std::string name) : name_(std::move(name)) {}

  const std::string& name() const { return name_; }
  // Children and values keep their order; names compare without regard to letter case.
  const std::vector<std::unique_ptr<RegKeyNode>>& subkeys() const { return subkeys_; }
  const std::vector<RegValue>& values() const { return values_; }

  RegKeyNode* FindSubkey(const std::string& name);
  // Returns the existing sub-key of that name or appends a new one after its siblings.
  RegKeyNode* AddSubkey(const std::string& name);
  bool RemoveSubkey(const std::string& name);

  const RegValue* FindValue(const std::string& name) const;
  // Replaces the value of that name in place, or appends it after the others.
  void SetValue(RegValue value);
  bool RemoveValue(const std::string& name);

  // Same names (letter case included), values and sub-keys, in the same order.
  friend bool operator==(const RegKeyNode& a, const RegKeyNode& b);

 private:
  std::string name_;
  std::vector<std::unique_ptr<RegKeyNode>> subkeys_;
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
  // bounded whatever the input.
  static RegistryStore Parse(const std::string& fileBytes);
  // The whole tree in the format it was read in, in regedit's style: a section for every key
  // (parents included) in tree order, CR LF line ends, long hex values continued with a backslash.
  std::string Serialize() const;

  RegFileFormat format() const { return format_; }
  void set_format(RegFileFormat format) { format_ = format; }

  // HKEY_LOCAL_MACHINE itself.
  RegKeyNode& root() { return *root_; }
  const RegKeyNode& root() const { return *root_; }

  // Path relative to HKEY_LOCAL_MACHINE, components separated by single backslashes ("" is the
  // root). Null when any component is missing. Never creates anything.
  RegKeyNode* FindKey(const std::string& path);
  // Creates the key and its missing parents. Null for a path SplitKeyPath refuses.
  RegKeyNode* CreateKey(const std::string& path);
  // Deletes the key and everything below it; false when it does not exist. The root cannot be
  // deleted.
  bool DeleteKey(const std::string& path);

 private:
  RegFileFormat format_ = RegFileFormat::kRegedit4;
  std::unique_ptr<RegKeyNode> root_;
};

// Windows-1252 <-> UTF-16 code unit conversion used by the Version 5 format. Characters that
// Windows-1252 cannot represent become '?'.
uint16_t Cp1252ToUtf16(uint8_t c);
uint8_t Utf16ToCp1252(uint16_t u);

}  // namespace talvex::sim
