// Windows-1252 <-> UTF-16, as Windows converts them for the Version 5 .reg format and the ANSI
// registry calls, and the identity under which names are looked up.
#include <array>

#include "platform/ascii_text.h"
#include "platform/cp1252.h"
#include "platform/sim/reg_store.h"

namespace talvex::sim {
namespace {

bool IsHighSurrogate(uint16_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}

bool IsLowSurrogate(uint16_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

// UTF-8, except that a surrogate without its partner gets the three bytes of its own number, so
// that every UTF-16 text has a text of its own here.
void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

}  // namespace

std::u16string AnsiToUtf16(std::string_view text) {
  std::u16string wide;
  wide.reserve(text.size());
  for (char c : text)
    wide.push_back(static_cast<char16_t>(Cp1252ToUtf16(static_cast<uint8_t>(c))));
  return wide;
}

std::string Utf16ToAnsi(std::u16string_view text, bool* lossy) {
  std::string ansi;
  ansi.reserve(text.size());
  bool lost = false;
  for (char16_t unit : text) {
    const uint8_t c = Utf16ToCp1252(unit);
    // '?' stands for itself only when the text held a '?'.
    lost = lost || (c == '?' && unit != u'?');
    ansi.push_back(static_cast<char>(c));
  }
  if (lossy)
    *lossy = lost;
  return ansi;
}

std::string FoldedName(std::string_view ansi) {
  std::string folded;
  folded.reserve(ansi.size());
  for (char c : ansi) {
    const auto byte = static_cast<uint8_t>(c);
    if (byte < 0x80) {
      folded.push_back(UpperAscii(c));
    } else {
      AppendUtf8(folded, Cp1252ToUtf16(byte));
    }
  }
  return folded;
}

std::string FoldedName(std::u16string_view wide) {
  std::string folded;
  folded.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    const uint16_t unit = wide[i];
    if (unit < 0x80) {
      folded.push_back(UpperAscii(static_cast<char>(unit)));
    } else if (IsHighSurrogate(unit) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1])) {
      AppendUtf8(folded, 0x10000 + ((unit - 0xD800u) << 10) + (wide[i + 1] - 0xDC00u));
      ++i;
    } else {
      AppendUtf8(folded, unit);
    }
  }
  return folded;
}

}  // namespace talvex::sim
