// Failure injection refuses what it cannot apply, counts every rule on its own, and knows every
// operation by a name of its own.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "platform/ascii_text.h"
#include "platform/sim/failure_plan.h"
#include "platform/sim/machine.h"
#include "platform/winconst.h"
#include "tests/unit/support/test_machine.h"

namespace talvex::sim {
namespace {

using testing::TestMachine;

FailurePlan Plan(const std::string& rules) {
  return FailurePlan::FromIni(IniFile::Parse("[failures]\n" + rules));
}

TEST(FailureRulesTest, RulesTheMachineCannotApplyAreRefusedWithTheirLine) {
  const char* refused[] = {
      "RegOpenKey = always\n",                     // no such operation
      "GetWindowsDirectory = always\n",            // the A is part of the name
      "GetWindowsDirectoryA C:\\ = always\n",      // takes no argument
      "SetupDiEnumDeviceInfo 3 = call 1\n",        // takes no argument
      "CreateFileA x = from 2\n",                  // "from" needs "call"
      "CreateFileA x = call 1 always\n",           // two counts
      "CreateFileA x = always error 5 error 6\n",  // two codes
      "CreateFileA x = call -1\n",
      "CreateFileA x = call 1x\n",
      "LoadLibraryA newdev = always\n",  // names no library the machine loads
      "LoadLibraryA kernel32.dll = always\n",
      "SHGetSpecialFolderLocation Drives = always\n",  // a CSIDL is a number
      "SHGetSpecialFolderLocation 017 = always\n",
  };
  for (const char* rule : refused) {
    try {
      Plan("; first rule on line 2\n" + std::string(rule));
      ADD_FAILURE() << "accepted: " << rule;
    } catch (const IniError& error) {
      EXPECT_NE(std::string(error.what()).find("line 3"), std::string::npos) << error.what();
    }
  }
}

TEST(FailureRulesTest, ArgumentsOfClosedFormsAreAcceptedInEveryWrittenCase) {
  FailurePlan plan = Plan(
      "LoadLibraryA NEWDEV.DLL = always\nLoadLibraryA Shell32.dll = call 1\n"
      "SHGetSpecialFolderLocation 0 = always\nSHGetSpecialFolderLocation 17 = always\n");
  EXPECT_TRUE(plan.Check("LoadLibraryA", "newdev.dll", 126));
  EXPECT_TRUE(plan.Check("LoadLibraryA", "shell32.dll", 126));
  EXPECT_TRUE(plan.Check("SHGetSpecialFolderLocation", "0", 1));
  EXPECT_TRUE(plan.Check("SHGetSpecialFolderLocation", "17", 1));
  EXPECT_FALSE(plan.Check("SHGetSpecialFolderLocation", "10", 1));
}

TEST(FailureRulesTest, FromCallFailsTheNthAndEveryLaterCall) {
  FailurePlan plan = Plan("CreateFileA D:\\SETUP\\log.txt = from call 2 error 19\n");
  EXPECT_FALSE(plan.Check("CreateFileA", "D:\\SETUP\\log.txt", 5));
  EXPECT_FALSE(plan.Check("CreateFileA", "D:\\SETUP\\other.txt", 5));
  EXPECT_EQ(plan.Check("CreateFileA", "d:\\setup\\LOG.TXT", 5), 19u);
  EXPECT_EQ(plan.Check("CreateFileA", "D:\\SETUP\\log.txt", 5), 19u);
  EXPECT_EQ(plan.Fired(), 2);
}

TEST(FailureRulesTest, OverlappingRulesEachCountTheirOwnCalls) {
  // The narrow rule fires on its first call; the wide one still counts that call, so its third
  // call is the third of the operation, whichever rule fired before.
  FailurePlan plan = Plan("RegSetValueExA Label = call 1 error 6\nRegSetValueExA = call 3\n");
  EXPECT_EQ(plan.Check("RegSetValueExA", "Label", 5), 6u);
  EXPECT_FALSE(plan.Check("RegSetValueExA", "Icons", 5));
  EXPECT_EQ(plan.Check("RegSetValueExA", "Label", 5), 5u);
  EXPECT_FALSE(plan.Check("RegSetValueExA", "Label", 5));
  EXPECT_EQ(plan.Fired(), 2);
  // Each rule knows the failures it made itself.
  EXPECT_EQ(plan.FiredBy(0), 1);
  EXPECT_EQ(plan.FiredBy(1), 1);
  EXPECT_EQ(plan.FiredBy(2), 0);

  // Both rules fire on the same call: the first one of the section gives the error, and the call
  // is one failure.
  FailurePlan both =
      Plan("CreateDirectoryA = call 2 error 19\nCreateDirectoryA C:\\X = always error 6\n");
  EXPECT_FALSE(both.Check("CreateDirectoryA", "C:\\Y", 5));
  EXPECT_EQ(both.Check("CreateDirectoryA", "c:\\x", 5), 19u);
  EXPECT_EQ(both.Fired(), 1);
  EXPECT_EQ(both.Check("CreateDirectoryA", "C:\\X", 5), 6u);
  EXPECT_EQ(both.Fired(), 2);
  EXPECT_EQ(both.FiredBy(0), 1);
  EXPECT_EQ(both.FiredBy(1), 1);
}

TEST(FailureRulesTest, EveryOperationHasOneRowAndANameOfItsOwn) {
  std::set<std::string> names;
  for (const FailureOperation& operation : FailureOperations()) {
    std::string folded;
    for (const char* c = operation.name; *c; ++c)
      folded += UpperAscii(*c);
    EXPECT_TRUE(names.insert(folded).second) << operation.name;
    EXPECT_EQ(FindFailureOperation(operation.name), &operation);
  }
  EXPECT_TRUE(names.count("REGOPENKEYA"));
  EXPECT_TRUE(names.count("REGOPENKEYEXA"));
  // A call whose operation has no row is a programming error, caught in any run with rules.
  FailurePlan plan;
  plan.Add("RegSetValueExA", "", 1, std::nullopt, false);
  EXPECT_THROW(plan.Check("NoSuchOperation", "", 5), std::logic_error);
}

TEST(FailureRulesTest, RegOpenKeyAAndRegOpenKeyExAFailApart) {
  TestMachine machine;
  machine.Registry("[HKEY_LOCAL_MACHINE\\Software\\K]\r\n")
      .Ini("[failures]\nRegOpenKeyA Software\\K = always\n");
  Registry& registry = machine.Machine().platform().registry;
  RegKey key = 0;
  EXPECT_EQ(registry.RegOpenKeyA(win::HKEY_LOCAL_MACHINE, "Software\\K", &key),
            static_cast<int32_t>(win::ERROR_ACCESS_DENIED));
  EXPECT_EQ(registry.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, "Software\\K", 0, win::KEY_READ, &key),
            0);
  registry.RegCloseKey(key);
}

TEST(FailureRulesTest, AnUnusableRuleLeavesTheMachineUntouchedWithExitCodeTwo) {
  TestMachine machine;
  machine.Registry(testing::WindowsXpKeys()).Ini("[failures]\nRegOpenKeyExA = sometimes\n");
  EXPECT_THROW(machine.Machine(), MachineError);
  EXPECT_FALSE(machine.Exists("d/SETUP/log.txt"));
}

TEST(SimSystemDllTest, NewdevAndShell32ComeFromTheSystemFolderOrNotAtAll) {
  for (const char* ini : {"system =\n", "[failures]\nGetSystemDirectoryA = always\n"}) {
    TestMachine machine;
    machine.Ini(ini);
    EXPECT_EQ(machine.Machine().platform().newdev.LoadNewdev(), nullptr) << ini;
    EXPECT_EQ(machine.Machine().platform().shell.LoadShell32(), nullptr) << ini;
  }
  TestMachine normal;
  EXPECT_NE(normal.Machine().platform().newdev.LoadNewdev(), nullptr);
  EXPECT_NE(normal.Machine().platform().shell.LoadShell32(), nullptr);
}

}  // namespace
}  // namespace talvex::sim
