// The Windows and system folders (kernel32).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace talvex {

class SystemFolders {
 public:
  virtual ~SystemFolders() = default;
  // Copy the folder path into buffer (size bytes) and return its length; when it does not fit,
  // return the size needed (terminating zero included); 0 on failure.
  virtual uint32_t GetWindowsDirectoryA(char* buffer, uint32_t size) = 0;
  virtual uint32_t GetSystemDirectoryA(char* buffer, uint32_t size) = 0;
};

// A buffer-and-size call asked with firstSize bytes and, while the text does not fit, again with
// the size it reported, so that a long folder is never cut into a wrong path. The folder can
// change between calls, so the asking stops after a few rounds. Nothing when the call fails.
template <class Call>
std::optional<std::string> AskWithReportedSize(Call call, uint32_t firstSize) {
  std::vector<char> buffer(firstSize > 0 ? firstSize : 1, '\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    uint32_t size = static_cast<uint32_t>(buffer.size());
    uint32_t result = call(buffer.data(), size);
    if (result == 0)
      return std::nullopt;
    if (result < size)
      return std::string(buffer.data(), result);
    buffer.assign(result + 1, '\0');
  }
  return std::nullopt;
}

inline std::optional<std::string> WindowsFolderPath(SystemFolders& folders,
                                                    uint32_t firstSize = 260) {
  return AskWithReportedSize(
      [&folders](char* buffer, uint32_t size) {
        return folders.GetWindowsDirectoryA(buffer, size);
      },
      firstSize);
}

inline std::optional<std::string> SystemFolderPath(SystemFolders& folders,
                                                   uint32_t firstSize = 260) {
  return AskWithReportedSize(
      [&folders](char* buffer, uint32_t size) { return folders.GetSystemDirectoryA(buffer, size); },
      firstSize);
}

// folder + "\" + name, without doubling a backslash that ends the folder ("C:\").
inline std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/'))
    return folder + name;
  return folder + "\\" + name;
}

}  // namespace talvex
