#include "platform/win32/win32_system_folders.h"

#include "platform/win32/windows_support.h"

namespace talvex::win32 {

uint32_t Win32SystemFolders::GetWindowsDirectoryA(char* buffer, uint32_t size) {
  return ::GetWindowsDirectoryA(buffer, size);
}

uint32_t Win32SystemFolders::GetSystemDirectoryA(char* buffer, uint32_t size) {
  return ::GetSystemDirectoryA(buffer, size);
}

}  // namespace talvex::win32
