#include "platform/win32/system_paths.h"

namespace talvex::win32 {

std::string SystemDirectory(SystemFolders& folders) {
  return SystemFolderPath(folders).value_or(std::string());
}

ScopedModule LoadFromFolder(const std::string& folder, const std::string& fileName) {
  if (folder.empty()) {
    ::SetLastError(ERROR_PATH_NOT_FOUND);
    return ScopedModule();
  }
  std::string path = JoinPath(folder, fileName);
  UINT previous = ::SetErrorMode(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS);
  HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  // A loader that does not know the flag refuses the call as a whole; the full path alone still
  // keeps the DLL itself from being taken from anywhere else.
  if (module == nullptr && ::GetLastError() == ERROR_INVALID_PARAMETER)
    module = ::LoadLibraryA(path.c_str());
  DWORD error = ::GetLastError();
  ::SetErrorMode(previous);
  ::SetLastError(error);
  return ScopedModule(module);
}

}  // namespace talvex::win32
