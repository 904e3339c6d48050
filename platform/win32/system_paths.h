// Whole folder paths from the buffer-and-size calls of the system folders.
#pragma once

#include <string>

#include "platform/system_folders.h"

namespace talvex::win32 {

// The system folder, however long; empty (with the call's last error) when the call fails.
std::string SystemDirectory(SystemFolders& folders);

}  // namespace talvex::win32
