// Windows paths inside the simulated machine: drive C:\ is the machine's folder c/, D:\ is d/, and
// names are looked up without regard to letter case, as Windows does.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace talvex::sim {

class DrivePaths {
 public:
  // currentFolder is the process's current folder (a full Windows path): paths that begin with a
  // single backslash are on its drive, paths without a drive are below it. readOnlyDrives holds
  // the letters (upper case) of the drives nothing can be written to (CDs).
  explicit DrivePaths(std::filesystem::path machineFolder, std::string currentFolder = {},
                      std::string readOnlyDrives = {});

  // Whether the path lies on a read-only drive: every write there fails, as on a CD.
  bool OnReadOnlyDrive(const std::string& windowsPath) const;

  // The host path of an existing file or folder, or nothing. "." and ".." are resolved and never
  // lead out of the drive.
  std::optional<std::filesystem::path> FindExisting(const std::string& windowsPath) const;
  // Where a file of that path is created: its folder must exist; an existing file keeps the name
  // it already has. Nothing when the folder does not exist or the path names no drive.
  std::optional<std::filesystem::path> ForCreate(const std::string& windowsPath) const;

 private:
  // The path with the current drive or folder put in front where it names none itself.
  std::string Qualified(const std::string& windowsPath) const;
  // Drive folder and the path's remaining components, or false for a path that names no drive.
  bool Split(const std::string& windowsPath, std::filesystem::path* drive,
             std::vector<std::string>* components) const;
  static std::optional<std::filesystem::path> FindChild(const std::filesystem::path& folder,
                                                        const std::string& name);

  std::filesystem::path machine_;
  std::string current_;
  std::string read_only_;
};

}  // namespace talvex::sim
