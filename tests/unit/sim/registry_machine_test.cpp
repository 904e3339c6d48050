// The simulated registry as a program and an onlooker meet it: when registry.reg is written, what
// handles and device sets see after keys change, Version 5.00 text through the ANSI calls, and
// values of any length.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "inspect/windows_version.h"
#include "platform/sim/machine.h"
#include "platform/winconst.h"
#include "tests/unit/support/test_machine.h"

namespace talvex::sim {
namespace {

namespace fs = std::filesystem;
using testing::DeviceKey;
using testing::StringValuesKey;
using testing::TestMachine;

int32_t Code(uint32_t error) {
  return static_cast<int32_t>(error);
}

// registry.reg as it is on disk now, without asking the machine to write it first.
std::string OnDisk(const TestMachine& machine) {
  std::ifstream in(machine.folder() / "registry.reg", std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Overwrite(const TestMachine& machine, const std::string& bytes) {
  std::ofstream(machine.folder() / "registry.reg", std::ios::binary | std::ios::trunc) << bytes;
}

std::string Utf16File(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

TEST(DeferredWriteTest, TheFileChangesWhenTheMachineCanBeLookedAtAndOnlyThen) {
  TestMachine machine;
  machine.Registry(StringValuesKey("SOFTWARE\\K", {{"A", "1"}})).File("d/SETUP/tool.exe", "");
  SimMachine& sim = machine.Machine();
  Platform& platform = sim.platform();
  const std::string original = OnDisk(machine);

  // Nothing changed: nothing is written (an onlooker's edit of the file stays).
  Overwrite(machine, "edited by hand");
  EXPECT_TRUE(sim.Flush());
  EXPECT_EQ(OnDisk(machine), "edited by hand");
  Overwrite(machine, original);

  // A change stays in memory until someone can look.
  ScopedRegKey key(platform.registry);
  ASSERT_EQ(platform.registry.RegOpenKeyA(win::HKEY_LOCAL_MACHINE, "SOFTWARE\\K", key.Receive()),
            0);
  const uint8_t two[] = {'2', 0};
  ASSERT_EQ(platform.registry.RegSetValueExA(key.get(), "B", win::REG_SZ, two, 2), 0);
  EXPECT_EQ(OnDisk(machine), original);

  // A program started inside the machine finds the file up to date.
  ProcessInformation started;
  ASSERT_TRUE(platform.processes.CreateProcessA("D:\\SETUP\\tool.exe", "tool", false, 0,
                                                StartupInfo{}, &started));
  EXPECT_NE(OnDisk(machine).find("\"B\"=\"2\""), std::string::npos);
  EXPECT_FALSE(fs::exists(machine.folder() / "registry.reg.tmp"));

  // Written once: a second look writes nothing.
  const std::string afterStart = OnDisk(machine);
  Overwrite(machine, "edited by hand");
  EXPECT_TRUE(sim.Flush());
  EXPECT_EQ(OnDisk(machine), "edited by hand");

  // Deleting is a change too, and so is what the store is told directly.
  ASSERT_EQ(platform.registry.RegDeleteValueA(key.get(), "A"), 0);
  sim.registry_store().CreateKey("SOFTWARE\\New");
  EXPECT_TRUE(sim.Flush());
  RegistryStore saved = RegistryStore::Parse(OnDisk(machine));
  EXPECT_EQ(saved.FindKey("SOFTWARE\\K")->FindValue("A"), nullptr);
  EXPECT_NE(saved.FindKey("SOFTWARE\\K")->FindValue("B"), nullptr);
  EXPECT_NE(saved.FindKey("SOFTWARE\\New"), nullptr);
}

TEST(DeferredWriteTest, AFileThatCannotBeWrittenIsReportedAndTriedAgain) {
  TestMachine machine;
  machine.Registry(StringValuesKey("SOFTWARE\\K", {}));
  SimMachine& sim = machine.Machine();
  const std::string original = OnDisk(machine);
  sim.registry_store().CreateKey("SOFTWARE\\K\\New");
  // A folder where the temporary file would go: the write fails and leaves registry.reg as it was.
  fs::create_directory(machine.folder() / "registry.reg.tmp");
  EXPECT_FALSE(sim.Flush());
  EXPECT_EQ(OnDisk(machine), original);
  fs::remove(machine.folder() / "registry.reg.tmp");
  EXPECT_TRUE(sim.Flush());
  EXPECT_NE(OnDisk(machine).find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\K\\New]"), std::string::npos);
}

TEST(SimRegistryHandleTest, AHandleStaysWithTheKeyItOpened) {
  TestMachine machine;
  machine.Registry(StringValuesKey("SOFTWARE\\K\\Child", {{"v", "old"}}));
  Registry& registry = machine.Machine().platform().registry;
  ScopedRegKey parent(registry);
  ScopedRegKey child(registry);
  ASSERT_EQ(registry.RegOpenKeyA(win::HKEY_LOCAL_MACHINE, "SOFTWARE\\K", parent.Receive()), 0);
  ASSERT_EQ(registry.RegOpenKeyExA(parent.get(), "CHILD", 0, 0, child.Receive()), 0);
  uint32_t size = 0;
  EXPECT_EQ(registry.RegQueryValueExA(child.get(), "V", nullptr, nullptr, &size), 0);
  EXPECT_EQ(size, 4u);
  ASSERT_EQ(registry.RegDeleteKeyA(parent.get(), "Child"), 0);
  // A key of the same name made afterwards is another key.
  machine.Machine().registry_store().CreateKey("SOFTWARE\\K\\Child");
  EXPECT_EQ(registry.RegQueryValueExA(child.get(), "v", nullptr, nullptr, &size),
            Code(win::ERROR_KEY_DELETED));
  ScopedRegKey reopened(registry);
  EXPECT_EQ(registry.RegOpenKeyExA(parent.get(), "Child", 0, 0, reopened.Receive()), 0);
  EXPECT_EQ(registry.RegQueryValueExA(reopened.get(), "v", nullptr, nullptr, &size),
            Code(win::ERROR_FILE_NOT_FOUND));
}

class DeviceSetTest : public ::testing::Test {
 protected:
  DevInfoSet NewSet() {
    DevInfoSet set = Devices().SetupDiGetClassDevsA(nullptr, nullptr, 0, 6);
    EXPECT_NE(set, win::INVALID_HANDLE_VALUE);
    return set;
  }
  DeviceSetup& Devices() { return machine_.Machine().platform().devices; }
  uint32_t LastError() { return machine_.Machine().platform().errors.GetLastError(); }
  // The hardware-ID list of the set's device number index, or "<error N>".
  std::string Ids(DevInfoSet set, uint32_t index) {
    DevInfoData device;
    device.cbSize = sizeof device;
    if (!Devices().SetupDiEnumDeviceInfo(set, index, &device))
      return "<error " + std::to_string(LastError()) + ">";
    uint8_t buffer[64] = {};
    uint32_t size = 0;
    if (!Devices().SetupDiGetDeviceRegistryPropertyA(set, &device, win::SPDRP_HARDWAREID, nullptr,
                                                     buffer, sizeof buffer, &size))
      return "<error " + std::to_string(LastError()) + ">";
    return std::string(reinterpret_cast<char*>(buffer));
  }

  TestMachine machine_;
};

TEST_F(DeviceSetTest, ASetHoldsTheDevicesPresentWhenItWasMade) {
  machine_.Registry(DeviceKey("Root\\A\\0", {"A"}) + DeviceKey("Root\\B\\0", {"B"}) +
                    DeviceKey("Root\\B\\1", {"B1"}));
  DevInfoSet first = NewSet();
  DevInfoSet second = NewSet();
  DevInfoData device;
  device.cbSize = sizeof device;
  ASSERT_TRUE(Devices().SetupDiEnumDeviceInfo(first, 1, &device));
  ASSERT_TRUE(Devices().SetupDiRemoveDevice(first, &device));
  EXPECT_FALSE(Devices().SetupDiRemoveDevice(first, &device));
  EXPECT_EQ(LastError(), win::ERROR_NO_SUCH_DEVINST);

  // The other set still counts the removed device, which is gone; the others are where they were.
  EXPECT_EQ(Ids(second, 0), "A");
  EXPECT_EQ(Ids(second, 1), "<error " + std::to_string(win::ERROR_NO_SUCH_DEVINST) + ">");
  EXPECT_EQ(Ids(second, 2), "B1");

  // A device that appears later is in the sets made after it only; a changed list is read as it
  // is now.
  machine_.Machine().registry_store().CreateKey("SYSTEM\\CurrentControlSet\\Enum\\Root\\C\\0");
  machine_.Machine()
      .registry_store()
      .FindKey("SYSTEM\\CurrentControlSet\\Enum\\Root\\A\\0")
      ->SetValue({"HardwareID", win::REG_MULTI_SZ, {'N', 'e', 'w', 0, 0}});
  EXPECT_EQ(Ids(second, 0), "New");
  EXPECT_EQ(Ids(second, 3), "<error " + std::to_string(win::ERROR_NO_MORE_ITEMS) + ">");
  DevInfoSet third = NewSet();
  EXPECT_EQ(Ids(third, 0), "New");
  EXPECT_EQ(Ids(third, 1), "B1");
  EXPECT_EQ(Ids(third, 2), "<error " + std::to_string(win::ERROR_INVALID_DATA) + ">");
  for (DevInfoSet set : {first, second, third})
    EXPECT_TRUE(Devices().SetupDiDestroyDeviceInfoList(set));
}

TEST(Version5MachineTest, TheProgramSeesQuestionMarksAndTheFileKeepsEverything) {
  TestMachine machine;
  const std::u16string keys =
      u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n"
      u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\K\u4E2D]\r\n\"V\"=\"\u03B1\"\r\n\r\n"
      u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\K\u03B1]\r\n\r\n";
  machine.RegistryFile(Utf16File(keys));
  Registry& registry = machine.Machine().platform().registry;
  ScopedRegKey software(registry);
  ASSERT_EQ(registry.RegOpenKeyA(win::HKEY_LOCAL_MACHINE, "SOFTWARE", software.Receive()), 0);
  std::string name;
  EXPECT_EQ(registry.RegEnumKeyExA(software.get(), 0, &name), 0);
  EXPECT_EQ(name, "K?");
  EXPECT_EQ(registry.RegEnumKeyExA(software.get(), 1, &name), 0);
  EXPECT_EQ(name, "K?");
  ScopedRegKey key(registry);
  EXPECT_EQ(registry.RegOpenKeyA(software.get(), "K?", key.Receive()),
            Code(win::ERROR_FILE_NOT_FOUND));

  // A change the program makes leaves the rest of the file as it was.
  const uint8_t data[] = {'x', 0};
  ASSERT_EQ(registry.RegSetValueExA(software.get(), "New", win::REG_SZ, data, 2), 0);
  EXPECT_EQ(machine.ReadFile("registry.reg"),
            Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n"
                      u"[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\"New\"=\"x\"\r\n\r\n"
                      u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\K\u4E2D]\r\n\"V\"=\"\u03B1\"\r\n\r\n"
                      u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\K\u03B1]\r\n\r\n"));
}

TEST(LongValueTest, AnyLengthIsReportedAndReadWhole) {
  const std::string version = "Windows 98" + std::string(100000, 'x');
  TestMachine machine;
  machine.Registry(
      StringValuesKey("Software\\Microsoft\\Windows\\CurrentVersion", {{"Version", version}}));
  Registry& registry = machine.Machine().platform().registry;
  ScopedRegKey key(registry);
  ASSERT_EQ(registry.RegOpenKeyA(win::HKEY_LOCAL_MACHINE,
                                 "Software\\Microsoft\\Windows\\CurrentVersion", key.Receive()),
            0);
  const uint32_t whole = static_cast<uint32_t>(version.size() + 1);
  uint32_t size = 0;
  uint32_t type = 0;
  EXPECT_EQ(registry.RegQueryValueExA(key.get(), "Version", &type, nullptr, &size), 0);
  EXPECT_EQ(size, whole);
  std::vector<uint8_t> buffer(whole, 0xAA);
  size = whole - 1;
  EXPECT_EQ(registry.RegQueryValueExA(key.get(), "Version", &type, buffer.data(), &size),
            Code(win::ERROR_MORE_DATA));
  EXPECT_EQ(size, whole);
  EXPECT_EQ(type, win::REG_SZ);
  EXPECT_EQ(registry.RegQueryValueExA(key.get(), "Version", nullptr, buffer.data(), &size), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.data())), version);
  // The version detection reads it whole too, and recognises it.
  EXPECT_EQ(DetectWindowsVersion(registry), Win98);
}

}  // namespace
}  // namespace talvex::sim
