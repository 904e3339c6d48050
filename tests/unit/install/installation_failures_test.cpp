// What the person is told about failed searches and copies: which of the two, and which functions.
#include <gtest/gtest.h>

#include "install/installation_failures.h"

namespace talvex {
namespace {

TEST(InstallationFailuresTest, NamesTheFunctionsOfEachKindInTheirOrder) {
  InstallationFailures none;
  EXPECT_FALSE(none.Any());
  EXPECT_EQ(none.Text(), "");

  InstallationFailures atStart;
  atStart.SearchFailedAtStart(ChipFunction::kSmartCard);
  EXPECT_TRUE(atStart.Any());
  EXPECT_EQ(atStart.Text(),
            "Setup could not finish looking for the Smart Card function of the TALVEX chip: it "
            "may be present without its driver.\nThe installation is incomplete.");

  InstallationFailures both;
  both.DriverStepFailed(ChipFunction::kSdCard);
  both.SearchFailedAtStart(ChipFunction::kSmartCard);
  both.SearchFailedAtStart(ChipFunction::kMemoryStick);
  both.DriverStepFailed(ChipFunction::kSdCard);  // twice in one step is one function
  EXPECT_EQ(both.Text(),
            "Setup could not finish looking for the Memory Stick and Smart Card functions of the "
            "TALVEX chip: they may be present without their drivers.\n"
            "Setup could not install the SD Memory Card driver completely.\n"
            "The installation is incomplete.");

  InstallationFailures all;
  all.DriverStepFailed(ChipFunction::kSmartCard);
  all.DriverStepFailed(ChipFunction::kMemoryStick);
  all.DriverStepFailed(ChipFunction::kSdCard);
  EXPECT_EQ(all.Text(),
            "Setup could not install the Memory Stick, SD Memory Card and Smart Card drivers "
            "completely.\nThe installation is incomplete.");
}

TEST(InstallationFailuresTest, AFunctionFoundAtStartForgetsItsFailedStartSearchOnly) {
  InstallationFailures failures;
  failures.SearchFailedAtStart(ChipFunction::kMemoryStick);
  failures.FoundAtStart(ChipFunction::kMemoryStick);
  EXPECT_FALSE(failures.Any());
  failures.DriverStepFailed(ChipFunction::kMemoryStick);
  failures.FoundAtStart(ChipFunction::kMemoryStick);
  EXPECT_EQ(failures.Text(),
            "Setup could not install the Memory Stick driver completely.\n"
            "The installation is incomplete.");
}

}  // namespace
}  // namespace talvex
