#include "platform/win32/system_paths.h"

#include <vector>

namespace talvex::win32 {

std::string SystemDirectory(SystemFolders& folders) {
  std::vector<char> buffer(260);
  // The call returns the length when the path fits and the size it needs when it does not; the
  // path can change between calls, so ask again until it fits.
  for (int attempt = 0; attempt < 4; ++attempt) {
    uint32_t length =
        folders.GetSystemDirectoryA(buffer.data(), static_cast<uint32_t>(buffer.size()));
    if (length == 0)
      return {};
    if (length < buffer.size())
      return std::string(buffer.data(), length);
    buffer.resize(length + 1);
  }
  return {};
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/'))
    return folder + name;
  return folder + "\\" + name;
}

}  // namespace talvex::win32
