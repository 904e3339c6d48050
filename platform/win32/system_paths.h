// Whole folder paths from the buffer-and-size calls of the system folders, and the loading of a
// system DLL by its full path in the system folder.
#pragma once

#include <string>

#include "platform/system_folders.h"
#include "platform/win32/scoped_handle.h"

namespace talvex::win32 {

// The system folder, however long; empty (with the call's last error) when the call fails.
std::string SystemDirectory(SystemFolders& folders);

// Loads the DLL folder\fileName by that full path, never through the search path, which begins
// with the program's own folder. The DLLs that it imports are looked for in its folder first
// (LOAD_WITH_ALTERED_SEARCH_PATH), not beside the program. No "insert a disk" box appears when the
// folder lies on a drive without a medium. An empty folder loads nothing (ERROR_PATH_NOT_FOUND).
ScopedModule LoadFromFolder(const std::string& folder, const std::string& fileName);

}  // namespace talvex::win32
