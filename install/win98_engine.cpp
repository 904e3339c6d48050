#include "install/win98_engine.h"

#include <array>
#include <optional>
#include <string>

#include "framework/registry_object.h"
#include "install/driver_table.h"
#include "install/setup_host.h"
#include "install/win98_copy_table.h"
#include "platform/winconst.h"

namespace talvex {
namespace {

class Win98Engine {
 public:
  Win98Engine(SetupHost& host, std::string windowsFolder)
      : host_(host),
        windows_(std::move(windowsFolder)),
        source_(host.State().ProgramFolder + "auto\\win98") {}

  void RemoveDevices(const ChipDriver& driver) {
    for (const char* hardwareId : driver.hardwareIds)
      host_.FindDevice(hardwareId);
  }

  template <size_t N>
  void CopyFiles(const std::array<CopiedFile, N>& files) {
    for (const CopiedFile& file : files) {
      if (host_.platform().files.SetupInstallFileA(file.source, source_, windows_ + file.target,
                                                   win::SP_COPY_SOURCEPATH_ABSOLUTE))
        continue;
      // Reported, and the installation is not called complete; the next file still follows.
      host_.PrintFailure("SetupInstallFile");
      host_.DriverStepFailed();
    }
  }

  // A storage driver: its devices, its files, then its drive icons.
  template <size_t N>
  void InstallStorageDriver(const ChipDriver& driver, const std::array<CopiedFile, N>& files) {
    host_.BeginDriverStep(driver.function);
    RemoveDevices(driver);
    CopyFiles(files);
    host_.State().DriverInstalled = 1;
    host_.ResetDriveIcons();
  }

  void InstallSmartCardDriver() {
    host_.BeginDriverStep(kSmartCardDriver.function);
    RemoveDevices(kSmartCardDriver);
    std::string otherInfFolder = windows_ + "\\inf\\other";
    host_.platform().files.CreateDirectoryA(otherInfFolder);  // usually there already
    CopyFiles(kSmartCardFiles);
    // Windows looks for the INF there only when no other device path is registered yet; one that
    // is registered is left as it is.
    TRegistry registry(host_.platform().registry);
    if (registry.OpenKey("\\Software\\Microsoft\\Windows\\CurrentVersion", false) &&
        !registry.ValueExists("OtherDevicePath"))
      registry.WriteString("OtherDevicePath", otherInfFolder);
  }

 private:
  SetupHost& host_;
  std::string windows_;
  std::string source_;
};

}  // namespace

void InstallWin98(SetupHost& host) {
  std::optional<std::string> windowsFolder = WindowsFolderPath(host.platform().folders, 100);
  if (!windowsFolder) {
    host.ShowMessage("Can't get Windows path");
    host.EndProgram(1);
  }
  host.UpdateProgramFolder();
  Win98Engine engine(host, *windowsFolder);
  if (host.IsDriverChosen(ChipFunction::kMemoryStick))
    engine.InstallStorageDriver(kMemoryStickDriver, kMemoryStickFiles);
  if (host.IsDriverChosen(ChipFunction::kSdCard))
    engine.InstallStorageDriver(kSdCardDriver, kSdCardFiles);
  if (host.IsDriverChosen(ChipFunction::kSmartCard) && host.SmartCardComponentsReady())
    engine.InstallSmartCardDriver();
}

}  // namespace talvex
