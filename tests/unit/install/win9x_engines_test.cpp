// The Windows 98 copy engine and the Windows Me driver-update engine.
#include <gtest/gtest.h>

#include <regex>

#include "app/wizard/tform2.h"
#include "framework/headless/headless_ui.h"
#include "tests/unit/support/test_machine.h"

namespace talvex {
namespace {

using testing::DeviceKey;
using testing::JournalLines;
using testing::RunResult;
using testing::StringValue;
using testing::StringValuesKey;
using testing::TestMachine;

const char kEnum[] = "SYSTEM\\CurrentControlSet\\Enum\\";
const char kWindowsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char kBaseKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SmartcardBase";

std::string AllChipDevices() {
  return DeviceKey("PCI\\MS\\0", {"PCI\\VEN_X", "*KVE0515"}) +
         DeviceKey("PCI\\MS2\\0", {"*KVE0516"}) + DeviceKey("PCI\\SD\\0", {"*KVE0517"}) +
         DeviceKey("PCI\\SC\\0", {"*KVE0513"});
}

std::string Win98Registry(const std::string& windowsKeyValues = "") {
  return "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\r\n"
         "\"Version\"=\"Windows 98\"\r\n" +
         windowsKeyValues + "\r\n" + StringValuesKey(kBaseKey, {}) + AllChipDevices() +
         StringValuesKey("SYSTEM\\CurrentControlSet\\Services\\VxD\\KVMS",
                         {{"MsDriveIconFile", "ms.ico"}}) +
         StringValuesKey(
             "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons\\E\\DefaultIcon",
             {{"", "e.ico"}});
}

void Win98Machine(TestMachine& machine, const std::string& windowsKeyValues = "") {
  machine.Registry(Win98Registry(windowsKeyValues)).Windows98Package();
  machine.File("c/WINDOWS/system/smclib.vxd", "");
}

TEST(Win98EngineTest, CopiesEveryFileToItsTargetAndRegistersTheInfFolder) {
  TestMachine machine;
  Win98Machine(machine);
  RunResult run = machine.Run({"-s"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(machine.ReadFile("d/SETUP/log.txt"), "error = 0\r\nrestart = 1\r\n");
  struct Copy {
    const char* target;
    const char* source;
  };
  for (const Copy& copy :
       {Copy{"c/WINDOWS/inf/kvms.inf", "kvms.inf"},
        Copy{"c/WINDOWS/system/IOSUBSYS/kvms.pdr", "kvms.pdr"},
        Copy{"c/WINDOWS/kvmsicon.ico", "kvmsicon.ico"}, Copy{"c/WINDOWS/inf/kvsd.inf", "kvsd.inf"},
        Copy{"c/WINDOWS/system/IOSUBSYS/kvsd.pdr", "kvsd.pdr"},
        Copy{"c/WINDOWS/kvsdicon.ico", "kvsdicon.ico"},
        Copy{"c/WINDOWS/inf/other/Korvane Electronics CorpKVSCR.inf", "kvscr.inf"},
        Copy{"c/WINDOWS/system32/drivers/KVSCR.sys", "kvscr.sys"}})
    EXPECT_EQ(machine.ReadFile(copy.target), copy.source) << copy.target;
  sim::RegistryStore saved = machine.SavedRegistry();
  EXPECT_EQ(StringValue(saved, kWindowsKey, "OtherDevicePath"), "C:\\WINDOWS\\inf\\other");
  // Every chip device was removed; the drive icons were reset.
  for (const char* device : {"PCI\\MS\\0", "PCI\\MS2\\0", "PCI\\SD\\0", "PCI\\SC\\0"})
    EXPECT_EQ(saved.FindKey(std::string(kEnum) + device), nullptr) << device;
  EXPECT_EQ(StringValue(saved, "SYSTEM\\CurrentControlSet\\Services\\VxD\\KVMS", "MsDriveIconFile"),
            "");
  EXPECT_EQ(saved.FindKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons\\E"),
            nullptr);
}

TEST(Win98EngineTest, EachDriversDevicesAreRemovedBeforeItsFilesAreCopied) {
  // Windows 98 would otherwise bind the old driver to the device again; the order leaves no trace
  // but the machine's journal.
  TestMachine machine;
  Win98Machine(machine);
  machine.Ini("journal = journal.txt\n");
  ASSERT_EQ(machine.Run({"-s"}).exitCode, 1);
  const std::regex removal(
      R"re(^SetupDiRemoveDevice device="SYSTEM\\CurrentControlSet\\Enum\\([^"]*)" -> TRUE .*)re");
  const std::regex copy(R"re(^SetupInstallFileA source="([^"]*)" .* -> TRUE .*)re");
  std::vector<std::string> steps;
  for (const std::string& line : JournalLines(machine.ReadFile("journal.txt"),
                                              {"SetupDiRemoveDevice", "SetupInstallFileA"})) {
    std::smatch match;
    if (std::regex_match(line, match, removal))
      steps.push_back("remove " + match[1].str());
    else if (std::regex_match(line, match, copy))
      steps.push_back("copy " + match[1].str());
    else
      steps.push_back(line);
  }
  EXPECT_EQ(steps,
            (std::vector<std::string>{"remove PCI\\MS\\0", "remove PCI\\MS2\\0", "copy kvms.inf",
                                      "copy kvms.pdr", "copy kvmsicon.ico", "remove PCI\\SD\\0",
                                      "copy kvsd.inf", "copy kvsd.pdr", "copy kvsdicon.ico",
                                      "remove PCI\\SC\\0", "copy kvscr.inf", "copy kvscr.sys"}));
}

TEST(Win98EngineTest, ARegisteredDevicePathIsLeftAsItIs) {
  for (const std::string& existing : {std::string("\"OtherDevicePath\"=\"\"\r\n"),
                                      std::string("\"OtherDevicePath\"=\"C:\\\\A;D:\\\\B\"\r\n"),
                                      std::string("\"OtherDevicePath\"=dword:00000001\r\n")}) {
    TestMachine machine;
    Win98Machine(machine, existing);
    machine.Machine();
    std::string before =
        StringValue(machine.Machine().registry_store(), kWindowsKey, "OtherDevicePath");
    EXPECT_EQ(machine.Run({"-s"}).exitCode, 1);
    sim::RegistryStore saved = machine.SavedRegistry();
    EXPECT_EQ(StringValue(saved, kWindowsKey, "OtherDevicePath"), before) << existing;
  }
}

TEST(Win98EngineTest, AFailedWriteOfTheDevicePathReachesTheEntry) {
  TestMachine machine;
  Win98Machine(machine);
  machine.Ini("[failures]\r\nRegSetValueExA OtherDevicePath = always error 5\r\n");
  RunResult run = machine.Run({"-s"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "[Setup] Failed to set data for 'OtherDevicePath'\n");
  EXPECT_EQ(machine.ReadFile("d/SETUP/log.txt"), "error = 1\r\nrestart = 0\r\n");
  // The copies made before stay.
  EXPECT_TRUE(machine.Exists("c/WINDOWS/system32/drivers/KVSCR.sys"));
}

TEST(Win98EngineTest, AFailedCopyIsReportedAndNotCalledSuccess) {
  TestMachine machine;
  Win98Machine(machine);
  std::filesystem::remove(machine.folder() / "d/SETUP/auto/win98/kvms.pdr");
  RunResult run = machine.Run({"-s"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("SetupInstallFile FAILURE: The system cannot find the file "
                         "specified.\r\n\n"),
            std::string::npos);
  // The next files were still copied.
  EXPECT_TRUE(machine.Exists("c/WINDOWS/kvmsicon.ico"));
  EXPECT_TRUE(machine.Exists("c/WINDOWS/system32/drivers/KVSCR.sys"));
  EXPECT_EQ(machine.ReadFile("d/SETUP/log.txt"), "error = 1\r\nrestart = 0\r\n");
}

TEST(Win98EngineTest, AMissingTargetFolderFailsTheCopy) {
  TestMachine machine;
  Win98Machine(machine);
  std::filesystem::remove_all(machine.folder() / "c/WINDOWS/system32");
  RunResult run = machine.Run({"-s"});
  EXPECT_NE(run.out.find("SetupInstallFile FAILURE: The system cannot find the path "
                         "specified.\r\n\n"),
            std::string::npos);
  EXPECT_FALSE(machine.Exists("c/WINDOWS/system32"));
  EXPECT_EQ(machine.ReadFile("d/SETUP/log.txt"), "error = 1\r\nrestart = 0\r\n");
}

TEST(Win98EngineTest, OnlyChosenDriversAndTheComponentsStepOnlyForTheSmartCard) {
  TestMachine machine;
  Win98Machine(machine);
  machine.File("d/SETUP/smclib.exe", "x");
  testing::WizardOnMachine onMachine(machine);
  TForm2* wizard = onMachine.form;
  wizard->SDCheckBox->SetEnabled(false);  // ticked but disabled: skipped entirely
  wizard->SCCheckBox->Click();            // unticked
  machine.Machine().registry_store().DeleteKey(kBaseKey);
  wizard->InstallWin98();
  EXPECT_FALSE(wizard->Failures().Any());
  EXPECT_EQ(wizard->DriverInstalled, 1);
  EXPECT_TRUE(machine.Exists("c/WINDOWS/inf/kvms.inf"));
  EXPECT_FALSE(machine.Exists("c/WINDOWS/inf/kvsd.inf"));
  EXPECT_FALSE(machine.Exists("c/WINDOWS/inf/other"));
  EXPECT_NE(machine.Machine().registry_store().FindKey(std::string(kEnum) + "PCI\\SD\\0"), nullptr);
  EXPECT_TRUE(machine.Machine().processes().started().empty());
}

TEST(Win98EngineTest, ASecondRunOverwritesTheFiles) {
  TestMachine machine;
  Win98Machine(machine);
  machine.File("c/WINDOWS/inf/KVMS.INF", "old driver");
  machine.Run({"-s"});
  EXPECT_EQ(machine.ReadFile("c/WINDOWS/inf/KVMS.INF"), "kvms.inf");
  EXPECT_FALSE(machine.Exists("c/WINDOWS/inf/kvms.inf"));
}

TEST(WinMeEngineTest, InstallsFromTheMeFolderAndRunsTheComponentsStepBeforeTheSmartCard) {
  TestMachine machine;
  machine
      .Ini(
          "[program D:\\SETUP\\smclib.exe]\r\nfile 100 = C:\\WINDOWS\\system\\smclib.vxd\r\n"
          "ends = 200\r\n")
      .File("d/SETUP/smclib.exe", "x")
      .File("c/WINDOWS/system/.keep", "")
      .Registry(testing::WindowsMeKeys() + StringValuesKey(kBaseKey, {}) +
                DeviceKey("Root\\MS\\0", {"*KVE0515"}) + DeviceKey("Root\\SC\\0", {"*KVE0513"}) +
                DeviceKey("USBSTOR\\Disk\\1", {"GenDisk"}))
      .Package();
  RunResult run = machine.Run({"-s"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(machine.ReadFile("d/SETUP/log.txt"), "error = 0\r\nrestart = 1\r\n");
  sim::RegistryStore& store = machine.Machine().registry_store();
  EXPECT_EQ(StringValue(store, std::string(kEnum) + "Root\\MS\\0", "InfPath"),
            "D:\\SETUP\\auto\\winme\\kvms.inf");
  EXPECT_EQ(StringValue(store, std::string(kEnum) + "Root\\SC\\0", "InfPath"),
            "D:\\SETUP\\auto\\winme\\kvscr.inf");
  // Windows Me keeps its generic disk and never removes a device.
  EXPECT_NE(store.FindKey(std::string(kEnum) + "USBSTOR\\Disk\\1"), nullptr);
  EXPECT_EQ(run.out.find("Search for Device ID: [GenDisk]"), std::string::npos);
  ASSERT_EQ(machine.Machine().processes().started().size(), 1u);
}

TEST(WinMeEngineTest, StorageStepsMarkTheDriverInstalledEvenWithoutADevice) {
  TestMachine machine;
  machine
      .Registry(testing::WindowsMeKeys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}) +
                DeviceKey("Root\\SC\\0", {"*KVE0513"}))
      .Package();
  testing::WizardOnMachine onMachine(machine);
  TForm2* wizard = onMachine.form;
  machine.Machine().registry_store().DeleteKey(std::string(kEnum) + "Root\\MS\\0");
  wizard->SCCheckBox->Click();
  wizard->InstallWinMe();
  EXPECT_EQ(wizard->DriverInstalled, 1);
}

}  // namespace
}  // namespace talvex
