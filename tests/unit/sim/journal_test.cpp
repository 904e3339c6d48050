// The machine's journal: what a run writes to it, its line format, and a journal that cannot be
// written.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "platform/processes.h"
#include "platform/sim/journal.h"
#include "platform/winconst.h"
#include "tests/unit/support/test_machine.h"

namespace talvex {
namespace {

using sim::JournalLine;
using sim::JournalName;
using testing::DeviceKey;
using testing::JournalLines;
using testing::RunResult;
using testing::TestMachine;

size_t IndexOf(const std::vector<std::string>& lines, const std::string& start) {
  auto it = std::find_if(lines.begin(), lines.end(),
                         [&](const std::string& line) { return line.rfind(start, 0) == 0; });
  return static_cast<size_t>(it - lines.begin());
}

void XpMachine(TestMachine& machine) {
  machine.Registry(testing::WindowsXpKeys() + DeviceKey("Root\\MS\\0", {"*KVE0515"})).Package();
}

TEST(JournalTest, AnUnattendedRunIsWrittenCallByCallInTheOrderMade) {
  TestMachine machine;
  XpMachine(machine);
  machine.Ini("journal = journal.txt\n");
  RunResult run = machine.Run({"-s"});
  ASSERT_EQ(run.exitCode, 1) << run.err;
  std::vector<std::string> lines = JournalLines(machine.ReadFile("journal.txt"));
  ASSERT_GT(lines.size(), 20u);

  // Every line has its operation (newdev.<step> for what a driver update does), a result and the
  // last error after the call.
  const std::regex shape(R"(^[A-Za-z][A-Za-z:.]* .*-> \S+.* lasterror=(\d{1,5}|0x[0-9A-F]{8})$)");
  for (const std::string& line : lines)
    EXPECT_TRUE(std::regex_match(line, shape)) << line;

  EXPECT_EQ(lines.front(),
            "GetModuleFileNameA module=null -> 18 path=\"D:\\SETUP\\Setup.exe\" lasterror=0");
  EXPECT_EQ(lines.back(), "ExitProcess code=1 -> void lasterror=0");
  const std::string failure =
      "CreateFileA path=\"D:\\SETUP\\log.txt\" access=GENERIC_WRITE disposition=CREATE_ALWAYS "
      "data=\"error = 1^M^Jrestart = 0^M^J\" -> TRUE";
  const std::string success =
      "CreateFileA path=\"D:\\SETUP\\log.txt\" access=GENERIC_WRITE disposition=CREATE_ALWAYS "
      "data=\"error = 0^M^Jrestart = 1^M^J\" -> TRUE";
  const std::string update =
      "UpdateDriverForPlugAndPlayDevicesA parent=0x0 id=\"*KVE0515\" "
      "inf=\"D:\\SETUP\\auto\\winxp\\KVMS.INF\" flags=INSTALLFLAG_FORCE -> TRUE reboot=0 "
      "lasterror=0";
  size_t failureAt = IndexOf(lines, failure);
  size_t searchAt = IndexOf(lines, "SetupDiGetClassDevsA ");
  size_t updateAt = IndexOf(lines, update);
  size_t successAt = IndexOf(lines, success);
  EXPECT_LT(failureAt, searchAt);
  EXPECT_LT(searchAt, updateAt);
  EXPECT_LT(updateAt, successAt);
  EXPECT_EQ(successAt, lines.size() - 2);
  // What the program printed is in the journal too, as the bytes it wrote.
  EXPECT_NE(IndexOf(lines, "WriteFile handle=STD_OUTPUT_HANDLE data=\"Found! [*KVE0515]^J\" -> 18"),
            lines.size());
  // Registry keys are named by their path, devices by their instance key.
  EXPECT_NE(IndexOf(lines,
                    "SetupDiGetDeviceRegistryPropertyA "
                    "device=\"SYSTEM\\CurrentControlSet\\Enum\\Root\\MS\\0\" "
                    "property=SPDRP_HARDWAREID buffer=yes size=200 -> TRUE "
                    "type=REG_MULTI_SZ required=10 data=\"*KVE0515^@^@\""),
            lines.size());
}

TEST(JournalTest, FailedCallsShowTheirResultAndLastError) {
  TestMachine machine;
  XpMachine(machine);
  machine.Ini(
      "journal = journal.txt\n[failures]\n"
      "UpdateDriverForPlugAndPlayDevicesA *KVE0515 = always error 0xE000020B\n");
  RunResult run = machine.Run({"-s"});
  ASSERT_EQ(run.exitCode, 6) << run.err;
  std::vector<std::string> lines = JournalLines(
      machine.ReadFile("journal.txt"), {"UpdateDriverForPlugAndPlayDevicesA", "ExitProcess"});
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0],
            "UpdateDriverForPlugAndPlayDevicesA parent=0x0 id=\"*KVE0515\" "
            "inf=\"D:\\SETUP\\auto\\winxp\\KVMS.INF\" flags=INSTALLFLAG_FORCE -> FALSE reboot=0 "
            "lasterror=0xE000020B");
  EXPECT_EQ(lines[1].rfind("ExitProcess code=6 -> void", 0), 0u) << lines[1];
}

TEST(JournalTest, ValuesAreWrittenSoThatEveryLineParsesBack) {
  JournalLine line("Op");
  line.Text("text", std::string("a\"b^c\r\n\0\x7F\xE9", 10))
      .Text("none", static_cast<const char*>(nullptr))
      .Code("small", 65535)
      .Code("large", 65536)
      .Handle("handle", 0x5000);
  static constexpr JournalName kFlags[] = {{0x1, "ONE"}, {0x4, "FOUR"}};
  line.Flags("some", 0x5, kFlags).Flags("unnamed", 0x12, kFlags).Flags("none", 0, kFlags);
  line.Named("known", 4, kFlags).Named("unknown", 0xE000020B, kFlags).Result(false);
  EXPECT_EQ(line.text(),
            "Op text=\"a\"\"b^^c^M^J^@^?\xE9\" none=null small=65535 large=0x00010000 "
            "handle=0x5000 some=ONE|FOUR unnamed=0x12 none=0 known=FOUR unknown=0xE000020B "
            "-> FALSE");
  JournalLine mixed("Op");
  mixed.Flags("mixed", 0x3, kFlags);
  EXPECT_EQ(mixed.text(), "Op mixed=ONE|0x2");
}

TEST(JournalTest, WithoutAJournalNothingIsWrittenAndALoadedMachineShowsItsCallsWhenFlushed) {
  TestMachine quiet;
  XpMachine(quiet);
  EXPECT_EQ(quiet.Run({"-s"}).exitCode, 1);
  EXPECT_FALSE(quiet.Machine().journal().on());

  // An absolute path; the lines are there once the machine is looked at.
  TestMachine machine;
  XpMachine(machine);
  std::string file = (machine.folder() / "elsewhere.txt").string();
  machine.Ini("journal = " + file + "\n");
  Platform& platform = machine.Machine().platform();
  platform.errors.SetLastError(win::ERROR_ACCESS_DENIED);
  char folder[260];
  EXPECT_EQ(platform.folders.GetWindowsDirectoryA(folder, 4), 11u);
  machine.ReadFile("registry.reg");  // looking at the machine flushes it
  EXPECT_EQ(JournalLines(machine.ReadFile("elsewhere.txt")),
            (std::vector<std::string>{
                "SetLastError code=5 -> void lasterror=5",
                "GetWindowsDirectoryA size=4 -> 11 lasterror=5",
            }));
}

TEST(JournalTest, EachStartedInstallerGetsTheProgramsStartupInformationWhole) {
  TestMachine machine;
  machine.Registry(testing::WindowsMeKeys() + DeviceKey("Root\\SC\\0", {"*KVE0513"}))
      .Package()
      .File("c/WINDOWS/system/.keep", "")
      .File("d/SETUP/smclib.exe", "stand-in")
      .File("d/SETUP/scbase.exe", "stand-in");
  machine.Ini("journal = journal.txt\n");
  RunResult run = machine.Run({"-s"});
  ASSERT_EQ(run.exitCode, 1) << run.err;
  std::vector<std::string> lines =
      JournalLines(machine.ReadFile("journal.txt"), {"GetStartupInfoA", "CreateProcessA"});
  // The machine's own record, every field of it, as each installer was given it.
  const std::string record =
      "cb=68 lpReserved=null lpDesktop=\"WinSta0\\Default\" lpTitle=\"D:\\SETUP\\Setup.exe\" "
      "dwX=0 dwY=0 dwXSize=0 dwYSize=0 dwXCountChars=0 dwYCountChars=0 dwFillAttribute=0 "
      "dwFlags=STARTF_USESHOWWINDOW wShowWindow=SW_SHOWNORMAL cbReserved2=0 lpReserved2=null "
      "hStdInput=0x0 hStdOutput=0x0 hStdError=0x0";
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "GetStartupInfoA -> void lasterror=0",
                       "CreateProcessA application=\"D:\\SETUP\\smclib.exe\" commandline=\" /Q\" "
                       "inherit=FALSE flags=HIGH_PRIORITY_CLASS " +
                           record + " -> TRUE process=0x7000 thread=0x7001 pid=256 lasterror=0",
                       "GetStartupInfoA -> void lasterror=0",
                       "CreateProcessA application=\"D:\\SETUP\\scbase.exe\" commandline=\" /Q\" "
                       "inherit=FALSE flags=HIGH_PRIORITY_CLASS " +
                           record + " -> TRUE process=0x7002 thread=0x7003 pid=260 lasterror=0",
                   }));
}

TEST(JournalTest, CreateProcessShowsEveryFieldOfTheRecordItWasGiven) {
  TestMachine machine;
  XpMachine(machine);
  machine.File("d/SETUP/tool.exe", "stand-in").Ini("journal = journal.txt\n");
  Platform& platform = machine.Machine().platform();
  char reserved[] = "shell";
  char desktop[] = "WinSta0\\Other";
  uint8_t block[] = {0x02, 0x00, 0x00, 0x00, 0x41, 0xFF};
  StartupInfo info;
  info.cb = 68;
  info.lpReserved = reserved;
  info.lpDesktop = desktop;  // and no title
  info.dwX = 10;
  info.dwY = 20;
  info.dwXSize = 640;
  info.dwYSize = 480;
  info.dwXCountChars = 80;
  info.dwYCountChars = 25;
  info.dwFillAttribute = 0x1F;
  info.dwFlags = 0x100 | 0x10 | 0x4 | 0x400;  // standard handles, fill, position, an unnamed bit
  info.wShowWindow = 7;
  info.cbReserved2 = sizeof block;
  info.lpReserved2 = block;
  info.hStdInput = 0x10;
  info.hStdOutput = 0x14;
  info.hStdError = 0x18;
  ProcessInformation started;
  ASSERT_TRUE(
      platform.processes.CreateProcessA("D:\\SETUP\\tool.exe", "tool", true, 0, info, &started));
  EXPECT_EQ(JournalLines(machine.ReadFile("journal.txt"), {"CreateProcessA"}),
            (std::vector<std::string>{
                "CreateProcessA application=\"D:\\SETUP\\tool.exe\" commandline=\"tool\" "
                "inherit=TRUE flags=0 cb=68 lpReserved=\"shell\" lpDesktop=\"WinSta0\\Other\" "
                "lpTitle=null dwX=10 dwY=20 dwXSize=640 dwYSize=480 dwXCountChars=80 "
                "dwYCountChars=25 dwFillAttribute=31 "
                "dwFlags=STARTF_USEPOSITION|STARTF_USEFILLATTRIBUTE|STARTF_USESTDHANDLES|0x400 "
                "wShowWindow=SW_SHOWMINNOACTIVE cbReserved2=6 lpReserved2=hex:02,00,00,00,41,ff "
                "hStdInput=0x10 hStdOutput=0x14 hStdError=0x18 -> TRUE process=0x7000 "
                "thread=0x7001 pid=256 lasterror=0",
            }));
}

TEST(JournalTest, AJournalThatCannotBeCreatedLeavesTheMachineUntouchedWithExitCodeTwo) {
  for (const std::string& setting :
       {std::string("journal = no such folder/journal.txt\n"), std::string("journal =\n")}) {
    TestMachine machine;
    XpMachine(machine);
    machine.Ini(setting);
    RunResult run = machine.Run({"-s"});
    EXPECT_EQ(run.exitCode, 2) << setting;
    EXPECT_NE(run.err.find("journal"), std::string::npos) << run.err;
    EXPECT_FALSE(machine.Exists("d/SETUP/log.txt")) << setting;
  }
  // Refused for another reason: the journal is not even created.
  TestMachine machine;
  XpMachine(machine);
  machine.Ini("journal = journal.txt\n[user]\nclick = TForm2.NoSuchButton\n");
  EXPECT_EQ(machine.Run({}).exitCode, 2);
  EXPECT_FALSE(machine.Exists("journal.txt"));
}

}  // namespace
}  // namespace talvex
