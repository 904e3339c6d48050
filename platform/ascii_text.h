// Letter-case rules shared by the program and the simulated machine: letters a to z equal A to Z,
// every other byte is itself, whatever the user's locale.
#pragma once

#include <string_view>

namespace talvex {

inline char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Whole texts: equal length and equal characters.
inline bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i]))
      return false;
  return true;
}

}  // namespace talvex
