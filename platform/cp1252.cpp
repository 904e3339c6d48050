#include "platform/cp1252.h"

#include <array>
#include <cstddef>

namespace talvex {
namespace {

// 0x80-0x9F. The five bytes Windows-1252 leaves undefined map to the C1 control of the same
// number, as MultiByteToWideChar does, so every byte survives a round trip through UTF-16.
constexpr std::array<uint16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

}  // namespace

uint16_t Cp1252ToUtf16(uint8_t c) {
  if (c >= 0x80 && c <= 0x9F)
    return kHighControls[c - 0x80];
  return c;
}

uint8_t Utf16ToCp1252(uint16_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
    return static_cast<uint8_t>(u);
  for (size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == u)
      return static_cast<uint8_t>(0x80 + i);
  }
  return '?';
}

}  // namespace talvex
