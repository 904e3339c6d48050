// The wizard window: the setup state, the start-up inspection and, with "-s", the whole
// unattended installation, all run while the window is constructed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/form.h"
#include "install/installation_failures.h"
#include "install/setup_host.h"
#include "install/setup_state.h"
#include "platform/platform.h"
#include "smartcard/component_windows.h"

namespace talvex {

// The setup state (SetupState) is the window's own: SmclibPresent, ..., WindowsVersion are fields
// of the wizard, zero until the construction sets them.
class TForm2 : public TForm, public SetupState, public SetupHost {
 public:
  TForm2(TApplication& application, Platform& platform, std::vector<std::string> arguments);

  // Controls of the design.
  TImage* Image1 = nullptr;
  TBevel* Bevel1 = nullptr;
  TButton* Back = nullptr;
  TButton* Next = nullptr;
  TButton* Cancel = nullptr;
  TMemo* Memo1 = nullptr;
  TMemo* Memo2 = nullptr;
  TMemo* Memo3 = nullptr;
  TGroupBox* DriversGroupBox = nullptr;
  TCheckBox* MSCheckBox = nullptr;
  TCheckBox* SDCheckBox = nullptr;
  TCheckBox* SCCheckBox = nullptr;

  // Inspection.
  int32_t DetectWindowsVersion();
  bool IsDevicePresent(const std::string& hardwareId);
  // Removes the device found when the system is Windows 98.
  bool FindDevice(const std::string& hardwareId) override;
  // Compares only each device's first hardware ID; removes the device found when remove is 1.
  bool FindPrimaryIdDevice(const std::string& hardwareId, int remove) override;
  bool PrintFailure(const std::string& operation) override;
  // The failed searches and copies of this run that may have left a function without its driver.
  const InstallationFailures& Failures() const { return failures_; }
  void BeginDriverStep(ChipFunction function) override { step_ = function; }
  void DriverStepFailed() override;

  // Installation.
  // A driver is installed only when its box is both ticked and enabled.
  static bool IsChosen(const TCheckBox* box) { return box->Checked() && box->Enabled(); }
  bool IsDriverChosen(ChipFunction function) const override;
  void InstallWin2000XP();
  void InstallWinMe();
  void InstallWin98() override;
  void ReportIncompleteInstallation() override;
  // The finished page's texts in the three text areas.
  void ShowFinishedTexts();
  void ShowFinishState() override;
  void ResetDriveIcons() override;

  // Smart card components.
  bool CheckSmartCardComponents() override;
  bool SmartCardComponentsReady() override;
  void RunScbaseInstaller() override;
  void RunSmclibInstaller() override;
  // The notice and warning windows of an interactive run; none until they exist.
  ComponentWindows* ComponentWindowsUi = nullptr;
  ComponentWindows* ShownComponentWindows() override { return ComponentWindowsUi; }
  // ProgramFolder from the program's own path, as it is recomputed before each installation.
  void UpdateProgramFolder() override;

  // Handlers.
  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void FormCloseQuery(TObject* sender, bool& canClose);
  void NextClick(TObject* sender);
  void BackClick(TObject* sender);
  void CancelClick(TObject* sender);

  Platform& platform() const override { return platform_; }
  SetupState& State() override { return *this; }
  void ShowMessage(const std::string& text) override;
  void ProcessMessages() override;

 private:
  void Inspect();
  void RunUnattended();
  // Runs the engine of the Windows version; ends the program on a version it does not support.
  void InstallForVersion();
  // Runs the engine of the Windows version; false for a version without one.
  bool RunEngineForVersion();
  std::string ResultFilePath() const { return ProgramFolder + "log.txt"; }
  void WriteResultFile(bool success);

  // Counts a search that ended in an error against the function looked for at start, or against
  // the driver step that runs; the answer stays as the search gave it.
  bool Remember(bool found, bool searchFailed);

  Platform& platform_;
  std::vector<std::string> arguments_;
  InstallationFailures failures_;
  // The function whose searches run now; at start, the one being looked for.
  std::optional<ChipFunction> step_;
  bool inspecting_ = false;
};

}  // namespace talvex
