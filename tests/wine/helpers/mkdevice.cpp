// mkdevice NAME HWID [HWID...]
// Creates a root-enumerated device of the System class through SetupAPI, the way a bus driver's
// device would appear to the setup program, with the given hardware-ID list, and prints its
// instance ID on standard output.
#include <cstdio>
#include <string>
#include <vector>

#include "win_handles.h"

namespace {

// System device class.
const GUID kSystemClass = {
    0x4D36E97D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

int Fail(const char* what) {
  std::fprintf(stderr, "mkdevice: %s failed, error 0x%08lx\n", what, GetLastError());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: mkdevice NAME HWID [HWID...]\n");
    return 2;
  }
  // The hardware-ID list is a multi-string: each ID with its zero, then one more zero.
  std::vector<char> ids;
  for (int i = 2; i < argc; ++i) {
    const std::string id = argv[i];
    ids.insert(ids.end(), id.begin(), id.end());
    ids.push_back('\0');
  }
  ids.push_back('\0');

  wine_test::DevInfoSet set(SetupDiCreateDeviceInfoList(&kSystemClass, nullptr));
  if (!set.valid())
    return Fail("SetupDiCreateDeviceInfoList");

  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  if (!SetupDiCreateDeviceInfoA(set.get(), argv[1], &kSystemClass, nullptr, nullptr,
                                DICD_GENERATE_ID, &device)) {
    return Fail("SetupDiCreateDeviceInfoA");
  }
  if (!SetupDiSetDeviceRegistryPropertyA(set.get(), &device, SPDRP_HARDWAREID,
                                         reinterpret_cast<const BYTE*>(ids.data()),
                                         static_cast<DWORD>(ids.size()))) {
    return Fail("SetupDiSetDeviceRegistryPropertyA");
  }
  if (!SetupDiRegisterDeviceInfo(set.get(), &device, 0, nullptr, nullptr, nullptr)) {
    return Fail("SetupDiRegisterDeviceInfo");
  }
  char instance[MAX_DEVICE_ID_LEN + 1] = {};
  if (!SetupDiGetDeviceInstanceIdA(set.get(), &device, instance, sizeof(instance), nullptr)) {
    return Fail("SetupDiGetDeviceInstanceIdA");
  }
  std::printf("%s\n", instance);
  return 0;
}
