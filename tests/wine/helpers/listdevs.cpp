// listdevs
// Prints every present device as the setup program's search sees it (all classes, present
// only): "<instance ID> <hardware ID>[,<hardware ID>...]" one line each, or "<instance ID> -"
// for a device without hardware IDs.
#include <cstdio>
#include <string>
#include <vector>

#include "win_handles.h"

int main() {
  wine_test::DevInfoSet set(
      SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES));
  if (!set.valid()) {
    std::fprintf(stderr, "listdevs: SetupDiGetClassDevsA failed, error 0x%08lx\n", GetLastError());
    return 1;
  }
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set.get(), index, &device); ++index) {
    char instance[MAX_DEVICE_ID_LEN + 1] = {};
    if (!SetupDiGetDeviceInstanceIdA(set.get(), &device, instance, sizeof(instance), nullptr)) {
      continue;
    }
    DWORD size = 0;
    SetupDiGetDeviceRegistryPropertyA(set.get(), &device, SPDRP_HARDWAREID, nullptr, nullptr, 0,
                                      &size);
    std::vector<char> ids(size + 2, '\0');  // two spare zeros end even a truncated list
    std::string line = std::string(instance) + " ";
    if (size == 0 ||
        !SetupDiGetDeviceRegistryPropertyA(set.get(), &device, SPDRP_HARDWAREID, nullptr,
                                           reinterpret_cast<BYTE*>(ids.data()), size, nullptr)) {
      line += "-";
    } else {
      for (size_t at = 0; at < size && ids[at] != '\0';) {
        const std::string id = ids.data() + at;
        if (at != 0)
          line += ",";
        line += id;
        at += id.size() + 1;
      }
    }
    std::printf("%s\n", line.c_str());
  }
  return 0;
}
