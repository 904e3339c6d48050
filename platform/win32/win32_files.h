// Files and folders through kernel32 (CreateFileA, WriteFile, GetFileAttributesA,
// CreateDirectoryA) and SetupAPI's file copy.
#pragma once

#include "platform/files.h"

namespace talvex::win32 {

class Win32Files final : public Files {
 public:
  bool WriteNewFile(const std::string& path, const std::string& bytes) override;
  bool CanOpenForReading(const std::string& path) override;
  bool CreateDirectoryA(const std::string& path) override;
  uint32_t GetFileAttributesA(const std::string& path) override;
  bool SetupInstallFileA(const std::string& sourceFile, const std::string& sourcePathRoot,
                         const std::string& destinationName, uint32_t copyStyle) override;
};

}  // namespace talvex::win32
