#include "install/windows_folder.h"

#include <vector>

namespace talvex {

std::optional<std::string> GetWindowsFolder(SystemFolders& folders, uint32_t bufferSize) {
  std::vector<char> buffer(bufferSize, '\0');
  uint32_t result = folders.GetWindowsDirectoryA(buffer.data(), bufferSize);
  if (result == 0)
    return std::nullopt;
  if (result < bufferSize)
    return std::string(buffer.data(), result);
  // It did not fit: result is the size needed.
  buffer.assign(result, '\0');
  uint32_t length = folders.GetWindowsDirectoryA(buffer.data(), result);
  if (length == 0 || length >= result)
    return std::nullopt;
  return std::string(buffer.data(), length);
}

}  // namespace talvex
