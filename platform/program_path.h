// Splitting a program's full Windows path into its parts.
#pragma once

#include <string>

#include "platform/ascii_text.h"

namespace talvex {

struct ProgramPathParts {
  std::string drive;      // "D:", or empty (network paths)
  std::string directory;  // from the drive to the last backslash, both included: "\SETUP\"
  std::string baseName;   // "Setup"
  std::string extension;  // from the last dot of the file name on: ".exe"
};

inline ProgramPathParts SplitProgramPath(const std::string& path) {
  ProgramPathParts parts;
  size_t start = 0;
  if (path.size() >= 2 && path[1] == ':' && IsAsciiLetter(path[0])) {
    parts.drive = path.substr(0, 2);
    start = 2;
  }
  size_t lastBackslash = path.rfind('\\');
  size_t nameStart = start;
  if (lastBackslash != std::string::npos && lastBackslash >= start) {
    parts.directory = path.substr(start, lastBackslash + 1 - start);
    nameStart = lastBackslash + 1;
  }
  std::string fileName = path.substr(nameStart);
  size_t dot = fileName.rfind('.');
  if (dot == std::string::npos) {
    parts.baseName = fileName;
  } else {
    parts.baseName = fileName.substr(0, dot);
    parts.extension = fileName.substr(dot);
  }
  return parts;
}

// Drive followed by directory: "D:\SETUP\".
inline std::string ProgramFolderOf(const std::string& programPath) {
  ProgramPathParts parts = SplitProgramPath(programPath);
  return parts.drive + parts.directory;
}

}  // namespace talvex
