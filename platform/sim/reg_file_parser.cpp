// Reads a regedit export of HKEY_LOCAL_MACHINE (REGEDIT4 or Version 5.00) into a RegistryStore,
// applying it the way regedit's import does: sections create keys and their parents, "[-...]"
// deletes a key, "name"=- deletes a value, later lines override earlier ones.
//
// A REGEDIT4 file is read as Windows-1252 bytes, a Version 5.00 file as UTF-16 code units; the
// same parser reads both, so names and texts of a Version 5.00 file keep every character.
#include <algorithm>
#include <string_view>

#include "platform/ascii_text.h"
#include "platform/sim/reg_store.h"
#include "platform/winconst.h"

namespace talvex::sim {
namespace {

using win::REG_BINARY;
using win::REG_DWORD;
using win::REG_EXPAND_SZ;
using win::REG_MULTI_SZ;
using win::REG_SZ;

template <typename Char>
bool IsBlank(Char c) {
  return c == ' ' || c == '\t';
}

template <typename Char>
std::basic_string_view<Char> TrimLeft(std::basic_string_view<Char> s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  return s;
}

template <typename Char>
std::basic_string_view<Char> TrimRight(std::basic_string_view<Char> s) {
  while (!s.empty() && IsBlank(s.back()))
    s.remove_suffix(1);
  return s;
}

// The character unchanged, or its capital when it is one of the letters a to z.
template <typename Char>
Char Upper(Char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<Char>(c - 'a' + 'A') : c;
}

// s begins with the ASCII text prefix, ignoring letter case.
template <typename Char>
bool StartsWithNoCase(std::basic_string_view<Char> s, std::string_view prefix) {
  if (s.size() < prefix.size())
    return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (Upper(s[i]) != static_cast<Char>(UpperAscii(prefix[i])))
      return false;
  return true;
}

template <typename Char>
bool EqualsAscii(std::basic_string_view<Char> s, std::string_view ascii) {
  return s.size() == ascii.size() &&
         std::equal(s.begin(), s.end(), ascii.begin(),
                    [](Char a, char b) { return a == static_cast<Char>(b); });
}

template <typename Char>
int HexDigit(Char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// 1 to 8 hex digits and nothing else, as regedit accepts for dword: and hex(N):.
template <typename Char>
bool ParseHex32(std::basic_string_view<Char> digits, uint32_t& out) {
  if (digits.empty() || digits.size() > 8)
    return false;
  out = 0;
  for (Char c : digits) {
    const int d = HexDigit(c);
    if (d < 0)
      return false;
    out = (out << 4) | static_cast<uint32_t>(d);
  }
  return true;
}

bool IsStringType(uint32_t type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Text for an error message.
std::string Narrow(std::string_view text) {
  return std::string(text);
}
std::string Narrow(std::u16string_view text) {
  return Utf16ToAnsi(text);
}

// The UTF-16 code units after the byte order mark.
std::u16string DecodeUtf16File(const std::string& bytes) {
  std::u16string text;
  text.reserve((bytes.size() - 2) / 2);
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) |
                                         (static_cast<uint8_t>(bytes[i + 1]) << 8)));
  }
  if (bytes.size() % 2 != 0) {
    const int line = 1 + static_cast<int>(std::count(text.begin(), text.end(), u'\n'));
    throw RegFileError(line, "the UTF-16 text ends in the middle of a character");
  }
  return text;
}

template <typename Char>
class Parser {
  using View = std::basic_string_view<Char>;
  using Text = std::basic_string<Char>;
  static constexpr bool kVersion5 = sizeof(Char) == 2;

 public:
  Parser(RegistryStore& store, View text) : store_(store), text_(text) {}

  void Run() {
    View line;
    if (!NextLine(line))
      throw RegFileError(1, "empty file");
    CheckHeader(line);
    while (NextLine(line)) {
      const View content = TrimLeft(line);
      if (content.empty() || content.front() == ';')
        continue;
      if (content.front() == '[') {
        ParseSection(TrimRight(content));
      } else {
        ParseValue(content);
      }
    }
  }

 private:
  bool NextLine(View& line) {
    if (finished_)
      return false;
    const size_t end = text_.find(Char('\n'), pos_);
    if (end == View::npos) {
      line = text_.substr(pos_);
      finished_ = true;
    } else {
      line = text_.substr(pos_, end - pos_);
      pos_ = end + 1;
    }
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    ++line_;
    return true;
  }

  [[noreturn]] void Fail(const std::string& what) const { throw RegFileError(line_, what); }

  void CheckHeader(View line) const {
    const View header = TrimRight(line);
    const std::string_view expected = kVersion5 ? kVersion5Header : kRegedit4Header;
    if (EqualsAscii(header, expected))
      return;
    if (EqualsAscii(header, kVersion5 ? kRegedit4Header : kVersion5Header)) {
      Fail(kVersion5 ? "a REGEDIT4 file must be ANSI text, not UTF-16"
                     : "a Version 5.00 file must be UTF-16LE with a byte order mark");
    }
    Fail("not a registry file: the first line must be \"" + std::string(expected) + "\"");
  }

  void CountItem() {
    if (++items_ > RegistryStore::kMaxItems)
      Fail("too many keys and values");
  }

  // The key names of a path below HKEY_LOCAL_MACHINE, with the limits SplitKeyPath keeps (a
  // line of the file never holds a line feed).
  void SplitPath(View path, std::vector<View>& names) const {
    names.clear();
    if (path.empty())
      return;
    while (true) {
      const size_t end = path.find(Char('\\'));
      const View name = path.substr(0, end);
      if (name.empty() || name.size() > kMaxKeyNameLength || names.size() == kMaxKeyDepth) {
        Fail(
            "bad key path (an empty key name, a name over 255 characters or more than 512 "
            "levels)");
      }
      names.push_back(name);
      if (end == View::npos)
        return;
      path.remove_prefix(end + 1);
    }
  }

  void ParseSection(View line) {
    if (line.size() < 2 || line.back() != ']')
      Fail("a key line must end with ']'");
    View path = line.substr(1, line.size() - 2);
    const bool remove = !path.empty() && path.front() == '-';
    if (remove)
      path.remove_prefix(1);

    const std::string_view root = kRootKeyName;
    if (!StartsWithNoCase(path, root) || (path.size() > root.size() && path[root.size()] != '\\')) {
      Fail("only keys under HKEY_LOCAL_MACHINE can be read: " + Narrow(path));
    }
    const View relative = path.size() > root.size() ? path.substr(root.size() + 1) : View();
    if (path.size() > root.size() && relative.empty())
      Fail("empty key name");
    std::vector<View>& names = names_;
    SplitPath(relative, names);

    current_ = nullptr;
    sectionSeen_ = true;
    if (remove) {
      if (names.empty())
        Fail("HKEY_LOCAL_MACHINE itself cannot be deleted");
      path_.clear();  // the keys it holds may be among those deleted
      // Deleting a key that does not exist is no error, as with regedit.
      RegKeyNode* key = &store_.root();
      for (const View& name : names) {
        key = key->FindSubkey(name);
        if (key == nullptr)
          return;
      }
      key->parent()->RemoveSubkey(key);
      return;
    }
    // Sections come in tree order, so most of a path is the previous section's: the keys named
    // by the same text are taken from it instead of being looked up again.
    RegKeyNode* key = &store_.root();
    size_t depth = 0;
    while (depth < names.size() && depth < path_.size() && path_[depth].name == names[depth]) {
      key = path_[depth].key;
      ++depth;
    }
    path_.resize(depth);
    for (; depth < names.size(); ++depth) {
      RegKeyNode* child = key->FindSubkey(names[depth]);
      if (child == nullptr) {
        CountItem();
        child = key->AddSubkey(names[depth]);
      }
      path_.push_back({names[depth], child});
      key = child;
    }
    current_ = key;
  }

  // A quoted name or text with the escapes \\ and \"; `rest` is left after the closing quote.
  Text ParseQuoted(View& rest) const {
    Text out;
    size_t i = 1;
    while (true) {
      // The text up to the next quote or escape is taken whole.
      size_t special = i;
      while (special < rest.size() && rest[special] != '"' && rest[special] != '\\')
        ++special;
      out.append(rest.data() + i, special - i);
      if (special >= rest.size())
        Fail("missing closing quote");
      if (rest[special] == '"') {
        rest.remove_prefix(special + 1);
        return out;
      }
      if (special + 1 >= rest.size() || (rest[special + 1] != '\\' && rest[special + 1] != '"'))
        Fail("unknown escape in quoted text (only \\\\ and \\\" are allowed)");
      out.push_back(rest[special + 1]);
      i = special + 2;
    }
  }

  // Comma-separated two-digit hex bytes; a line ending in a backslash continues on the next one.
  std::vector<uint8_t> ParseHexList(View segment) {
    std::vector<uint8_t> bytes;
    bytes.reserve(segment.size() / 3 + 1);
    bool afterComma = false;
    while (true) {
      segment = TrimRight(segment);
      const bool continues = !segment.empty() && segment.back() == '\\';
      if (continues)
        segment.remove_suffix(1);
      size_t i = 0;
      while (i < segment.size()) {
        const Char c = segment[i];
        if (IsBlank(c)) {
          ++i;
        } else if (c == ',') {
          if (bytes.empty() || afterComma)
            Fail("missing hex byte before ','");
          afterComma = true;
          ++i;
        } else {
          if (!bytes.empty() && !afterComma)
            Fail("missing ',' between hex bytes");
          const int high = HexDigit(c);
          const int low = i + 1 < segment.size() ? HexDigit(segment[i + 1]) : -1;
          const bool moreDigits = i + 2 < segment.size() && HexDigit(segment[i + 2]) >= 0;
          if (high < 0 || low < 0 || moreDigits)
            Fail("a hex byte must be two hex digits");
          bytes.push_back(static_cast<uint8_t>(high * 16 + low));
          afterComma = false;
          i += 2;
        }
      }
      if (!continues)
        break;
      View next;
      if (!NextLine(next))
        Fail("a continued hex value runs past the end of the file");
      segment = TrimLeft(next);
    }
    if (afterComma)
      Fail("hex data ends with ','");
    return bytes;
  }

  // Sets the value's name from the file's text: as it is in a REGEDIT4 file, whole (and as the
  // ANSI calls see it) in a Version 5.00 file.
  static void SetName(RegValue& value, Text name) {
    if constexpr (kVersion5) {
      value.name = Utf16ToAnsi(name);
      value.wideName = std::move(name);
    } else {
      value.name = std::move(name);
    }
  }

  // A quoted text as REG_SZ data with its terminating zero (in a Version 5.00 file, UTF-16LE:
  // the store derives what the ANSI calls see).
  static void SetText(RegValue& value, const Text& text) {
    value.type = REG_SZ;
    if constexpr (kVersion5) {
      std::vector<uint8_t> data;
      data.reserve(text.size() * 2 + 2);
      for (char16_t unit : text) {
        data.push_back(static_cast<uint8_t>(unit & 0xFF));
        data.push_back(static_cast<uint8_t>(unit >> 8));
      }
      data.insert(data.end(), {0, 0});
      value.wideData = std::move(data);
    } else {
      value.data.assign(text.begin(), text.end());
      value.data.push_back(0);
    }
  }

  void ParseValue(View rest) {
    if (!sectionSeen_)
      Fail("a value line before any key line");
    RegValue value;
    Text name;
    if (rest.front() == '@') {
      rest.remove_prefix(1);
    } else if (rest.front() == '"') {
      name = ParseQuoted(rest);
    } else {
      Fail("expected \"name\" or @ at the start of a value line");
    }
    rest = TrimLeft(rest);
    if (rest.empty() || rest.front() != '=')
      Fail("expected '=' after the value name");
    rest = TrimLeft(rest.substr(1));

    if (EqualsAscii(TrimRight(rest), "-")) {
      if (current_ != nullptr)
        current_->RemoveValue(View(name));
      return;
    }
    SetName(value, std::move(name));
    if (!rest.empty() && rest.front() == '"') {
      const Text text = ParseQuoted(rest);
      if (!TrimRight(rest).empty())
        Fail("unexpected text after the closing quote");
      SetText(value, text);
    } else if (StartsWithNoCase(rest, "dword:")) {
      uint32_t number = 0;
      if (!ParseHex32(TrimRight(rest.substr(6)), number))
        Fail("dword: needs 1 to 8 hex digits");
      value.type = REG_DWORD;
      for (int shift = 0; shift < 32; shift += 8) {
        value.data.push_back(static_cast<uint8_t>(number >> shift));
      }
    } else if (StartsWithNoCase(rest, "hex:")) {
      value.type = REG_BINARY;
      value.data = ParseHexList(rest.substr(4));
    } else if (StartsWithNoCase(rest, "hex(")) {
      const size_t close = rest.find(View(kCloseType));
      if (close == View::npos || !ParseHex32(rest.substr(4, close - 4), value.type)) {
        Fail("hex(N): needs a type of 1 to 8 hex digits");
      }
      value.data = ParseHexList(rest.substr(close + 2));
      // Version 5.00 files hold the string types' data as UTF-16LE; the store keeps it whole
      // and derives what the ANSI calls see.
      if (kVersion5 && IsStringType(value.type)) {
        if (value.data.size() % 2 != 0)
          Fail("UTF-16 string data with an odd number of bytes");
        value.wideData = std::move(value.data);
        value.data.clear();
      }
    } else {
      Fail("unrecognised value data");
    }
    CountItem();
    // Values under a deleted key are read (so mistakes are still reported) and dropped.
    if (current_ != nullptr)
      current_->SetValue(std::move(value));
  }

  static constexpr Char kCloseType[] = {')', ':', 0};

  RegistryStore& store_;
  View text_;
  size_t pos_ = 0;
  bool finished_ = false;
  int line_ = 0;
  bool sectionSeen_ = false;
  RegKeyNode* current_ = nullptr;
  size_t items_ = 0;
  // The keys of the last section that created keys, by the text that named them.
  struct PathKey {
    View name;
    RegKeyNode* key;
  };
  std::vector<PathKey> path_;
  std::vector<View> names_;  // the names of the section being read
};

}  // namespace

RegistryStore RegistryStore::Parse(const std::string& fileBytes) {
  if (fileBytes.size() > kMaxFileBytes)
    throw RegFileError(0, "the file is too large");
  RegistryStore store;
  const bool version5 = fileBytes.size() >= 2 && static_cast<uint8_t>(fileBytes[0]) == 0xFF &&
                        static_cast<uint8_t>(fileBytes[1]) == 0xFE;
  store.format_ = version5 ? RegFileFormat::kVersion5 : RegFileFormat::kRegedit4;
  if (version5) {
    const std::u16string text = DecodeUtf16File(fileBytes);
    Parser<char16_t>(store, text).Run();
  } else {
    Parser<char>(store, fileBytes).Run();
  }
  // What the file held is where the store's changes start from.
  *store.revision_ = RegTreeRevision{};
  return store;
}

}  // namespace talvex::sim
