#include "inspect/device_search.h"

#include <algorithm>
#include <span>
#include <string_view>
#include <vector>

#include "inspect/print_failure.h"
#include "inspect/text_compare.h"
#include "platform/winconst.h"

namespace talvex {
namespace {

constexpr uint32_t kInitialBufferBytes = 800;
constexpr uint32_t kFirstReadBytes = 200;
constexpr int kMaxInsufficientBufferRetries = 500;
// A hardware-ID list is a few hundred bytes; a device that reports more than this is not read.
constexpr uint32_t kMaxBufferBytes = 1024 * 1024;

enum class ReadOutcome { kRead, kNoHardwareIds, kGaveUp, kTooLarge, kFailed };

// The device information set, destroyed on every way out. The thread's last-error code survives
// the clean-up, so the caller still sees the search's last significant failure.
class DeviceInfoSet {
 public:
  DeviceInfoSet(Platform& platform, DevInfoSet set)
      : platform_(platform), set_(platform.devices, set) {}
  ~DeviceInfoSet() {
    uint32_t kept = platform_.errors.GetLastError();
    set_.Reset();
    platform_.errors.SetLastError(kept);
  }
  DeviceInfoSet(const DeviceInfoSet&) = delete;
  DeviceInfoSet& operator=(const DeviceInfoSet&) = delete;
  DevInfoSet get() const { return set_.get(); }

 private:
  Platform& platform_;
  ScopedDevInfoSet set_;
};

class HardwareIdReader {
 public:
  explicit HardwareIdReader(Platform& platform)
      : platform_(platform), buffer_(kInitialBufferBytes, 0) {}

  // Reads one device's hardware-ID list, starting with a declared size of 200 bytes and retrying
  // with the size the platform asks for. The retry counter runs over the whole search.
  ReadOutcome Read(DevInfoSet set, DevInfoData* device) {
    buffer_[0] = 0;
    declared_ = kFirstReadBytes;
    for (;;) {
      uint32_t type = 0;
      if (platform_.devices.SetupDiGetDeviceRegistryPropertyA(
              set, device, win::SPDRP_HARDWAREID, &type, buffer_.data(), declared_, &declared_))
        return ReadOutcome::kRead;
      uint32_t error = platform_.errors.GetLastError();
      if (error == win::ERROR_INVALID_DATA)
        return ReadOutcome::kNoHardwareIds;
      if (error != win::ERROR_INSUFFICIENT_BUFFER) {
        PrintFailure(platform_, "GetDeviceRegistryProperty");
        return ReadOutcome::kFailed;
      }
      ++retries_;
      if (declared_ > kMaxBufferBytes) {
        buffer_[0] = 0;  // nothing read: the device cannot match
        return ReadOutcome::kTooLarge;
      }
      if (retries_ > kMaxInsufficientBufferRetries) {
        buffer_[0] = 0;
        return ReadOutcome::kGaveUp;
      }
      // Never hand the platform a size larger than the buffer it writes into.
      if (declared_ > buffer_.size())
        buffer_.resize(declared_, 0);
    }
  }

  // Calls visit with each entry of the list just read, within the size the platform reported,
  // until visit answers true; true when it did. The entries are looked at where they lie.
  template <typename Visit>
  bool AnyEntry(HardwareIdScope scope, Visit visit) const {
    size_t reported = std::min<size_t>(declared_, buffer_.size());
    return AnyHardwareId(std::span<const uint8_t>(buffer_.data(), reported), scope, visit);
  }

 private:
  Platform& platform_;
  std::vector<uint8_t> buffer_;
  uint32_t declared_ = kFirstReadBytes;
  int retries_ = 0;
};

// Writes prefix, the entry and "]" as one line, built in line (kept by the caller, so that a
// search over many devices does not allocate a text per entry).
void WriteLine(Platform& platform, std::string& line, std::string_view prefix,
               std::string_view entry) {
  line.assign(prefix).append(entry).append("]\n");
  platform.console.WriteStdout(line);
}

}  // namespace

bool SearchDevices(Platform& platform, const std::string& wantedId, HardwareIdScope scope,
                   bool removeFound, bool* failed) {
  bool ignored = false;
  bool& searchFailed = failed != nullptr ? *failed : ignored;
  searchFailed = false;
  DevInfoSet rawSet = platform.devices.SetupDiGetClassDevsA(
      nullptr, nullptr, 0, win::DIGCF_PRESENT | win::DIGCF_ALLCLASSES);
  if (rawSet == win::INVALID_HANDLE_VALUE) {
    searchFailed = true;
    return PrintFailure(platform, "GetClassDevs(All Present Devices)");
  }
  DeviceInfoSet set(platform, rawSet);

  platform.console.WriteStdout("Search for Device ID: [" + wantedId + "]\n");
  bool found = false;
  DevInfoData device;
  device.cbSize = sizeof(DevInfoData);
  HardwareIdReader reader(platform);
  std::string line;

  for (uint32_t index = 0; !found; ++index) {
    if (!platform.devices.SetupDiEnumDeviceInfo(set.get(), index, &device)) {
      // Only the end of the list means every device has been looked at.
      searchFailed = platform.errors.GetLastError() != win::ERROR_NO_MORE_ITEMS;
      break;
    }
    ReadOutcome outcome = reader.Read(set.get(), &device);
    if (outcome == ReadOutcome::kFailed) {
      searchFailed = true;
      return false;  // reported; no removal
    }
    if (outcome == ReadOutcome::kTooLarge)
      searchFailed = true;  // this device was never compared
    if (outcome == ReadOutcome::kNoHardwareIds)
      continue;
    found = reader.AnyEntry(scope, [&](std::string_view entry) {
      WriteLine(platform, line, "Compare device ID: [", entry);
      if (!EqualsIgnoreCase(entry, wantedId))
        return false;
      WriteLine(platform, line, "Found! [", entry);
      return true;
    });
  }

  if (platform.errors.GetLastError() != 0)
    PrintFailure(platform, "EnumDeviceInfo");
  if (found && removeFound)
    platform.devices.SetupDiRemoveDevice(set.get(), &device);
  // "Not found" never reads as present, whatever last-error code the enumeration left.
  return found;
}

}  // namespace talvex
