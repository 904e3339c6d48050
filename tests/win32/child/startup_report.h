// The words in which the test child reports the startup information it was started with, and in
// which a test words the record it passed, so that the two compare as texts: one field a line, in
// the record's order, numbers and handles in hexadecimal, texts in quotes (null for none), the
// reserved block as its bytes.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace startup_report {

// What the child writes to the standard output it was given.
inline constexpr char kChildSays[] = "talvex test child\n";

inline std::string Text(const char* text) {
  return text == nullptr ? "null" : std::string("\"") + text + "\"";
}

inline std::string Number(unsigned long long value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%llX", value);
  return buffer;
}

inline std::string Bytes(const BYTE* bytes, WORD count) {
  if (bytes == nullptr)
    return "null";
  std::string text;
  for (WORD i = 0; i < count; ++i) {
    char byte[5];
    std::snprintf(byte, sizeof byte, i > 0 ? ",%02x" : "%02x", bytes[i]);
    text.append(byte);
  }
  return text;
}

inline std::string Describe(const STARTUPINFOA& info) {
  return "cb=" + Number(info.cb) + "\nlpReserved=" + Text(info.lpReserved) +
         "\nlpDesktop=" + Text(info.lpDesktop) + "\nlpTitle=" + Text(info.lpTitle) +
         "\ndwX=" + Number(info.dwX) + "\ndwY=" + Number(info.dwY) +
         "\ndwXSize=" + Number(info.dwXSize) + "\ndwYSize=" + Number(info.dwYSize) +
         "\ndwXCountChars=" + Number(info.dwXCountChars) +
         "\ndwYCountChars=" + Number(info.dwYCountChars) +
         "\ndwFillAttribute=" + Number(info.dwFillAttribute) + "\ndwFlags=" + Number(info.dwFlags) +
         "\nwShowWindow=" + Number(info.wShowWindow) + "\ncbReserved2=" + Number(info.cbReserved2) +
         "\nlpReserved2=" + Bytes(info.lpReserved2, info.cbReserved2) +
         "\nhStdInput=" + Number(reinterpret_cast<ULONG_PTR>(info.hStdInput)) +
         "\nhStdOutput=" + Number(reinterpret_cast<ULONG_PTR>(info.hStdOutput)) +
         "\nhStdError=" + Number(reinterpret_cast<ULONG_PTR>(info.hStdError)) + "\n";
}

}  // namespace startup_report
