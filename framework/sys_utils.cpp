#include "framework/sys_utils.h"

#include "platform/winconst.h"

namespace talvex {

bool FileExists(Files& files, const std::string& fileName) {
  uint32_t attributes = files.GetFileAttributesA(fileName);
  return attributes != win::INVALID_FILE_ATTRIBUTES &&
         (attributes & win::FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace talvex
