#include "install/pnp_engine.h"

#include <memory>
#include <string>

#include "install/driver_table.h"
#include "install/setup_host.h"
#include "platform/winconst.h"

namespace talvex {
namespace {

class DriverUpdateEngine {
 public:
  explicit DriverUpdateEngine(SetupHost& host) : host_(host), platform_(host.platform()) {}

  // The Windows folder must be known and newdev.dll must offer both entry points; otherwise the
  // user is told and the program ends.
  void Prepare() {
    char windowsFolder[100] = {};
    if (platform_.folders.GetWindowsDirectoryA(windowsFolder, sizeof windowsFolder) == 0)
      Fail("Can't get Windows path");
    reboot_ = 0;
    host_.UpdateProgramFolder();
    newdev_ = platform_.newdev.LoadNewdev();
    if (!newdev_)
      Fail("Cant't Open newdev.dll");
    if (!newdev_->GetProcAddress("UpdateDriverForPlugAndPlayDevicesA") ||
        !newdev_->GetProcAddress("UpdateDriverForPlugAndPlayDevicesW"))
      Fail("Link newdev.dll Library error");
  }

  // Updates each present hardware ID of the driver from the INF file at infPath.
  void InstallDriver(const ChipDriver& driver, const std::string& infPath, bool removeGenericDisk) {
    host_.BeginDriverStep(driver.function);
    for (const char* hardwareId : driver.hardwareIds) {
      if (!host_.FindDevice(hardwareId))
        continue;
      if (!newdev_->UpdateDriverForPlugAndPlayDevicesA(0, hardwareId, infPath,
                                                       win::INSTALLFLAG_FORCE, &reboot_)) {
        host_.PrintFailure("UpdateDriverForPlugAndPlayDevices");
        host_.EndProgram(6);
      }
      if (!driver.storage)
        continue;
      host_.ResetDriveIcons();
      // The storage driver replaces the generic disk that Windows gave the card slot.
      if (removeGenericDisk)
        host_.FindPrimaryIdDevice("GenDisk", 1);
    }
  }

 private:
  [[noreturn]] void Fail(const std::string& message) {
    host_.ShowMessage(message);
    host_.EndProgram(1);
  }

  SetupHost& host_;
  Platform& platform_;
  std::unique_ptr<NewdevModule> newdev_;
  int32_t reboot_ = 0;  // set by the update; restarts are always asked for anyway
};

}  // namespace

void InstallWinMe(SetupHost& host) {
  DriverUpdateEngine engine(host);
  engine.Prepare();
  SetupState& state = host.State();
  std::string folder = state.ProgramFolder + "auto\\winme\\";
  if (host.IsDriverChosen(ChipFunction::kMemoryStick)) {
    engine.InstallDriver(kMemoryStickDriver, folder + kMemoryStickDriver.infWinMe, false);
    state.DriverInstalled = 1;
  }
  if (host.IsDriverChosen(ChipFunction::kSdCard)) {
    engine.InstallDriver(kSdCardDriver, folder + kSdCardDriver.infWinMe, false);
    state.DriverInstalled = 1;
  }
  if (host.IsDriverChosen(ChipFunction::kSmartCard) && host.SmartCardComponentsReady())
    engine.InstallDriver(kSmartCardDriver, folder + kSmartCardDriver.infWinMe, false);
}

void InstallWin2000XP(SetupHost& host) {
  DriverUpdateEngine engine(host);
  engine.Prepare();
  SetupState& state = host.State();
  std::string folder =
      state.ProgramFolder + (state.WindowsVersion == WinXP ? "auto\\winxp\\" : "auto\\win2k\\");
  if (host.IsDriverChosen(ChipFunction::kMemoryStick))
    engine.InstallDriver(kMemoryStickDriver, folder + kMemoryStickDriver.infWin2000XP, true);
  if (host.IsDriverChosen(ChipFunction::kSdCard))
    engine.InstallDriver(kSdCardDriver, folder + kSdCardDriver.infWin2000XP, true);
  if (host.IsDriverChosen(ChipFunction::kSmartCard))
    engine.InstallDriver(kSmartCardDriver, folder + kSmartCardDriver.infWin2000XP, false);
}

}  // namespace talvex
