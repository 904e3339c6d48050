// The drive-icon and AutoPlay reset on each Windows branch.
#include <gtest/gtest.h>

#include "framework/registry_object.h"
#include "inspect/windows_version.h"
#include "install/drive_icons.h"
#include "tests/unit/support/test_machine.h"

namespace talvex {
namespace {

using testing::StringValue;
using testing::StringValuesKey;
using testing::TestMachine;

const char kKvsdParameters[] = "SYSTEM\\CurrentControlSet\\Services\\KVSD\\Parameters";
const char kKvmsParameters[] = "SYSTEM\\CurrentControlSet\\Services\\KVMS\\Parameters";
const char kVxdKvms[] = "SYSTEM\\CurrentControlSet\\Services\\VxD\\KVMS";
const char kVxdKvsd[] = "SYSTEM\\CurrentControlSet\\Services\\VxD\\KVSD";
const char kGroups[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoplayHandlers\\DeviceGroups\\";
const char kDriveIcons[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons";

std::string Group(const std::string& name) {
  return "[HKEY_LOCAL_MACHINE\\" + std::string(kGroups) + name + "]\r\n\"DeviceGroupName\"=\"" +
         name +
         "\"\r\n\"Icons\"=\"C:\\\\icon.ico,0\"\r\n\"Label\"=\"Card\"\r\n"
         "\"NoSoftEject\"=dword:00000001\r\n\r\n";
}

std::string EveryKey() {
  return StringValuesKey(kKvsdParameters, {{"SdDriveIconFile", "sd.ico"}}) +
         StringValuesKey(kKvmsParameters, {{"MsDriveIconFile", "ms.ico"}}) +
         StringValuesKey(kVxdKvms, {{"MsDriveIconFile", "ms.ico"}}) +
         StringValuesKey(kVxdKvsd, {{"SdDriveIconFile", "sd.ico"}}) + Group("SecureDigital") +
         Group("MemoryStick") + StringValuesKey(std::string(kDriveIcons) + "\\E", {}) +
         StringValuesKey(std::string(kDriveIcons) + "\\E\\DefaultIcon", {{"", "e.ico"}}) +
         StringValuesKey(std::string(kDriveIcons) + "\\Z", {});
}

class DriveIconsTest : public ::testing::Test {
 protected:
  sim::RegistryStore ResetOn(int32_t version, const std::string& registry = EveryKey()) {
    machine_.Registry(registry);
    ResetDriveIcons(machine_.Machine().platform().registry, version);
    return machine_.SavedRegistry();
  }
  TestMachine machine_;
};

TEST_F(DriveIconsTest, WindowsNtEmptiesIconsAndDropsLabelsOnly) {
  for (int32_t version : {Win2000, WinXP}) {
    TestMachine fresh;
    fresh.Registry(EveryKey());
    ResetDriveIcons(fresh.Machine().platform().registry, version);
    sim::RegistryStore saved = fresh.SavedRegistry();
    EXPECT_EQ(StringValue(saved, kKvsdParameters, "SdDriveIconFile"), "");
    EXPECT_EQ(StringValue(saved, kKvmsParameters, "MsDriveIconFile"), "");
    for (const char* group : {"SecureDigital", "MemoryStick"}) {
      std::string path = std::string(kGroups) + group;
      EXPECT_EQ(StringValue(saved, path, "Icons"), "");
      EXPECT_EQ(saved.FindKey(path)->FindValue("Icons")->data, (std::vector<uint8_t>{0}));
      EXPECT_EQ(StringValue(saved, path, "Label"), "<missing>");
      EXPECT_EQ(StringValue(saved, path, "NoSoftEject"), "<missing>");
      EXPECT_EQ(StringValue(saved, path, "DeviceGroupName"), group);
    }
    // The Windows 9x entries are not this branch's business.
    EXPECT_EQ(StringValue(saved, kVxdKvms, "MsDriveIconFile"), "ms.ico");
    EXPECT_NE(saved.FindKey(std::string(kDriveIcons) + "\\E"), nullptr);
  }
}

TEST_F(DriveIconsTest, MissingKeysAreSkippedAndNeverCreated) {
  std::string registry = StringValuesKey("SYSTEM\\CurrentControlSet\\Services\\KVSD", {}) +
                         StringValuesKey(kKvmsParameters, {{"MsDriveIconFile", "ms.ico"}}) +
                         Group("MemoryStick");
  sim::RegistryStore saved = ResetOn(WinXP, registry);
  EXPECT_EQ(saved.FindKey(kKvsdParameters), nullptr);
  EXPECT_EQ(saved.FindKey(std::string(kGroups) + "SecureDigital"), nullptr);
  EXPECT_EQ(StringValue(saved, kKvmsParameters, "MsDriveIconFile"), "");
  EXPECT_EQ(StringValue(saved, std::string(kGroups) + "MemoryStick", "Label"), "<missing>");
}

TEST_F(DriveIconsTest, Windows9xEmptiesTheVxdValuesAndDeletesEveryDriveIconKey) {
  for (int32_t version : {Win98, WinMe}) {
    TestMachine fresh;
    fresh.Registry(EveryKey());
    ResetDriveIcons(fresh.Machine().platform().registry, version);
    sim::RegistryStore saved = fresh.SavedRegistry();
    EXPECT_EQ(StringValue(saved, kVxdKvms, "MsDriveIconFile"), "");
    EXPECT_EQ(StringValue(saved, kVxdKvsd, "SdDriveIconFile"), "");
    EXPECT_EQ(saved.FindKey(std::string(kDriveIcons) + "\\E"), nullptr);
    EXPECT_EQ(saved.FindKey(std::string(kDriveIcons) + "\\Z"), nullptr);
    EXPECT_NE(saved.FindKey(kDriveIcons), nullptr);
    EXPECT_EQ(StringValue(saved, kKvmsParameters, "MsDriveIconFile"), "ms.ico");
    EXPECT_EQ(StringValue(saved, std::string(kGroups) + "MemoryStick", "Label"), "Card");
  }
}

TEST_F(DriveIconsTest, OtherVersionsTouchNothingAndTheResetIsIdempotent) {
  for (int32_t version : {int32_t{VersionUnsupported}, int32_t{WinNT4}, int32_t{WinNT351}, 7}) {
    TestMachine fresh;
    fresh.Registry(EveryKey());
    fresh.Machine();
    std::string before = fresh.ReadFile("registry.reg");
    ResetDriveIcons(fresh.Machine().platform().registry, version);
    EXPECT_EQ(fresh.ReadFile("registry.reg"), before) << version;
  }
  for (int32_t version : {WinXP, WinMe}) {
    TestMachine fresh;
    fresh.Registry(EveryKey());
    ResetDriveIcons(fresh.Machine().platform().registry, version);
    std::string once = fresh.ReadFile("registry.reg");
    ResetDriveIcons(fresh.Machine().platform().registry, version);
    EXPECT_EQ(fresh.ReadFile("registry.reg"), once) << version;
  }
}

TEST_F(DriveIconsTest, AValueThatCannotBeWrittenRaisesAndStopsTheReset) {
  machine_.Ini("[failures]\r\nRegSetValueExA SdDriveIconFile = always error 5\r\n");
  machine_.Registry(EveryKey());
  try {
    ResetDriveIcons(machine_.Machine().platform().registry, WinXP);
    FAIL() << "no exception";
  } catch (const ERegistryException& error) {
    EXPECT_STREQ(error.what(), "Failed to set data for 'SdDriveIconFile'");
  }
  sim::RegistryStore saved = machine_.SavedRegistry();
  EXPECT_EQ(StringValue(saved, kKvmsParameters, "MsDriveIconFile"), "ms.ico");
  EXPECT_EQ(machine_.Machine().registry().OpenKeyCount(), 0u);
}

TEST_F(DriveIconsTest, KeysThatCannotBeOpenedWithFullAccessAreSkipped) {
  machine_.Ini("[failures]\r\nRegOpenKeyExA " + std::string(kKvsdParameters) +
               " = always error 5\r\n");
  sim::RegistryStore saved = ResetOn(WinXP);
  EXPECT_EQ(StringValue(saved, kKvsdParameters, "SdDriveIconFile"), "sd.ico");
  EXPECT_EQ(StringValue(saved, kKvmsParameters, "MsDriveIconFile"), "");
}

}  // namespace
}  // namespace talvex
