#include "install/drive_icons.h"

#include <string>

#include "framework/registry_object.h"
#include "inspect/windows_version.h"

namespace talvex {
namespace {

const char kAutoplayGroups[] =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoplayHandlers\\DeviceGroups\\";

void WriteEmptyIfKeyExists(TRegistry& registry, const std::string& key, const std::string& name) {
  if (registry.OpenKey(key, false))
    registry.WriteString(name, "");
  registry.CloseKey();
}

void ResetAutoplayGroup(TRegistry& registry, const std::string& group) {
  if (registry.OpenKey(kAutoplayGroups + group, false)) {
    registry.WriteString("Icons", "");
    registry.DeleteValue("Label");
    registry.DeleteValue("NoSoftEject");
  }
  registry.CloseKey();
}

void ResetWindowsNt(TRegistry& registry) {
  WriteEmptyIfKeyExists(registry, "\\SYSTEM\\CurrentControlSet\\Services\\KVSD\\Parameters",
                        "SdDriveIconFile");
  WriteEmptyIfKeyExists(registry, "\\SYSTEM\\CurrentControlSet\\Services\\KVMS\\Parameters",
                        "MsDriveIconFile");
  ResetAutoplayGroup(registry, "SecureDigital");
  ResetAutoplayGroup(registry, "MemoryStick");
}

void ResetWindows9x(TRegistry& registry) {
  WriteEmptyIfKeyExists(registry, "\\SYSTEM\\CurrentControlSet\\Services\\VxD\\KVMS",
                        "MsDriveIconFile");
  WriteEmptyIfKeyExists(registry, "\\SYSTEM\\CurrentControlSet\\Services\\VxD\\KVSD",
                        "SdDriveIconFile");
  std::string path = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons\\A";
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    path.back() = letter;
    registry.DeleteKey(path);
  }
}

}  // namespace

void ResetDriveIcons(Registry& registry, int32_t windowsVersion) {
  TRegistry object(registry);
  if (windowsVersion == Win2000 || windowsVersion == WinXP) {
    ResetWindowsNt(object);
  } else if (windowsVersion == Win98 || windowsVersion == WinMe) {
    ResetWindows9x(object);
  }
}

}  // namespace talvex
