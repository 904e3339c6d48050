#include "platform/win32/win32_files.h"

#include <algorithm>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/system_libraries.h"
#include "platform/win32/windows_support.h"

namespace talvex::win32 {

bool Win32Files::WriteNewFile(const std::string& path, const std::string& bytes) {
  ScopedFileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file)
    return false;
  // WriteFile may write less than asked; keep going until everything is written.
  size_t written = 0;
  while (written < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - written, 1u << 20));
    DWORD done = 0;
    if (!::WriteFile(file.get(), bytes.data() + written, chunk, &done, nullptr))
      return false;
    if (done == 0) {
      ::SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    written += done;
  }
  // Closing can report a failed delayed write; it counts as a failed write.
  HANDLE handle = file.Release();
  return ::CloseHandle(handle) != FALSE;
}

bool Win32Files::CanOpenForReading(const std::string& path) {
  ScopedFileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid();
}

bool Win32Files::CreateDirectoryA(const std::string& path) {
  return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

uint32_t Win32Files::GetFileAttributesA(const std::string& path) {
  return ::GetFileAttributesA(path.c_str());
}

bool Win32Files::SetupInstallFileA(const std::string& sourceFile, const std::string& sourcePathRoot,
                                   const std::string& destinationName, uint32_t copyStyle) {
  // No INF and no copy callback: a plain copy of one file, queued and committed by SetupAPI.
  // A success leaves 0 as the last error, as the callers expect of SetupAPI.
  if (!ProcessLibraries().RequireSetupApi().SetupInstallFileA(
          nullptr, nullptr, sourceFile.c_str(), sourcePathRoot.c_str(), destinationName.c_str(),
          copyStyle, nullptr, nullptr))
    return false;
  ::SetLastError(ERROR_SUCCESS);
  return true;
}

}  // namespace talvex::win32
