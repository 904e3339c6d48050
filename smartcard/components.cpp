#include "smartcard/components.h"

#include "app/wizard/tform2.h"
#include "framework/registry_object.h"
#include "install/windows_folder.h"
#include "platform/winconst.h"
#include "smartcard/installer_driver.h"

namespace talvex {
namespace {

const char kSmartcardBaseKey[] =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SmartcardBase";
constexpr uint32_t kNoticePauseMs = 3000;

bool ProgramFolderHolds(TForm2& wizard, const char* fileName) {
  return wizard.platform().files.CanOpenForReading(wizard.ProgramFolder + fileName);
}

// Shows the notice (interactive) or pauses (unattended), then runs the installer.
void PrepareAndRun(TForm2& wizard, const char* noticeText, void (*runInstaller)(TForm2&)) {
  ComponentWindows* windows = wizard.ComponentWindowsUi;
  if (!wizard.Unattended && windows != nullptr) {
    windows->ShowNotice(noticeText);
    wizard.platform().processes.Sleep(kNoticePauseMs);
    windows->HideNotice();
  } else {
    wizard.platform().processes.Sleep(kNoticePauseMs);
  }
  runInstaller(wizard);
}

}  // namespace

bool CheckSmartCardComponents(TForm2& wizard) {
  wizard.SmclibPresent = 0;
  wizard.SmartcardBasePresent = 0;
  {
    TRegistry registry(wizard.platform().registry);
    wizard.SmartcardBasePresent = registry.OpenKey(kSmartcardBaseKey, false) ? 1 : 0;
  }
  std::optional<std::string> folder = GetWindowsFolder(wizard.platform().folders, 200);
  if (!folder) {
    wizard.Application().ShowMessage("Can't get Windows path\n");
    wizard.EndProgram(1);
  }
  wizard.SmclibPresent =
      wizard.platform().files.CanOpenForReading(*folder + "\\system\\smclib.vxd") ? 1 : 0;
  return wizard.SmclibPresent && wizard.SmartcardBasePresent;
}

bool SmartCardComponentsReady(TForm2& wizard) {
  CheckSmartCardComponents(wizard);
  // Both decisions use the flags of this first check.
  bool libraryMissing = !wizard.SmclibPresent;
  bool baseMissing = !wizard.SmartcardBasePresent;
  if (ProgramFolderHolds(wizard, "smclib.exe") && libraryMissing)
    PrepareAndRun(wizard, "Microsoft Smart Card CardLib Component Detected...", RunSmclibInstaller);
  if (ProgramFolderHolds(wizard, "scbase.exe") && baseMissing)
    PrepareAndRun(wizard, "Microsoft Smart Card CardBase Component Detected...",
                  RunScbaseInstaller);
  if (CheckSmartCardComponents(wizard))
    return true;
  // Unattended, the driver goes in although a component is missing.
  if (wizard.Unattended)
    return true;
  if (wizard.ComponentWindowsUi != nullptr)
    wizard.ComponentWindowsUi->ShowMissingComponentsWarning();
  if (wizard.DriverInstalled)
    return false;
  wizard.EndProgram(1);
}

void RunSmclibInstaller(TForm2& wizard) {
  InstallerDriver driver(wizard, "smclib.exe", "Open smclib.exe Error");
  driver.Start();
  driver.Pause(500);
  driver.WaitForFinalWindow("Microsoft Smart Card Driver Library", /*readmeFirst=*/false,
                            /*pauseBeforeAnswer=*/300, /*closeAfterAnswer=*/false);
}

void RunScbaseInstaller(TForm2& wizard) {
  InstallerDriver driver(wizard, "scbase.exe", "Open scbase.exe Error\n");
  driver.Start();
  driver.WaitForFinalWindow("Microsoft Smart Card Base Components", /*readmeFirst=*/true,
                            /*pauseBeforeAnswer=*/0, /*closeAfterAnswer=*/true);
}

}  // namespace talvex
