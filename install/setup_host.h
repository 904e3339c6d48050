// What the installation engines and the smart card component steering use of the window that
// runs them: the setup state, the chosen drivers, the device search, messages and the end of the
// program, and the component windows. The wizard window implements it.
#pragma once

#include <cstdlib>
#include <string>

#include "install/driver_table.h"
#include "install/setup_state.h"
#include "platform/platform.h"
#include "smartcard/component_windows.h"

namespace talvex {

class SetupHost {
 public:
  virtual Platform& platform() const = 0;
  virtual SetupState& State() = 0;

  // A driver is installed only when its box is both ticked and enabled.
  virtual bool IsDriverChosen(ChipFunction function) const = 0;
  // ProgramFolder from the program's own path, as it is recomputed before each installation.
  virtual void UpdateProgramFolder() = 0;

  // Device search: removes the device found when the system is Windows 98.
  virtual bool FindDevice(const std::string& hardwareId) = 0;
  // Compares only each device's first hardware ID; removes the device found when remove is 1.
  virtual bool FindPrimaryIdDevice(const std::string& hardwareId, int remove) = 0;
  virtual bool PrintFailure(const std::string& operation) = 0;

  // The driver whose installation step runs now: a device search of the step that ends in an
  // error, and a file of it that cannot be copied, count against it.
  virtual void BeginDriverStep(ChipFunction function) = 0;
  // A file of the current driver step could not be copied.
  virtual void DriverStepFailed() = 0;

  virtual void ResetDriveIcons() = 0;
  // The Windows 98 installation, as the source disk prompt runs it.
  virtual void InstallWin98() = 0;
  // When a search or copy failed (see InstallationFailures), a plain message box that says what
  // and for which functions; the installation then goes on to its end.
  virtual void ReportIncompleteInstallation() = 0;
  // Next enabled and captioned "Finish", Back disabled, the finished page's texts.
  virtual void ShowFinishState() = 0;
  virtual bool CheckSmartCardComponents() = 0;
  virtual bool SmartCardComponentsReady() = 0;
  virtual void RunScbaseInstaller() = 0;
  virtual void RunSmclibInstaller() = 0;

  // A plain message box with the application's title.
  virtual void ShowMessage(const std::string& text) = 0;
  // Handles the window messages already waiting, so that the user can still act.
  virtual void ProcessMessages() = 0;
  // Ends the process with the code (exit handlers run).
  [[noreturn]] void EndProgram(int code) {
    platform().process.ExitProcess(code);
    std::abort();  // a backend's ExitProcess never returns
  }
  // The notice and warning windows of an interactive run; null until they exist.
  virtual ComponentWindows* ShownComponentWindows() = 0;

 protected:
  ~SetupHost() = default;
};

}  // namespace talvex
