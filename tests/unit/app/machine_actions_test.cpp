// The person at the machine changes folders and media during a whole interactive run: the
// changes reach the machine's drives and the shell announces them to the source disk prompt's
// tree; lines the machine cannot use end the run with exit code 2 and the line number.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "platform/winconst.h"
#include "tests/unit/support/test_machine.h"

namespace talvex {
namespace {

using testing::DeviceKey;
using testing::RunResult;
using testing::TestMachine;

void XpWithPerson(TestMachine& machine, const std::string& user) {
  machine.Registry(testing::WindowsXpKeys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}))
      .Package()
      .Folder("c/Data/Old")
      .Folder("c/Data/Gone")
      .Ini("[drives]\r\nE: = cdrom empty\r\nF: = removable | OLD\r\n[user]\r\n" + user);
}

TEST(MachineActionsTest, FolderAndMediaChangesReachTheDrivesAndThePromptsTree) {
  TestMachine machine;
  XpWithPerson(machine,
               "see = TForm2.Memo1 | Welcome!\r\n"
               "mkdir = C:\\Data\\New\r\n"
               "rmdir = c:\\data\\gone\r\n"
               "rename = C:\\Data\\Old | C:\\Data\\Renamed\r\n"
               "insert = e: | DRIVERS\r\n"
               "eject = F:\r\n"
               "close = TForm2\r\n");
  RunResult run = machine.Run({});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(machine.Exists("c/Data/New"));
  EXPECT_FALSE(machine.Exists("c/Data/Gone"));
  EXPECT_FALSE(machine.Exists("c/Data/Old"));
  EXPECT_TRUE(machine.Exists("c/Data/Renamed"));

  // The hidden prompt's tree is registered from the start: each change is posted to it and
  // delivered while the program waits for the person.
  sim::SimShell& shell = machine.Machine().shell();
  std::vector<std::string> seen;
  for (const sim::ShellNotification& notification : shell.notifications()) {
    EXPECT_TRUE(notification.delivered) << notification.path1;
    seen.push_back(std::to_string(notification.lParam & 0xFFFFFF) + " " + notification.path1 +
                   (notification.path2.empty() ? "" : " > " + notification.path2));
  }
  EXPECT_EQ(seen,
            (std::vector<std::string>{
                std::to_string(win::SHCNE_MKDIR) + " C:\\Data\\New",
                std::to_string(win::SHCNE_RMDIR) + " C:\\Data\\Gone",
                std::to_string(win::SHCNE_RENAMEFOLDER) + " C:\\Data\\Old > C:\\Data\\Renamed",
                std::to_string(win::SHCNE_MEDIAINSERTED) + " E:\\",
                std::to_string(win::SHCNE_MEDIAREMOVED) + " F:\\",
            }));
}

TEST(MachineActionsTest, MalformedValuesAndPlacesNotOnTheMachineMakeItUnusable) {
  const std::vector<std::string> bad = {
      "mkdir = Data\\New",       // not a full path
      "mkdir = C:",              // a drive, no folder
      "rmdir = C:\\\\Data",      // an empty name after the root
      "mkdir = Q:\\Data",        // no drive Q:
      "rename = C:\\Data\\Old",  // no new name
      "rename = C:\\Data\\Old | Renamed",
      "insert = C: | LABEL",  // a fixed disk takes no medium
      "insert = E",           // not a drive
      "eject = Q:",           // no such drive
      "eject = ",
  };
  for (const std::string& line : bad) {
    TestMachine machine;
    XpWithPerson(machine, "see = TForm2.Memo1 | Welcome!\r\nmkdir = C:\\Data\\First\r\n" + line +
                              "\r\nclose = TForm2\r\n");
    RunResult run = machine.Run({});
    EXPECT_EQ(run.exitCode, 2) << line;
    // machine.ini: [machine], its program line, [drives] and two drives, [user] and two lines.
    EXPECT_NE(run.err.find("[user] line 9: "), std::string::npos) << line << ": " << run.err;
    EXPECT_FALSE(machine.Exists("c/Data/First")) << line;
    EXPECT_FALSE(machine.Exists("d/SETUP/log.txt")) << line;
  }
}

TEST(MachineActionsTest, AChangeTheMachineCannotMakeAtItsTurnEndsTheRunWithItsLine) {
  TestMachine machine;
  XpWithPerson(machine,
               "see = TForm2.Memo1 | Welcome!\r\n"
               "mkdir = C:\\Data\\New\r\n"
               "mkdir = C:\\DATA\\NEW\r\n"
               "close = TForm2\r\n");
  RunResult run = machine.Run({});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err,
            "talvex-setup: machine.ini [user] line 9 (mkdir = C:\\DATA\\NEW) cannot be carried "
            "out: C:\\DATA\\NEW exists already\n");
  // What the person did before stays done.
  EXPECT_TRUE(machine.Exists("c/Data/New"));
}

}  // namespace
}  // namespace talvex
