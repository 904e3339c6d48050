// The person's [user] lines: what makes a machine unusable, and how a run that cannot go on
// ends.
#include <gtest/gtest.h>

#include "tests/unit/support/test_machine.h"

namespace talvex {
namespace {

using testing::DeviceKey;
using testing::RunResult;
using testing::TestMachine;

TestMachine& XpWith(TestMachine& machine, const std::string& user) {
  machine.Registry(testing::WindowsXpKeys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}))
      .Package()
      .Ini("[user]\r\nclick = TForm2.Next\r\n" + user);
  return machine;
}

TEST(UserScriptTest, AnUnusableLineStopsTheRunBeforeTheProgramStarts) {
  struct Case {
    const char* line;
    const char* says;
  };
  const Case cases[] = {
      {"press = TForm2.Next", "unknown action 'press'"},
      {"click = TForm9.Next", "no window TForm9"},
      {"click = TForm2.Finish", "TForm2 has no control Finish"},
      {"click = TForm2", "names a window, not a control"},
      {"click = TForm2.", "names no control"},
      {"see = TForm2.Memo1 Welcome!", "needs '<what> | <text>'"},
      {"wait = soon", "wait takes milliseconds"},
      {"state = TForm2.Back | greyed", "unknown state 'greyed'"},
      {"state = TForm2.Back |", "at least one word"},
      {"close = TForm2.Cancel", "close takes a window"},
  };
  for (const Case& c : cases) {
    TestMachine machine;
    XpWith(machine, std::string(c.line) + "\r\n");
    std::string registryBefore;
    RunResult run = machine.Run({});
    EXPECT_EQ(run.exitCode, 2) << c.line;
    // machine.ini: [machine], program, [user], the first click, then this line.
    EXPECT_NE(run.err.find("[user] line 5: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_FALSE(machine.Exists("d/SETUP/log.txt"));
    EXPECT_FALSE(machine.Exists("screen.txt"));
  }
}

TEST(UserScriptTest, ARunThatCannotGoOnEndsWithFourOrFive) {
  struct Case {
    const char* lines;
    int code;
    const char* says;
  };
  const Case cases[] = {
      {"see = TForm2.Memo1 | Goodbye!\r\n", 5,
       "[user] line 5 (see = TForm2.Memo1 | Goodbye!) does not hold"},
      {"state = TForm2.MSCheckBox | unchecked\r\n", 5, "does not hold"},
      // Back is disabled on the finished page.
      {"click = TForm2.Next\r\nclick = TForm2.Back\r\n", 4,
       "[user] line 6 (click = TForm2.Back) cannot be taken"},
      {"tick = TForm2.MSCheckBox\r\n", 4, "cannot be taken"},
      {"", 4, "no [user] action left"},
  };
  for (const Case& c : cases) {
    TestMachine machine;
    XpWith(machine, c.lines);
    RunResult run = machine.Run({});
    EXPECT_EQ(run.exitCode, c.code) << c.lines;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("windows shown: TForm1 \"Korvane Electronics Corp. TALVEX "
                           "Installation\", TForm2"),
              std::string::npos)
        << run.err;
  }
}

// Each state word is one property: on the Welcome page the driver boxes are hidden with their
// group, and still say whether they are ticked and enabled; only a visible box can be clicked.
TEST(UserScriptTest, StateWordsAreOnePropertyEachAndActionsNeedAVisibleControl) {
  TestMachine holds;
  holds.Registry(testing::WindowsXpKeys() + DeviceKey("Root\\SC\\0", {"*KVE0513"}))
      .Package()
      .Ini(
          "[user]\r\nstate = TForm2.DriversGroupBox | hidden enabled\r\n"
          "state = TForm2.SCCheckBox | checked enabled hidden\r\n"
          "state = TForm2.MSCheckBox | unchecked disabled hidden\r\n"
          "state = TForm2 | visible enabled\r\nclose = TForm2\r\n");
  RunResult run = holds.Run({});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(run.err, "");

  const char* fails[] = {"state = TForm2.SCCheckBox | disabled\r\n",
                         "state = TForm2.SCCheckBox | visible\r\n"};
  for (const char* line : fails) {
    TestMachine machine;
    machine.Registry(testing::WindowsXpKeys() + DeviceKey("Root\\SC\\0", {"*KVE0513"}))
        .Package()
        .Ini(std::string("[user]\r\n") + line);
    EXPECT_EQ(machine.Run({}).exitCode, 5) << line;
  }

  TestMachine hidden;
  hidden.Registry(testing::WindowsXpKeys() + DeviceKey("Root\\SC\\0", {"*KVE0513"}))
      .Package()
      .Ini("[user]\r\nuntick = TForm2.SCCheckBox\r\n");
  run = hidden.Run({});
  EXPECT_EQ(run.exitCode, 4);
  EXPECT_NE(run.err.find("(untick = TForm2.SCCheckBox) cannot be taken"), std::string::npos)
      << run.err;
}

// A click on a window that may not come: taken when the warning shows, passed over when the
// program reaches its message loop without it.
TEST(UserScriptTest, AClickIfShownWaitsForTheWindowOrPassesOverIt) {
  const std::string person =
      "[user]\r\nclick = TForm2.Next\r\nclick = TForm2.Next\r\n"
      "click if shown = TForm5.OK\r\nsee = TForm2.Memo1 | Setup complete!\r\nclose = TForm2\r\n";
  TestMachine warned;  // Windows Me without the smart card components or their installers
  warned
      .Registry(testing::WindowsMeKeys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}) +
                DeviceKey("Root\\SC\\0", {"*KVE0513"}))
      .Package()
      .Ini(person);
  RunResult run = warned.Run({});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_NE(warned.ReadFile("screen.txt").find("shown TForm5"), std::string::npos);
  EXPECT_NE(run.err.find("[Error] You did not install"), std::string::npos) << run.err;

  TestMachine quiet;
  quiet.Registry(testing::WindowsXpKeys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}))
      .Package()
      .Ini(person);
  run = quiet.Run({});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(run.err, "");
}

TEST(UserScriptTest, TheScreenTranscriptFollowsAnInteractiveRunOnly) {
  TestMachine machine;
  XpWith(machine, "close = TForm1\r\n");
  RunResult run = machine.Run({});
  EXPECT_EQ(run.exitCode, 1);
  std::string screen = machine.ReadFile("screen.txt");
  for (const char* part :
       {"shown TForm1 \"Korvane Electronics Corp. TALVEX Installation\"", "TForm2 is inside TForm1",
        "line 4: click = TForm2.Next", "MSCheckBox (TCheckBox) \"Memory Stick Driver\" checked",
        "SDCheckBox (TCheckBox) \"SD Memory Card Driver\" unchecked disabled",
        "line 5: close = TForm1"})
    EXPECT_NE(screen.find(part), std::string::npos) << part;

  TestMachine unattended;
  XpWith(unattended, "");
  EXPECT_EQ(unattended.Run({"-s"}).exitCode, 1);
  EXPECT_FALSE(unattended.Exists("screen.txt"));
}

}  // namespace
}  // namespace talvex
