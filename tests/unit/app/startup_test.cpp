// The wizard window's construction: the result file, the inspection, the check boxes, the missing
// chip, and where the unattended run goes.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/wizard/tform2.h"
#include "framework/headless/headless_ui.h"
#include "tests/unit/support/test_machine.h"

namespace talvex {
namespace {

using testing::DeviceKey;
using testing::RunResult;
using testing::TestMachine;

const char kFailure[] = "error = 1\r\nrestart = 0\r\n";
const char kSuccess[] = "error = 0\r\nrestart = 1\r\n";

using Wizard = testing::WizardOnMachine;

std::string AllThreeFunctions() {
  return DeviceKey("Root\\SC\\0", {"*KVE0513"}) + DeviceKey("Root\\MS\\0", {"*KVE0515"}) +
         DeviceKey("Root\\SD\\0", {"*KVE0517"});
}

TEST(StartupTest, ChecksAndEnablesTheBoxesOfPresentFunctions) {
  TestMachine onlySmartCard;
  onlySmartCard.Registry(testing::WindowsXpKeys() + DeviceKey("Root\\X\\0", {"*KVE0519"}));
  Wizard wizard(onlySmartCard);
  EXPECT_TRUE(wizard.form->ScPresent);
  EXPECT_TRUE(wizard.form->SCCheckBox->Checked() && wizard.form->SCCheckBox->Enabled());
  EXPECT_FALSE(wizard.form->MSCheckBox->Checked() || wizard.form->MSCheckBox->Enabled());
  EXPECT_FALSE(wizard.form->SDCheckBox->Checked() || wizard.form->SDCheckBox->Enabled());

  TestMachine storage;
  storage.Registry(testing::WindowsXpKeys() + DeviceKey("Root\\A\\0", {"*KVE0515"}) +
                   DeviceKey("Root\\B\\0", {"x", "*KVE0518"}));
  Wizard second(storage);
  EXPECT_TRUE(second.form->MSCheckBox->Checked() && second.form->MSCheckBox->Enabled());
  EXPECT_TRUE(second.form->SDCheckBox->Checked() && second.form->SDCheckBox->Enabled());
  EXPECT_FALSE(second.form->SCCheckBox->Checked() || second.form->SCCheckBox->Enabled());
  EXPECT_EQ(second.form->WindowsVersion, WinXP);
  EXPECT_EQ(second.form->ProgramFolder, "D:\\SETUP\\");
  EXPECT_EQ(second.form->Unattended, 0);
  EXPECT_EQ(second.form->Page, 0);
  EXPECT_FALSE(second.form->Visible());
  EXPECT_EQ(storage.ReadFile("d/SETUP/log.txt"), kFailure);
}

TEST(StartupTest, SearchesTheSixIdsInTheirOrder) {
  TestMachine machine;
  machine.Registry(testing::WindowsXpKeys() + DeviceKey("Root\\A\\0", {"*KVE0516"}));
  RunResult run = machine.Run({});
  std::string order;
  size_t pos = 0;
  while ((pos = run.out.find("Search for Device ID: [", pos)) != std::string::npos) {
    pos += 23;
    order += run.out.substr(pos, 8) + " ";
  }
  EXPECT_EQ(order, "*KVE0513 *KVE0519 *KVE0515 *KVE0516 *KVE0517 *KVE0518 ");
}

// A program on a CD cannot leave its result file; everything else of the run is as from a disk.
TEST(StartupTest, FromACdTheResultFileIsNotWrittenAndTheRunGoesOn) {
  TestMachine machine;
  machine.Registry(testing::WindowsXpKeys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}))
      .Package("e/SETUP")
      .RawIni("[machine]\r\nprogram = E:\\SETUP\\Setup.exe\r\n[drives]\r\nE: = cdrom | TALVEX\r\n");
  RunResult run = machine.Run({"-s"});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_FALSE(machine.Exists("e/SETUP/log.txt"));
  EXPECT_EQ(testing::StringValue(machine.Machine().registry_store(),
                                 "SYSTEM\\CurrentControlSet\\Enum\\Root\\MS\\0", "InfPath"),
            "E:\\SETUP\\auto\\winxp\\KVMS.INF");
}

TEST(StartupTest, NoChipShowsTheErrorBoxInBothModes) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{}, std::vector<std::string>{"-s"}}) {
    TestMachine machine;
    machine.Registry(testing::WindowsXpKeys() + DeviceKey("Root\\A\\0", {"*PNP0303"}));
    RunResult run = machine.Run(arguments);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "[ERROR] Can't find any TALVEX Chip!!\\n\n");
    EXPECT_EQ(machine.ReadFile("d/SETUP/log.txt"), kFailure);
  }
}

TEST(StartupTest, UnsupportedVersionsEndTheUnattendedRunSilently) {
  for (const std::string& keys :
       {testing::WindowsNt4Keys(), std::string(),
        testing::StringValuesKey("Software\\Microsoft\\Windows\\CurrentVersion",
                                 {{"Version", "Windows 95"}})}) {
    TestMachine machine;
    machine.Registry(keys + DeviceKey("Root\\A\\0", {"*KVE0515"})).Package();
    machine.Machine();
    std::string registryBefore = machine.ReadFile("registry.reg");
    RunResult run = machine.Run({"-s"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(machine.ReadFile("d/SETUP/log.txt"), kFailure);
    EXPECT_EQ(machine.ReadFile("registry.reg"), registryBefore);
  }
}

TEST(StartupTest, InteractiveRunWritesOnlyTheFailureResult) {
  TestMachine machine;
  machine.Registry(testing::WindowsXpKeys() + AllThreeFunctions())
      .Package()
      .Ini("[user]\r\nclose = TForm1\r\n");
  RunResult run = machine.Run({"/s"});
  EXPECT_EQ(run.exitCode, 1);  // closing the backdrop ends the program
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(machine.ReadFile("d/SETUP/log.txt"), kFailure);
  EXPECT_EQ(run.out.find("InfPath"), std::string::npos);
  EXPECT_EQ(testing::StringValue(machine.Machine().registry_store(),
                                 "SYSTEM\\CurrentControlSet\\Enum\\Root\\MS\\0", "InfPath"),
            "<missing>");
}

// Records whether log.txt was on disk when the registry was first read.
class WatchingRegistry : public Registry {
 public:
  WatchingRegistry(Registry& inner, std::filesystem::path log) : inner_(inner), log_(log) {}
  int32_t RegOpenKeyA(RegKey root, const std::string& key, RegKey* result) override {
    if (!seen_)
      logBeforeFirstRead = std::filesystem::exists(log_);
    seen_ = true;
    return inner_.RegOpenKeyA(root, key, result);
  }
  int32_t RegOpenKeyExA(RegKey r, const std::string& k, uint32_t o, uint32_t s,
                        RegKey* result) override {
    return inner_.RegOpenKeyExA(r, k, o, s, result);
  }
  int32_t RegCloseKey(RegKey key) override { return inner_.RegCloseKey(key); }
  int32_t RegQueryValueExA(RegKey k, const std::string& n, uint32_t* t, uint8_t* d,
                           uint32_t* s) override {
    return inner_.RegQueryValueExA(k, n, t, d, s);
  }
  int32_t RegSetValueExA(RegKey k, const std::string& n, uint32_t t, const uint8_t* d,
                         uint32_t s) override {
    return inner_.RegSetValueExA(k, n, t, d, s);
  }
  int32_t RegDeleteValueA(RegKey k, const std::string& n) override {
    return inner_.RegDeleteValueA(k, n);
  }
  int32_t RegDeleteKeyA(RegKey k, const std::string& s) override {
    return inner_.RegDeleteKeyA(k, s);
  }
  int32_t RegQueryInfoKeyA(RegKey k, uint32_t* c) override { return inner_.RegQueryInfoKeyA(k, c); }
  int32_t RegEnumKeyExA(RegKey k, uint32_t i, std::string* n) override {
    return inner_.RegEnumKeyExA(k, i, n);
  }
  bool logBeforeFirstRead = false;

 private:
  Registry& inner_;
  std::filesystem::path log_;
  bool seen_ = false;
};

TEST(StartupTest, TheFailureResultIsOnDiskBeforeTheVersionIsDetected) {
  TestMachine machine;
  machine.Registry(testing::WindowsXpKeys() + DeviceKey("Root\\A\\0", {"*KVE0515"}));
  Platform& base = machine.Machine().platform();
  WatchingRegistry watching(base.registry, machine.folder() / "d" / "SETUP" / "log.txt");
  Platform platform{watching,       base.devices, base.newdev, base.files,
                    base.folders,   base.process, base.errors, base.console,
                    base.processes, base.windows, base.shell,  base.session};
  Wizard wizard(platform);
  EXPECT_TRUE(watching.logBeforeFirstRead);
}

TEST(StartupTest, AResultFileThatCannotBeWrittenChangesNothingElse) {
  TestMachine machine;
  machine.Ini("[failures]\r\nCreateFileA D:\\SETUP\\log.txt = always error 19\r\n")
      .Registry(testing::WindowsXpKeys() + AllThreeFunctions())
      .Package();
  RunResult run = machine.Run({"-s"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "");
  EXPECT_FALSE(machine.Exists("d/SETUP/log.txt"));
  EXPECT_EQ(testing::StringValue(machine.Machine().registry_store(),
                                 "SYSTEM\\CurrentControlSet\\Enum\\Root\\SC\\0", "InfPath"),
            "D:\\SETUP\\auto\\winxp\\kvscr.inf");
}

TEST(StartupTest, AnExceptionReachingTheEntryIsShownAndEndsWithZero) {
  TestMachine machine;
  machine.Ini("[failures]\r\nRegSetValueExA MsDriveIconFile = always error 5\r\n")
      .Registry(testing::WindowsXpKeys() + AllThreeFunctions() +
                testing::StringValuesKey("SYSTEM\\CurrentControlSet\\Services\\KVMS\\Parameters",
                                         {{"MsDriveIconFile", "x"}}))
      .Package();
  RunResult run = machine.Run({"-s"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "[Setup] Failed to set data for 'MsDriveIconFile'\n");
  EXPECT_EQ(machine.ReadFile("d/SETUP/log.txt"), kFailure);
}

TEST(StartupTest, LongProgramFoldersAreUsedWhole) {
  std::string longFolder = std::string(120, 'L') + "\\" + std::string(120, 'M');
  TestMachine machine;
  machine.RawIni("[machine]\r\nprogram = D:\\" + longFolder + "\\Setup.exe\r\n")
      .Registry(testing::WindowsXpKeys() + DeviceKey("Root\\SC\\0", {"*KVE0513"}))
      .Package("d/" + std::string(120, 'L') + "/" + std::string(120, 'M'));
  RunResult run = machine.Run({"-s"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(
      machine.ReadFile("d/" + std::string(120, 'L') + "/" + std::string(120, 'M') + "/log.txt"),
      kSuccess);
  EXPECT_EQ(testing::StringValue(machine.Machine().registry_store(),
                                 "SYSTEM\\CurrentControlSet\\Enum\\Root\\SC\\0", "InfPath"),
            "D:\\" + longFolder + "\\auto\\winxp\\kvscr.inf");
}

}  // namespace
}  // namespace talvex
