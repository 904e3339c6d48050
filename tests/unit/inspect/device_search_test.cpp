// The device search: what is compared, how hardware-ID lists are read, what is removed, and every
// line it prints.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inspect/device_search.h"
#include "inspect/print_failure.h"
#include "platform/winconst.h"
#include "tests/unit/support/test_machine.h"

namespace talvex {
namespace {

using testing::DeviceKey;
using testing::DeviceKeyWithIds;
using testing::TestMachine;

// Records the declared size of every hardware-ID read, and passes the call on.
class RecordingDevices : public DeviceSetup {
 public:
  explicit RecordingDevices(DeviceSetup& inner) : inner_(inner) {}
  DevInfoSet SetupDiGetClassDevsA(const void* g, const char* e, WindowHandle p,
                                  uint32_t f) override {
    flags.push_back(f);
    return inner_.SetupDiGetClassDevsA(g, e, p, f);
  }
  bool SetupDiEnumDeviceInfo(DevInfoSet s, uint32_t i, DevInfoData* d) override {
    return inner_.SetupDiEnumDeviceInfo(s, i, d);
  }
  bool SetupDiGetDeviceRegistryPropertyA(DevInfoSet s, DevInfoData* d, uint32_t p, uint32_t* t,
                                         uint8_t* b, uint32_t size, uint32_t* r) override {
    declaredSizes.push_back(size);
    return inner_.SetupDiGetDeviceRegistryPropertyA(s, d, p, t, b, size, r);
  }
  bool SetupDiRemoveDevice(DevInfoSet s, DevInfoData* d) override {
    ++removals;
    return inner_.SetupDiRemoveDevice(s, d);
  }
  bool SetupDiDestroyDeviceInfoList(DevInfoSet s) override {
    return inner_.SetupDiDestroyDeviceInfoList(s);
  }
  std::vector<uint32_t> flags;
  std::vector<uint32_t> declaredSizes;
  int removals = 0;

 private:
  DeviceSetup& inner_;
};

class DeviceSearchTest : public ::testing::Test {
 protected:
  // Searches on a machine with these registry sections.
  bool Search(const std::string& devices, const std::string& wanted,
              HardwareIdScope scope = HardwareIdScope::kEveryEntry, bool remove = false) {
    machine_.Registry(devices);
    sim::SimMachine& sim = machine_.Machine();
    recorder_ = std::make_unique<RecordingDevices>(sim.devices());
    Platform base = sim.platform();
    platform_ = std::make_unique<Platform>(Platform{
        base.registry, *recorder_, base.newdev, base.files, base.folders, base.process, base.errors,
        base.console, base.processes, base.windows, base.shell, base.session});
    machine_.ClearOut();
    return SearchDevices(*platform_, wanted, scope, remove);
  }
  std::string Out() const { return machine_.Out(); }
  bool DeviceExists(const std::string& instance) {
    return machine_.Machine().registry_store().FindKey("SYSTEM\\CurrentControlSet\\Enum\\" +
                                                       instance) != nullptr;
  }

  TestMachine machine_;
  std::unique_ptr<RecordingDevices> recorder_;
  std::unique_ptr<Platform> platform_;
};

// A list of ids whose multi-text form takes exactly `bytes` bytes.
std::vector<std::string> IdsOfSize(size_t bytes, const std::string& last = "") {
  std::vector<std::string> ids;
  size_t used = 1;  // the final empty text
  if (!last.empty())
    used += last.size() + 1;
  while (bytes - used > 40) {
    ids.push_back(std::string(39, 'P'));
    used += 40;
  }
  ids.push_back(std::string(bytes - used - 1, 'Q'));
  if (!last.empty())
    ids.push_back(last);
  return ids;
}

TEST_F(DeviceSearchTest, EveryEntryIsComparedButThePrimaryScopeLooksAtTheFirstOnly) {
  std::string devices = DeviceKey("ACPI\\KVE0515\\0", {"ACPI\\KVE0515", "*KVE0515"});
  EXPECT_TRUE(Search(devices, "*KVE0515"));
  EXPECT_EQ(Out(),
            "Search for Device ID: [*KVE0515]\n"
            "Compare device ID: [ACPI\\KVE0515]\n"
            "Compare device ID: [*KVE0515]\n"
            "Found! [*KVE0515]\n");
  EXPECT_EQ(recorder_->flags, (std::vector<uint32_t>{0x6}));
}

TEST_F(DeviceSearchTest, PrimaryScopeIgnoresLaterEntries) {
  std::string devices = DeviceKey("ACPI\\KVE0515\\0", {"ACPI\\KVE0515", "*KVE0515"});
  EXPECT_FALSE(Search(devices, "*KVE0515", HardwareIdScope::kFirstEntry, true));
  EXPECT_EQ(Out(),
            "Search for Device ID: [*KVE0515]\n"
            "Compare device ID: [ACPI\\KVE0515]\n"
            "EnumDeviceInfo FAILURE: No more data is available.\r\n\n");
  EXPECT_EQ(recorder_->removals, 0);
}

TEST_F(DeviceSearchTest, ComparisonIgnoresCaseButNeedsTheWholeEntry) {
  EXPECT_TRUE(Search(DeviceKey("Root\\A\\0", {"*kve0515"}), "*KVE0515"));
  EXPECT_NE(Out().find("Found! [*kve0515]\n"), std::string::npos);
}

TEST_F(DeviceSearchTest, LongerOrContainingEntriesDoNotMatch) {
  EXPECT_FALSE(Search(DeviceKey("Root\\A\\0", {"*KVE05150", "X*KVE0515", "*KVE051"}), "*KVE0515"));
  EXPECT_EQ(machine_.Machine().errors().GetLastError(), win::ERROR_NO_MORE_ITEMS);
}

TEST_F(DeviceSearchTest, NoMatchPrintsEveryCompareAndTheEndOfTheEnumeration) {
  std::string devices = DeviceKey("Root\\A\\0", {"*PNP0303"}) + DeviceKey("Root\\B\\0", {}) +
                        DeviceKey("Root\\C\\0", {"X", "Y"});
  EXPECT_FALSE(Search(devices, "*KVE0513"));
  // The device without hardware IDs is skipped silently.
  EXPECT_EQ(Out(),
            "Search for Device ID: [*KVE0513]\n"
            "Compare device ID: [*PNP0303]\n"
            "Compare device ID: [X]\n"
            "Compare device ID: [Y]\n"
            "EnumDeviceInfo FAILURE: No more data is available.\r\n\n");
}

TEST_F(DeviceSearchTest, ListsUpTo200BytesAreReadWithOneCall) {
  EXPECT_TRUE(Search(DeviceKeyWithIds("Root\\A\\0", IdsOfSize(200, "*KVE0515")), "*KVE0515"));
  EXPECT_EQ(recorder_->declaredSizes, (std::vector<uint32_t>{200}));
}

TEST_F(DeviceSearchTest, LongerListsAreReadAgainWithTheReportedSize) {
  EXPECT_TRUE(Search(DeviceKeyWithIds("Root\\A\\0", IdsOfSize(201, "*KVE0515")), "*KVE0515"));
  EXPECT_EQ(recorder_->declaredSizes, (std::vector<uint32_t>{200, 201}));
}

TEST_F(DeviceSearchTest, ListsLongerThan800BytesGrowTheBufferAndAreCompared) {
  EXPECT_TRUE(Search(DeviceKeyWithIds("Root\\A\\0", IdsOfSize(3000, "*KVE0515")), "*KVE0515"));
  EXPECT_EQ(recorder_->declaredSizes, (std::vector<uint32_t>{200, 3000}));
}

TEST_F(DeviceSearchTest, WalkStopsAtTheFirstEmptyEntry) {
  std::string devices =
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\Root\\A\\0]\r\n"
      "\"HardwareID\"=hex(7):41,00,00,2a,4b,56,45,30,35,31,35,00,00\r\n\r\n";
  EXPECT_FALSE(Search(devices, "*KVE0515"));
  EXPECT_EQ(Out().find("Compare device ID: [*KVE0515]"), std::string::npos);
}

TEST_F(DeviceSearchTest, WalkNeverReadsPastTheReportedSize) {
  // The first list leaves "*KVE0515" in the buffer after an empty entry; the second device's list
  // is three bytes with no final empty text. Reading on past its size would find the stale ID.
  std::string devices =
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\Root\\A\\0]\r\n"
      "\"HardwareID\"=hex(7):41,00,00,2a,4b,56,45,30,35,31,35,00,00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\Root\\B\\0]\r\n"
      "\"HardwareID\"=hex(7):42,42,00\r\n\r\n";
  EXPECT_FALSE(Search(devices, "*KVE0515"));
  EXPECT_NE(Out().find("Compare device ID: [BB]\n"), std::string::npos);
}

TEST_F(DeviceSearchTest, FirstEntryEndsAtTheReportedSizeToo) {
  // The second list is "XBC" without any zero byte; the buffer still holds "ABCDEF" from the
  // first. Read as one text up to a zero it would be the stale "XBCDEF".
  std::string devices =
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\Root\\A\\0]\r\n"
      "\"HardwareID\"=hex(7):41,42,43,44,45,46,00,00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\Root\\B\\0]\r\n"
      "\"HardwareID\"=hex(7):58,42,43\r\n\r\n";
  EXPECT_FALSE(Search(devices, "XBCDEF", HardwareIdScope::kFirstEntry, true));
  EXPECT_NE(Out().find("Compare device ID: [XBC]\n"), std::string::npos);
  EXPECT_EQ(recorder_->removals, 0);
}

TEST_F(DeviceSearchTest, OnlyTheFirstOfTwoMatchingDevicesIsFoundAndRemoved) {
  std::string devices =
      DeviceKey("USBSTOR\\Disk\\1", {"GenDisk"}) + DeviceKey("USBSTOR\\Disk\\2", {"GenDisk"});
  EXPECT_TRUE(Search(devices, "GenDisk", HardwareIdScope::kFirstEntry, true));
  EXPECT_FALSE(DeviceExists("USBSTOR\\Disk\\1"));
  EXPECT_TRUE(DeviceExists("USBSTOR\\Disk\\2"));
  EXPECT_EQ(recorder_->removals, 1);
  // The removal is on disk too.
  EXPECT_EQ(machine_.SavedRegistry().FindKey("SYSTEM\\CurrentControlSet\\Enum\\USBSTOR\\Disk\\1"),
            nullptr);
}

TEST_F(DeviceSearchTest, NothingIsRemovedWithoutAMatchOrWithoutBeingAsked) {
  std::string devices = DeviceKey("Root\\A\\0", {"*KVE0515"});
  EXPECT_TRUE(Search(devices, "*KVE0515", HardwareIdScope::kEveryEntry, false));
  EXPECT_TRUE(DeviceExists("Root\\A\\0"));
  EXPECT_EQ(recorder_->removals, 0);
}

TEST_F(DeviceSearchTest, SetCreationFailureIsOneLineAndFalse) {
  machine_.Ini("[failures]\r\nSetupDiGetClassDevsA = always error 8\r\n");
  EXPECT_FALSE(Search(DeviceKey("Root\\A\\0", {"*KVE0515"}), "*KVE0515"));
  EXPECT_EQ(Out(),
            "GetClassDevs(All Present Devices) FAILURE: Not enough storage is available to "
            "process this command.\r\n\n");
}

TEST_F(DeviceSearchTest, AFailedReadEndsTheSearchWithoutRemoval) {
  machine_.Ini(
      "[failures]\r\nSetupDiGetDeviceRegistryPropertyA "
      "SYSTEM\\CurrentControlSet\\Enum\\Root\\A\\0 = always error 5\r\n");
  std::string devices = DeviceKey("Root\\A\\0", {"X"}) + DeviceKey("Root\\B\\0", {"*KVE0515"});
  EXPECT_FALSE(Search(devices, "*KVE0515", HardwareIdScope::kEveryEntry, true));
  EXPECT_EQ(Out(),
            "Search for Device ID: [*KVE0515]\n"
            "GetDeviceRegistryProperty FAILURE: Access is denied.\r\n\n");
  EXPECT_EQ(machine_.Machine().errors().GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_EQ(machine_.Machine().devices().OpenSetCount(), 0u);
}

TEST_F(DeviceSearchTest, AFailureWithErrorCodeZeroNeverReadsAsPresent) {
  machine_.Ini("[failures]\r\nSetupDiGetDeviceRegistryPropertyA = always error 0\r\n");
  EXPECT_FALSE(Search(DeviceKey("Root\\A\\0", {"*KVE0515"}), "*KVE0515"));
  EXPECT_EQ(Out(),
            "Search for Device ID: [*KVE0515]\n"
            "GetDeviceRegistryProperty FAILURE: The operation completed successfully.\r\n\n");
}

TEST_F(DeviceSearchTest, TheRetryLimitRunsOverTheWholeSearch) {
  // Each long device costs one retry; after 500 of them a long list is no longer read.
  for (int devicesBefore : {499, 500}) {
    TestMachine fresh;
    std::string devices;
    for (int i = 0; i < devicesBefore; ++i)
      devices += DeviceKeyWithIds("Root\\L\\" + std::to_string(i), IdsOfSize(300));
    devices += DeviceKeyWithIds("Root\\K\\0", IdsOfSize(300, "*KVE0515"));
    fresh.Registry(devices);
    bool found =
        SearchDevices(fresh.Machine().platform(), "*KVE0515", HardwareIdScope::kEveryEntry, false);
    EXPECT_EQ(found, devicesBefore == 499) << devicesBefore << " long devices before";
  }
}

TEST_F(DeviceSearchTest, TheSetIsReleasedAndTheLastErrorKept) {
  EXPECT_TRUE(Search(DeviceKey("Root\\A\\0", {"*KVE0515"}), "*KVE0515"));
  EXPECT_EQ(machine_.Machine().devices().OpenSetCount(), 0u);
  EXPECT_EQ(machine_.Machine().errors().GetLastError(), 0u);
}

TEST(PrintFailureTest, CodesWithoutSystemTextArePrintedInHexadecimal) {
  TestMachine machine;
  Platform& platform = machine.Machine().platform();
  platform.errors.SetLastError(0xE000020B);
  EXPECT_FALSE(PrintFailure(platform, "UpdateDriverForPlugAndPlayDevices"));
  EXPECT_EQ(machine.Out(), "UpdateDriverForPlugAndPlayDevices FAILURE: (0xe000020b)\n");
  EXPECT_EQ(platform.errors.GetLastError(), 0xE000020Bu);

  machine.ClearOut();
  platform.errors.SetLastError(0x1F);
  PrintFailure(platform, "Op");
  EXPECT_EQ(machine.Out(), "Op FAILURE: A device attached to the system is not functioning.\r\n\n");
  platform.errors.SetLastError(0x4D2);
  machine.ClearOut();
  PrintFailure(platform, "Op");
  EXPECT_EQ(machine.Out(), "Op FAILURE: (0x000004d2)\n");
}

}  // namespace
}  // namespace talvex
