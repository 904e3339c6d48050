// Which Windows the program runs on, read from the registry's version keys.
#pragma once

#include <cstdint>

#include "platform/registry.h"

namespace talvex {

// Windows version classes. The numbers are fixed: every consumer compares with them.
enum WindowsVersionClass : int32_t {
  VersionUnsupported = 0,
  Win98 = 1,
  WinMe = 2,
  Win2000 = 3,
  WinNT4 = 4,
  WinNT351 = 5,
  WinXP = 6,
};

// Never fails: a missing key or value yields VersionUnsupported or falls through to the next test.
WindowsVersionClass DetectWindowsVersion(Registry& registry);

}  // namespace talvex
