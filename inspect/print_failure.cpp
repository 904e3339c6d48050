#include "inspect/print_failure.h"

#include <cstdio>

namespace talvex {

bool PrintFailure(Platform& platform, const std::string& operation) {
  uint32_t code = platform.errors.GetLastError();
  std::string text;
  if (platform.errors.FormatMessageA(code, &text)) {
    // The system text brings its own line break; it is printed unchanged.
    platform.console.WriteStdout(operation + " FAILURE: " + text + "\n");
  } else {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08x", static_cast<unsigned>(code));
    platform.console.WriteStdout(operation + " FAILURE: (" + hex + ")\n");
  }
  platform.errors.SetLastError(code);
  return false;
}

}  // namespace talvex
