// A driver package as the rehearsal sees it: its folder, the files in it found without regard to
// letter case as Windows finds them, and what the setup program asks of it.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "install/driver_table.h"
#include "install/win98_copy_table.h"

namespace talvex::rehearse {

// The Windows versions the setup program supports, in the order the rehearsal takes them.
enum class WindowsVersion { k98, kMe, k2000, kXp };
inline constexpr WindowsVersion kVersions[] = {WindowsVersion::k98, WindowsVersion::kMe,
                                               WindowsVersion::k2000, WindowsVersion::kXp};
const char* VersionName(WindowsVersion version);  // "Windows 98 SE"
const char* VersionTag(WindowsVersion version);   // "98", "me", "2000", "xp"
bool IsNt(WindowsVersion version);
// The package folder the setup program takes that version's INFs from ("winxp"); none for 98.
const char* InfFolder(WindowsVersion version);

const ChipDriver& DriverOf(ChipFunction function);
// What the Windows 98 installation copies for the function.
std::span<const CopiedFile> Win98CopiesOf(ChipFunction function);
const char* FunctionTag(ChipFunction function);   // "ms", "sd", "sc"
const char* FunctionName(ChipFunction function);  // "Memory Stick"
// The INF the setup program passes for the function on that version (relative to the package:
// "auto\winxp\KVMS.INF").
std::string InfOf(ChipFunction function, WindowsVersion version);

class Package {
 public:
  explicit Package(std::filesystem::path folder) : folder_(std::move(folder)) {}
  const std::filesystem::path& folder() const { return folder_; }
  // A file or folder of the package by its Windows path relative to the package
  // ("auto\winxp\KVMS.INF"), found without regard to letter case.
  std::optional<std::filesystem::path> Find(const std::string& relative) const;
  // The bytes of a file of the package; nothing when there is none.
  std::optional<std::string> Read(const std::string& relative) const;

 private:
  std::filesystem::path folder_;
};

}  // namespace talvex::rehearse
