#include "app/program_path.h"

namespace talvex {

ProgramPathParts SplitProgramPath(const std::string& path) {
  ProgramPathParts parts;
  size_t start = 0;
  if (path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
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

std::string ProgramFolderOf(const std::string& programPath) {
  ProgramPathParts parts = SplitProgramPath(programPath);
  return parts.drive + parts.directory;
}

}  // namespace talvex
