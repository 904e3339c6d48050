// Reads a regedit export of HKEY_LOCAL_MACHINE (REGEDIT4 or Version 5.00) into a RegistryStore,
// applying it the way regedit's import does: sections create keys and their parents, "[-...]"
// deletes a key, "name"=- deletes a value, later lines override earlier ones.
#include <algorithm>
#include <string_view>

#include "platform/sim/reg_store.h"
#include "platform/winconst.h"

namespace talvex::sim {
namespace {

using win::REG_BINARY;
using win::REG_DWORD;
using win::REG_EXPAND_SZ;
using win::REG_MULTI_SZ;
using win::REG_SZ;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  return s;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && IsBlank(s.back()))
    s.remove_suffix(1);
  return s;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() &&
         NamesEqual(std::string(s.substr(0, prefix.size())), std::string(prefix));
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// 1 to 8 hex digits and nothing else, as regedit accepts for dword: and hex(N):.
bool ParseHex32(std::string_view digits, uint32_t& out) {
  if (digits.empty() || digits.size() > 8)
    return false;
  out = 0;
  for (char c : digits) {
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

// The text after the byte order mark, each UTF-16 code unit turned into its Windows-1252 byte.
std::string DecodeUtf16File(const std::string& bytes) {
  std::string text;
  text.reserve((bytes.size() - 2) / 2);
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const auto unit = static_cast<uint16_t>(static_cast<uint8_t>(bytes[i]) |
                                            (static_cast<uint8_t>(bytes[i + 1]) << 8));
    text.push_back(static_cast<char>(Utf16ToCp1252(unit)));
  }
  if (bytes.size() % 2 != 0) {
    const int line = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    throw RegFileError(line, "the UTF-16 text ends in the middle of a character");
  }
  return text;
}

class Parser {
 public:
  Parser(RegistryStore& store, std::string_view text, bool version5)
      : store_(store), text_(text), version5_(version5) {}

  void Run() {
    std::string_view line;
    if (!NextLine(line))
      throw RegFileError(1, "empty file");
    CheckHeader(line);
    while (NextLine(line)) {
      const std::string_view content = TrimLeft(line);
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
  bool NextLine(std::string_view& line) {
    if (finished_)
      return false;
    const size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) {
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

  void CheckHeader(std::string_view line) const {
    const std::string_view header = TrimRight(line);
    const std::string_view expected = version5_ ? kVersion5Header : kRegedit4Header;
    if (header == expected)
      return;
    if (header == (version5_ ? kRegedit4Header : kVersion5Header)) {
      Fail(version5_ ? "a REGEDIT4 file must be ANSI text, not UTF-16"
                     : "a Version 5.00 file must be UTF-16LE with a byte order mark");
    }
    Fail("not a registry file: the first line must be \"" + std::string(expected) + "\"");
  }

  void CountItem() {
    if (++items_ > RegistryStore::kMaxItems)
      Fail("too many keys and values");
  }

  void ParseSection(std::string_view line) {
    if (line.size() < 2 || line.back() != ']')
      Fail("a key line must end with ']'");
    std::string_view path = line.substr(1, line.size() - 2);
    const bool remove = !path.empty() && path.front() == '-';
    if (remove)
      path.remove_prefix(1);

    const std::string_view root = kRootKeyName;
    if (!StartsWithNoCase(path, root) || (path.size() > root.size() && path[root.size()] != '\\')) {
      Fail("only keys under HKEY_LOCAL_MACHINE can be read: " + std::string(path));
    }
    const std::string relative(path.size() > root.size() ? path.substr(root.size() + 1) : "");
    if (path.size() > root.size() && relative.empty())
      Fail("empty key name");
    const auto names = SplitKeyPath(relative);
    if (!names) {
      Fail("bad key path (an empty key name, a name over 255 characters or more than 512 levels)");
    }

    current_ = nullptr;
    sectionSeen_ = true;
    if (remove) {
      if (names->empty())
        Fail("HKEY_LOCAL_MACHINE itself cannot be deleted");
      // Deleting a key that does not exist is no error, as with regedit.
      store_.DeleteKey(relative);
      return;
    }
    RegKeyNode* key = &store_.root();
    for (const std::string& name : *names) {
      RegKeyNode* child = key->FindSubkey(name);
      if (child == nullptr) {
        CountItem();
        child = key->AddSubkey(name);
      }
      key = child;
    }
    current_ = key;
  }

  // A quoted name or text with the escapes \\ and \"; `rest` is left after the closing quote.
  std::string ParseQuoted(std::string_view& rest) const {
    std::string out;
    for (size_t i = 1; i < rest.size(); ++i) {
      const char c = rest[i];
      if (c == '"') {
        rest.remove_prefix(i + 1);
        return out;
      }
      if (c == '\\') {
        if (i + 1 >= rest.size() || (rest[i + 1] != '\\' && rest[i + 1] != '"')) {
          Fail("unknown escape in quoted text (only \\\\ and \\\" are allowed)");
        }
        ++i;
      }
      out.push_back(rest[i]);
    }
    Fail("missing closing quote");
  }

  // Comma-separated two-digit hex bytes; a line ending in a backslash continues on the next one.
  std::vector<uint8_t> ParseHexList(std::string_view segment) {
    std::vector<uint8_t> bytes;
    bool afterComma = false;
    while (true) {
      segment = TrimRight(segment);
      const bool continues = !segment.empty() && segment.back() == '\\';
      if (continues)
        segment.remove_suffix(1);
      size_t i = 0;
      while (i < segment.size()) {
        const char c = segment[i];
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
      std::string_view next;
      if (!NextLine(next))
        Fail("a continued hex value runs past the end of the file");
      segment = TrimLeft(next);
    }
    if (afterComma)
      Fail("hex data ends with ','");
    return bytes;
  }

  // Version 5 files hold string types' hex data as UTF-16LE; the store keeps them as ANSI.
  std::vector<uint8_t> Utf16DataToAnsi(const std::vector<uint8_t>& data) const {
    if (data.size() % 2 != 0)
      Fail("UTF-16 string data with an odd number of bytes");
    std::vector<uint8_t> ansi;
    ansi.reserve(data.size() / 2);
    for (size_t i = 0; i < data.size(); i += 2) {
      ansi.push_back(Utf16ToCp1252(static_cast<uint16_t>(data[i] | (data[i + 1] << 8))));
    }
    return ansi;
  }

  void ParseValue(std::string_view rest) {
    if (!sectionSeen_)
      Fail("a value line before any key line");
    RegValue value;
    if (rest.front() == '@') {
      rest.remove_prefix(1);
    } else if (rest.front() == '"') {
      value.name = ParseQuoted(rest);
    } else {
      Fail("expected \"name\" or @ at the start of a value line");
    }
    rest = TrimLeft(rest);
    if (rest.empty() || rest.front() != '=')
      Fail("expected '=' after the value name");
    rest = TrimLeft(rest.substr(1));

    if (TrimRight(rest) == "-") {
      if (current_ != nullptr)
        current_->RemoveValue(value.name);
      return;
    }
    if (!rest.empty() && rest.front() == '"') {
      const std::string text = ParseQuoted(rest);
      if (!TrimRight(rest).empty())
        Fail("unexpected text after the closing quote");
      value.type = REG_SZ;
      value.data.assign(text.begin(), text.end());
      value.data.push_back(0);
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
      const size_t close = rest.find("):");
      if (close == std::string_view::npos || !ParseHex32(rest.substr(4, close - 4), value.type)) {
        Fail("hex(N): needs a type of 1 to 8 hex digits");
      }
      value.data = ParseHexList(rest.substr(close + 2));
      if (version5_ && IsStringType(value.type))
        value.data = Utf16DataToAnsi(value.data);
    } else {
      Fail("unrecognised value data");
    }
    CountItem();
    // Values under a deleted key are read (so mistakes are still reported) and dropped.
    if (current_ != nullptr)
      current_->SetValue(std::move(value));
  }

  RegistryStore& store_;
  std::string_view text_;
  bool version5_;
  size_t pos_ = 0;
  bool finished_ = false;
  int line_ = 0;
  bool sectionSeen_ = false;
  RegKeyNode* current_ = nullptr;
  size_t items_ = 0;
};

}  // namespace

RegistryStore RegistryStore::Parse(const std::string& fileBytes) {
  if (fileBytes.size() > kMaxFileBytes)
    throw RegFileError(0, "the file is too large");
  RegistryStore store;
  const bool version5 = fileBytes.size() >= 2 && static_cast<uint8_t>(fileBytes[0]) == 0xFF &&
                        static_cast<uint8_t>(fileBytes[1]) == 0xFE;
  store.format_ = version5 ? RegFileFormat::kVersion5 : RegFileFormat::kRegedit4;
  const std::string decoded = version5 ? DecodeUtf16File(fileBytes) : std::string();
  Parser(store, version5 ? std::string_view(decoded) : std::string_view(fileBytes), version5).Run();
  return store;
}

}  // namespace talvex::sim
