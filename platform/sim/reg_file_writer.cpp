// Writes a RegistryStore back as a regedit export, byte for byte in regedit's own style, so that
// reading the result gives the same tree again. A REGEDIT4 file is written as Windows-1252 bytes,
// a Version 5.00 file as UTF-16 code units with every character the store holds.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
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

// regedit continues a hex line once another "xx," and the backslash would pass this column.
constexpr size_t kMaxLineLength = 80;

bool IsStringType(uint32_t type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

template <typename Char>
class Writer {
  using Text = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;
  static constexpr bool kVersion5 = sizeof(Char) == 2;

 public:
  // Hands the file to write piece by piece; false as soon as write answers false.
  bool Write(const RegKeyNode& root, const std::function<bool(std::string_view)>& write) {
    write_ = &write;
    if constexpr (kVersion5)
      Emit("\xFF\xFE");  // the byte order mark
    Walk(root);
    Hand();
    return !failed_;
  }

 private:
  // Pieces of about this many characters are handed on, so that the whole file is never held
  // in memory and the buffer is reused while it is still in the processor's cache.
  static constexpr size_t kPieceLength = size_t{256} << 10;

  void Emit(std::string_view bytes) {
    if (!failed_ && !(*write_)(bytes))
      failed_ = true;
  }

  // Hands on what the buffer holds: a Version 5.00 file's code units as UTF-16LE bytes.
  void Hand() {
    if constexpr (kVersion5) {
      bytes_.clear();
      bytes_.reserve(out_.size() * 2);
      for (char16_t unit : out_) {
        bytes_.push_back(static_cast<char>(unit & 0xFF));
        bytes_.push_back(static_cast<char>(unit >> 8));
      }
      Emit(bytes_);
    } else {
      Emit(out_);
    }
    out_.clear();
  }

  void Walk(const RegKeyNode& root) {
    AppendAscii(kVersion5 ? kVersion5Header : kRegedit4Header);
    AppendAscii("\r\n\r\n");
    // One path buffer for the whole walk: each key's path is its parent's plus its name.
    Text path(kRootKeyName, kRootKeyName + std::char_traits<char>::length(kRootKeyName));
    // HKEY_LOCAL_MACHINE itself gets a section only when it has something of its own to hold.
    if (!root.values().empty())
      AppendSection(path, root);
    AppendSubtrees(path, root);
  }

  void AppendAscii(std::string_view text) { out_.append(text.begin(), text.end()); }

  // A name as the file holds it: the whole text in a Version 5.00 file.
  static void AppendName(Text& to, const std::string& ansi, const std::u16string& wide) {
    if constexpr (kVersion5) {
      if (!wide.empty()) {
        to += wide;
        return;
      }
      for (char c : ansi)
        to.push_back(Cp1252ToUtf16(static_cast<uint8_t>(c)));
    } else {
      to += ansi;
    }
  }

  // The data as the file holds it: string types as UTF-16LE in a Version 5.00 file, as the
  // registry of an NT system does.
  static const std::vector<uint8_t>& FileData(const RegValue& value,
                                              std::vector<uint8_t>& converted) {
    if (!kVersion5 || !IsStringType(value.type))
      return value.data;
    if (!value.wideData.empty())
      return value.wideData.get();
    converted.clear();
    converted.reserve(value.data.size() * 2);
    for (uint8_t c : value.data) {
      const uint16_t unit = Cp1252ToUtf16(c);
      converted.push_back(static_cast<uint8_t>(unit & 0xFF));
      converted.push_back(static_cast<uint8_t>(unit >> 8));
    }
    return converted;
  }

  // The text of a REG_SZ value that can be written as "text" and read back unchanged: text and
  // one terminating zero, no line feed (it would end the line early). The view is into the
  // value's data, or into text_ where the file's characters differ from it.
  std::optional<View> PlainText(const RegValue& value) {
    if (value.type != REG_SZ)
      return std::nullopt;
    View text;
    if constexpr (kVersion5) {
      if (value.wideData.size() % 2 != 0)
        return std::nullopt;
      text_.clear();
      if (value.wideData.empty()) {
        for (uint8_t c : value.data)
          text_.push_back(Cp1252ToUtf16(c));
      } else {
        for (size_t i = 0; i + 1 < value.wideData.size(); i += 2)
          text_.push_back(static_cast<char16_t>(value.wideData[i] | (value.wideData[i + 1] << 8)));
      }
      text = text_;
    } else {
      text = View(reinterpret_cast<const char*>(value.data.data()), value.data.size());
    }
    if (text.empty() || text.back() != 0)
      return std::nullopt;
    text.remove_suffix(1);
    if (text.find(Char(0)) != View::npos || text.find(Char('\n')) != View::npos)
      return std::nullopt;
    return text;
  }

  void AppendQuoted(View text) {
    out_.push_back('"');
    size_t from = 0;
    while (from < text.size()) {
      // Runs without a character to escape are copied whole.
      size_t special = from;
      while (special < text.size() && text[special] != '\\' && text[special] != '"')
        ++special;
      out_.append(text.data() + from, special - from);
      if (special == text.size())
        break;
      out_.push_back('\\');
      out_.push_back(text[special]);
      from = special + 1;
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
    } else if constexpr (kVersion5) {
      name_.clear();
      AppendName(name_, value.name, value.wideName.get());
      AppendQuoted(name_);
    } else {
      AppendQuoted(value.name);
    }
    out_.push_back('=');
    if (std::optional<View> text = PlainText(value)) {
      AppendQuoted(*text);
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
      static constexpr char kDigits[] = "0123456789abcdef";
      const uint32_t number = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                              (static_cast<uint32_t>(value.data[3]) << 24);
      AppendAscii("dword:");
      for (int shift = 28; shift >= 0; shift -= 4)
        out_.push_back(kDigits[(number >> shift) & 0xF]);
    } else {
      if (value.type == REG_BINARY) {
        AppendAscii("hex:");
      } else {
        char type[24];
        std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(value.type));
        AppendAscii(type);
      }
      AppendHex(FileData(value, converted_), out_.size() - lineStart);
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

  // Depth first, parents before children; depth is bounded by kMaxKeyDepth. path is the key's
  // own path, and is left as it was given.
  void AppendSubtrees(Text& path, const RegKeyNode& key) {
    for (const auto& child : key.subkeys()) {
      const size_t length = path.size();
      path.push_back('\\');
      AppendName(path, child->name(), child->wide_name());
      AppendSection(path, *child);
      if (out_.size() >= kPieceLength)
        Hand();
      AppendSubtrees(path, *child);
      path.resize(length);
    }
  }

  Text out_;
  Text text_;                       // a REG_SZ value's text, where it must be converted
  Text name_;                       // a value's name, where it must be converted
  std::vector<uint8_t> converted_;  // a string value's data as UTF-16LE
  std::string bytes_;               // a Version 5.00 piece as UTF-16LE bytes
  const std::function<bool(std::string_view)>* write_ = nullptr;
  bool failed_ = false;
};

}  // namespace

bool RegistryStore::Serialize(const std::function<bool(std::string_view)>& write) const {
  if (format_ == RegFileFormat::kRegedit4)
    return Writer<char>().Write(*root_, write);
  return Writer<char16_t>().Write(*root_, write);
}

std::string RegistryStore::Serialize() const {
  std::string bytes;
  Serialize([&bytes](std::string_view piece) {
    bytes.append(piece);
    return true;
  });
  return bytes;
}

}  // namespace talvex::sim
