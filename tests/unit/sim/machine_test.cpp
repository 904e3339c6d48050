// The simulated machine's contract: machine.ini, failure injection, the Windows-shaped registry,
// device and driver-update calls, and drive folders.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/sim/machine.h"
#include "platform/winconst.h"
#include "tests/unit/support/test_machine.h"

namespace talvex::sim {
namespace {

using testing::DeviceKey;
using testing::StringValuesKey;
using testing::TestMachine;

TEST(IniFileTest, SectionsKeysAndWholeLineComments) {
  IniFile ini = IniFile::Parse(
      "; comment\r\n[Machine]\r\nprogram = D:\\A;B\\Setup.exe\r\n  windows=  \r\n[failures]\r\n");
  EXPECT_EQ(ini.Value("machine", "PROGRAM"), "D:\\A;B\\Setup.exe");
  EXPECT_EQ(ini.Value("machine", "windows"), "");
  EXPECT_FALSE(ini.Value("machine", "system").has_value());
  EXPECT_NE(ini.Section("FAILURES"), nullptr);
  EXPECT_THROW(IniFile::Parse("key = value\n"), IniError);
  EXPECT_THROW(IniFile::Parse("[machine]\nno equals sign\n"), IniError);
  EXPECT_THROW(IniFile::Parse("[machine\n"), IniError);
  // A section whose name is only blanks could never be found, and "[]" is refused too.
  EXPECT_THROW(IniFile::Parse("[ ]\nkey = value\n"), IniError);
  EXPECT_THROW(IniFile::Parse("[]\n"), IniError);
}

TEST(FailurePlanTest, AlwaysOrTheNthMatchingCallWithItsCode) {
  IniFile ini = IniFile::Parse(
      "[failures]\n"
      "GetWindowsDirectoryA = call 2\n"
      "UpdateDriverForPlugAndPlayDevicesA *KVE0515 = always error 0xE000020B\n");
  FailurePlan plan = FailurePlan::FromIni(ini);
  EXPECT_FALSE(plan.Check("GetWindowsDirectoryA", "", 3));
  EXPECT_EQ(plan.Check("GetWindowsDirectoryA", "", 3), 3u);
  EXPECT_FALSE(plan.Check("GetWindowsDirectoryA", "", 3));
  EXPECT_FALSE(plan.Check("UpdateDriverForPlugAndPlayDevicesA", "*KVE0516", 31));
  EXPECT_EQ(plan.Check("updatedriverforplugandplaydevicesa", "*kve0515", 31), 0xE000020Bu);
  EXPECT_EQ(plan.Check("UpdateDriverForPlugAndPlayDevicesA", "*KVE0515", 31), 0xE000020Bu);
  for (const char* bad :
       {"[failures]\nOp = sometimes\n", "[failures]\nOp = call\n", "[failures]\nOp = call 0\n",
        "[failures]\nOp = always error x\n", "[failures]\nOp = error 5\n"})
    EXPECT_THROW(FailurePlan::FromIni(IniFile::Parse(bad)), IniError) << bad;
}

TEST(SimMachineTest, UnusableMachinesAreRefusedAndLeftUntouched) {
  TestMachine noProgram;
  noProgram.RawIni("[machine]\r\nwindows = C:\\WINDOWS\r\n");
  EXPECT_THROW(noProgram.Machine(), MachineError);

  TestMachine badRegistry;
  badRegistry.Registry("\"value\"=\"before any key\"\r\n");
  EXPECT_THROW(badRegistry.Machine(), MachineError);
  EXPECT_EQ(badRegistry.ReadFile("registry.reg"),
            "REGEDIT4\r\n\r\n\"value\"=\"before any key\"\r\n");

  TestMachine badRule;
  badRule.Ini("[failures]\r\nGetWindowsDirectoryA = maybe\r\n");
  EXPECT_THROW(badRule.Machine(), MachineError);

  std::ostringstream out;
  EXPECT_THROW(SimMachine::Load("/nonexistent/machine", out), MachineError);
}

TEST(SimRegistryTest, ValueReadsFollowTheWindowsSizeRules) {
  TestMachine machine;
  machine.Registry(StringValuesKey("SOFTWARE\\K", {{"Name", "abcdef"}}));
  Registry& registry = machine.Machine().platform().registry;
  ScopedRegKey key(registry);
  ASSERT_EQ(registry.RegOpenKeyA(win::HKEY_LOCAL_MACHINE, "software\\k", key.Receive()), 0);
  uint32_t size = 0;
  uint32_t type = 0;
  EXPECT_EQ(registry.RegQueryValueExA(key.get(), "NAME", &type, nullptr, &size), 0);
  EXPECT_EQ(size, 7u);
  EXPECT_EQ(type, win::REG_SZ);
  uint8_t small[3] = {'x', 'x', 'x'};
  size = sizeof small;
  EXPECT_EQ(registry.RegQueryValueExA(key.get(), "Name", nullptr, small, &size),
            static_cast<int32_t>(win::ERROR_MORE_DATA));
  EXPECT_EQ(size, 7u);
  EXPECT_EQ(small[0], 'x');
  uint8_t buffer[16] = {};
  size = sizeof buffer;
  EXPECT_EQ(registry.RegQueryValueExA(key.get(), "Name", nullptr, buffer, &size), 0);
  EXPECT_STREQ(reinterpret_cast<char*>(buffer), "abcdef");
  EXPECT_EQ(registry.RegQueryValueExA(key.get(), "Missing", nullptr, nullptr, &size),
            static_cast<int32_t>(win::ERROR_FILE_NOT_FOUND));
}

TEST(SimRegistryTest, PathsHandlesAndDeletion) {
  TestMachine machine;
  machine.Registry(StringValuesKey("SOFTWARE\\K\\Child", {}));
  Registry& registry = machine.Machine().platform().registry;
  RegKey key = 0;
  EXPECT_EQ(registry.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, "\\SOFTWARE", 0, 0, &key),
            static_cast<int32_t>(win::ERROR_BAD_PATHNAME));
  EXPECT_EQ(registry.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, "SOFTWARE\\None", 0, 0, &key),
            static_cast<int32_t>(win::ERROR_FILE_NOT_FOUND));
  ASSERT_EQ(registry.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, "SOFTWARE\\K", 0, 0, &key), 0);
  // A key with sub-keys is not deleted by one call.
  EXPECT_EQ(registry.RegDeleteKeyA(win::HKEY_LOCAL_MACHINE, "SOFTWARE\\K"),
            static_cast<int32_t>(win::ERROR_ACCESS_DENIED));
  EXPECT_EQ(registry.RegDeleteKeyA(key, "Child"), 0);
  EXPECT_EQ(registry.RegDeleteKeyA(win::HKEY_LOCAL_MACHINE, "SOFTWARE\\K"), 0);
  // The open handle now names a deleted key.
  uint32_t count = 0;
  EXPECT_EQ(registry.RegQueryInfoKeyA(key, &count), static_cast<int32_t>(win::ERROR_KEY_DELETED));
  EXPECT_EQ(registry.RegCloseKey(key), 0);
  EXPECT_EQ(registry.RegCloseKey(key), static_cast<int32_t>(win::ERROR_INVALID_HANDLE));
  // Parents of a deleted key stay; the file follows every change.
  EXPECT_NE(machine.SavedRegistry().FindKey("SOFTWARE"), nullptr);
  EXPECT_EQ(machine.SavedRegistry().FindKey("SOFTWARE\\K"), nullptr);
  EXPECT_FALSE(machine.Exists("registry.reg.tmp"));
}

TEST(SimRegistryTest, TheFileKeepsTheFormatItWasReadIn) {
  TestMachine machine;
  machine.Registry(StringValuesKey("SOFTWARE\\K", {{"A", "1"}}));
  Registry& registry = machine.Machine().platform().registry;
  ScopedRegKey key(registry);
  ASSERT_EQ(registry.RegOpenKeyA(win::HKEY_LOCAL_MACHINE, "SOFTWARE\\K", key.Receive()), 0);
  const uint8_t data[] = {'2', 0};
  ASSERT_EQ(registry.RegSetValueExA(key.get(), "B", win::REG_SZ, data, 2), 0);
  EXPECT_EQ(machine.ReadFile("registry.reg"),
            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\K]\r\n\"A\"=\"1\"\r\n\"B\"=\"2\"\r\n\r\n");
}

TEST(SimDevicesTest, EverySuccessfulSetupApiCallClearsTheLastError) {
  TestMachine machine;
  machine.Registry(DeviceKey("Root\\A\\0", {"*KVE0515"}) + DeviceKey("Root\\B\\0", {"*KVE0517"}))
      .File("d/SETUP/auto/x.inf", "[Version]\r\n")
      .Package()
      .Folder("c/WINDOWS");
  Platform& platform = machine.Machine().platform();
  constexpr uint32_t kMarker = 0xCAFEF00D;
  platform.errors.SetLastError(kMarker);
  DevInfoSet set = platform.devices.SetupDiGetClassDevsA(nullptr, nullptr, 0, 6);
  ASSERT_NE(set, win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(platform.errors.GetLastError(), 0u) << "SetupDiGetClassDevsA";
  DevInfoData device;
  device.cbSize = sizeof device;
  platform.errors.SetLastError(kMarker);
  ASSERT_TRUE(platform.devices.SetupDiEnumDeviceInfo(set, 0, &device));
  EXPECT_EQ(platform.errors.GetLastError(), 0u) << "SetupDiEnumDeviceInfo";
  uint8_t buffer[64] = {};
  platform.errors.SetLastError(kMarker);
  ASSERT_TRUE(platform.devices.SetupDiGetDeviceRegistryPropertyA(set, &device, 1, nullptr, buffer,
                                                                 sizeof buffer, nullptr));
  EXPECT_EQ(platform.errors.GetLastError(), 0u) << "SetupDiGetDeviceRegistryPropertyA";
  platform.errors.SetLastError(kMarker);
  ASSERT_TRUE(platform.devices.SetupDiRemoveDevice(set, &device));
  EXPECT_EQ(platform.errors.GetLastError(), 0u) << "SetupDiRemoveDevice";
  platform.errors.SetLastError(kMarker);
  ASSERT_TRUE(platform.devices.SetupDiDestroyDeviceInfoList(set));
  EXPECT_EQ(platform.errors.GetLastError(), 0u) << "SetupDiDestroyDeviceInfoList";
  platform.errors.SetLastError(kMarker);
  ASSERT_TRUE(platform.files.SetupInstallFileA("x.inf", "D:\\SETUP\\auto", "C:\\WINDOWS\\x.inf",
                                               win::SP_COPY_SOURCEPATH_ABSOLUTE));
  EXPECT_EQ(platform.errors.GetLastError(), 0u) << "SetupInstallFileA";
  std::unique_ptr<NewdevModule> newdev = platform.newdev.LoadNewdev();
  ASSERT_TRUE(newdev && newdev->GetProcAddress("UpdateDriverForPlugAndPlayDevicesA"));
  platform.errors.SetLastError(kMarker);
  int32_t reboot = 0;
  ASSERT_TRUE(newdev->UpdateDriverForPlugAndPlayDevicesA(
      0, "*KVE0517", "D:\\SETUP\\auto\\winme\\kvsd.inf", win::INSTALLFLAG_FORCE, &reboot));
  EXPECT_EQ(platform.errors.GetLastError(), 0u) << "UpdateDriverForPlugAndPlayDevicesA";
}

TEST(SimDevicesTest, PropertyReadsFollowSetupApi) {
  TestMachine machine;
  machine.Registry(DeviceKey("Root\\A\\0", {"*KVE0515"}) + DeviceKey("Root\\B\\0", {}));
  Platform& platform = machine.Machine().platform();
  DevInfoSet set = platform.devices.SetupDiGetClassDevsA(nullptr, nullptr, 0, 6);
  ASSERT_NE(set, win::INVALID_HANDLE_VALUE);
  DevInfoData device;
  device.cbSize = sizeof device;
  ASSERT_TRUE(platform.devices.SetupDiEnumDeviceInfo(set, 0, &device));
  uint8_t buffer[64] = {};
  uint32_t size = 4;
  platform.errors.SetLastError(0xDEAD);
  EXPECT_FALSE(platform.devices.SetupDiGetDeviceRegistryPropertyA(set, &device, 1, nullptr, buffer,
                                                                  size, &size));
  EXPECT_EQ(platform.errors.GetLastError(), win::ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(buffer[0], 0);
  platform.errors.SetLastError(0xDEAD);
  EXPECT_TRUE(platform.devices.SetupDiGetDeviceRegistryPropertyA(set, &device, 1, nullptr, buffer,
                                                                 size, &size));
  EXPECT_EQ(platform.errors.GetLastError(), 0u);
  EXPECT_STREQ(reinterpret_cast<char*>(buffer), "*KVE0515");

  ASSERT_TRUE(platform.devices.SetupDiEnumDeviceInfo(set, 1, &device));
  EXPECT_FALSE(platform.devices.SetupDiGetDeviceRegistryPropertyA(set, &device, 1, nullptr, buffer,
                                                                  64, &size));
  EXPECT_EQ(platform.errors.GetLastError(), win::ERROR_INVALID_DATA);
  EXPECT_FALSE(platform.devices.SetupDiEnumDeviceInfo(set, 2, &device));
  EXPECT_EQ(platform.errors.GetLastError(), win::ERROR_NO_MORE_ITEMS);
  EXPECT_TRUE(platform.devices.SetupDiDestroyDeviceInfoList(set));
  EXPECT_FALSE(platform.devices.SetupDiDestroyDeviceInfoList(set));
}

// A device's hardware-ID list as the set reads it now: the text of its first entry, or the
// call's error code in brackets.
std::string FirstHardwareId(Platform& platform, DevInfoSet set, uint32_t index) {
  DevInfoData device;
  device.cbSize = sizeof device;
  if (!platform.devices.SetupDiEnumDeviceInfo(set, index, &device))
    return "[enum " + std::to_string(platform.errors.GetLastError()) + "]";
  char buffer[64] = {};
  uint32_t size = 0;
  if (!platform.devices.SetupDiGetDeviceRegistryPropertyA(
          set, &device, win::SPDRP_HARDWAREID, nullptr, reinterpret_cast<uint8_t*>(buffer),
          sizeof buffer - 1, &size))
    return "[" + std::to_string(platform.errors.GetLastError()) + "]";
  return buffer;
}

TEST(SimDevicesTest, AnOpenSetReadsEveryChangeOfTheRegistry) {
  TestMachine machine;
  machine.Registry(DeviceKey("Root\\A\\0", {"*KVE0515"}) + DeviceKey("Root\\B\\0", {"*KVE0516"}) +
                   DeviceKey("Root\\C\\0", {"*KVE0517"}));
  Platform& platform = machine.Machine().platform();
  DevInfoSet set = platform.devices.SetupDiGetClassDevsA(nullptr, nullptr, 0, 6);
  ASSERT_NE(set, win::INVALID_HANDLE_VALUE);
  ASSERT_EQ(FirstHardwareId(platform, set, 0), "*KVE0515");
  ASSERT_EQ(FirstHardwareId(platform, set, 1), "*KVE0516");

  auto open_device = [&](ScopedRegKey& key, const std::string& device) {
    return platform.registry.RegOpenKeyA(
        win::HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\Root\\" + device, key.Receive());
  };
  ScopedRegKey a(platform.registry);
  ASSERT_EQ(open_device(a, "A\\0"), 0);
  auto set_value = [&](const std::string& name, const std::string& multi) {
    return platform.registry.RegSetValueExA(a.get(), name, win::REG_MULTI_SZ,
                                            reinterpret_cast<const uint8_t*>(multi.data()),
                                            static_cast<uint32_t>(multi.size()));
  };
  // The list itself rewritten, then many other values added to the same key (its values move in
  // memory), then another device's key changed: each read gives the registry as it is then.
  ASSERT_EQ(set_value("HardwareID", std::string("*KVE0599\0\0", 10)), 0);
  EXPECT_EQ(FirstHardwareId(platform, set, 0), "*KVE0599");
  for (int i = 0; i < 40; ++i)
    ASSERT_EQ(set_value("Other" + std::to_string(i), std::string("x\0\0", 3)), 0);
  EXPECT_EQ(FirstHardwareId(platform, set, 0), "*KVE0599");
  ScopedRegKey b(platform.registry);
  ASSERT_EQ(open_device(b, "B\\0"), 0);
  // A change followed by more changes elsewhere than the machine tracks one by one.
  ASSERT_EQ(set_value("HardwareID", std::string("*KVE0598\0\0", 10)), 0);
  const uint8_t one[] = {1, 0, 0, 0};
  for (int i = 0; i < 5000; ++i)
    ASSERT_EQ(platform.registry.RegSetValueExA(b.get(), "Count", win::REG_DWORD, one, 4), 0);
  EXPECT_EQ(FirstHardwareId(platform, set, 0), "*KVE0598");
  EXPECT_EQ(FirstHardwareId(platform, set, 1), "*KVE0516");
  ASSERT_EQ(platform.registry.RegDeleteValueA(b.get(), "HardwareID"), 0);
  EXPECT_EQ(FirstHardwareId(platform, set, 0), "*KVE0598");
  EXPECT_EQ(FirstHardwareId(platform, set, 1), "[" + std::to_string(win::ERROR_INVALID_DATA) + "]");

  // A device removed through another set is gone for this one too; the others stay readable.
  DevInfoSet other = platform.devices.SetupDiGetClassDevsA(nullptr, nullptr, 0, 6);
  DevInfoData device;
  device.cbSize = sizeof device;
  ASSERT_TRUE(platform.devices.SetupDiEnumDeviceInfo(other, 0, &device));
  ASSERT_TRUE(platform.devices.SetupDiRemoveDevice(other, &device));
  EXPECT_EQ(FirstHardwareId(platform, set, 0),
            "[" + std::to_string(win::ERROR_NO_SUCH_DEVINST) + "]");
  EXPECT_EQ(FirstHardwareId(platform, set, 2), "*KVE0517");
  EXPECT_EQ(FirstHardwareId(platform, other, 0),
            "[" + std::to_string(win::ERROR_NO_SUCH_DEVINST) + "]");
  EXPECT_TRUE(platform.devices.SetupDiDestroyDeviceInfoList(other));
  EXPECT_TRUE(platform.devices.SetupDiDestroyDeviceInfoList(set));
}

TEST(SimNewdevTest, UpdateRecordsTheInfOnEveryMatchingDevice) {
  TestMachine machine;
  machine
      .Registry(testing::WindowsXpKeys() + DeviceKey("Root\\A\\0", {"x", "*kve0515"}) +
                DeviceKey("Root\\B\\0", {"*KVE0515"}) + DeviceKey("Root\\C\\0", {"*KVE0516"}))
      .Package();
  Platform& platform = machine.Machine().platform();
  std::unique_ptr<NewdevModule> newdev = platform.newdev.LoadNewdev();
  ASSERT_TRUE(newdev);
  int32_t reboot = 7;
  const std::string inf = "D:\\setup\\auto\\winxp\\KVMS.INF";
  EXPECT_TRUE(newdev->UpdateDriverForPlugAndPlayDevicesA(0, "*KVE0515", inf, 1, &reboot));
  EXPECT_EQ(reboot, 0);
  sim::RegistryStore saved = machine.SavedRegistry();
  for (const char* device : {"Root\\A\\0", "Root\\B\\0"})
    EXPECT_EQ(testing::StringValue(saved, std::string("SYSTEM\\CurrentControlSet\\Enum\\") + device,
                                   "InfPath"),
              inf);
  EXPECT_EQ(testing::StringValue(saved, "SYSTEM\\CurrentControlSet\\Enum\\Root\\C\\0", "InfPath"),
            "<missing>");

  EXPECT_FALSE(newdev->UpdateDriverForPlugAndPlayDevicesA(0, "*KVE0517", inf, 1, &reboot));
  EXPECT_EQ(platform.errors.GetLastError(), win::ERROR_NO_SUCH_DEVINST);
  EXPECT_FALSE(
      newdev->UpdateDriverForPlugAndPlayDevicesA(0, "*KVE0516", "D:\\none.inf", 1, &reboot));
  EXPECT_EQ(platform.errors.GetLastError(), win::ERROR_FILE_NOT_FOUND);
}

TEST(SimFilesTest, NamesAreFoundWithoutCaseAndFoldersAreNeverCreated) {
  TestMachine machine;
  machine.File("d/Drivers/LOG.TXT", "old");
  Platform& platform = machine.Machine().platform();
  EXPECT_TRUE(platform.files.WriteNewFile("d:\\DRIVERS\\log.txt", "new"));
  EXPECT_EQ(machine.ReadFile("d/Drivers/LOG.TXT"), "new");
  EXPECT_FALSE(machine.Exists("d/Drivers/log.txt"));
  EXPECT_FALSE(platform.files.WriteNewFile("D:\\Missing\\log.txt", "x"));
  EXPECT_EQ(platform.errors.GetLastError(), win::ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(machine.Exists("d/Missing"));
  EXPECT_FALSE(platform.files.WriteNewFile("Q:\\log.txt", "x"));
  EXPECT_FALSE(platform.files.WriteNewFile("\\\\server\\share\\log.txt", "x"));
  // ".." never leads out of the drive.
  EXPECT_TRUE(platform.files.WriteNewFile("D:\\..\\..\\escape.txt", "x"));
  EXPECT_TRUE(machine.Exists("d/escape.txt"));
  EXPECT_FALSE(std::filesystem::exists(machine.folder() / "escape.txt"));
}

TEST(SimFilesTest, AttributesTellFilesFromFoldersAndPathsWithoutADriveUseTheProgramsFolder) {
  TestMachine machine;  // the program is D:\SETUP\Setup.exe
  machine.File("d/SETUP/WIN98/net8.cab", "cab").File("d/ROOT.CAB", "cab").File("c/ONLYC.CAB", "");
  Files& files = machine.Machine().platform().files;
  ThreadErrors& errors = machine.Machine().platform().errors;
  EXPECT_EQ(files.GetFileAttributesA("D:\\setup\\win98\\NET8.CAB"), win::FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(files.GetFileAttributesA("D:\\SETUP\\WIN98"), win::FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(files.GetFileAttributesA("D:\\SETUP\\WIN98\\\\NET8.CAB"), win::FILE_ATTRIBUTE_ARCHIVE);
  // Without a drive: below the program's folder; with a leading backslash: on its drive.
  EXPECT_EQ(files.GetFileAttributesA("WIN98\\NET8.CAB"), win::FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(files.GetFileAttributesA("\\ROOT.CAB"), win::FILE_ATTRIBUTE_ARCHIVE);
  for (const char* missing : {"\\ONLYC.CAB", "\\\\server\\share\\ROOT.CAB", "ROOT.CAB",
                              "D:\\SETUP\\WIN9?\\NET8.CAB", "Q:\\ROOT.CAB"}) {
    errors.SetLastError(0);
    EXPECT_EQ(files.GetFileAttributesA(missing), win::INVALID_FILE_ATTRIBUTES) << missing;
    EXPECT_NE(errors.GetLastError(), 0u) << missing;
  }
}

TEST(SimFoldersTest, WindowsFolderFromMachineIniOrFailure) {
  TestMachine standard;
  char buffer[100];
  EXPECT_EQ(standard.Machine().platform().folders.GetWindowsDirectoryA(buffer, sizeof buffer), 10u);
  EXPECT_STREQ(buffer, "C:\\WINDOWS");
  EXPECT_EQ(standard.Machine().platform().folders.GetWindowsDirectoryA(buffer, 5), 11u);

  TestMachine none;
  none.Ini("windows =\r\n");
  EXPECT_EQ(none.Machine().platform().folders.GetWindowsDirectoryA(buffer, sizeof buffer), 0u);

  TestMachine second;
  second.Ini("[failures]\r\nGetWindowsDirectoryA = call 2\r\n");
  SystemFolders& folders = second.Machine().platform().folders;
  EXPECT_NE(folders.GetWindowsDirectoryA(buffer, sizeof buffer), 0u);
  EXPECT_EQ(folders.GetWindowsDirectoryA(buffer, sizeof buffer), 0u);
  EXPECT_NE(folders.GetWindowsDirectoryA(buffer, sizeof buffer), 0u);
}

TEST(SimFoldersTest, TheSystemFolderIsSystemOnWindows9xAndSystem32OnNt) {
  struct Case {
    std::string keys;
    std::string ini;
    const char* system;
  };
  const Case cases[] = {
      {testing::Windows98Keys(), "", "C:\\WINDOWS\\SYSTEM"},
      {testing::WindowsMeKeys(), "windows = D:\\WINME\r\n", "D:\\WINME\\SYSTEM"},
      {testing::Windows2000Keys(), "windows = C:\\WINNT\r\n", "C:\\WINNT\\system32"},
      {testing::WindowsXpKeys(), "", "C:\\WINDOWS\\system32"},
      {testing::WindowsMeKeys(), "system = C:\\WINDOWS\\SYS\r\n", "C:\\WINDOWS\\SYS"},
  };
  for (const Case& c : cases) {
    TestMachine machine;
    machine.Registry(c.keys).Ini(c.ini);
    char buffer[100];
    ASSERT_NE(machine.Machine().platform().folders.GetSystemDirectoryA(buffer, sizeof buffer), 0u);
    EXPECT_STREQ(buffer, c.system) << c.keys.substr(0, 80);
  }
}

// Nothing can be written to a CD: files, folders, copies, the person's folder changes and what a
// started program writes all fail there, and reading still works.
TEST(SimFilesTest, ACdDriveRefusesEveryWrite) {
  TestMachine machine;
  machine.Ini("[drives]\r\nE: = cdrom | TALVEX\r\n")
      .File("e/SETUP/kvms.inf", "inf")
      .File("c/WINDOWS/kvms.inf", "old")
      .Folder("e/SETUP/auto");
  Platform& platform = machine.Machine().platform();
  ThreadErrors& errors = platform.errors;
  EXPECT_FALSE(platform.files.WriteNewFile("E:\\SETUP\\log.txt", "x"));
  EXPECT_EQ(errors.GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_FALSE(platform.files.WriteNewFile("E:\\SETUP\\kvms.inf", "x"));  // nor replaced
  EXPECT_EQ(errors.GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_FALSE(platform.files.CreateDirectoryA("E:\\SETUP\\New"));
  EXPECT_EQ(errors.GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_FALSE(platform.files.SetupInstallFileA("kvms.inf", "C:\\WINDOWS", "E:\\SETUP\\kvms.inf",
                                                win::SP_COPY_SOURCEPATH_ABSOLUTE));
  EXPECT_EQ(errors.GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_NE(machine.Machine().shell().MakeFolder("E:\\SETUP\\New"), "");
  EXPECT_NE(machine.Machine().shell().RemoveFolder("E:\\SETUP\\auto"), "");
  EXPECT_NE(machine.Machine().shell().RenameFolder("E:\\SETUP\\auto", "E:\\SETUP\\b"), "");
  // Reading from the CD and copying from it work.
  EXPECT_TRUE(platform.files.CanOpenForReading("E:\\SETUP\\kvms.inf"));
  EXPECT_TRUE(platform.files.SetupInstallFileA("kvms.inf", "E:\\SETUP", "C:\\WINDOWS\\kvms.inf",
                                               win::SP_COPY_SOURCEPATH_ABSOLUTE));
  EXPECT_EQ(machine.ReadFile("c/WINDOWS/kvms.inf"), "inf");
  EXPECT_EQ(machine.ReadFile("e/SETUP/kvms.inf"), "inf");
  EXPECT_FALSE(machine.Exists("e/SETUP/log.txt"));
  EXPECT_FALSE(machine.Exists("e/SETUP/New"));
  EXPECT_TRUE(machine.Exists("e/SETUP/auto"));
}

}  // namespace
}  // namespace talvex::sim
