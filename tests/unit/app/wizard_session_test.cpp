// Whole interactive runs with a person at the machine: the wizard's pages, the unsupported
// versions, Cancel and closing on every page, and the reboot prompt.
#include <gtest/gtest.h>

#include <string>

#include "tests/unit/support/test_machine.h"

namespace talvex {
namespace {

using testing::DeviceKey;
using testing::RunResult;
using testing::TestMachine;

const char kFailure[] = "error = 1\r\nrestart = 0\r\n";
const char kMsPath[] = "SYSTEM\\CurrentControlSet\\Enum\\Root\\MS\\0";
const char kSdPath[] = "SYSTEM\\CurrentControlSet\\Enum\\Root\\SD\\0";

std::string AllThreeFunctions() {
  return DeviceKey("Root\\SC\\0", {"*KVE0513"}) + DeviceKey("Root\\MS\\0", {"*KVE0515"}) +
         DeviceKey("Root\\SD\\0", {"*KVE0517"});
}

// An XP machine with the three functions and the driver package, and the person's lines.
void XpWithPerson(TestMachine& machine, const std::string& user, const std::string& more = "") {
  machine.Registry(testing::WindowsXpKeys() + AllThreeFunctions())
      .Package()
      .Ini(more + "[user]\r\n" + user);
}

std::string InfPath(TestMachine& machine, const char* path) {
  return testing::StringValue(machine.Machine().registry_store(), path, "InfPath");
}

TEST(WizardPagesTest, WelcomeChoiceAndBackKeepTheBoxesAsLeft) {
  TestMachine machine;
  XpWithPerson(machine,
               "see = TForm2.Memo1 | Welcome!\r\n"
               "see = TForm2.Memo2 | Welcome to the Korvane TALVEX drivers setup program. This "
               "program will install Korvane TALVEX drivers on your computer. It is strongly "
               "recommand you exit all Windows programs before running this setup program.\r\n"
               "state = TForm2.Back | disabled\r\n"
               "state = TForm2.DriversGroupBox | hidden\r\n"
               "click = TForm2.Next\r\n"
               "see = TForm2.Memo1 | Start to Setup!\r\n"
               "see = TForm2.Memo2 | The setup program is ready to copying files on your "
               "computer.\r\n"
               "see = TForm2.Memo3 | Please Choose the divers to be installed. Click Back to "
               "return previous step. Click Next to begin copying files.\r\n"
               "state = TForm2.Back | enabled visible\r\n"
               "state = TForm2.DriversGroupBox | visible\r\n"
               "untick = TForm2.SDCheckBox\r\n"
               "click = TForm2.Back\r\n"
               "see = TForm2.Memo3 | Click Cancel to quit Setup and then close any program you "
               "have running. Click Next to continue with the Setup program.\r\n"
               "state = TForm2.Back | disabled\r\n"
               "state = TForm2.DriversGroupBox | hidden\r\n"
               "click = TForm2.Next\r\n"
               "state = TForm2.SDCheckBox | unchecked enabled\r\n"
               "state = TForm2.MSCheckBox | checked enabled\r\n"
               "close = TForm2\r\n");
  RunResult run = machine.Run({});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(machine.ReadFile("d/SETUP/log.txt"), kFailure);
  EXPECT_EQ(InfPath(machine, kMsPath), "<missing>");
}

// The backdrop shows the wizard once and keeps it inside itself: activating it again later, on
// any page and after Finish has hidden the wizard, changes nothing the person sees.
TEST(WizardPagesTest, ActivatingTheBackdropAgainChangesNothingVisible) {
  TestMachine machine;
  XpWithPerson(machine,
               "state = TForm2 | visible\r\n"
               "activate = TForm1\r\n"
               "see = TForm2.Memo1 | Welcome!\r\n"
               "state = TForm2.Back | disabled\r\n"
               "click = TForm2.Next\r\n"
               "activate = TForm1\r\n"
               "see = TForm2.Memo1 | Start to Setup!\r\n"
               "state = TForm2.Back | enabled visible\r\n"
               "state = TForm2.DriversGroupBox | visible\r\n"
               "click = TForm2.Next\r\n"
               "click = TForm2.Next\r\n"
               "state = TForm3 | visible\r\n"
               "activate = TForm1\r\n"
               "state = TForm2 | hidden\r\n"
               "state = TForm3 | visible\r\n"
               "click = TForm3.Cancel\r\n");
  RunResult run = machine.Run({});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(run.err, "");
  std::string screen = machine.ReadFile("screen.txt");
  // One showing of the wizard, inside the backdrop.
  size_t shown = screen.find("shown TForm2");
  ASSERT_NE(shown, std::string::npos);
  EXPECT_EQ(screen.find("shown TForm2", shown + 1), std::string::npos);
  EXPECT_NE(screen.find("TForm2 is inside TForm1"), std::string::npos);
  EXPECT_NE(screen.find("activate = TForm1"), std::string::npos);
}

TEST(WizardPagesTest, NoBoxTickedKeepsTheChoicePageAndTheNextChoiceInstalls) {
  TestMachine machine;
  XpWithPerson(machine,
               "click = TForm2.Next\r\n"
               "untick = TForm2.MSCheckBox\r\n"
               "untick = TForm2.SDCheckBox\r\n"
               "untick = TForm2.SCCheckBox\r\n"
               "click = TForm2.Next\r\n"
               "see = TForm2.Memo1 | Start to Setup!\r\n"
               "state = TForm2.DriversGroupBox | visible\r\n"
               "tick = TForm2.MSCheckBox\r\n"
               "click = TForm2.Next\r\n"
               "see = TForm2.Memo1 | Setup complete!\r\n"
               "see = TForm2.Memo2 | The setup program has finished copying files to your "
               "computer.\r\n"
               "see = TForm2.Memo3 | Click Finish to complete setup.Please restart your "
               "computer.\r\n"
               "see = TForm2.Next | Finish\r\n"
               "state = TForm2.Back | disabled\r\n"
               "state = TForm2.Next | enabled\r\n"
               "state = TForm2.DriversGroupBox | hidden\r\n"
               "click = TForm2.Next\r\n"
               "state = TForm2 | hidden\r\n"
               "state = TForm3 | visible\r\n"
               "see = TForm3.Memo1 | Setup program has finished copying TALVEX drivers on your "
               "computer and needs to restart your computer now. Click Reboot to restart your "
               "computer.\r\n"
               "click = TForm3.Cancel\r\n");
  RunResult run = machine.Run({});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(run.err, "[Setup] Please Choose Setup Drivers!!\n");
  EXPECT_EQ(InfPath(machine, kMsPath), "D:\\SETUP\\auto\\winxp\\KVMS.INF");
  EXPECT_EQ(InfPath(machine, kSdPath), "<missing>");
  EXPECT_EQ(machine.ReadFile("d/SETUP/log.txt"), kFailure);
  std::string screen = machine.ReadFile("screen.txt");
  EXPECT_NE(screen.find("message box [Setup] Please Choose Setup Drivers!!"), std::string::npos);
  EXPECT_NE(screen.find("shown TForm3 \"Install\""), std::string::npos);
}

TEST(WizardPagesTest, UnsupportedVersionsSayItAfterTheChoiceAndEnd) {
  struct Case {
    std::string keys;
    std::string box;
  };
  const Case cases[] = {
      {testing::WindowsNt4Keys(),
       "[Setup] Korvane TALV/EX drivers setup program does't suport this Windows Version\n"},
      {"", "[Setup] Korvane TALVEX drivers setup program does't suport this Windows Version\n"},
  };
  for (const Case& c : cases) {
    TestMachine machine;
    machine.Registry(c.keys + AllThreeFunctions())
        .Package()
        .Ini(
            "[user]\r\nclick = TForm2.Next\r\nsee = TForm2.Memo1 | Start to Setup!\r\n"
            "click = TForm2.Next\r\n");
    RunResult run = machine.Run({});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, c.box);
    EXPECT_EQ(InfPath(machine, kMsPath), "<missing>");
  }
}

TEST(WizardPagesTest, CancelAndClosingEndEveryPageWithOneAndNoRestart) {
  const std::string toPage[] = {
      "",
      "click = TForm2.Next\r\n",
      "click = TForm2.Next\r\nclick = TForm2.Next\r\nsee = TForm2.Next | Finish\r\n",
  };
  const std::string endings[] = {"click = TForm2.Cancel\r\n", "close = TForm2\r\n",
                                 "close = TForm1\r\n"};
  for (const std::string& page : toPage) {
    for (const std::string& ending : endings) {
      TestMachine machine;
      XpWithPerson(machine, page + ending);
      RunResult run = machine.Run({});
      EXPECT_EQ(run.exitCode, 1) << page << ending << run.err;
      EXPECT_EQ(run.err, "") << page << ending;
      EXPECT_EQ(machine.ReadFile("d/SETUP/log.txt"), kFailure);
    }
  }
}

const char kToRebootPrompt[] =
    "click = TForm2.Next\r\nclick = TForm2.Next\r\nclick = TForm2.Next\r\n"
    "state = TForm3 | visible\r\n";

// The drive-icon reset opens the SD driver's parameters key each time it runs: the journal counts
// the resets, which leave the same registry however often they run.
size_t DriveIconResets(TestMachine& machine) {
  size_t resets = 0;
  for (const std::string& line :
       testing::JournalLines(machine.ReadFile("journal.txt"), {"RegOpenKeyA", "RegOpenKeyExA"}))
    if (line.find("KVSD\\Parameters") != std::string::npos)
      ++resets;
  return resets;
}

TEST(WizardPagesTest, TheDriveIconsAreResetAfterTheEngineAndAgainOnFinish) {
  // The engine alone, as the unattended run has it.
  TestMachine unattended;
  XpWithPerson(unattended, "", "journal = journal.txt\r\n");
  EXPECT_EQ(unattended.Run({"-s"}).exitCode, 1);

  TestMachine finished;
  XpWithPerson(finished,
               "click = TForm2.Next\r\nclick = TForm2.Next\r\n"
               "see = TForm2.Memo1 | Setup complete!\r\nclose = TForm2\r\n",
               "journal = journal.txt\r\n");
  EXPECT_EQ(finished.Run({}).exitCode, 1);
  EXPECT_EQ(DriveIconResets(finished), DriveIconResets(unattended) + 1);

  TestMachine rebootPrompt;
  XpWithPerson(rebootPrompt, std::string(kToRebootPrompt) + "close = TForm3\r\n",
               "journal = journal.txt\r\n");
  EXPECT_EQ(rebootPrompt.Run({}).exitCode, 1);
  EXPECT_EQ(DriveIconResets(rebootPrompt), DriveIconResets(finished) + 1);
}

// A failed search or copy is told in a box; what was installed still needs the restart, so the
// road goes on: the second drive-icon reset, the Finish page, the reboot prompt.
TEST(WizardPagesTest, AFailureIsToldThenFinishAndTheRestartFollow) {
  struct Case {
    const char* name;
    std::string registry;
    bool win98;
    std::string failure;
    std::string box;
    const char* installedInf;  // the Memory Stick device's InfPath afterwards
  };
  const Case cases[] = {
      {"a start-up search for a function then absent",
       testing::WindowsXpKeys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}) +
           DeviceKey("Root\\SD\\0", {"*KVE0517"}),
       false, "SetupDiGetClassDevsA = call 1",
       "[Setup] Setup could not finish looking for the Smart Card function of the TALVEX chip: "
       "it may be present without its driver.\\nThe installation is incomplete.\n",
       "D:\\SETUP\\auto\\winxp\\KVMS.INF"},
      // Searches 7 to 9 are the Memory Stick step's (*KVE0515, GenDisk, *KVE0516); the tenth
      // looks for the SD card.
      {"an engine search for a chosen driver", testing::WindowsXpKeys() + AllThreeFunctions(),
       false, "SetupDiGetClassDevsA = call 10",
       "[Setup] Setup could not install the SD Memory Card driver completely.\\nThe "
       "installation is incomplete.\n",
       "D:\\SETUP\\auto\\winxp\\KVMS.INF"},
      {"a file copy on Windows 98",
       testing::Windows98Keys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}), true,
       "SetupInstallFileA C:\\WINDOWS\\kvmsicon.ico = always",
       "[Setup] Setup could not install the Memory Stick driver completely.\\nThe "
       "installation is incomplete.\n",
       "<no key>"},  // removed for Windows to find it again
  };
  for (const Case& c : cases) {
    TestMachine machine;
    machine.Registry(c.registry);
    if (c.win98)
      machine.Windows98Package();
    else
      machine.Package();
    machine.Ini("journal = journal.txt\r\n[failures]\r\n" + c.failure +
                "\r\n[user]\r\nclick = TForm2.Next\r\nclick = TForm2.Next\r\n"
                "see = TForm2.Memo1 | Setup complete!\r\nsee = TForm2.Next | Finish\r\n"
                "click = TForm2.Next\r\nstate = TForm2 | hidden\r\n"
                "state = TForm3 | visible\r\nclick = TForm3.OK\r\n");
    RunResult run = machine.Run({});
    EXPECT_EQ(run.exitCode, 0) << c.name << ": " << run.err;
    EXPECT_EQ(run.err, c.box + "[Windows] restart\n") << c.name;
    EXPECT_EQ(InfPath(machine, kMsPath), c.installedInf) << c.name;
    if (c.win98) {
      EXPECT_TRUE(machine.Exists("c/WINDOWS/system/IOSUBSYS/kvms.pdr")) << c.name;
    }
    // The box comes before the finished page.
    std::string screen = machine.ReadFile("screen.txt");
    size_t box = screen.find("message box " + c.box.substr(0, c.box.size() - 1));
    EXPECT_NE(box, std::string::npos) << c.name;
    EXPECT_LT(box, screen.find("Setup complete!")) << c.name;
    EXPECT_EQ(machine.ReadFile("d/SETUP/log.txt"), kFailure) << c.name;
  }
}

// The wizard's own two resets (after the engine and on Finish) happen after a failure too.
TEST(WizardPagesTest, AFailureKeepsBothOfTheWizardsDriveIconResets) {
  const std::string failure = "[failures]\r\nSetupDiGetClassDevsA = call 10\r\n";
  TestMachine unattended;
  XpWithPerson(unattended, "", "journal = journal.txt\r\n" + failure);
  EXPECT_EQ(unattended.Run({"-s"}).exitCode, 1);
  EXPECT_EQ(unattended.ReadFile("d/SETUP/log.txt"), kFailure);

  TestMachine interactive;
  XpWithPerson(interactive, std::string(kToRebootPrompt) + "close = TForm3\r\n",
               "journal = journal.txt\r\n" + failure);
  EXPECT_EQ(interactive.Run({}).exitCode, 1);
  EXPECT_EQ(DriveIconResets(interactive), DriveIconResets(unattended) + 2);
}

TEST(RebootTest, RestartsWindowsNtWithThePrivilegeAndWindowsMeWithoutAToken) {
  TestMachine xp;
  XpWithPerson(xp, std::string(kToRebootPrompt) + "click = TForm3.OK\r\n");
  RunResult run = xp.Run({});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "[Windows] restart\n");
  EXPECT_EQ(xp.ReadFile("d/SETUP/log.txt"), kFailure);

  TestMachine me;
  me.Registry(testing::WindowsMeKeys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}))
      .Package()
      .Ini(std::string("[user]\r\n") + kToRebootPrompt + "click = TForm3.OK\r\n");
  run = me.Run({});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "[Windows] restart\n");
}

TEST(RebootTest, ARefusedRestartLeavesThePromptForCancel) {
  const char* refusals[] = {
      "OpenProcessToken = always\r\n",      "LookupPrivilegeValueA = always\r\n",
      "AdjustTokenPrivileges = always\r\n", "AdjustTokenPrivileges = always error 5\r\n",
      "ExitWindowsEx = always\r\n",
  };
  for (const char* refusal : refusals) {
    TestMachine machine;
    XpWithPerson(machine,
                 std::string(kToRebootPrompt) +
                     "click = TForm3.OK\r\nstate = TForm3.OK | visible enabled\r\n"
                     "click = TForm3.OK\r\nclick = TForm3.Cancel\r\n",
                 std::string("[failures]\r\n") + refusal);
    RunResult run = machine.Run({});
    EXPECT_EQ(run.exitCode, 1) << refusal << run.err;
    EXPECT_EQ(run.err, "") << refusal;
  }
}

TEST(RebootTest, ClosingThePromptEndsWithOne) {
  TestMachine machine;
  XpWithPerson(machine, std::string(kToRebootPrompt) + "close = TForm3\r\n");
  RunResult run = machine.Run({});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "");
}

}  // namespace
}  // namespace talvex
