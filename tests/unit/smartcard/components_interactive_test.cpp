// The smart card components step in interactive runs on Windows Me and 98: the notice, the
// warning, the decision after it, installers that never end, and the Windows 98 copy failure.
#include <gtest/gtest.h>

#include "tests/unit/support/test_machine.h"

namespace talvex {
namespace {

using testing::DeviceKey;
using testing::RunResult;
using testing::TestMachine;

const char kLibraryInstaller[] =
    "[program D:\\SETUP\\smclib.exe]\r\n"
    "file 1500 = C:\\WINDOWS\\system\\smclib.vxd\r\n"
    "window 2000 = #32770 | Microsoft Smart Card Driver Library\r\n";
const char kScPath[] = "SYSTEM\\CurrentControlSet\\Enum\\Root\\SC\\0";
const char kMsPath[] = "SYSTEM\\CurrentControlSet\\Enum\\Root\\MS\\0";

std::string InfPath(TestMachine& machine, const char* path) {
  return testing::StringValue(machine.Machine().registry_store(), path, "InfPath");
}

TEST(ComponentsInteractiveTest, NoticeThenWarningThenTheSmartCardDriverIsSkipped) {
  TestMachine machine;
  machine
      .Registry(testing::WindowsMeKeys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}) +
                DeviceKey("Root\\SC\\0", {"*KVE0513"}))
      .Package()
      .File("d/SETUP/smclib.exe", "x")
      .File("c/WINDOWS/system/IOSUBSYS/.keep", "")
      .Ini(std::string(kLibraryInstaller) +
           "[user]\r\n"
           "click = TForm2.Next\r\n"
           "click = TForm2.Next\r\n"
           "see = TForm6.Memo1 | Microsoft Smart Card CardLib Component Detected...\r\n"
           "state = TForm6 | visible\r\n"
           "state = TForm6 | hidden\r\n"
           "see = TForm5.Memo1 | Please install the MICROSOFT(R) SCBASE.EXE component in your "
           "system before the driver installation; otherwise the Smart Card can not work "
           "normally. You can contact with your system vender or download the components in "
           "following address:\\n\r\n"
           "state = TForm5.Label2 | hidden\r\n"
           "state = TForm5.Label1 | visible\r\n"
           "state = TForm2 | disabled\r\n"
           "click = TForm5.OK\r\n"
           "state = TForm5 | hidden\r\n"
           "see = TForm2.Memo1 | Setup complete!\r\n"
           "close = TForm2\r\n");
  RunResult run = machine.Run({});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(run.err,
            "[Error] You did not install MICROSOFT(R) SCBASE.exe component,\\nso smart card "
            "driver installation was incomplete.\n");
  EXPECT_EQ(InfPath(machine, kMsPath), "D:\\SETUP\\auto\\winme\\kvms.inf");
  EXPECT_EQ(InfPath(machine, kScPath), "<missing>");
  EXPECT_TRUE(machine.Exists("c/WINDOWS/system/smclib.vxd"));
}

TEST(ComponentsInteractiveTest, OnlyTheSmartCardChosenAndStillMissingEndsBeforeItsFiles) {
  TestMachine machine;
  machine.Registry(testing::WindowsMeKeys() + DeviceKey("Root\\SC\\0", {"*KVE0513"}))
      .Package()
      .Ini(
          "[user]\r\n"
          "click = TForm2.Next\r\n"
          "click = TForm2.Next\r\n"
          "state = TForm6 | hidden\r\n"
          "state = TForm5.Label1 | visible\r\n"
          "state = TForm5.Label2 | visible\r\n"
          "click = TForm5.OK\r\n");
  RunResult run = machine.Run({});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(run.err,
            "[Error] You did not install MICROSOFT(R) SCBASE.exe and SMCLIB.exe components,\\nso "
            "smart card driver installation was incomplete.\n");
  EXPECT_EQ(InfPath(machine, kScPath), "<missing>");
  // No installer was there to run, so no notice was shown.
  EXPECT_EQ(machine.ReadFile("screen.txt").find("shown TForm6"), std::string::npos);
}

TEST(ComponentsInteractiveTest, CancelEndsTheProgramWhileAnInstallerNeverEnds) {
  TestMachine machine;
  machine.Registry(testing::WindowsMeKeys() + DeviceKey("Root\\SC\\0", {"*KVE0513"}))
      .Package()
      .File("d/SETUP/smclib.exe", "x")
      .Ini(
          "[program D:\\SETUP\\smclib.exe]\r\nends = never\r\n"
          "[user]\r\n"
          "click = TForm2.Next\r\n"
          "click = TForm2.Next\r\n"
          "see = TForm6.Memo1 | Microsoft Smart Card CardLib Component Detected...\r\n"
          "wait = 20000\r\n"
          "state = TForm2.Cancel | enabled\r\n"
          "click = TForm2.Cancel\r\n");
  RunResult run = machine.Run({});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(machine.Machine().processes().Running(), 1);
  EXPECT_GE(machine.Machine().clock().Now(), 20000u);
  EXPECT_EQ(InfPath(machine, kScPath), "<missing>");
}

// No library and no installer for it, the base components installed: nothing is started, the
// warning shows the library's text and address, and the Memory Stick driver stays installed.
TEST(ComponentsInteractiveTest, AMissingLibraryWithoutItsInstallerIsWarnedOfAtOnce) {
  TestMachine machine;
  machine
      .Registry(testing::WindowsMeKeys() + DeviceKey("Root\\MS\\0", {"*KVE0515"}) +
                DeviceKey("Root\\SC\\0", {"*KVE0513"}) +
                "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                "SmartcardBase]\r\n\r\n")
      .Package()
      .Ini(
          "[user]\r\n"
          "click = TForm2.Next\r\n"
          "click = TForm2.Next\r\n"
          "see = TForm5.Memo1 | Please install the MICROSOFT(R) SMCLIB.EXE component in your "
          "system before the driver installation; otherwise the Smart Card can not work "
          "normally. You can contact with your system vender or download the component in "
          "following address:\\n\r\n"
          "state = TForm5.Label1 | hidden\r\n"
          "see = TForm5.Label2 | http://www.korvane.com.tw/download/Smclib.exe\r\n"
          "click = TForm5.OK\r\n"
          "see = TForm2.Memo1 | Setup complete!\r\n"
          "click = TForm2.Next\r\n"
          "click = TForm3.Cancel\r\n");
  RunResult run = machine.Run({});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(run.err,
            "[Error] You did not install MICROSOFT(R) SMCLIB.exe component,\\nso smart card "
            "driver installation was incomplete.\n");
  EXPECT_TRUE(machine.Machine().processes().started().empty());
  EXPECT_EQ(machine.ReadFile("screen.txt").find("shown TForm6"), std::string::npos);
  EXPECT_EQ(InfPath(machine, kMsPath), "D:\\SETUP\\auto\\winme\\kvms.inf");
  EXPECT_EQ(InfPath(machine, kScPath), "<missing>");
}

TEST(ComponentsInteractiveTest, AWindows98FileThatCannotBeCopiedIsToldBeforeFinish) {
  TestMachine machine;
  machine
      .Registry(testing::Windows98Keys() + DeviceKey("PCI\\MS\\0", {"*KVE0515"}) +
                "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                "SmartcardBase]\r\n\r\n")
      .Windows98Package()
      .Ini(
          "[failures]\r\nSetupInstallFileA = call 1\r\n"
          "[user]\r\nclick = TForm2.Next\r\nclick = TForm2.Next\r\n"
          "see = TForm2.Memo1 | Setup complete!\r\nclose = TForm2\r\n");
  RunResult run = machine.Run({});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(run.err,
            "[Setup] Setup could not install the Memory Stick driver completely.\\nThe "
            "installation is incomplete.\n");
  std::string screen = machine.ReadFile("screen.txt");
  EXPECT_LT(screen.find("message box [Setup] Setup could not install"),
            screen.find("Setup complete!"));
}

}  // namespace
}  // namespace talvex
