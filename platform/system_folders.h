// The Windows and system folders (kernel32).
#pragma once

#include <cstdint>

namespace talvex {

class SystemFolders {
 public:
  virtual ~SystemFolders() = default;
  // Copy the folder path into buffer (size bytes) and return its length; when it does not fit,
  // return the size needed (terminating zero included); 0 on failure.
  virtual uint32_t GetWindowsDirectoryA(char* buffer, uint32_t size) = 0;
  virtual uint32_t GetSystemDirectoryA(char* buffer, uint32_t size) = 0;
};

}  // namespace talvex
