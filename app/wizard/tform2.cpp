#include "app/wizard/tform2.h"

#include "app/command_line.h"
#include "app/forms.h"
#include "inspect/device_search.h"
#include "inspect/print_failure.h"
#include "install/drive_icons.h"
#include "install/driver_table.h"
#include "install/pnp_engine.h"
#include "install/win98_engine.h"
#include "platform/program_path.h"
#include "platform/winconst.h"
#include "smartcard/components.h"

namespace talvex {
namespace {

const char kFailureResult[] = "error = 1\r\nrestart = 0\r\n";
const char kSuccessResult[] = "error = 0\r\nrestart = 1\r\n";

const char kWelcomeTitle[] = "Welcome!";
const char kWelcomeText[] =
    "Welcome to the Korvane TALVEX drivers setup program. This program will install Korvane "
    "TALVEX drivers on your computer. It is strongly recommand you exit all Windows programs "
    "before running this setup program.";
const char kWelcomeHint[] =
    "Click Cancel to quit Setup and then close any program you have running. Click Next to "
    "continue with the Setup program.";

const char kChoiceTitle[] = "Start to Setup!";
const char kChoiceText[] = "The setup program is ready to copying files on your computer.";
const char kChoiceHint[] =
    "Please Choose the divers to be installed. Click Back to return previous step. Click Next to "
    "begin copying files.";

const char kNoDriverChosen[] = "Please Choose Setup Drivers!!";
const char kUnknownVersion[] =
    "Korvane TALVEX drivers setup program does't suport this Windows Version";
const char kRefusedVersion[] =
    "Korvane TALV/EX drivers setup program does't suport this Windows Version";

// The presence flag each function's hardware IDs set.
uint8_t SetupState::*PresenceFlag(ChipFunction function) {
  switch (function) {
    case ChipFunction::kMemoryStick:
      return &SetupState::MsPresent;
    case ChipFunction::kSdCard:
      return &SetupState::SdPresent;
    case ChipFunction::kSmartCard:
      break;
  }
  return &SetupState::ScPresent;
}

}  // namespace

TForm2::TForm2(TApplication& application, Platform& platform, std::vector<std::string> arguments)
    : TForm(application, "Form2", "Form2.design"),
      platform_(platform),
      arguments_(std::move(arguments)) {
  BindControl("Image1", Image1);
  BindControl("Bevel1", Bevel1);
  BindControl("Back", Back);
  BindControl("Next", Next);
  BindControl("Cancel", Cancel);
  BindControl("Memo1", Memo1);
  BindControl("Memo2", Memo2);
  BindControl("Memo3", Memo3);
  BindControl("DriversGroupBox", DriversGroupBox);
  BindControl("MSCheckBox", MSCheckBox);
  BindControl("SDCheckBox", SDCheckBox);
  BindControl("SCCheckBox", SCCheckBox);
  BindHandler("FormCreate", [this](TObject* sender) { FormCreate(sender); });
  BindHandler("FormShow", [this](TObject* sender) { FormShow(sender); });
  BindHandler("NextClick", [this](TObject* sender) { NextClick(sender); });
  BindHandler("BackClick", [this](TObject* sender) { BackClick(sender); });
  BindHandler("CancelClick", [this](TObject* sender) { CancelClick(sender); });
  BindCloseQueryHandler("FormCloseQuery", [this](TObject* sender, bool& canClose) {
    FormCloseQuery(sender, canClose);
  });
  LoadDesign();
  Inspect();
  if (WantsUnattendedInstallation(arguments_))
    RunUnattended();
}

void TForm2::FormCreate(TObject*) {
  Page = 0;
}

void TForm2::FormShow(TObject*) {
  Back->SetEnabled(false);
  Memo1->SetText(kWelcomeTitle);
  Memo2->SetText(kWelcomeText);
  Memo3->SetText(kWelcomeHint);
}

// Closing the wizard through its title bar ends the program.
void TForm2::FormCloseQuery(TObject*, bool&) {
  EndProgram(1);
}

void TForm2::NextClick(TObject*) {
  ++Page;
  if (Page == 1) {
    Back->SetEnabled(true);
    Memo1->SetText(kChoiceTitle);
    Memo2->SetText(kChoiceText);
    Memo3->SetText(kChoiceHint);
    DriversGroupBox->Show();
  } else if (Page == 2) {
    if (!MSCheckBox->Checked() && !SDCheckBox->Checked() && !SCCheckBox->Checked()) {
      --Page;
      Application().ShowMessage(kNoDriverChosen);
    } else {
      DriversGroupBox->Hide();
      Next->SetEnabled(false);
      Back->SetEnabled(false);
      UpdateProgramFolder();
      InstallForVersion();
      // What was installed needs the restart all the same: the person is told what is missing,
      // and the road goes on to Finish.
      ReportIncompleteInstallation();
      Next->SetEnabled(true);
      Back->SetEnabled(false);
      ResetDriveIcons();
      Next->SetCaption("Finish");
      ShowFinishedTexts();
    }
  } else if (Page == 3) {
    ResetDriveIcons();
    Hide();
    if (TForm3* prompt = FindFormOf<TForm3>(Application()))
      prompt->Show();
  }
  Repaint();
}

void TForm2::InstallForVersion() {
  if (RunEngineForVersion())
    return;
  Application().ShowMessage(WindowsVersion == VersionUnsupported ? kUnknownVersion
                                                                 : kRefusedVersion);
  EndProgram(1);
}

bool TForm2::RunEngineForVersion() {
  switch (WindowsVersion) {
    case Win2000:
    case WinXP:
      InstallWin2000XP();
      return true;
    case WinMe:
      InstallWinMe();
      return true;
    case Win98:
      InstallWin98();
      return true;
    default:
      return false;
  }
}

void TForm2::BackClick(TObject*) {
  --Page;
  if (Page == 0) {
    Back->SetEnabled(false);
    Memo1->SetText(kWelcomeTitle);
    Memo2->SetText(kWelcomeText);
    Memo3->SetText(kWelcomeHint);
    DriversGroupBox->Hide();
  }
  Repaint();
}

// Works on every page, also while an installer is waited for; nothing is restarted.
void TForm2::CancelClick(TObject*) {
  ClearWarnOnClose(Application());
  EndProgram(1);
}

void TForm2::Inspect() {
  Unattended = 0;
  UpdateProgramFolder();
  // The pessimistic result is on disk before anything is inspected. A result file that cannot be
  // written (a read-only medium) changes nothing else.
  WriteResultFile(false);
  DriverInstalled = 0;
  MsPresent = SdPresent = ScPresent = 0;
  WindowsVersion = DetectWindowsVersion();
  inspecting_ = true;
  for (const ChipDriver* driver : kPresenceSearchOrder) {
    step_ = driver->function;
    for (const char* hardwareId : driver->hardwareIds)
      if (IsDevicePresent(hardwareId))
        this->*PresenceFlag(driver->function) = 1;
  }
  inspecting_ = false;
  step_.reset();
  // A function found by one of its IDs is searched again by its driver step; only one left absent
  // after a failed search may be there without its driver.
  for (const ChipDriver* driver : kPresenceSearchOrder)
    if (this->*PresenceFlag(driver->function))
      failures_.FoundAtStart(driver->function);
  MSCheckBox->SetChecked(MsPresent != 0);
  MSCheckBox->SetEnabled(MsPresent != 0);
  SDCheckBox->SetChecked(SdPresent != 0);
  SDCheckBox->SetEnabled(SdPresent != 0);
  SCCheckBox->SetChecked(ScPresent != 0);
  SCCheckBox->SetEnabled(ScPresent != 0);
  if (!MsPresent && !SdPresent && !ScPresent) {
    Application().Ui().MessageBoxA(Application().Handle(), "Can't find any TALVEX Chip!!\n",
                                   "ERROR", win::MB_OK);
    EndProgram(1);
  }
}

void TForm2::RunUnattended() {
  Unattended = 1;
  if (!RunEngineForVersion())
    EndProgram(1);
  // A search that ended in an error (a function may be there without its driver) or a file that
  // could not be copied leaves the failure result for the caller.
  if (!failures_.Any())
    WriteResultFile(true);
  EndProgram(1);
}

void TForm2::WriteResultFile(bool success) {
  platform_.files.WriteNewFile(ResultFilePath(), success ? kSuccessResult : kFailureResult);
}

void TForm2::UpdateProgramFolder() {
  ProgramFolder = ProgramFolderOf(platform_.process.GetModuleFileNameA());
}

int32_t TForm2::DetectWindowsVersion() {
  return talvex::DetectWindowsVersion(platform_.registry);
}

bool TForm2::Remember(bool found, bool searchFailed) {
  if (searchFailed && step_) {
    if (inspecting_)
      failures_.SearchFailedAtStart(*step_);
    else
      failures_.DriverStepFailed(*step_);
  }
  return found;
}

void TForm2::DriverStepFailed() {
  if (step_)
    failures_.DriverStepFailed(*step_);
}

bool TForm2::IsDevicePresent(const std::string& hardwareId) {
  bool failed = false;
  bool found = SearchDevices(platform_, hardwareId, HardwareIdScope::kEveryEntry, false, &failed);
  return Remember(found, failed);
}

bool TForm2::FindDevice(const std::string& hardwareId) {
  bool failed = false;
  bool found = SearchDevices(platform_, hardwareId, HardwareIdScope::kEveryEntry,
                             WindowsVersion == Win98, &failed);
  return Remember(found, failed);
}

bool TForm2::FindPrimaryIdDevice(const std::string& hardwareId, int remove) {
  bool failed = false;
  bool found =
      SearchDevices(platform_, hardwareId, HardwareIdScope::kFirstEntry, remove == 1, &failed);
  return Remember(found, failed);
}

bool TForm2::PrintFailure(const std::string& operation) {
  return talvex::PrintFailure(platform_, operation);
}

void TForm2::InstallWin2000XP() {
  talvex::InstallWin2000XP(*this);
}

void TForm2::InstallWinMe() {
  talvex::InstallWinMe(*this);
}

void TForm2::InstallWin98() {
  talvex::InstallWin98(*this);
}

bool TForm2::CheckSmartCardComponents() {
  return talvex::CheckSmartCardComponents(*this);
}

bool TForm2::SmartCardComponentsReady() {
  return talvex::SmartCardComponentsReady(*this);
}

void TForm2::RunScbaseInstaller() {
  talvex::RunScbaseInstaller(*this);
}

void TForm2::RunSmclibInstaller() {
  talvex::RunSmclibInstaller(*this);
}

void TForm2::ResetDriveIcons() {
  talvex::ResetDriveIcons(platform_.registry, WindowsVersion);
}

void TForm2::ReportIncompleteInstallation() {
  if (failures_.Any())
    Application().ShowMessage(failures_.Text());
}

void TForm2::ShowFinishedTexts() {
  Memo1->SetText("Setup complete!");
  Memo2->SetText("The setup program has finished copying files to your computer.");
  Memo3->SetText("Click Finish to complete setup.Please restart your computer.");
}

void TForm2::ShowFinishState() {
  Next->SetEnabled(true);
  Back->SetEnabled(false);
  Next->SetCaption("Finish");
  ShowFinishedTexts();
}

bool TForm2::IsDriverChosen(ChipFunction function) const {
  switch (function) {
    case ChipFunction::kMemoryStick:
      return IsChosen(MSCheckBox);
    case ChipFunction::kSdCard:
      return IsChosen(SDCheckBox);
    case ChipFunction::kSmartCard:
      break;
  }
  return IsChosen(SCCheckBox);
}

void TForm2::ShowMessage(const std::string& text) {
  Application().ShowMessage(text);
}

void TForm2::ProcessMessages() {
  Application().ProcessMessages();
}

}  // namespace talvex
