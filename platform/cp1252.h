// Windows-1252, the ANSI code page of an English Windows, and UTF-16: one character each way.
#pragma once

#include <cstdint>

namespace talvex {

uint16_t Cp1252ToUtf16(uint8_t c);
// '?' for a character that Windows-1252 cannot hold.
uint8_t Utf16ToCp1252(uint16_t u);

}  // namespace talvex
