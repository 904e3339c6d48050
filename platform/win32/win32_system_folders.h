// The Windows and system folders through kernel32.
#pragma once

#include "platform/system_folders.h"

namespace talvex::win32 {

class Win32SystemFolders final : public SystemFolders {
 public:
  uint32_t GetWindowsDirectoryA(char* buffer, uint32_t size) override;
  uint32_t GetSystemDirectoryA(char* buffer, uint32_t size) override;
};

}  // namespace talvex::win32
