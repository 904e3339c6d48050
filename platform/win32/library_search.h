// What the programs users run do first, before any window exists, so that no DLL beside the
// program is loaded later on.
#pragma once

#include <string>
#include <vector>

#include "platform/system_folders.h"

namespace talvex::win32 {

// DLLs that Windows' own code loads by their bare names while the program runs, which the search
// path would look for beside the program first: uxtheme.dll, which user32.dll and comctl32.dll
// of Windows XP load for the look of the windows. Loaded ahead by full path, a later load by name
// finds the module already loaded. A DLL that the system folder lacks (uxtheme.dll before XP) is
// not loaded by the system's code either.
inline constexpr const char* kLoadedByNameLater[] = {"uxtheme.dll"};

struct LibrarySearchProtection {
  // SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) took effect: later loads by name look
  // in the system folder only (Windows 8 on, Windows 7 and Vista with update KB2533623).
  bool systemFolderOnly = false;
  // SetDllDirectoryA("") took effect: the current folder is out of the search (XP SP1 on).
  bool currentFolderOut = false;
  // The full paths of the DLLs of kLoadedByNameLater that are now loaded from the system folder.
  std::vector<std::string> preloaded;
};

// Narrows the DLL search of this process as far as the system allows (the functions are looked
// up by name, since Windows 98 SE and 2000 lack them), then loads kLoadedByNameLater from the
// system folder. The modules stay loaded until the process ends.
LibrarySearchProtection ProtectLibrarySearch(SystemFolders& folders);

// The start of Setup.exe and FolderTree.exe: ProtectLibrarySearch, then the system libraries
// that the programs do not import (ProcessLibraries). A library that does not load ends the
// program only when it is first needed.
void PrepareSystemLibraries();

}  // namespace talvex::win32
