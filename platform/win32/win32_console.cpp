#include "platform/win32/win32_console.h"

#include <cstdio>

namespace talvex::win32 {

// Flushed at once, so that lines are not lost when the process ends through a path that does not
// flush the streams.
void Win32Console::WriteStdout(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace talvex::win32
