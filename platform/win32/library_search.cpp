#include "platform/win32/library_search.h"

#include "platform/win32/system_libraries.h"
#include "platform/win32/system_paths.h"
#include "platform/win32/win32_system_folders.h"

namespace talvex::win32 {

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32, which older headers lack.
constexpr DWORD kSearchSystem32 = 0x00000800;

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);

template <class Function>
Function Kernel32Function(const char* name) {
  // kernel32.dll is in every process from its start; this loads nothing.
  HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll");
  FARPROC proc = kernel32 ? ::GetProcAddress(kernel32, name) : nullptr;
  // Through the generic function pointer type, the one conversion GCC accepts silently.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

}  // namespace

LibrarySearchProtection ProtectLibrarySearch(SystemFolders& folders) {
  LibrarySearchProtection protection;
  if (auto setDefault = Kernel32Function<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories"))
    protection.systemFolderOnly = setDefault(kSearchSystem32) != FALSE;
  if (auto setDirectory = Kernel32Function<SetDllDirectoryFn>("SetDllDirectoryA"))
    protection.currentFolderOut = setDirectory("") != FALSE;

  std::string folder = SystemDirectory(folders);
  for (const char* name : kLoadedByNameLater) {
    ScopedModule module = LoadFromFolder(folder, name);
    if (!module)
      continue;
    char path[MAX_PATH + 1] = {};
    DWORD length = ::GetModuleFileNameA(module.get(), path, MAX_PATH);
    protection.preloaded.emplace_back(path, length);
    // Kept loaded for the whole process: the point is that the module is there when Windows'
    // own code asks for it by name.
    module.Release();
  }
  return protection;
}

void PrepareSystemLibraries() {
  Win32SystemFolders folders;
  ProtectLibrarySearch(folders);
  ProcessLibraries();
}

}  // namespace talvex::win32
