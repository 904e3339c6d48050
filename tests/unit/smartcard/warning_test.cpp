// The missing-components warning: which text and address it shows, and what closing it says.
#include <gtest/gtest.h>

#include "smartcard/tform5.h"
#include "tests/unit/support/test_machine.h"

namespace talvex {
namespace {

using testing::DeviceKey;
using testing::TestMachine;

const char kBaseKey[] =
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SmartcardBase]"
    "\r\n\r\n";

struct WarningOnMachine {
  WarningOnMachine(bool library, bool base) {
    machine.Registry(testing::WindowsMeKeys() + DeviceKey("Root\\SC\\0", {"*KVE0513"}) +
                     (base ? kBaseKey : ""));
    if (library)
      machine.File("c/WINDOWS/system/smclib.vxd", "");
    wizard = std::make_unique<testing::WizardOnMachine>(machine);
    warning = wizard->application.CreateForm<TForm5>(*wizard->form);
  }
  std::string Boxes() const { return wizard->boxes.str(); }

  TestMachine machine;
  std::unique_ptr<testing::WizardOnMachine> wizard;
  TForm5* warning = nullptr;
};

TEST(WarningTest, ShowsTheTextAndAddressOfWhatIsMissing) {
  struct Case {
    bool library, base;
    const char* text;
    bool label1, label2;
  };
  const Case cases[] = {
      {true, false,
       "Please install the MICROSOFT(R) SCBASE.EXE component in your system before the driver "
       "installation; otherwise the Smart Card can not work normally. You can contact with your "
       "system vender or download the components in following address:",
       true, false},
      {false, true,
       "Please install the MICROSOFT(R) SMCLIB.EXE component in your system before the driver "
       "installation; otherwise the Smart Card can not work normally. You can contact with your "
       "system vender or download the component in following address:",
       false, true},
      {false, false,
       "Please install the MICROSOFT(R) SCBASE.EXE and SMCLIB.EXE components in your system "
       "before the driver installation; otherwise the Smart Car can not work normally. You can "
       "contact with your system vender or download the components in following address:",
       true, true},
  };
  for (const Case& c : cases) {
    WarningOnMachine on(c.library, c.base);
    EXPECT_EQ(on.warning->WarnOnClose, 1);
    on.warning->ShowMissingComponents();
    EXPECT_EQ(on.warning->Memo1->Lines(), (std::vector<std::string>{c.text, ""}));
    EXPECT_EQ(on.warning->Label1->Visible(), c.label1) << c.text;
    EXPECT_EQ(on.warning->Label2->Visible(), c.label2) << c.text;
  }
  WarningOnMachine bothThere(true, true);
  bothThere.warning->ShowMissingComponents();
  EXPECT_TRUE(bothThere.warning->Memo1->Lines().empty());
  EXPECT_TRUE(bothThere.warning->Label1->Visible() && bothThere.warning->Label2->Visible());
}

TEST(WarningTest, TheAddressesAreTheMakersOwnDownloads) {
  WarningOnMachine on(false, false);
  EXPECT_EQ(on.warning->Label1->Caption(), "http://www.korvane.com.tw/download/scbase.exe");
  EXPECT_EQ(on.warning->Label2->Caption(), "http://www.korvane.com.tw/download/Smclib.exe");
  on.warning->Label1->Click();
  on.warning->Label2->Click();
  EXPECT_EQ(on.Boxes(), "");
}

TEST(WarningTest, ClosingSaysOnceMoreWhatIsMissingUnlessTheProgramIsEnding) {
  struct Case {
    bool library, base;
    const char* box;
  };
  const Case cases[] = {
      {false, false,
       "[Error] You did not install MICROSOFT(R) SCBASE.exe and SMCLIB.exe components,\\nso smart "
       "card driver installation was incomplete.\n"},
      {false, true,
       "[Error] You did not install MICROSOFT(R) SMCLIB.exe component,\\nso smart card driver "
       "installation was incomplete.\n"},
      {true, false,
       "[Error] You did not install MICROSOFT(R) SCBASE.exe component,\\nso smart card driver "
       "installation was incomplete.\n"},
      {true, true, ""},
  };
  for (const Case& c : cases) {
    WarningOnMachine on(c.library, c.base);
    EXPECT_TRUE(on.warning->CloseQuery());
    EXPECT_EQ(on.Boxes(), c.box);
  }
  WarningOnMachine ending(false, false);
  ending.warning->WarnOnClose = 0;
  EXPECT_TRUE(ending.warning->CloseQuery());
  EXPECT_EQ(ending.Boxes(), "");
}

}  // namespace
}  // namespace talvex
