// The Windows folder, asked for with a buffer of the given size and again at full length when it
// does not fit, so a long folder is never cut into a wrong path.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/system_folders.h"

namespace talvex {

// Nothing when the system cannot tell it.
std::optional<std::string> GetWindowsFolder(SystemFolders& folders, uint32_t bufferSize);

}  // namespace talvex
