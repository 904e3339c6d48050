// What the Wine suite's window helpers share: writing a window's text on one line, and waiting.
#pragma once

#include <windows.h>

#include <string>

namespace wine_test {

// CR, LF and backslash written as \r, \n and \\, so that any text fits on one report line.
inline std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\\') {
      out += "\\\\";
    } else {
      out += c;
    }
  }
  return out;
}

// Polls done() every 50 ms until it is true (true) or timeout_ms have passed (false).
template <typename Done>
bool WaitFor(DWORD timeout_ms, Done done) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeout_ms)
      return false;
    Sleep(50);
  }
  return true;
}

}  // namespace wine_test
