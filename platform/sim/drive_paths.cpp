#include "platform/sim/drive_paths.h"

#include <system_error>
#include <vector>

#include "platform/ascii_text.h"

namespace talvex::sim {

namespace fs = std::filesystem;

DrivePaths::DrivePaths(fs::path machineFolder, std::string currentFolder,
                       std::string readOnlyDrives)
    : machine_(std::move(machineFolder)),
      current_(std::move(currentFolder)),
      read_only_(std::move(readOnlyDrives)) {}

bool DrivePaths::OnReadOnlyDrive(const std::string& windowsPath) const {
  const std::string path = Qualified(windowsPath);
  return path.size() >= 2 && path[1] == ':' && IsAsciiLetter(path[0]) &&
         read_only_.find(UpperAscii(path[0])) != std::string::npos;
}

std::string DrivePaths::Qualified(const std::string& windowsPath) const {
  auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
  if (current_.size() < 2 || current_[1] != ':')
    return windowsPath;
  if (windowsPath.size() >= 2 && windowsPath[1] == ':')
    return windowsPath;
  if (!windowsPath.empty() && isSeparator(windowsPath[0])) {
    // Two separators begin a network path, which names no drive of the machine.
    if (windowsPath.size() >= 2 && isSeparator(windowsPath[1]))
      return windowsPath;
    return current_.substr(0, 2) + windowsPath;
  }
  std::string folder = current_;
  if (!isSeparator(folder.back()))
    folder += '\\';
  return folder + windowsPath;
}

std::optional<fs::path> DrivePaths::FindChild(const fs::path& folder, const std::string& name) {
  std::error_code error;
  fs::path exact = folder / name;
  if (fs::exists(exact, error))
    return exact;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    if (EqualsIgnoreCase(it->path().filename().string(), name))
      return it->path();
  return std::nullopt;
}

bool DrivePaths::Split(const std::string& path, fs::path* drive,
                       std::vector<std::string>* components) const {
  const std::string windowsPath = Qualified(path);
  if (windowsPath.size() < 2 || windowsPath[1] != ':')
    return false;
  char letter = windowsPath[0];
  if (!IsAsciiLetter(letter))
    return false;
  std::optional<fs::path> folder = FindChild(machine_, std::string(1, LowerAscii(letter)));
  if (!folder || !fs::is_directory(*folder))
    return false;
  *drive = *folder;
  components->clear();
  std::string current;
  auto flush = [&]() {
    if (current.empty() || current == ".") {
      // empty components and "." name the folder itself
    } else if (current == "..") {
      if (!components->empty())
        components->pop_back();
    } else {
      components->push_back(current);
    }
    current.clear();
  };
  for (size_t i = 2; i < windowsPath.size(); ++i) {
    char c = windowsPath[i];
    if (c == '\\' || c == '/') {
      flush();
    } else {
      current.push_back(c);
    }
  }
  flush();
  return true;
}

std::optional<fs::path> DrivePaths::FindExisting(const std::string& windowsPath) const {
  fs::path location;
  std::vector<std::string> components;
  if (!Split(windowsPath, &location, &components))
    return std::nullopt;
  for (const std::string& component : components) {
    std::optional<fs::path> child = FindChild(location, component);
    if (!child)
      return std::nullopt;
    location = *child;
  }
  return location;
}

std::optional<fs::path> DrivePaths::ForCreate(const std::string& windowsPath) const {
  fs::path location;
  std::vector<std::string> components;
  if (!Split(windowsPath, &location, &components) || components.empty())
    return std::nullopt;
  std::string name = components.back();
  components.pop_back();
  for (const std::string& component : components) {
    std::optional<fs::path> child = FindChild(location, component);
    if (!child || !fs::is_directory(*child))
      return std::nullopt;
    location = *child;
  }
  if (std::optional<fs::path> existing = FindChild(location, name))
    return existing;
  return location / name;
}

}  // namespace talvex::sim
