// Enabling the shutdown privilege on the simulated machine's two families of Windows.
#include <gtest/gtest.h>

#include "app/shutdown_privilege.h"
#include "platform/winconst.h"
#include "tests/unit/support/test_machine.h"

namespace talvex {
namespace {

using testing::TestMachine;

bool Enable(TestMachine& machine) {
  sim::SimMachine& sim = machine.Machine();
  return EnableShutdownPrivilege(sim.session(), sim.errors());
}

TEST(ShutdownPrivilegeTest, Windows9xHasNoTokenAndRestartsWithoutOne) {
  TestMachine me;
  me.Registry(testing::WindowsMeKeys());
  EXPECT_FALSE(Enable(me));
  EXPECT_EQ(me.Machine().errors().GetLastError(), win::ERROR_CALL_NOT_IMPLEMENTED);
  EXPECT_TRUE(me.Machine().session().ExitWindowsEx(win::EWX_REBOOT, 0));
  EXPECT_TRUE(me.Machine().session().TakeRestartRequest());
  EXPECT_FALSE(me.Machine().session().TakeRestartRequest());
}

TEST(ShutdownPrivilegeTest, WindowsNtRestartsOnlyOnceThePrivilegeIsEnabled) {
  TestMachine xp;
  xp.Registry(testing::WindowsXpKeys());
  sim::SimSession& session = xp.Machine().session();
  EXPECT_FALSE(session.ExitWindowsEx(win::EWX_REBOOT, 0));
  EXPECT_EQ(xp.Machine().errors().GetLastError(), win::ERROR_PRIVILEGE_NOT_HELD);
  EXPECT_FALSE(session.TakeRestartRequest());
  EXPECT_TRUE(Enable(xp));
  EXPECT_TRUE(session.ShutdownPrivilegeEnabled());
  EXPECT_TRUE(session.ExitWindowsEx(win::EWX_REBOOT, 0));
  EXPECT_TRUE(session.TakeRestartRequest());
}

TEST(ShutdownPrivilegeTest, EachInjectedFailureLeavesThePrivilegeDisabled) {
  struct Case {
    const char* rule;
    uint32_t lastError;
  };
  const Case cases[] = {
      {"OpenProcessToken = always", win::ERROR_ACCESS_DENIED},
      {"LookupPrivilegeValueA SeShutdownPrivilege = always", win::ERROR_NO_SUCH_PRIVILEGE},
      // Succeeds, but nothing was assigned: only the last error tells.
      {"AdjustTokenPrivileges = always", win::ERROR_NOT_ALL_ASSIGNED},
      {"AdjustTokenPrivileges = always error 5", win::ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) {
    TestMachine xp;
    xp.Registry(testing::WindowsXpKeys()).Ini(std::string("[failures]\r\n") + c.rule + "\r\n");
    EXPECT_FALSE(Enable(xp)) << c.rule;
    EXPECT_FALSE(xp.Machine().session().ShutdownPrivilegeEnabled()) << c.rule;
    EXPECT_FALSE(xp.Machine().session().ExitWindowsEx(win::EWX_REBOOT, 0)) << c.rule;
  }
}

}  // namespace
}  // namespace talvex
