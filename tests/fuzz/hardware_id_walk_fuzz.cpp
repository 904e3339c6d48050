// The device search's walk over hardware-ID lists: whatever bytes and sizes a device reports, the
// search reads only what it was given and ends. The input is one device's property data; its first
// byte picks whether the platform reports a size smaller than the data.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "inspect/device_search.h"
#include "platform/sim/machine.h"
#include "platform/winconst.h"

namespace {

using namespace talvex;

// One device whose hardware-ID property is the fuzz input.
class OneDevice : public DeviceSetup {
 public:
  OneDevice(ThreadErrors& errors, std::vector<uint8_t> property, uint32_t reported)
      : errors_(errors), property_(std::move(property)), reported_(reported) {}
  DevInfoSet SetupDiGetClassDevsA(const void*, const char*, WindowHandle, uint32_t) override {
    errors_.SetLastError(0);
    return 1;
  }
  bool SetupDiEnumDeviceInfo(DevInfoSet, uint32_t index, DevInfoData*) override {
    errors_.SetLastError(index == 0 ? 0 : win::ERROR_NO_MORE_ITEMS);
    return index == 0;
  }
  bool SetupDiGetDeviceRegistryPropertyA(DevInfoSet, DevInfoData*, uint32_t, uint32_t*,
                                         uint8_t* buffer, uint32_t bufferSize,
                                         uint32_t* required) override {
    *required = reported_;
    if (bufferSize < property_.size()) {
      errors_.SetLastError(win::ERROR_INSUFFICIENT_BUFFER);
      return false;
    }
    // Writes exactly what the caller said its buffer holds, so a too-small buffer is caught by
    // the sanitizers.
    std::memset(buffer, 0xAB, bufferSize);
    if (!property_.empty())
      std::memcpy(buffer, property_.data(), property_.size());
    errors_.SetLastError(0);
    return true;
  }
  bool SetupDiRemoveDevice(DevInfoSet, DevInfoData*) override { return true; }
  bool SetupDiDestroyDeviceInfoList(DevInfoSet) override { return true; }

 private:
  ThreadErrors& errors_;
  std::vector<uint8_t> property_;
  uint32_t reported_;
};

sim::SimMachine& Machine() {
  static std::ostringstream out;
  static std::unique_ptr<sim::SimMachine> machine = [] {
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "talvex-fuzz-hardware-id-walk";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "machine.ini") << "[machine]\nprogram = D:\\Setup.exe\n";
    std::ofstream(folder / "registry.reg") << "REGEDIT4\r\n\r\n";
    return sim::SimMachine::Load(folder, out);
  }();
  out.str("");
  return *machine;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 64 * 1024)
    return 0;
  std::vector<uint8_t> property(data + 1, data + size);
  // The reported size is the data's own, or less: the walk must stop at it either way.
  uint32_t reported = static_cast<uint32_t>(property.size());
  if (data[0] & 1)
    reported = reported * (data[0] >> 1) / 128;
  Platform& base = Machine().platform();
  OneDevice device(base.errors, property, reported);
  Platform platform{base.registry,  device,       base.newdev, base.files,
                    base.folders,   base.process, base.errors, base.console,
                    base.processes, base.windows, base.shell,  base.session};
  SearchDevices(platform, "*KVE0515", HardwareIdScope::kEveryEntry, false);
  SearchDevices(platform, "*KVE0515", HardwareIdScope::kFirstEntry, false);
  return 0;
}
