// Which ends of the program clear the warning's WarnOnClose before they end it: the flag itself,
// on the program's windows created in the program's order.
#include <gtest/gtest.h>

#include <functional>

#include "app/forms.h"
#include "app/wizard/tform2.h"
#include "smartcard/tform5.h"
#include "tests/unit/support/test_machine.h"

namespace talvex {
namespace {

using testing::DeviceKey;
using testing::TestMachine;

struct ProgramWindows {
  explicit ProgramWindows(TestMachine& machine) : ui(boxes), application(ui, "Setup") {
    Platform& platform = machine.Machine().platform();
    backdrop = application.CreateForm<TForm1>(platform);
    wizard = application.CreateForm<TForm2>(platform, std::vector<std::string>{});
    rebootPrompt = application.CreateForm<TForm3>(platform);
    warning = application.CreateForm<TForm5>(*wizard);
  }
  // The exit code the action ended the program with, or -1 when it did not end it.
  static int EndOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const ProcessExit& exit) {
      return exit.code;
    }
    return -1;
  }

  std::ostringstream boxes;
  HeadlessUi ui;
  TApplication application;
  TForm1* backdrop = nullptr;
  TForm2* wizard = nullptr;
  TForm3* rebootPrompt = nullptr;
  TForm5* warning = nullptr;
};

TEST(WarnOnCloseTest, ClearedByCancelAndTheBackdropsAndPromptsCloseNotByTheWizardsClose) {
  struct Case {
    const char* end;
    std::function<void(ProgramWindows&)> action;
    int flagAfter;
  };
  const Case cases[] = {
      {"the wizard's Cancel", [](ProgramWindows& p) { p.wizard->Cancel->Click(); }, 0},
      {"the backdrop's close box", [](ProgramWindows& p) { p.backdrop->Close(); }, 0},
      {"the reboot prompt's Cancel", [](ProgramWindows& p) { p.rebootPrompt->Cancel->Click(); }, 0},
      {"the reboot prompt's close box", [](ProgramWindows& p) { p.rebootPrompt->Close(); }, 0},
      {"the wizard's close box", [](ProgramWindows& p) { p.wizard->Close(); }, 1},
  };
  for (const Case& c : cases) {
    TestMachine machine;
    machine.Registry(testing::WindowsMeKeys() + DeviceKey("Root\\SC\\0", {"*KVE0513"}));
    ProgramWindows windows(machine);
    ASSERT_EQ(windows.warning->WarnOnClose, 1) << c.end;
    EXPECT_EQ(ProgramWindows::EndOf([&] { c.action(windows); }), 1) << c.end;
    EXPECT_EQ(windows.warning->WarnOnClose, c.flagAfter) << c.end;
    EXPECT_EQ(windows.boxes.str(), "") << c.end;
  }
}

}  // namespace
}  // namespace talvex
