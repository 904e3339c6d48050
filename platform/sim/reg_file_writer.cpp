// Writes a RegistryStore back as a regedit export, byte for byte in regedit's own style, so that
// reading the result gives the same tree again.
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

constexpr char kLineEnd[] = "\r\n";
// regedit continues a hex line once another "xx," and the backslash would pass this column.
constexpr size_t kMaxLineLength = 80;

void AppendQuoted(std::string& out, const std::string& text) {
  out.push_back('"');
  for (char c : text) {
    if (c == '\\' || c == '"')
      out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
}

// Only text + one terminating zero can be written as "text" and read back unchanged; a line feed
// would end the line early.
bool IsPlainText(const RegValue& value) {
  const auto& d = value.data;
  return value.type == REG_SZ && !d.empty() && d.back() == 0 &&
         std::find(d.begin(), d.end() - 1, 0) == d.end() - 1 &&
         std::find(d.begin(), d.end(), '\n') == d.end();
}

// Version 5 files hold the string types' data as UTF-16LE, as the registry of an NT system does.
std::vector<uint8_t> FileData(const RegValue& value, bool version5) {
  const bool isString =
      value.type == REG_SZ || value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ;
  if (!version5 || !isString)
    return value.data;
  std::vector<uint8_t> wide;
  wide.reserve(value.data.size() * 2);
  for (uint8_t c : value.data) {
    const uint16_t unit = Cp1252ToUtf16(c);
    wide.push_back(static_cast<uint8_t>(unit & 0xFF));
    wide.push_back(static_cast<uint8_t>(unit >> 8));
  }
  return wide;
}

void AppendHex(std::string& out, const std::vector<uint8_t>& data, size_t lineLength) {
  static constexpr char kDigits[] = "0123456789abcdef";
  for (size_t i = 0; i < data.size(); ++i) {
    if (i > 0) {
      out.push_back(',');
      ++lineLength;
      if (lineLength + 4 > kMaxLineLength) {
        out += "\\";
        out += kLineEnd;
        out += "  ";
        lineLength = 2;
      }
    }
    out.push_back(kDigits[data[i] >> 4]);
    out.push_back(kDigits[data[i] & 0xF]);
    lineLength += 2;
  }
}

void AppendValue(std::string& out, const RegValue& value, bool version5) {
  const size_t lineStart = out.size();
  if (value.name.empty()) {
    out.push_back('@');
  } else {
    AppendQuoted(out, value.name);
  }
  out.push_back('=');
  if (IsPlainText(value)) {
    AppendQuoted(out, std::string(value.data.begin(), value.data.end() - 1));
  } else if (value.type == REG_DWORD && value.data.size() == 4) {
    const uint32_t number = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                            (static_cast<uint32_t>(value.data[3]) << 24);
    char digits[16];
    std::snprintf(digits, sizeof digits, "dword:%08x", static_cast<unsigned>(number));
    out += digits;
  } else {
    if (value.type == REG_BINARY) {
      out += "hex:";
    } else {
      char type[24];
      std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(value.type));
      out += type;
    }
    AppendHex(out, FileData(value, version5), out.size() - lineStart);
  }
  out += kLineEnd;
}

void AppendSection(std::string& out, const std::string& path, const RegKeyNode& key,
                   bool version5) {
  out += "[" + path + "]" + kLineEnd;
  for (const RegValue& value : key.values())
    AppendValue(out, value, version5);
  out += kLineEnd;
}

// Depth first, parents before children; depth is bounded by kMaxKeyDepth.
void AppendTree(std::string& out, const std::string& path, const RegKeyNode& key, bool version5) {
  AppendSection(out, path, key, version5);
  for (const auto& child : key.subkeys()) {
    AppendTree(out, path + "\\" + child->name(), *child, version5);
  }
}

std::string ToUtf16File(const std::string& text) {
  std::string bytes = "\xFF\xFE";
  bytes.reserve(2 + text.size() * 2);
  for (char c : text) {
    const uint16_t unit = Cp1252ToUtf16(static_cast<uint8_t>(c));
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

}  // namespace

std::string RegistryStore::Serialize() const {
  const bool version5 = format_ == RegFileFormat::kVersion5;
  std::string out = version5 ? kVersion5Header : kRegedit4Header;
  out += kLineEnd;
  out += kLineEnd;
  // HKEY_LOCAL_MACHINE itself gets a section only when it has something of its own to hold.
  if (!root_->values().empty())
    AppendSection(out, kRootKeyName, *root_, version5);
  for (const auto& child : root_->subkeys()) {
    AppendTree(out, std::string(kRootKeyName) + "\\" + child->name(), *child, version5);
  }
  return version5 ? ToUtf16File(out) : out;
}

}  // namespace talvex::sim
