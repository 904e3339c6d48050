// The smart card components: their evidence, the two installer drivers as state machines, and the
// decision after them.
#include <gtest/gtest.h>

#include "app/wizard/tform2.h"
#include "framework/headless/headless_ui.h"
#include "platform/winconst.h"
#include "tests/unit/support/test_machine.h"

namespace talvex {
namespace {

using testing::DeviceKey;
using testing::RunResult;
using testing::StringValuesKey;
using testing::TestMachine;

const char kBaseKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SmartcardBase";

const char kSmclib[] =
    "[program D:\\SETUP\\smclib.exe]\r\n"
    "file 1500 = C:\\WINDOWS\\system\\smclib.vxd\r\n"
    "window 2000 = #32770 | Microsoft Smart Card Driver Library\r\n";
const char kScbase[] =
    "[program D:\\SETUP\\scbase.exe]\r\n"
    "window 800 = notepad | README.TXT - Notepad\r\n"
    "key 2500 = Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SmartcardBase\r\n"
    "window 3000 = #32770 | Microsoft Smart Card Base Components\r\n";

// The notice and warning an interactive run shows, recorded.
class RecordingWindows : public ComponentWindows {
 public:
  void ShowNotice(const std::string& text) override { calls.push_back("notice " + text); }
  void HideNotice() override { calls.push_back("hide"); }
  void ShowMissingComponentsWarning() override { calls.push_back("warning"); }
  std::vector<std::string> calls;
};

// A Windows Me machine with the smart card reader and, where asked, the component installers.
class ComponentsTest : public ::testing::Test {
 protected:
  void SetUp() override { machine_.File("c/WINDOWS/system/.keep", ""); }
  void Installers(const std::string& description, bool smclib = true, bool scbase = true) {
    machine_.Ini(description);
    if (smclib)
      machine_.File("d/SETUP/smclib.exe", "stand-in");
    if (scbase)
      machine_.File("d/SETUP/scbase.exe", "stand-in");
  }
  TForm2& Wizard(const std::string& extraRegistry = "") {
    machine_.Registry(testing::WindowsMeKeys() + DeviceKey("Root\\SC\\0", {"*KVE0513"}) +
                      extraRegistry);
    wizard_ = std::make_unique<testing::WizardOnMachine>(machine_);
    return *wizard_->form;
  }
  sim::SimMachine& Sim() { return machine_.Machine(); }
  std::vector<std::string> Posted() {
    std::vector<std::string> posted;
    for (const sim::PostedMessage& message : Sim().windows().posted()) {
      char line[160];
      std::snprintf(line, sizeof line, "%s %04x %lx %ld", message.windowTitle.c_str(),
                    message.message, static_cast<unsigned long>(message.wParam),
                    static_cast<long>(message.lParam));
      posted.push_back(line);
    }
    return posted;
  }

  TestMachine machine_;
  std::unique_ptr<testing::WizardOnMachine> wizard_;
};

TEST_F(ComponentsTest, EvidenceOfEachComponent) {
  machine_.File("c/WINDOWS/system/SMCLIB.VXD", "");
  TForm2& wizard = Wizard(StringValuesKey(kBaseKey, {{"DisplayName", "Base"}}));
  EXPECT_TRUE(wizard.CheckSmartCardComponents());
  EXPECT_EQ(wizard.SmclibPresent, 1);
  EXPECT_EQ(wizard.SmartcardBasePresent, 1);
  Sim().registry_store().DeleteKey(kBaseKey);
  EXPECT_FALSE(wizard.CheckSmartCardComponents());
  EXPECT_EQ(wizard.SmartcardBasePresent, 0);
  EXPECT_EQ(wizard.SmclibPresent, 1);
}

TEST_F(ComponentsTest, BothPresentStartsNothing) {
  Installers(std::string(kSmclib) + kScbase);
  machine_.File("c/WINDOWS/system/smclib.vxd", "");
  TForm2& wizard = Wizard(StringValuesKey(kBaseKey, {}));
  wizard.Unattended = 1;
  EXPECT_TRUE(wizard.SmartCardComponentsReady());
  EXPECT_TRUE(Sim().processes().started().empty());
  EXPECT_EQ(Sim().clock().Now(), 0u);
}

TEST_F(ComponentsTest, UnattendedRunsBothInstallersAndAnswersThem) {
  Installers(std::string(kSmclib) + kScbase);
  TForm2& wizard = Wizard();
  wizard.Unattended = 1;
  EXPECT_TRUE(wizard.SmartCardComponentsReady());
  ASSERT_EQ(Sim().processes().started().size(), 2u);
  const sim::StartedProgram& library = Sim().processes().started()[0];
  EXPECT_EQ(library.applicationName, "D:\\SETUP\\smclib.exe");
  EXPECT_EQ(library.commandLine, " /Q");
  EXPECT_EQ(library.creationFlags, win::HIGH_PRIORITY_CLASS);
  EXPECT_FALSE(library.inheritHandles);
  EXPECT_EQ(Sim().processes().started()[1].applicationName, "D:\\SETUP\\scbase.exe");
  EXPECT_EQ(Posted(), (std::vector<std::string>{
                          "Microsoft Smart Card Driver Library 0007 0 0",
                          "Microsoft Smart Card Driver Library 0028 0 0",
                          "Microsoft Smart Card Driver Library 0100 d 1",
                          "README.TXT - Notepad 0010 0 0",
                          "Microsoft Smart Card Base Components 0007 0 0",
                          "Microsoft Smart Card Base Components 0028 0 0",
                          "Microsoft Smart Card Base Components 0100 d 1",
                          "Microsoft Smart Card Base Components 0010 0 0",
                      }));
  EXPECT_EQ(Sim().processes().Running(), 0);
  EXPECT_EQ(Sim().processes().OpenHandles(), 0u);
  EXPECT_EQ(wizard.SmclibPresent, 1);
  EXPECT_EQ(wizard.SmartcardBasePresent, 1);
  EXPECT_EQ(wizard_->boxes.str(), "");
}

TEST_F(ComponentsTest, EachInstallerIsEndedWithExitCodeZero) {
  // Nothing of the machine keeps the code a program was ended with; the journal shows it.
  machine_.Ini("journal = journal.txt\n");
  Installers(std::string(kSmclib) + kScbase);
  TForm2& wizard = Wizard();
  wizard.Unattended = 1;
  ASSERT_TRUE(wizard.SmartCardComponentsReady());
  EXPECT_EQ(testing::JournalLines(machine_.ReadFile("journal.txt"), {"TerminateProcess"}),
            (std::vector<std::string>{
                "TerminateProcess process=0x7000:\"D:\\SETUP\\smclib.exe\" exitcode=0 -> TRUE "
                "lasterror=0",
                "TerminateProcess process=0x7002:\"D:\\SETUP\\scbase.exe\" exitcode=0 -> TRUE "
                "lasterror=0",
            }));
}

TEST_F(ComponentsTest, LibraryInstallerPausesAfterItsStartAndBeforeItsAnswer) {
  Installers(
      "[program D:\\SETUP\\smclib.exe]\r\n"
      "window 0 = #32770 | Microsoft Smart Card Driver Library\r\n",
      true, false);
  TForm2& wizard = Wizard(StringValuesKey(kBaseKey, {}));
  wizard.Unattended = 1;
  wizard.SmartCardComponentsReady();
  // 3 s instead of the notice, 500 ms after the start, 300 ms before the answer.
  EXPECT_EQ(Sim().clock().Now(), 3800u);
}

TEST_F(ComponentsTest, BaseInstallerNeverPauses) {
  Installers(
      "[program D:\\SETUP\\scbase.exe]\r\n"
      "window 0 = notepad | readme\r\n"
      "window 0 = #32770 | Microsoft Smart Card Base Components\r\n",
      false, true);
  machine_.File("c/WINDOWS/system/smclib.vxd", "");
  TForm2& wizard = Wizard();
  wizard.Unattended = 1;
  wizard.SmartCardComponentsReady();
  EXPECT_EQ(Sim().clock().Now(), 3000u);
  EXPECT_EQ(Posted().front(), "readme 0010 0 0");
}

TEST_F(ComponentsTest, TheFinalWindowIsAnsweredOnlyAfterAReadme) {
  // The final window shows first; it is answered in the pass that closes the readme, the first
  // pass after the readme appeared (passes every 250 ms from 3000).
  Installers(
      "[program D:\\SETUP\\scbase.exe]\r\n"
      "window 0 = #32770 | Microsoft Smart Card Base Components\r\n"
      "window 400 = notepad | ReadMe.txt - Notepad\r\n",
      false, true);
  machine_.File("c/WINDOWS/system/smclib.vxd", "");
  TForm2& wizard = Wizard();
  wizard.Unattended = 1;
  wizard.SmartCardComponentsReady();
  std::vector<std::string> posted = Posted();
  ASSERT_EQ(posted.size(), 5u);
  EXPECT_EQ(posted[0], "ReadMe.txt - Notepad 0010 0 0");
  EXPECT_EQ(Sim().clock().Now(), 3500u);
}

TEST_F(ComponentsTest, WithoutAReadmeTheFinalWindowIsLeftAloneUntilTheInstallerEnds) {
  Installers(
      "[program D:\\SETUP\\scbase.exe]\r\n"
      "window 0 = notepad | notes.txt - Notepad\r\n"
      "window 0 = #32770 | Microsoft Smart Card Base Components\r\n"
      "ends = 5000\r\n",
      false, true);
  machine_.Ini("[windows]\r\nwindow = notepad | Untitled - Notepad\r\n");
  machine_.File("c/WINDOWS/system/smclib.vxd", "");
  TForm2& wizard = Wizard();
  wizard.Unattended = 1;
  EXPECT_TRUE(wizard.SmartCardComponentsReady());  // unattended: installed anyway
  EXPECT_TRUE(Posted().empty());
  EXPECT_EQ(Sim().clock().Now(), 8000u);
  EXPECT_EQ(Sim().windows().OpenTitles(), (std::vector<std::string>{"Untitled - Notepad"}));
}

TEST_F(ComponentsTest, AnInstallerThatEndsByItselfEndsTheWait) {
  Installers("[program D:\\SETUP\\smclib.exe]\r\nends = 1200\r\n", true, false);
  TForm2& wizard = Wizard(StringValuesKey(kBaseKey, {}));
  wizard.Unattended = 1;
  wizard.SmartCardComponentsReady();
  EXPECT_GE(Sim().clock().Now(), 4200u);
  EXPECT_LE(Sim().clock().Now(), 4210u);
}

TEST_F(ComponentsTest, AnInstallerThatNeverEndsIsStoppedOnlyByTheTimeLimit) {
  Installers("[machine]\r\ntime limit = 60000\r\n[program D:\\SETUP\\smclib.exe]\r\n", true, false);
  TForm2& wizard = Wizard(StringValuesKey(kBaseKey, {}));
  wizard.Unattended = 1;
  try {
    wizard.SmartCardComponentsReady();
    FAIL() << "the wait ended";
  } catch (const ProcessExit& exit) {
    EXPECT_EQ(exit.code, 3);
  }
  EXPECT_GT(Sim().clock().Now(), 60000u);
}

TEST_F(ComponentsTest, StartFailuresAreToldAndEndWithZero) {
  struct Case {
    std::string ini;
    std::string box;
  };
  for (const Case& failure : {Case{"[program D:\\SETUP\\smclib.exe]\r\nstart = fails\r\n",
                                   "[Setup] Open smclib.exe Error\n"},
                              Case{"[program D:\\SETUP\\scbase.exe]\r\nstart = fails error 5\r\n",
                                   "[Setup] Open scbase.exe Error\\n\n"}}) {
    TestMachine machine;
    machine.Ini(failure.ini)
        .File("d/SETUP/smclib.exe", "x")
        .File("d/SETUP/scbase.exe", "x")
        .Registry(testing::WindowsMeKeys() + DeviceKey("Root\\SC\\0", {"*KVE0513"}))
        .Package();
    RunResult run = machine.Run({"-s"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, failure.box);
    EXPECT_EQ(machine.ReadFile("d/SETUP/log.txt"), "error = 1\r\nrestart = 0\r\n");
  }
}

TEST_F(ComponentsTest, MissingInstallersAreNotStartedAndNothingIsSaid) {
  TForm2& wizard = Wizard();
  wizard.Unattended = 1;
  EXPECT_TRUE(wizard.SmartCardComponentsReady());
  EXPECT_TRUE(Sim().processes().started().empty());
  EXPECT_EQ(wizard_->boxes.str(), "");
}

TEST_F(ComponentsTest, InteractiveShowsTheNoticeAndTheWarning) {
  Installers("[program D:\\SETUP\\smclib.exe]\r\nends = 100\r\n", true, false);
  TForm2& wizard = Wizard();
  RecordingWindows windows;
  wizard.ComponentWindowsUi = &windows;
  wizard.DriverInstalled = 1;
  EXPECT_FALSE(wizard.SmartCardComponentsReady());
  EXPECT_EQ(windows.calls,
            (std::vector<std::string>{"notice Microsoft Smart Card CardLib Component Detected...",
                                      "hide", "warning"}));
}

TEST_F(ComponentsTest, InteractiveWithNoDriverInstalledEndsAfterTheWarning) {
  TForm2& wizard = Wizard();
  RecordingWindows windows;
  wizard.ComponentWindowsUi = &windows;
  wizard.DriverInstalled = 0;
  try {
    wizard.SmartCardComponentsReady();
    FAIL() << "no end";
  } catch (const ProcessExit& exit) {
    EXPECT_EQ(exit.code, 1);
  }
  EXPECT_EQ(windows.calls, (std::vector<std::string>{"warning"}));
}

TEST_F(ComponentsTest, SecondWindowsFolderFailureEndsWithOne) {
  TestMachine machine;
  machine.Ini("[failures]\r\nGetWindowsDirectoryA = call 2\r\n")
      .Registry(testing::WindowsMeKeys() + DeviceKey("Root\\SC\\0", {"*KVE0513"}))
      .Package();
  RunResult run = machine.Run({"-s"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "[Setup] Can't get Windows path\\n\n");
  EXPECT_EQ(machine.ReadFile("d/SETUP/log.txt"), "error = 1\r\nrestart = 0\r\n");
}

}  // namespace
}  // namespace talvex
