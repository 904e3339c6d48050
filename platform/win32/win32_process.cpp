#include "platform/win32/win32_process.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/win32/windows_support.h"

namespace talvex::win32 {

std::string Win32Process::GetModuleFileNameA() {
  std::vector<char> buffer(MAX_PATH);
  // Long paths (\\?\ prefixes, deep folders) go beyond MAX_PATH. A name that filled the whole
  // buffer may have been cut short, so that case asks again with a larger buffer.
  while (buffer.size() <= 65536) {
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), size);
    if (length == 0)
      return {};
    if (length < size - 1)
      return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
  return {};
}

void Win32Process::ExitProcess(int code) {
  std::fflush(nullptr);
  std::exit(code);
}

}  // namespace talvex::win32
