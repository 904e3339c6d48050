// Letter-case and blank rules shared by the program and the simulated machine: letters a to z
// equal A to Z, every other byte is itself, whatever the user's locale.
#pragma once

#include <string>
#include <string_view>

namespace talvex {

inline bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

inline char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string UpperAsciiText(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    c = UpperAscii(c);
  return result;
}

inline std::string LowerAsciiText(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    c = LowerAscii(c);
  return result;
}

// Byte by byte after raising a to z, as unsigned bytes, the end of a text counting as 0: the
// difference of the first pair that differs, 0 when equal.
inline int CompareAsciiNoCase(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    int x = static_cast<unsigned char>(UpperAscii(a[i]));
    int y = static_cast<unsigned char>(UpperAscii(b[i]));
    if (x != y)
      return x - y;
  }
  if (a.size() == b.size())
    return 0;
  return a.size() < b.size() ? -static_cast<unsigned char>(UpperAscii(b[n]))
                             : static_cast<unsigned char>(UpperAscii(a[n]));
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

// value begins with prefix, ignoring letter case.
inline bool StartsWithIgnoreCase(std::string_view value, std::string_view prefix) {
  return value.size() >= prefix.size() && EqualsIgnoreCase(value.substr(0, prefix.size()), prefix);
}

// Without the spaces, tabs and carriage returns at either end.
inline std::string TrimBlanks(std::string_view text) {
  size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string_view::npos)
    return {};
  size_t end = text.find_last_not_of(" \t\r");
  return std::string(text.substr(begin, end + 1 - begin));
}

}  // namespace talvex
