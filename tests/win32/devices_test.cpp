// SetupAPI and newdev backends against Wine's setupapi and newdev. Devices are made by the test
// through SetupAPI, as the Wine test bed makes the chip's devices.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win32/win32_devices.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_newdev.h"
#include "platform/win32/win32_system_folders.h"
#include "tests/win32/win32_test_support.h"

namespace talvex::win32 {
namespace {

using testing::FixedSystemFolder;
using testing::kLastErrorMarker;

constexpr uint32_t kAllPresent = DIGCF_ALLCLASSES | DIGCF_PRESENT;

// A root-enumerated device with one hardware ID, registered for the test and removed afterwards.
class TestDevice {
 public:
  explicit TestDevice(const std::string& hardwareId) {
    set_ = ::SetupDiCreateDeviceInfoList(nullptr, nullptr);
    if (set_ == INVALID_HANDLE_VALUE)
      return;
    data_.cbSize = sizeof data_;
    // The "System" device class.
    const GUID system = {
        0x4d36e97d, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
    std::string ids = hardwareId + '\0' + '\0';
    registered_ = ::SetupDiCreateDeviceInfoA(set_, "TALVEXTEST", &system, nullptr, nullptr,
                                             DICD_GENERATE_ID, &data_) &&
                  ::SetupDiSetDeviceRegistryPropertyA(set_, &data_, SPDRP_HARDWAREID,
                                                      reinterpret_cast<const BYTE*>(ids.data()),
                                                      static_cast<DWORD>(ids.size())) &&
                  ::SetupDiRegisterDeviceInfo(set_, &data_, 0, nullptr, nullptr, nullptr);
  }
  ~TestDevice() {
    if (set_ == INVALID_HANDLE_VALUE)
      return;
    if (registered_)
      ::SetupDiRemoveDevice(set_, &data_);
    ::SetupDiDestroyDeviceInfoList(set_);
  }
  TestDevice(const TestDevice&) = delete;
  TestDevice& operator=(const TestDevice&) = delete;
  bool registered() const { return registered_; }

 private:
  HDEVINFO set_ = INVALID_HANDLE_VALUE;
  SP_DEVINFO_DATA data_{};
  bool registered_ = false;
};

// Walks every device of a fresh set as the device search does, and returns the index of the one
// whose hardware-ID list starts with id, or -1. Checks the last error of every call.
int FindDevice(Win32DeviceSetup& setup, const std::string& id, DevInfoSet* setOut) {
  ::SetLastError(kLastErrorMarker);
  DevInfoSet set = setup.SetupDiGetClassDevsA(nullptr, nullptr, 0, kAllPresent);
  EXPECT_NE(set, reinterpret_cast<DevInfoSet>(INVALID_HANDLE_VALUE));
  EXPECT_EQ(::GetLastError(), 0u);
  *setOut = set;
  int found = -1;
  for (uint32_t index = 0;; ++index) {
    DevInfoData data;
    data.cbSize = sizeof data;
    ::SetLastError(kLastErrorMarker);
    if (!setup.SetupDiEnumDeviceInfo(set, index, &data)) {
      EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
      break;
    }
    EXPECT_EQ(::GetLastError(), 0u);
    uint32_t type = 0;
    uint32_t required = 0;
    uint8_t tiny[1];
    ::SetLastError(kLastErrorMarker);
    if (setup.SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID, &type, tiny,
                                                sizeof tiny, &required)) {
      continue;  // a one-byte list: not ours
    }
    DWORD error = ::GetLastError();
    if (error == ERROR_INVALID_DATA)
      continue;  // a device without hardware IDs
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_GT(required, 1u);
    std::string ids(required, '\0');
    ::SetLastError(kLastErrorMarker);
    EXPECT_TRUE(setup.SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID, &type,
                                                        reinterpret_cast<uint8_t*>(ids.data()),
                                                        required, &required));
    EXPECT_EQ(::GetLastError(), 0u);
    EXPECT_EQ(type, static_cast<uint32_t>(REG_MULTI_SZ));
    if (_stricmp(ids.c_str(), id.c_str()) == 0)
      found = static_cast<int>(index);
  }
  return found;
}

TEST(DeviceSetupTest, EnumeratesReadsHardwareIdsAndRemovesADevice) {
  TestDevice device("*KVETEST01");
  ASSERT_TRUE(device.registered()) << "error " << ::GetLastError();
  Win32DeviceSetup setup;

  DevInfoSet set = 0;
  int index = FindDevice(setup, "*KVETEST01", &set);
  ASSERT_GE(index, 0) << "the test device is not enumerated";

  DevInfoData data;
  data.cbSize = sizeof data;
  ASSERT_TRUE(setup.SetupDiEnumDeviceInfo(set, static_cast<uint32_t>(index), &data));
  ::SetLastError(kLastErrorMarker);
  EXPECT_TRUE(setup.SetupDiRemoveDevice(set, &data));
  EXPECT_EQ(::GetLastError(), 0u);
  ::SetLastError(kLastErrorMarker);
  EXPECT_TRUE(setup.SetupDiDestroyDeviceInfoList(set));
  EXPECT_EQ(::GetLastError(), 0u);

  DevInfoSet again = 0;
  EXPECT_EQ(FindDevice(setup, "*KVETEST01", &again), -1);
  EXPECT_TRUE(setup.SetupDiDestroyDeviceInfoList(again));
}

// A failing call leaves its own code as the last error, never the one from before the call, and
// never 0.
TEST(DeviceSetupTest, FailuresLeaveTheirCode) {
  Win32DeviceSetup setup;
  const auto invalid = reinterpret_cast<DevInfoSet>(INVALID_HANDLE_VALUE);
  DevInfoData data;
  data.cbSize = sizeof data;

  // Neither a class nor DIGCF_ALLCLASSES.
  ::SetLastError(kLastErrorMarker);
  EXPECT_EQ(setup.SetupDiGetClassDevsA(nullptr, nullptr, 0, DIGCF_PRESENT), invalid);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  ::SetLastError(kLastErrorMarker);
  EXPECT_FALSE(setup.SetupDiEnumDeviceInfo(invalid, 0, &data));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  ::SetLastError(kLastErrorMarker);
  EXPECT_FALSE(setup.SetupDiRemoveDevice(invalid, &data));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  ::SetLastError(kLastErrorMarker);
  EXPECT_FALSE(setup.SetupDiDestroyDeviceInfoList(invalid));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  // A device without the property; then the end of the list.
  TestDevice device("*KVETEST02");
  ASSERT_TRUE(device.registered()) << "error " << ::GetLastError();
  DevInfoSet set = 0;
  int index = FindDevice(setup, "*KVETEST02", &set);
  ASSERT_GE(index, 0) << "the test device is not enumerated";
  ASSERT_TRUE(setup.SetupDiEnumDeviceInfo(set, static_cast<uint32_t>(index), &data));
  uint8_t buffer[64];
  uint32_t required = 0;
  ::SetLastError(kLastErrorMarker);
  EXPECT_FALSE(setup.SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_FRIENDLYNAME, nullptr,
                                                       buffer, sizeof buffer, &required));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
  ::SetLastError(kLastErrorMarker);
  EXPECT_FALSE(setup.SetupDiEnumDeviceInfo(set, 0x7fffffff, &data));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  ::SetLastError(kLastErrorMarker);
  EXPECT_TRUE(setup.SetupDiDestroyDeviceInfoList(set));
  EXPECT_EQ(::GetLastError(), 0u);
}

TEST(NewdevTest, LoadedFromTheSystemFolderWithBothEntryPoints) {
  Win32SystemFolders folders;
  Win32DriverUpdateService service(folders);
  std::unique_ptr<NewdevModule> module = service.LoadNewdev();
  ASSERT_NE(module, nullptr);
  EXPECT_TRUE(module->GetProcAddress("UpdateDriverForPlugAndPlayDevicesA"));
  EXPECT_TRUE(module->GetProcAddress("UpdateDriverForPlugAndPlayDevicesW"));
  EXPECT_FALSE(module->GetProcAddress("NoSuchEntryPoint"));

  HMODULE loaded = ::GetModuleHandleA("newdev.dll");
  ASSERT_NE(loaded, nullptr);
  char path[MAX_PATH] = {};
  ASSERT_GT(::GetModuleFileNameA(loaded, path, MAX_PATH), 0u);
  char system[MAX_PATH] = {};
  ASSERT_GT(::GetSystemDirectoryA(system, MAX_PATH), 0u);
  EXPECT_EQ(_stricmp(path, (std::string(system) + "\\newdev.dll").c_str()), 0) << path;
}

TEST(NewdevTest, UpdateWithoutTheEntryPointFails) {
  Win32SystemFolders folders;
  Win32DriverUpdateService service(folders);
  std::unique_ptr<NewdevModule> module = service.LoadNewdev();
  ASSERT_NE(module, nullptr);
  int32_t reboot = 7;
  ::SetLastError(kLastErrorMarker);
  EXPECT_FALSE(module->UpdateDriverForPlugAndPlayDevicesA(0, "*KVE0515", "C:\\x.inf", 0, &reboot));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
}

TEST(NewdevTest, ASuccessfulUpdateLeavesNoError) {
  // Wine's driver update answers TRUE for an INF without a matching device; Windows would fail
  // with ERROR_NO_SUCH_DEVINST, which the failure branch leaves untouched.
  testing::TemporaryFolder folder;
  const std::string inf = folder.File("kvtest.inf");
  {
    Win32Files files;
    ASSERT_TRUE(files.WriteNewFile(inf, "[Version]\r\nSignature=\"$Windows NT$\"\r\n"));
  }
  Win32SystemFolders folders;
  Win32DriverUpdateService service(folders);
  std::unique_ptr<NewdevModule> module = service.LoadNewdev();
  ASSERT_NE(module, nullptr);
  ASSERT_TRUE(module->GetProcAddress("UpdateDriverForPlugAndPlayDevicesA"));
  int32_t reboot = 7;
  ::SetLastError(kLastErrorMarker);
  bool ok = module->UpdateDriverForPlugAndPlayDevicesA(0, "*KVENOSUCH", inf, 0, &reboot);
  DWORD error = ::GetLastError();
  if (ok) {
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(reboot, 0);
  } else {
    EXPECT_NE(error, kLastErrorMarker);
    EXPECT_NE(error, 0u);
  }
}

TEST(NewdevTest, NoSearchPathWhenTheSystemFolderHasNoNewdev) {
  // A folder without newdev.dll: a load through the search path would still find the real one.
  testing::TemporaryFolder empty;
  FixedSystemFolder folders(empty.Path());
  Win32DriverUpdateService service(folders);
  EXPECT_EQ(service.LoadNewdev(), nullptr);
}

TEST(NewdevTest, NoSystemFolderIsALoadFailure) {
  FixedSystemFolder folders("", ERROR_INVALID_FUNCTION);
  Win32DriverUpdateService service(folders);
  ::SetLastError(kLastErrorMarker);
  EXPECT_EQ(service.LoadNewdev(), nullptr);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
}

}  // namespace
}  // namespace talvex::win32
