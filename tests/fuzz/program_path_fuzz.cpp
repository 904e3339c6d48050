// Splitting a program path: the parts always put the path back together, and the program folder
// is the drive and directory.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/program_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path(reinterpret_cast<const char*>(data), size);
  talvex::ProgramPathParts parts = talvex::SplitProgramPath(path);
  if (parts.drive + parts.directory + parts.baseName + parts.extension != path)
    std::abort();
  if (!parts.directory.empty() && parts.directory.back() != '\\')
    std::abort();
  if (parts.baseName.find('\\') != std::string::npos)
    std::abort();
  if (!parts.extension.empty() && parts.extension[0] != '.')
    std::abort();
  if (talvex::ProgramFolderOf(path) != parts.drive + parts.directory)
    std::abort();
  return 0;
}
