// Writes a RegistryStore back as a regedit export, byte for byte in regedit's own style, so that
// reading the result gives the same tree again. A REGEDIT4 file is written as Windows-1252 bytes,
// a Version 5.00 file as UTF-16 code units with every character the store holds.
#include <algorithm>
#include <cstdio>

#include "platform/sim/reg_store.h"
#include "platform/winconst.h"

namespace talvex::sim {
namespace {

using win::REG_BINARY;
using win::REG_DWORD;
using win::REG_EXPAND_SZ;
using win::REG_MULTI_SZ;
using win::REG_SZ;

// regedit continues a hex line once another "xx," and the backslash would pass this column.
constexpr size_t kMaxLineLength = 80;

bool IsStringType(uint32_t type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

std::u16string WideText(const std::vector<uint8_t>& utf16le) {
  std::u16string text;
  text.reserve(utf16le.size() / 2);
  for (size_t i = 0; i + 1 < utf16le.size(); i += 2)
    text.push_back(static_cast<char16_t>(utf16le[i] | (utf16le[i + 1] << 8)));
  return text;
}

template <typename Char>
class Writer {
  using Text = std::basic_string<Char>;
  static constexpr bool kVersion5 = sizeof(Char) == 2;

 public:
  Text Write(const RegKeyNode& root) {
    AppendAscii(kVersion5 ? kVersion5Header : kRegedit4Header);
    AppendAscii("\r\n\r\n");
    const Text rootName = Ascii(kRootKeyName);
    // HKEY_LOCAL_MACHINE itself gets a section only when it has something of its own to hold.
    if (!root.values().empty())
      AppendSection(rootName, root);
    for (const auto& child : root.subkeys())
      AppendTree(rootName + Char('\\') + NameOf(*child), *child);
    return std::move(out_);
  }

 private:
  static Text Ascii(std::string_view text) { return Text(text.begin(), text.end()); }

  void AppendAscii(std::string_view text) { out_.append(text.begin(), text.end()); }

  // A name as the file holds it: the whole text in a Version 5.00 file.
  static Text Name(const std::string& ansi, const std::u16string& wide) {
    if constexpr (kVersion5) {
      return wide.empty() ? AnsiToUtf16(ansi) : wide;
    } else {
      return ansi;
    }
  }
  static Text NameOf(const RegKeyNode& key) { return Name(key.name(), key.wide_name()); }

  // The data as the file holds it: string types as UTF-16LE in a Version 5.00 file, as the
  // registry of an NT system does.
  static std::vector<uint8_t> FileData(const RegValue& value) {
    if (!kVersion5 || !IsStringType(value.type))
      return value.data;
    if (!value.wideData.empty())
      return value.wideData;
    std::vector<uint8_t> wide;
    wide.reserve(value.data.size() * 2);
    for (uint8_t c : value.data) {
      const uint16_t unit = Cp1252ToUtf16(c);
      wide.push_back(static_cast<uint8_t>(unit & 0xFF));
      wide.push_back(static_cast<uint8_t>(unit >> 8));
    }
    return wide;
  }

  // The text of a REG_SZ value that can be written as "text" and read back unchanged: text and
  // one terminating zero, no line feed (it would end the line early).
  static std::optional<Text> PlainText(const RegValue& value) {
    if (value.type != REG_SZ)
      return std::nullopt;
    Text text;
    if constexpr (kVersion5) {
      if (value.wideData.size() % 2 != 0)
        return std::nullopt;
      text = value.wideData.empty() ? AnsiToUtf16(std::string(value.data.begin(), value.data.end()))
                                    : WideText(value.wideData);
    } else {
      text.assign(value.data.begin(), value.data.end());
    }
    if (text.empty() || text.back() != 0)
      return std::nullopt;
    text.pop_back();
    if (std::find(text.begin(), text.end(), Char(0)) != text.end() ||
        std::find(text.begin(), text.end(), Char('\n')) != text.end())
      return std::nullopt;
    return text;
  }

  void AppendQuoted(const Text& text) {
    out_.push_back('"');
    for (Char c : text) {
      if (c == '\\' || c == '"')
        out_.push_back('\\');
      out_.push_back(c);
    }
    out_.push_back('"');
  }

  void AppendHex(const std::vector<uint8_t>& data, size_t lineLength) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < data.size(); ++i) {
      if (i > 0) {
        out_.push_back(',');
        ++lineLength;
        if (lineLength + 4 > kMaxLineLength) {
          AppendAscii("\\\r\n  ");
          lineLength = 2;
        }
      }
      out_.push_back(kDigits[data[i] >> 4]);
      out_.push_back(kDigits[data[i] & 0xF]);
      lineLength += 2;
    }
  }

  void AppendValue(const RegValue& value) {
    const size_t lineStart = out_.size();
    if (value.name.empty() && value.wideName.empty()) {
      out_.push_back('@');
    } else {
      AppendQuoted(Name(value.name, value.wideName));
    }
    out_.push_back('=');
    if (std::optional<Text> text = PlainText(value)) {
      AppendQuoted(*text);
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
      const uint32_t number = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                              (static_cast<uint32_t>(value.data[3]) << 24);
      char digits[16];
      std::snprintf(digits, sizeof digits, "dword:%08x", static_cast<unsigned>(number));
      AppendAscii(digits);
    } else {
      if (value.type == REG_BINARY) {
        AppendAscii("hex:");
      } else {
        char type[24];
        std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(value.type));
        AppendAscii(type);
      }
      AppendHex(FileData(value), out_.size() - lineStart);
    }
    AppendAscii("\r\n");
  }

  void AppendSection(const Text& path, const RegKeyNode& key) {
    out_.push_back('[');
    out_ += path;
    AppendAscii("]\r\n");
    for (const RegValue& value : key.values())
      AppendValue(value);
    AppendAscii("\r\n");
  }

  // Depth first, parents before children; depth is bounded by kMaxKeyDepth.
  void AppendTree(const Text& path, const RegKeyNode& key) {
    AppendSection(path, key);
    for (const auto& child : key.subkeys())
      AppendTree(path + Char('\\') + NameOf(*child), *child);
  }

  Text out_;
};

}  // namespace

std::string RegistryStore::Serialize() const {
  if (format_ == RegFileFormat::kRegedit4)
    return Writer<char>().Write(*root_);
  const std::u16string text = Writer<char16_t>().Write(*root_);
  std::string bytes = "\xFF\xFE";
  bytes.reserve(2 + text.size() * 2);
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

}  // namespace talvex::sim
