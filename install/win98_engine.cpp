#include "install/win98_engine.h"

#include <array>
#include <optional>
#include <string>

#include "app/wizard/tform2.h"
#include "framework/registry_object.h"
#include "install/driver_table.h"
#include "install/windows_folder.h"
#include "platform/winconst.h"

namespace talvex {
namespace {

struct CopiedFile {
  const char* source;  // in auto\win98
  const char* target;  // below the Windows folder
};

constexpr std::array<CopiedFile, 3> kMemoryStickFiles{{{"kvms.inf", "\\inf\\kvms.inf"},
                                                       {"kvms.pdr", "\\system\\IOSUBSYS\\kvms.pdr"},
                                                       {"kvmsicon.ico", "\\kvmsicon.ico"}}};
constexpr std::array<CopiedFile, 3> kSdCardFiles{{{"kvsd.inf", "\\inf\\kvsd.inf"},
                                                  {"kvsd.pdr", "\\system\\IOSUBSYS\\kvsd.pdr"},
                                                  {"kvsdicon.ico", "\\kvsdicon.ico"}}};
constexpr std::array<CopiedFile, 2> kSmartCardFiles{
    {{"kvscr.inf", "\\inf\\other\\Korvane Electronics CorpKVSCR.inf"},
     {"kvscr.sys", "\\system32\\drivers\\KVSCR.sys"}}};

class Win98Engine {
 public:
  Win98Engine(TForm2& wizard, std::string windowsFolder)
      : wizard_(wizard),
        windows_(std::move(windowsFolder)),
        source_(wizard.ProgramFolder + "auto\\win98") {}

  void RemoveDevices(const ChipDriver& driver) {
    for (const char* hardwareId : driver.hardwareIds)
      wizard_.FindDevice(hardwareId);
  }

  template <size_t N>
  void CopyFiles(const std::array<CopiedFile, N>& files) {
    for (const CopiedFile& file : files) {
      if (wizard_.platform().files.SetupInstallFileA(file.source, source_, windows_ + file.target,
                                                     win::SP_COPY_SOURCEPATH_ABSOLUTE))
        continue;
      // Reported, and the installation is not called complete; the next file still follows.
      wizard_.PrintFailure("SetupInstallFile");
      all_copied_ = false;
    }
  }

  // A storage driver: its devices, its files, then its drive icons.
  template <size_t N>
  void InstallStorageDriver(const ChipDriver& driver, const std::array<CopiedFile, N>& files) {
    RemoveDevices(driver);
    CopyFiles(files);
    wizard_.DriverInstalled = 1;
    wizard_.ResetDriveIcons();
  }

  void InstallSmartCardDriver() {
    RemoveDevices(kSmartCardDriver);
    std::string otherInfFolder = windows_ + "\\inf\\other";
    wizard_.platform().files.CreateDirectoryA(otherInfFolder);  // usually there already
    CopyFiles(kSmartCardFiles);
    // Windows looks for the INF there only when no other device path is registered yet; one that
    // is registered is left as it is.
    TRegistry registry(wizard_.platform().registry);
    if (registry.OpenKey("\\Software\\Microsoft\\Windows\\CurrentVersion", false) &&
        !registry.ValueExists("OtherDevicePath"))
      registry.WriteString("OtherDevicePath", otherInfFolder);
  }

  bool all_copied() const { return all_copied_; }

 private:
  TForm2& wizard_;
  std::string windows_;
  std::string source_;
  bool all_copied_ = true;
};

}  // namespace

bool InstallWin98(TForm2& wizard) {
  std::optional<std::string> windowsFolder = GetWindowsFolder(wizard.platform().folders, 100);
  if (!windowsFolder) {
    wizard.Application().ShowMessage("Can't get Windows path");
    wizard.EndProgram(1);
  }
  wizard.UpdateProgramFolder();
  Win98Engine engine(wizard, *windowsFolder);
  if (wizard.IsChosen(wizard.MSCheckBox))
    engine.InstallStorageDriver(kMemoryStickDriver, kMemoryStickFiles);
  if (wizard.IsChosen(wizard.SDCheckBox))
    engine.InstallStorageDriver(kSdCardDriver, kSdCardFiles);
  if (wizard.IsChosen(wizard.SCCheckBox) && wizard.SmartCardComponentsReady())
    engine.InstallSmartCardDriver();
  return engine.all_copied();
}

}  // namespace talvex
