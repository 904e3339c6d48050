// The state that every installation step shares, carried by the wizard window.
#pragma once

#include <cstdint>
#include <string>

#include "inspect/windows_version.h"

namespace talvex {

// Zero until the wizard's construction sets it.
struct SetupState {
  uint8_t SmclibPresent = 0;
  uint8_t SmartcardBasePresent = 0;
  uint8_t Unattended = 0;
  // Set once a Memory Stick or SD step of the Windows 98 or Me engine has run.
  uint8_t DriverInstalled = 0;
  uint8_t MsPresent = 0;
  uint8_t SdPresent = 0;
  uint8_t ScPresent = 0;
  // Drive and directory of the program's own file, ending with a backslash.
  std::string ProgramFolder;
  int32_t Page = 0;
  int32_t WindowsVersion = VersionUnsupported;
};

}  // namespace talvex
