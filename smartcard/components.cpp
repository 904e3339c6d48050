#include "smartcard/components.h"

#include "framework/registry_object.h"
#include "install/setup_host.h"
#include "platform/winconst.h"
#include "smartcard/installer_driver.h"

namespace talvex {
namespace {

const char kSmartcardBaseKey[] =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SmartcardBase";
constexpr uint32_t kNoticePauseMs = 3000;

bool ProgramFolderHolds(SetupHost& host, const char* fileName) {
  return host.platform().files.CanOpenForReading(host.State().ProgramFolder + fileName);
}

// Shows the notice (interactive) or pauses (unattended) before an installer runs.
void Announce(SetupHost& host, const char* noticeText) {
  ComponentWindows* windows = host.ShownComponentWindows();
  if (!host.State().Unattended && windows != nullptr) {
    windows->ShowNotice(noticeText);
    host.platform().processes.Sleep(kNoticePauseMs);
    windows->HideNotice();
  } else {
    host.platform().processes.Sleep(kNoticePauseMs);
  }
}

}  // namespace

bool CheckSmartCardComponents(SetupHost& host) {
  SetupState& state = host.State();
  state.SmclibPresent = 0;
  state.SmartcardBasePresent = 0;
  {
    TRegistry registry(host.platform().registry);
    state.SmartcardBasePresent = registry.OpenKey(kSmartcardBaseKey, false) ? 1 : 0;
  }
  std::optional<std::string> folder = WindowsFolderPath(host.platform().folders, 200);
  if (!folder) {
    host.ShowMessage("Can't get Windows path\n");
    host.EndProgram(1);
  }
  state.SmclibPresent =
      host.platform().files.CanOpenForReading(*folder + "\\system\\smclib.vxd") ? 1 : 0;
  return state.SmclibPresent && state.SmartcardBasePresent;
}

bool SmartCardComponentsReady(SetupHost& host) {
  SetupState& state = host.State();
  host.CheckSmartCardComponents();
  // Both decisions use the flags of this first check.
  bool libraryMissing = !state.SmclibPresent;
  bool baseMissing = !state.SmartcardBasePresent;
  if (ProgramFolderHolds(host, "smclib.exe") && libraryMissing) {
    Announce(host, "Microsoft Smart Card CardLib Component Detected...");
    host.RunSmclibInstaller();
  }
  if (ProgramFolderHolds(host, "scbase.exe") && baseMissing) {
    Announce(host, "Microsoft Smart Card CardBase Component Detected...");
    host.RunScbaseInstaller();
  }
  if (host.CheckSmartCardComponents())
    return true;
  // Unattended, the driver goes in although a component is missing.
  if (state.Unattended)
    return true;
  if (ComponentWindows* windows = host.ShownComponentWindows())
    windows->ShowMissingComponentsWarning();
  if (state.DriverInstalled)
    return false;
  host.EndProgram(1);
}

void RunSmclibInstaller(SetupHost& host) {
  InstallerDriver driver(host, "smclib.exe", "Open smclib.exe Error");
  driver.Start();
  driver.Pause(500);
  driver.WaitForFinalWindow("Microsoft Smart Card Driver Library", /*readmeFirst=*/false,
                            /*pauseBeforeAnswer=*/300, /*closeAfterAnswer=*/false);
}

void RunScbaseInstaller(SetupHost& host) {
  InstallerDriver driver(host, "scbase.exe", "Open scbase.exe Error\n");
  driver.Start();
  driver.WaitForFinalWindow("Microsoft Smart Card Base Components", /*readmeFirst=*/true,
                            /*pauseBeforeAnswer=*/0, /*closeAfterAnswer=*/true);
}

}  // namespace talvex
