// A device search that ended in an error answers "absent" but is remembered for the run: the
// unattended run goes on and leaves the failure result.
#include <gtest/gtest.h>

#include "app/wizard/tform2.h"
#include "inspect/device_search.h"
#include "install/driver_table.h"
#include "tests/unit/support/test_machine.h"

namespace talvex {
namespace {

using testing::DeviceKey;
using testing::RunResult;
using testing::TestMachine;

const char kFailure[] = "error = 1\r\nrestart = 0\r\n";
const char kSuccess[] = "error = 0\r\nrestart = 1\r\n";

std::string XpWithMemoryStickAndSd() {
  return testing::WindowsXpKeys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}) +
         DeviceKey("Root\\SD\\0", {"*KVE0517"});
}

// Each failure rule against one search for *KVE0517 (the second of two devices): whether the
// search found it and whether it says it ended in an error.
TEST(SearchFailuresTest, OnlyUnexpectedErrorsMarkASearchAsFailed) {
  struct Case {
    const char* rule;
    bool found;
    bool failed;
  } cases[] = {
      {"", true, false},
      {"SetupDiGetClassDevsA = always", false, true},
      // The end of the list, even an early one, is what Windows says when every device was seen.
      {"SetupDiEnumDeviceInfo = call 2", false, false},
      {"SetupDiEnumDeviceInfo = call 2 error 31", false, true},
      {"SetupDiEnumDeviceInfo = call 2 error 0", false, true},
      // No hardware IDs: the device is skipped, the search is whole.
      {"SetupDiGetDeviceRegistryPropertyA SYSTEM\\CurrentControlSet\\Enum\\Root\\MS\\0 = always",
       true, false},
      {"SetupDiGetDeviceRegistryPropertyA SYSTEM\\CurrentControlSet\\Enum\\Root\\MS\\0 = always "
       "error 5",
       false, true},
  };
  for (const Case& c : cases) {
    TestMachine machine;
    machine.Registry(XpWithMemoryStickAndSd()).Ini(std::string("[failures]\n") + c.rule + "\n");
    bool failed = !c.failed;
    bool found = SearchDevices(machine.Machine().platform(), "*KVE0517",
                               HardwareIdScope::kEveryEntry, false, &failed);
    EXPECT_EQ(found, c.found) << c.rule;
    EXPECT_EQ(failed, c.failed) << c.rule;
  }
}

TEST(SearchFailuresTest, AFailedStartUpSearchLeavesTheFailureResultAfterAnOtherwiseWholeRun) {
  TestMachine machine;
  // The third start-up search (*KVE0515) cannot create its device set: Memory Stick counts as
  // absent, the SD driver is still installed, and the caller is told the run was not complete.
  machine.Registry(XpWithMemoryStickAndSd())
      .Package()
      .Ini("[failures]\nSetupDiGetClassDevsA = call 3\n");
  RunResult run = machine.Run({"-s"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(machine.ReadFile("d/SETUP/log.txt"), kFailure);
  sim::RegistryStore saved = machine.SavedRegistry();
  EXPECT_EQ(testing::StringValue(saved, "SYSTEM\\CurrentControlSet\\Enum\\Root\\SD\\0", "InfPath"),
            "D:\\SETUP\\auto\\winxp\\kvsd.inf");
  EXPECT_EQ(testing::StringValue(saved, "SYSTEM\\CurrentControlSet\\Enum\\Root\\MS\\0", "InfPath"),
            "<missing>");
}

TEST(SearchFailuresTest, TheWizardCountsAFailedSearchAgainstTheStepThatRuns) {
  TestMachine clean;
  clean.Registry(XpWithMemoryStickAndSd());
  testing::WizardOnMachine cleanWizard(clean);
  EXPECT_FALSE(cleanWizard.form->Failures().Any());
  // A search that simply finds nothing is no error.
  cleanWizard.form->BeginDriverStep(ChipFunction::kMemoryStick);
  EXPECT_FALSE(cleanWizard.form->FindDevice("*KVE0599"));
  EXPECT_FALSE(cleanWizard.form->Failures().Any());

  TestMachine broken;
  broken.Registry(XpWithMemoryStickAndSd())
      .Ini("[failures]\nSetupDiEnumDeviceInfo = call 16 error 5\n");
  testing::WizardOnMachine wizard(broken);
  // The six start-up searches (15 calls) went well.
  EXPECT_FALSE(wizard.form->Failures().Any());
  wizard.form->BeginDriverStep(ChipFunction::kSdCard);
  EXPECT_FALSE(wizard.form->FindPrimaryIdDevice("GenDisk", 1));
  EXPECT_EQ(wizard.form->Failures().Text(),
            "Setup could not install the SD Memory Card driver completely.\n"
            "The installation is incomplete.");
  wizard.form->BeginDriverStep(ChipFunction::kMemoryStick);
  EXPECT_TRUE(wizard.form->FindDevice("*KVE0515"));  // later searches still answer
  EXPECT_EQ(wizard.form->Failures().Text(),
            "Setup could not install the SD Memory Card driver completely.\n"
            "The installation is incomplete.");
}

TEST(SearchFailuresTest, AFailedStartSearchCountsOnlyForAFunctionLeftAbsent) {
  // The first search (*KVE0513) fails: no smart card function is found, and one may be there.
  TestMachine absent;
  absent.Registry(XpWithMemoryStickAndSd()).Ini("[failures]\nSetupDiGetClassDevsA = call 1\n");
  testing::WizardOnMachine absentWizard(absent);
  EXPECT_EQ(absentWizard.form->Failures().Text(),
            "Setup could not finish looking for the Smart Card function of the TALVEX chip: it "
            "may be present without its driver.\nThe installation is incomplete.");

  // The search for *KVE0515 fails but *KVE0516 finds the Memory Stick function: its driver step
  // searches both IDs again.
  TestMachine found;
  found
      .Registry(testing::WindowsXpKeys() + DeviceKey("Root\\MS\\0", {"*KVE0516"}) +
                DeviceKey("Root\\SC\\0", {"*KVE0513"}))
      .Package()
      .Ini("[failures]\nSetupDiGetClassDevsA = call 3\n");
  {
    testing::WizardOnMachine foundWizard(found);
    EXPECT_EQ(foundWizard.form->MsPresent, 1);
    EXPECT_FALSE(foundWizard.form->Failures().Any());
  }
  // Unattended, the same run installs both functions and leaves the success result.
  EXPECT_EQ(found.Run({"-s"}).exitCode, 1);
  EXPECT_EQ(found.ReadFile("d/SETUP/log.txt"), kSuccess);
}

TEST(SearchFailuresTest, AFailedWindows98CopyLeavesTheFailureResult) {
  TestMachine machine;
  machine.Registry(testing::Windows98Keys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}))
      .Windows98Package()
      .Ini("[failures]\nSetupInstallFileA C:\\WINDOWS\\kvmsicon.ico = always\n");
  RunResult run = machine.Run({"-s"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(machine.ReadFile("d/SETUP/log.txt"), kFailure);
  EXPECT_TRUE(machine.Exists("c/WINDOWS/inf/kvms.inf"));  // the other files were still copied

  TestMachine whole;
  whole.Registry(testing::Windows98Keys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}))
      .Windows98Package();
  EXPECT_EQ(whole.Run({"-s"}).exitCode, 1);
  EXPECT_EQ(whole.ReadFile("d/SETUP/log.txt"), kSuccess);
}

}  // namespace
}  // namespace talvex
