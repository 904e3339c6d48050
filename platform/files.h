// Files and folders, by Windows path.
#pragma once

#include <cstdint>
#include <string>

namespace talvex {

class Files {
 public:
  virtual ~Files() = default;
  // Creates or truncates the file and writes the bytes; false (and the last error set) when the
  // file cannot be created or written.
  virtual bool WriteNewFile(const std::string& path, const std::string& bytes) = 0;
  // Opens the file for reading and closes it again: true when that worked.
  virtual bool CanOpenForReading(const std::string& path) = 0;
  // No security attributes. Fails with ERROR_ALREADY_EXISTS for an existing folder and
  // ERROR_PATH_NOT_FOUND when its parent is missing.
  virtual bool CreateDirectoryA(const std::string& path) = 0;
  // The FILE_ATTRIBUTE_* bits of a file or folder; INVALID_FILE_ATTRIBUTES (0xFFFFFFFF) with the
  // last error set when there is none. A path that begins with a single backslash is on the
  // current drive; one without a drive, in the current folder.
  virtual uint32_t GetFileAttributesA(const std::string& path) = 0;
  // SetupInstallFileA without an INF: copies sourcePathRoot\sourceFile to destinationName,
  // replacing an existing file. Never creates folders.
  virtual bool SetupInstallFileA(const std::string& sourceFile, const std::string& sourcePathRoot,
                                 const std::string& destinationName, uint32_t copyStyle) = 0;
};

}  // namespace talvex
