#include "platform/win32/system_paths.h"

namespace talvex::win32 {

std::string SystemDirectory(SystemFolders& folders) {
  return SystemFolderPath(folders).value_or(std::string());
}

}  // namespace talvex::win32
