// The simulated driver update installs an INF as the machine's Windows would: which INFs it
// refuses, what it copies where, what it keeps of the INF, and what it records, on Windows Me,
// 2000 and XP machines with the sample package and broken copies of it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "platform/newdev.h"
#include "platform/sim/machine.h"
#include "platform/winconst.h"
#include "tests/unit/support/test_machine.h"

namespace talvex::sim {
namespace {

using testing::DeviceKey;
using testing::TestMachine;

const char kClassGuid[] = "{4D36E97D-E325-11CE-BFC1-08002BE10318}";
constexpr uint32_t kWrongInfStyle = 0xE0000100;
constexpr uint32_t kCancelled = 1223;

std::string Read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The sample package's INF of that folder with one text replaced by another.
std::string EditedInf(const std::string& relative, const std::string& from, const std::string& to) {
  std::string text =
      Read(std::filesystem::path(TALVEX_SOURCE_DIR) / "examples/package/auto" / relative);
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos)
    text.replace(at, from.size(), to);
  return text;
}

struct Update {
  bool ok;
  uint32_t error;
};

Update UpdateDriver(TestMachine& machine, const std::string& id, const std::string& inf) {
  Platform& platform = machine.Machine().platform();
  std::unique_ptr<NewdevModule> newdev = platform.newdev.LoadNewdev();
  int32_t reboot = 0;
  bool ok = newdev->UpdateDriverForPlugAndPlayDevicesA(0, id, inf, win::INSTALLFLAG_FORCE, &reboot);
  return {ok, platform.errors.GetLastError()};
}

std::string Value(TestMachine& machine, const std::string& key, const std::string& name) {
  return testing::StringValue(machine.Machine().registry_store(), key, name);
}

const char kMsDevice[] = "SYSTEM\\CurrentControlSet\\Enum\\Root\\MS\\0";

TEST(InfInstallTest, AnXpInstallCopiesItsFilesKeepsTheInfAndRecordsTheDriver) {
  TestMachine machine;
  machine
      .Registry(testing::WindowsXpKeys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}) +
                DeviceKey("Root\\MS\\1", {"*KVE0516"}))
      .Package()
      .Ini("journal = journal.txt\r\n");
  const std::string inf = "D:\\SETUP\\auto\\winxp\\KVMS.INF";
  ASSERT_TRUE(UpdateDriver(machine, "*KVE0515", inf).ok);
  ASSERT_TRUE(UpdateDriver(machine, "*KVE0516", inf).ok);
  // Two hardware IDs served by one INF: one copy of it.
  EXPECT_EQ(
      machine.ReadFile("c/WINDOWS/inf/oem0.inf"),
      Read(std::filesystem::path(TALVEX_SOURCE_DIR) / "examples/package/auto/winxp/KVMS.INF"));
  EXPECT_FALSE(machine.Exists("c/WINDOWS/inf/oem1.inf"));
  EXPECT_TRUE(machine.Exists("c/WINDOWS/system32/kvms.txt"));
  const std::string driver =
      std::string("SYSTEM\\CurrentControlSet\\Control\\Class\\") + kClassGuid;
  EXPECT_EQ(Value(machine, kMsDevice, "Driver"), std::string(kClassGuid) + "\\0000");
  EXPECT_EQ(Value(machine, std::string(kMsDevice, sizeof kMsDevice - 2) + "1", "Driver"),
            std::string(kClassGuid) + "\\0001");
  EXPECT_EQ(Value(machine, driver + "\\0000", "InfPath"), "oem0.inf");
  EXPECT_EQ(Value(machine, driver + "\\0001", "InfPath"), "oem0.inf");
  EXPECT_EQ(Value(machine, driver + "\\0000", "InfSection"), "KVMS_Install");
  EXPECT_EQ(Value(machine, driver + "\\0000", "MatchingDeviceId"), "*kve0515");
  EXPECT_EQ(Value(machine, driver + "\\0001", "MatchingDeviceId"), "*kve0516");
  EXPECT_EQ(Value(machine, driver + "\\0000", "DriverDate"), "3-15-2004");
  EXPECT_EQ(Value(machine, driver + "\\0000", "DriverVersion"), "1.0.0.1");
  EXPECT_EQ(Value(machine, driver + "\\0000", "ProviderName"), "Korvane");
  EXPECT_EQ(Value(machine, kMsDevice, "DeviceDesc"),
            "Korvane TALVEX Memory Stick Reader (Windows XP)");
  EXPECT_EQ(Value(machine, kMsDevice, "Mfg"), "Korvane");
  EXPECT_EQ(Value(machine, kMsDevice, "ClassGUID"), kClassGuid);
  EXPECT_EQ(Value(machine, kMsDevice, "InfPath"), inf);          // the machine's own record
  EXPECT_EQ(Value(machine, kMsDevice, "Service"), "<missing>");  // the null service
  // The journal names the INF's driver line and every file copied.
  std::string journal = machine.ReadFile("journal.txt");
  EXPECT_NE(journal.find("newdev.SelectDriver inf=\"D:\\SETUP\\auto\\winxp\\KVMS.INF\" "
                         "device=\"SYSTEM\\CurrentControlSet\\Enum\\Root\\MS\\0\" -> found "
                         "models=\"Korvane\" line=28 id=\"*KVE0515\" section=\"KVMS_Install\""),
            std::string::npos);
  EXPECT_NE(journal.find("newdev.CopyFile source=\"D:\\SETUP\\auto\\winxp\\kvms.txt\" "
                         "target=\"C:\\WINDOWS\\system32\\kvms.txt\" -> TRUE"),
            std::string::npos);
}

TEST(InfInstallTest, WindowsMeCopiesIntoSystemAndKeepsTheInfUnderItsProvidersName) {
  TestMachine machine;
  machine.Registry(testing::WindowsMeKeys() + DeviceKey("Root\\MS\\0", {"*KVE0515"})).Package();
  ASSERT_TRUE(UpdateDriver(machine, "*KVE0515", "D:\\SETUP\\auto\\winme\\kvms.inf").ok);
  EXPECT_TRUE(machine.Exists("c/WINDOWS/SYSTEM/kvms.txt"));  // DIRID 11 on Windows 9x
  EXPECT_FALSE(machine.Exists("c/WINDOWS/system32"));
  EXPECT_TRUE(machine.Exists("c/WINDOWS/inf/other/KorvaneKVMS.inf"));
  EXPECT_EQ(Value(machine, kMsDevice, "Driver"), "System\\0000");
  const char driver[] = "SYSTEM\\CurrentControlSet\\Services\\Class\\System\\0000";
  EXPECT_EQ(Value(machine, driver, "InfPath"), "KorvaneKVMS.inf");
  EXPECT_EQ(Value(machine, driver, "DriverDate"), " 3-15-2004");
}

TEST(InfInstallTest, DriversDirectoryOnXpAndSystemFolderOnMe) {
  // DIRID 12 is system32\drivers on NT; DIRID 11 is SYSTEM on Windows Me.
  TestMachine xp;
  xp.Registry(testing::WindowsXpKeys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}))
      .Package()
      .File("d/SETUP/auto/winxp/KVMS.INF",
            EditedInf("winxp/KVMS.INF", "DefaultDestDir=11", "DefaultDestDir=12"));
  ASSERT_TRUE(UpdateDriver(xp, "*KVE0515", "D:\\SETUP\\auto\\winxp\\KVMS.INF").ok);
  EXPECT_TRUE(xp.Exists("c/WINDOWS/system32/drivers/kvms.txt"));

  TestMachine me;
  me.Registry(testing::WindowsMeKeys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}))
      .Package()
      .Ini("windows = C:\\WINME\r\n")
      .Folder("c/WINME");
  ASSERT_TRUE(UpdateDriver(me, "*KVE0515", "D:\\SETUP\\auto\\winme\\kvms.inf").ok);
  EXPECT_TRUE(me.Exists("c/WINME/SYSTEM/kvms.txt"));
}

TEST(InfInstallTest, WhatWindowsRefusesFailsTheUpdateAndChangesNoDriver) {
  struct Case {
    const char* name;
    std::string keys;
    const char* folder;  // auto\<folder>\<inf>
    const char* inf;
    std::string text;  // the INF's new text
    uint32_t error;
  };
  const Case cases[] = {
      {"models without the chip's ID", testing::WindowsXpKeys(), "winxp", "KVMS.INF",
       EditedInf("winxp/KVMS.INF", "KVMS_Install,*KVE0515", "KVMS_Install,*KVE0599"),
       win::ERROR_NO_MORE_ITEMS},
      {"an unknown signature on XP", testing::WindowsXpKeys(), "winxp", "KVMS.INF",
       EditedInf("winxp/KVMS.INF", "$Windows NT$", "$Windows 2000$"), kWrongInfStyle},
      {"$Windows NT$ on Me", testing::WindowsMeKeys(), "winme", "kvms.inf",
       EditedInf("winme/kvms.inf", "$Windows 95$", "$Windows NT$"), kWrongInfStyle},
      {"no INF at all", testing::WindowsXpKeys(), "winxp", "KVMS.INF", "MZ\x90\0\x03",
       kWrongInfStyle},
      {"models decorated for XP only, on 2000", testing::Windows2000Keys(), "win2k", "KVMS.INF",
       EditedInf("win2k/KVMS.INF", "[Manufacturer]\r\n%Korvane%=Korvane\r\n\r\n[Korvane]",
                 "[Manufacturer]\r\n%Korvane%=Korvane,NTx86.5.1\r\n\r\n[Korvane.NTx86.5.1]"),
       win::ERROR_NO_MORE_ITEMS},
  };
  for (const Case& c : cases) {
    TestMachine machine;
    machine.Registry(c.keys + DeviceKey("Root\\MS\\0", {"*KVE0515"}))
        .Package()
        .File(std::string("d/SETUP/auto/") + c.folder + "/" + c.inf, c.text);
    Update update = UpdateDriver(machine, "*KVE0515",
                                 std::string("D:\\SETUP\\auto\\") + c.folder + "\\" + c.inf);
    EXPECT_FALSE(update.ok) << c.name;
    EXPECT_EQ(update.error, c.error) << c.name;
    EXPECT_EQ(Value(machine, kMsDevice, "Driver"), "<missing>") << c.name;
    EXPECT_EQ(Value(machine, kMsDevice, "InfPath"), "<missing>") << c.name;
    EXPECT_FALSE(machine.Exists("c/WINDOWS/inf")) << c.name;
  }
  // The same decorated INF installs on XP.
  TestMachine xp;
  xp.Registry(testing::WindowsXpKeys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}))
      .Package()
      .File("d/SETUP/auto/winxp/KVMS.INF",
            EditedInf("winxp/KVMS.INF", "[Manufacturer]\r\n%Korvane%=Korvane\r\n\r\n[Korvane]",
                      "[Manufacturer]\r\n%Korvane%=Korvane,NTx86.5.1\r\n\r\n[Korvane.NTx86.5.1]"));
  EXPECT_TRUE(UpdateDriver(xp, "*KVE0515", "D:\\SETUP\\auto\\winxp\\KVMS.INF").ok);
}

TEST(InfInstallTest, AFileThePackageLacksFailsAsACancelledDiskPromptAndEarlierCopiesStay) {
  TestMachine machine;
  machine.Registry(testing::WindowsXpKeys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}))
      .Package()
      .File("d/SETUP/auto/winxp/KVMS.INF", EditedInf("winxp/KVMS.INF", "[KVMS_Files]\r\nkvms.txt",
                                                     "[KVMS_Files]\r\nkvms.txt\r\nkvms.sys"))
      .Ini("journal = journal.txt\r\n");
  Update update = UpdateDriver(machine, "*KVE0515", "D:\\SETUP\\auto\\winxp\\KVMS.INF");
  EXPECT_FALSE(update.ok);
  EXPECT_EQ(update.error, kCancelled);
  EXPECT_TRUE(machine.Exists("c/WINDOWS/system32/kvms.txt"));  // copied before, and kept
  EXPECT_EQ(Value(machine, kMsDevice, "Driver"), "<missing>");
  EXPECT_NE(machine.ReadFile("journal.txt")
                .find("newdev.DiskPrompt file=\"kvms.sys\" folder=\"D:\\SETUP\\auto\\winxp\""),
            std::string::npos);
}

TEST(InfInstallTest, AWholeRunWithABrokenInfEndsWithSixAndTheFailureResult) {
  TestMachine machine;
  machine.Registry(testing::WindowsXpKeys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}))
      .Package()
      .File("d/SETUP/auto/winxp/KVMS.INF",
            EditedInf("winxp/KVMS.INF", "KVMS_Install,*KVE0515", "KVMS_Install,*KVE0599"));
  testing::RunResult run = machine.Run({"-s"});
  EXPECT_EQ(run.exitCode, 6);
  EXPECT_NE(run.out.find("UpdateDriverForPlugAndPlayDevices FAILURE: No more data is available."),
            std::string::npos);
  EXPECT_EQ(machine.ReadFile("d/SETUP/log.txt"), "error = 1\r\nrestart = 0\r\n");
}

}  // namespace
}  // namespace talvex::sim
