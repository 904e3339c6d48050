#include "install/pnp_engine.h"

#include <memory>
#include <string>

#include "app/wizard/tform2.h"
#include "install/driver_table.h"
#include "platform/winconst.h"

namespace talvex {
namespace {

class DriverUpdateEngine {
 public:
  explicit DriverUpdateEngine(TForm2& wizard) : wizard_(wizard), platform_(wizard.platform()) {}

  // The Windows folder must be known and newdev.dll must offer both entry points; otherwise the
  // user is told and the program ends.
  void Prepare() {
    char windowsFolder[100] = {};
    if (platform_.folders.GetWindowsDirectoryA(windowsFolder, sizeof windowsFolder) == 0)
      Fail("Can't get Windows path");
    reboot_ = 0;
    wizard_.UpdateProgramFolder();
    newdev_ = platform_.newdev.LoadNewdev();
    if (!newdev_)
      Fail("Cant't Open newdev.dll");
    if (!newdev_->GetProcAddress("UpdateDriverForPlugAndPlayDevicesA") ||
        !newdev_->GetProcAddress("UpdateDriverForPlugAndPlayDevicesW"))
      Fail("Link newdev.dll Library error");
  }

  // Updates each present hardware ID of the driver from the INF file at infPath.
  void InstallDriver(const ChipDriver& driver, const std::string& infPath, bool removeGenericDisk) {
    for (const char* hardwareId : driver.hardwareIds) {
      if (!wizard_.FindDevice(hardwareId))
        continue;
      if (!newdev_->UpdateDriverForPlugAndPlayDevicesA(0, hardwareId, infPath,
                                                       win::INSTALLFLAG_FORCE, &reboot_)) {
        wizard_.PrintFailure("UpdateDriverForPlugAndPlayDevices");
        wizard_.EndProgram(6);
      }
      if (!driver.storage)
        continue;
      wizard_.ResetDriveIcons();
      // The storage driver replaces the generic disk that Windows gave the card slot.
      if (removeGenericDisk)
        wizard_.FindPrimaryIdDevice("GenDisk", 1);
    }
  }

 private:
  [[noreturn]] void Fail(const std::string& message) {
    wizard_.Application().ShowMessage(message);
    wizard_.EndProgram(1);
  }

  TForm2& wizard_;
  Platform& platform_;
  std::unique_ptr<NewdevModule> newdev_;
  int32_t reboot_ = 0;  // set by the update; restarts are always asked for anyway
};

}  // namespace

void InstallWinMe(TForm2& wizard) {
  DriverUpdateEngine engine(wizard);
  engine.Prepare();
  std::string folder = wizard.ProgramFolder + "auto\\winme\\";
  if (wizard.IsChosen(wizard.MSCheckBox)) {
    engine.InstallDriver(kMemoryStickDriver, folder + kMemoryStickDriver.infWinMe, false);
    wizard.DriverInstalled = 1;
  }
  if (wizard.IsChosen(wizard.SDCheckBox)) {
    engine.InstallDriver(kSdCardDriver, folder + kSdCardDriver.infWinMe, false);
    wizard.DriverInstalled = 1;
  }
  if (wizard.IsChosen(wizard.SCCheckBox) && wizard.SmartCardComponentsReady())
    engine.InstallDriver(kSmartCardDriver, folder + kSmartCardDriver.infWinMe, false);
}

void InstallWin2000XP(TForm2& wizard) {
  DriverUpdateEngine engine(wizard);
  engine.Prepare();
  std::string folder =
      wizard.ProgramFolder + (wizard.WindowsVersion == WinXP ? "auto\\winxp\\" : "auto\\win2k\\");
  if (wizard.IsChosen(wizard.MSCheckBox))
    engine.InstallDriver(kMemoryStickDriver, folder + kMemoryStickDriver.infWin2000XP, true);
  if (wizard.IsChosen(wizard.SDCheckBox))
    engine.InstallDriver(kSdCardDriver, folder + kSdCardDriver.infWin2000XP, true);
  if (wizard.IsChosen(wizard.SCCheckBox))
    engine.InstallDriver(kSmartCardDriver, folder + kSmartCardDriver.infWin2000XP, false);
}

}  // namespace talvex
