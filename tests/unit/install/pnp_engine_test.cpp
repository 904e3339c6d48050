// The Windows 2000/XP driver-update engine: preparation, order, skips, the failed update and the
// generic disk removal.
#include <gtest/gtest.h>

#include "app/wizard/tform2.h"
#include "framework/headless/headless_ui.h"
#include "tests/unit/support/test_machine.h"

namespace talvex {
namespace {

using testing::DeviceKey;
using testing::JournalLines;
using testing::RunResult;
using testing::StringValue;
using testing::TestMachine;

const char kEnum[] = "SYSTEM\\CurrentControlSet\\Enum\\";

std::string InfPathOf(TestMachine& machine, const std::string& instance) {
  return StringValue(machine.Machine().registry_store(), kEnum + instance, "InfPath");
}

// The hardware IDs the run searched for, in order, after the start-up inspection's six.
std::vector<std::string> EngineSearches(const std::string& out) {
  std::vector<std::string> ids;
  size_t pos = 0;
  while ((pos = out.find("Search for Device ID: [", pos)) != std::string::npos) {
    pos += 23;
    ids.push_back(out.substr(pos, out.find(']', pos) - pos));
  }
  if (ids.size() >= 6)
    ids.erase(ids.begin(), ids.begin() + 6);
  return ids;
}

TEST(PnpEngineTest, InstallsEachPresentIdInDriverOrderWithTheVersionsFolder) {
  TestMachine machine;
  machine
      .Registry(testing::WindowsXpKeys() + DeviceKey("Root\\SC\\0", {"*KVE0519"}) +
                DeviceKey("Root\\SD\\0", {"*KVE0517"}) + DeviceKey("Root\\MS\\0", {"*KVE0516"}) +
                DeviceKey("USBSTOR\\Disk\\1", {"GenDisk"}) +
                DeviceKey("USBSTOR\\Disk\\2", {"GenDisk"}))
      .Package();
  RunResult run = machine.Run({"-s"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(machine.ReadFile("d/SETUP/log.txt"), "error = 0\r\nrestart = 1\r\n");
  EXPECT_EQ(EngineSearches(run.out),
            (std::vector<std::string>{"*KVE0515", "*KVE0516", "GenDisk", "*KVE0517", "GenDisk",
                                      "*KVE0518", "*KVE0513", "*KVE0519"}));
  EXPECT_EQ(InfPathOf(machine, "Root\\MS\\0"), "D:\\SETUP\\auto\\winxp\\KVMS.INF");
  EXPECT_EQ(InfPathOf(machine, "Root\\SD\\0"), "D:\\SETUP\\auto\\winxp\\kvsd.inf");
  EXPECT_EQ(InfPathOf(machine, "Root\\SC\\0"), "D:\\SETUP\\auto\\winxp\\kvscr.inf");
  // One generic disk removed after each updated storage ID.
  EXPECT_EQ(machine.Machine().registry_store().FindKey(std::string(kEnum) + "USBSTOR\\Disk\\1"),
            nullptr);
  EXPECT_EQ(machine.Machine().registry_store().FindKey(std::string(kEnum) + "USBSTOR\\Disk\\2"),
            nullptr);
}

TEST(PnpEngineTest, Windows2000UsesItsOwnFolder) {
  TestMachine machine;
  machine
      .Registry(testing::Windows2000Keys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}) +
                DeviceKey("Root\\SC\\0", {"*KVE0513"}))
      .Package();
  EXPECT_EQ(machine.Run({"-S"}).exitCode, 1);
  EXPECT_EQ(InfPathOf(machine, "Root\\MS\\0"), "D:\\SETUP\\auto\\win2k\\KVMS.INF");
  EXPECT_EQ(InfPathOf(machine, "Root\\SC\\0"), "D:\\SETUP\\auto\\win2k\\kvscr.inf");
}

TEST(PnpEngineTest, BothIdsOfADriverAreUpdatedAndEachResetsAndRemoves) {
  TestMachine machine;
  machine
      .Registry(testing::WindowsXpKeys() + DeviceKey("Root\\A\\0", {"*KVE0515"}) +
                DeviceKey("Root\\B\\0", {"*KVE0516"}))
      .Package();
  RunResult run = machine.Run({"-s"});
  EXPECT_EQ(EngineSearches(run.out),
            (std::vector<std::string>{"*KVE0515", "GenDisk", "*KVE0516", "GenDisk"}));
  EXPECT_EQ(InfPathOf(machine, "Root\\B\\0"), "D:\\SETUP\\auto\\winxp\\KVMS.INF");
}

TEST(PnpEngineTest, EveryDriverUpdateIsForced) {
  // The flag leaves no trace in the registry; the machine's journal shows what was passed.
  for (const std::string& versionKeys : {testing::WindowsXpKeys(), testing::WindowsMeKeys()}) {
    TestMachine machine;
    machine.Ini("journal = journal.txt\n")
        .Registry(versionKeys + DeviceKey("Root\\MS\\0", {"*KVE0515"}) +
                  DeviceKey("Root\\SD\\0", {"*KVE0517"}))
        .Package();
    ASSERT_EQ(machine.Run({"-s"}).exitCode, 1);
    std::vector<std::string> updates =
        JournalLines(machine.ReadFile("journal.txt"), {"UpdateDriverForPlugAndPlayDevicesA"});
    ASSERT_EQ(updates.size(), 2u);
    for (const std::string& update : updates)
      EXPECT_NE(update.find(" flags=INSTALLFLAG_FORCE -> TRUE "), std::string::npos) << update;
  }
}

TEST(PnpEngineTest, AFailedUpdateEndsAtOnceWithSix) {
  TestMachine machine;
  machine.Ini("[failures]\r\nUpdateDriverForPlugAndPlayDevicesA *KVE0515 = always error 5\r\n")
      .Registry(testing::WindowsXpKeys() + DeviceKey("Root\\A\\0", {"*KVE0515"}) +
                DeviceKey("Root\\B\\0", {"*KVE0516"}) + DeviceKey("Root\\SC\\0", {"*KVE0513"}))
      .Package();
  RunResult run = machine.Run({"-s"});
  EXPECT_EQ(run.exitCode, 6);
  EXPECT_EQ(run.err, "");
  EXPECT_NE(run.out.find("Found! [*KVE0515]\nUpdateDriverForPlugAndPlayDevices FAILURE: Access "
                         "is denied.\r\n\n"),
            std::string::npos);
  EXPECT_EQ(EngineSearches(run.out), (std::vector<std::string>{"*KVE0515"}));
  EXPECT_EQ(InfPathOf(machine, "Root\\B\\0"), "<missing>");
  EXPECT_EQ(InfPathOf(machine, "Root\\SC\\0"), "<missing>");
  EXPECT_EQ(machine.ReadFile("d/SETUP/log.txt"), "error = 1\r\nrestart = 0\r\n");
}

TEST(PnpEngineTest, AMissingInfFileIsAFailedUpdate) {
  TestMachine machine;
  machine.Registry(testing::WindowsXpKeys() + DeviceKey("Root\\SC\\0", {"*KVE0513"}));
  RunResult run = machine.Run({"-s"});
  EXPECT_EQ(run.exitCode, 6);
  EXPECT_NE(run.out.find("UpdateDriverForPlugAndPlayDevices FAILURE: The system cannot find the "
                         "file specified.\r\n\n"),
            std::string::npos);
}

TEST(PnpEngineTest, PreparationFailuresAreToldAndEndWithOne) {
  struct Case {
    std::string ini;
    std::string box;
  };
  for (const Case& failure :
       {Case{"windows =\r\n", "[Setup] Can't get Windows path\n"},
        Case{"[failures]\r\nGetWindowsDirectoryA = call 1\r\n", "[Setup] Can't get Windows path\n"},
        Case{"[failures]\r\nLoadLibraryA newdev.dll = always\r\n",
             "[Setup] Cant't Open newdev.dll\n"},
        Case{"[failures]\r\nGetProcAddress UpdateDriverForPlugAndPlayDevicesW = always\r\n",
             "[Setup] Link newdev.dll Library error\n"},
        Case{"[failures]\r\nGetProcAddress UpdateDriverForPlugAndPlayDevicesA = always\r\n",
             "[Setup] Link newdev.dll Library error\n"}}) {
    TestMachine machine;
    machine.Ini(failure.ini)
        .Registry(testing::WindowsXpKeys() + DeviceKey("Root\\A\\0", {"*KVE0515"}))
        .Package();
    RunResult run = machine.Run({"-s"});
    EXPECT_EQ(run.exitCode, 1) << failure.ini;
    EXPECT_EQ(run.err, failure.box);
    EXPECT_EQ(EngineSearches(run.out), std::vector<std::string>{}) << failure.ini;
    EXPECT_EQ(machine.ReadFile("d/SETUP/log.txt"), "error = 1\r\nrestart = 0\r\n");
    EXPECT_EQ(machine.Machine().newdev().LoadedModules(), 0);
  }
}

TEST(PnpEngineTest, OnlyTickedAndEnabledBoxesAreInstalled) {
  TestMachine machine;
  machine
      .Registry(testing::WindowsXpKeys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}) +
                DeviceKey("Root\\SD\\0", {"*KVE0517"}) + DeviceKey("Root\\SC\\0", {"*KVE0513"}))
      .Package();
  testing::WizardOnMachine onMachine(machine);
  TForm2* wizard = onMachine.form;
  wizard->SDCheckBox->Click();  // the user unticks SD
  wizard->SCCheckBox->SetEnabled(false);
  machine.ClearOut();
  wizard->InstallWin2000XP();
  // Not even searched for.
  EXPECT_EQ(machine.Out().find("Search for Device ID: [*KVE0517]"), std::string::npos);
  EXPECT_EQ(machine.Out().find("Search for Device ID: [*KVE0513]"), std::string::npos);
  EXPECT_EQ(InfPathOf(machine, "Root\\MS\\0"), "D:\\SETUP\\auto\\winxp\\KVMS.INF");
  EXPECT_EQ(InfPathOf(machine, "Root\\SD\\0"), "<missing>");
  EXPECT_EQ(InfPathOf(machine, "Root\\SC\\0"), "<missing>");
}

TEST(PnpEngineTest, ADeviceGoneSinceStartUpIsSkippedSilently) {
  TestMachine machine;
  machine
      .Registry(testing::WindowsXpKeys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}) +
                DeviceKey("Root\\SD\\0", {"*KVE0517"}))
      .Package();
  testing::WizardOnMachine onMachine(machine);
  TForm2* wizard = onMachine.form;
  machine.Machine().registry_store().DeleteKey(std::string(kEnum) + "Root\\MS\\0");
  wizard->InstallWin2000XP();
  EXPECT_EQ(onMachine.boxes.str(), "");
  EXPECT_EQ(InfPathOf(machine, "Root\\SD\\0"), "D:\\SETUP\\auto\\winxp\\kvsd.inf");
}

}  // namespace
}  // namespace talvex
