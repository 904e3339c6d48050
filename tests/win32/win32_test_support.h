// Helpers shared by the Win32 backend tests.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system_folders.h"
#include "platform/win32/windows_support.h"

namespace talvex::win32::testing {

// Set as the thread's last error before a call, to see whether the call changed it.
inline constexpr DWORD kLastErrorMarker = 0xDEADBEEF;

// A system folder of the test's choice; an empty path is a system folder that cannot be had,
// whose query fails with error.
class FixedSystemFolder : public SystemFolders {
 public:
  explicit FixedSystemFolder(std::string path, DWORD error = ERROR_FILE_NOT_FOUND)
      : path_(std::move(path)), error_(error) {}
  uint32_t GetWindowsDirectoryA(char*, uint32_t) override { return 0; }
  uint32_t GetSystemDirectoryA(char* buffer, uint32_t size) override {
    if (path_.empty()) {
      ::SetLastError(error_);
      return 0;
    }
    if (size <= path_.size())
      return static_cast<uint32_t>(path_.size() + 1);
    path_.copy(buffer, path_.size());
    buffer[path_.size()] = '\0';
    return static_cast<uint32_t>(path_.size());
  }

 private:
  std::string path_;
  DWORD error_;
};

// A registry key under HKEY_CURRENT_USER made for one test and deleted with everything below it
// afterwards.
class TemporaryRegistryKey {
 public:
  explicit TemporaryRegistryKey(const std::string& name);
  ~TemporaryRegistryKey();
  TemporaryRegistryKey(const TemporaryRegistryKey&) = delete;
  TemporaryRegistryKey& operator=(const TemporaryRegistryKey&) = delete;

  const std::string& Path() const { return path_; }
  // Creates a sub-key with the raw API (the interface can only open keys).
  void CreateSubKey(const std::string& name) const;

 private:
  std::string path_;
};

// A fresh empty folder under the Windows temporary folder, removed with everything in it
// afterwards.
class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

std::string ReadWholeFile(const std::string& path);

}  // namespace talvex::win32::testing
