// The device search's walk over hardware-ID lists: whatever bytes and sizes a device reports, the
// search reads only what it was given and ends. The input is one device's property data; its first
// byte picks whether the platform reports a size smaller than the data.
//
// The walk itself is also given the list in a heap block of exactly the reported size, so that a
// read one byte past it is caught by AddressSanitizer, and its entries are checked against the
// bytes: each is the text up to the next zero (or the end), and together they are a prefix of the
// list.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "inspect/device_search.h"
#include "inspect/hardware_id_list.h"
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

// Stops the fuzzer with a message when a property does not hold.
void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "hardware-ID walk: %s\n", what);
    std::abort();
  }
}

void CheckWalk(const std::vector<uint8_t>& property, size_t reported) {
  std::unique_ptr<uint8_t[]> exact(new uint8_t[reported]);
  if (reported > 0)
    std::memcpy(exact.get(), property.data(), reported);
  std::span<const uint8_t> list(exact.get(), reported);

  std::vector<std::string> every;
  bool stopped = AnyHardwareId(list, HardwareIdScope::kEveryEntry, [&](std::string_view entry) {
    every.emplace_back(entry);
    return false;
  });
  Require(!stopped, "the walk answered true without a match");
  size_t offset = 0;
  for (const std::string& entry : every) {
    Require(!entry.empty(), "an empty entry ends the list");
    Require(entry.find('\0') == std::string::npos, "an entry holds a zero byte");
    Require(offset + entry.size() <= reported, "an entry reaches past the reported size");
    Require(std::memcmp(entry.data(), exact.get() + offset, entry.size()) == 0,
            "an entry is not the list's bytes");
    offset += entry.size();
    Require(offset == reported || exact[offset] == 0, "an entry stops before its zero byte");
    ++offset;
  }
  // The walk stopped at the end or at an empty entry.
  Require(offset >= reported || exact[offset] == 0, "the walk stopped inside the list");
  // A match ends the walk there.
  if (every.size() >= 2) {
    size_t visits = 0;
    bool matched = AnyHardwareId(list, HardwareIdScope::kEveryEntry,
                                 [&](std::string_view) { return ++visits == 2; });
    Require(matched && visits == 2, "the walk went on after a match");
  }

  std::vector<std::string> first;
  AnyHardwareId(list, HardwareIdScope::kFirstEntry, [&](std::string_view entry) {
    first.emplace_back(entry);
    return false;
  });
  Require(first.size() == 1, "the first-entry walk gives one text");
  Require(every.empty() ? first[0].empty() : first[0] == every[0],
          "the first entry differs between the walks");
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
  CheckWalk(property, std::min<size_t>(reported, property.size()));
  return 0;
}
