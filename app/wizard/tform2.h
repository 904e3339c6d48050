// The wizard window: the setup state, the start-up inspection and, with "-s", the whole
// unattended installation, all run while the window is constructed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/form.h"
#include "inspect/windows_version.h"
#include "platform/platform.h"
#include "smartcard/component_windows.h"

namespace talvex {

class TForm2 : public TForm {
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

  // Setup state, zero until the construction sets it.
  uint8_t SmclibPresent = 0;
  uint8_t SmartcardBasePresent = 0;
  uint8_t Unattended = 0;
  uint8_t DriverInstalled = 0;
  uint8_t MsPresent = 0;
  uint8_t SdPresent = 0;
  uint8_t ScPresent = 0;
  // Drive and directory of the program's own file, ending with a backslash.
  std::string ProgramFolder;
  int32_t Page = 0;
  int32_t WindowsVersion = VersionUnsupported;

  // Inspection.
  int32_t DetectWindowsVersion();
  bool IsDevicePresent(const std::string& hardwareId);
  // Removes the device found when the system is Windows 98.
  bool FindDevice(const std::string& hardwareId);
  // Compares only each device's first hardware ID; removes the device found when remove is 1.
  bool FindPrimaryIdDevice(const std::string& hardwareId, int remove);
  bool PrintFailure(const std::string& operation);

  // Installation.
  // A driver is installed only when its box is both ticked and enabled.
  static bool IsChosen(const TCheckBox* box) { return box->Checked() && box->Enabled(); }
  void InstallWin2000XP();
  void InstallWinMe();
  // False when a file could not be copied.
  bool InstallWin98();
  // The end of a run whose engine reported drivers it could not install: a plain message box,
  // then exit code 1.
  [[noreturn]] void EndIncompleteInstallation();
  // The finished page's texts in the three text areas.
  void ShowFinishedTexts();
  void ResetDriveIcons();

  // Smart card components.
  bool CheckSmartCardComponents();
  bool SmartCardComponentsReady();
  void RunScbaseInstaller();
  void RunSmclibInstaller();
  // The notice and warning windows of an interactive run; none until they exist.
  ComponentWindows* ComponentWindowsUi = nullptr;
  // ProgramFolder from the program's own path, as it is recomputed before each installation.
  void UpdateProgramFolder();

  // Handlers.
  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void FormCloseQuery(TObject* sender, bool& canClose);

  Platform& platform() const { return platform_; }
  // Ends the process with the code.
  [[noreturn]] void EndProgram(int code);

 private:
  void Inspect();
  void RunUnattended();
  std::string ResultFilePath() const { return ProgramFolder + "log.txt"; }
  void WriteResultFile(bool success);

  Platform& platform_;
  std::vector<std::string> arguments_;
};

}  // namespace talvex
