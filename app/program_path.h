// Splitting a program's full path into its parts.
#pragma once

#include <string>

namespace talvex {

struct ProgramPathParts {
  std::string drive;      // "D:", or empty (network paths)
  std::string directory;  // from the drive to the last backslash, both included: "\SETUP\"
  std::string baseName;   // "Setup"
  std::string extension;  // from the last dot of the file name on: ".exe"
};

ProgramPathParts SplitProgramPath(const std::string& path);

// Drive followed by directory: "D:\SETUP\".
std::string ProgramFolderOf(const std::string& programPath);

}  // namespace talvex
