// SetupAPI over the simulated registry: every instance key under SYSTEM\CurrentControlSet\Enum
// (enumerator, device, instance) is a present device, enumerated in file order.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/devices.h"
#include "platform/sim/failure_plan.h"
#include "platform/sim/journal.h"
#include "platform/sim/reg_store.h"
#include "platform/sim/sim_errors.h"

namespace talvex::sim {

inline constexpr char kEnumKey[] = "SYSTEM\\CurrentControlSet\\Enum";

// A present device: its instance key and the keys above it up to the enumerator.
struct PresentDevice {
  RegKeyNode* enumerator;
  RegKeyNode* device;
  RegKeyNode* instance;
  // The instance key's path relative to HKEY_LOCAL_MACHINE (SYSTEM\CurrentControlSet\Enum\...).
  std::string Path() const;
};

// The present devices, in file order.
std::vector<PresentDevice> PresentDevices(RegistryStore& store);
// Whether an entry of a hardware-ID list (a HardwareID value's data) is id, ignoring letter case.
bool ListHasHardwareId(std::string_view list, std::string_view id);
// The entries of a hardware-ID list, up to its first empty one.
std::vector<std::string> ListEntries(std::string_view list);
// A key's path below HKEY_LOCAL_MACHINE.
std::string KeyPath(const RegKeyNode& key);

class SimDeviceSetup : public DeviceSetup {
 public:
  SimDeviceSetup(RegistryStore& store, SimThreadErrors& errors, FailurePlan& failures,
                 Journal& journal);

  DevInfoSet SetupDiGetClassDevsA(const void* classGuid, const char* enumerator,
                                  WindowHandle parent, uint32_t flags) override;
  bool SetupDiEnumDeviceInfo(DevInfoSet set, uint32_t index, DevInfoData* data) override;
  bool SetupDiGetDeviceRegistryPropertyA(DevInfoSet set, DevInfoData* data, uint32_t property,
                                         uint32_t* regType, uint8_t* buffer, uint32_t bufferSize,
                                         uint32_t* requiredSize) override;
  bool SetupDiRemoveDevice(DevInfoSet set, DevInfoData* data) override;
  bool SetupDiDestroyDeviceInfoList(DevInfoSet set) override;

  size_t OpenSetCount() const { return sets_.size(); }

  // Calls visit(instance key, its hardware-ID list or nullopt when it has none) for every present
  // device in enumeration order, reading the lists as the device calls do. visit may change
  // values but must not add or delete keys.
  template <typename Visit>
  void ForEachPresentDevice(Visit visit) {
    const std::shared_ptr<const DeviceList> list = CurrentDevices();
    for (const SetDevice& device : list->devices) {
      const HardwareIds ids = HardwareIdsOf(*list, device, *device.node);
      visit(*device.node, ids.present ? std::optional<std::string_view>(ids.Text())
                                      : std::optional<std::string_view>());
    }
  }

 private:
  // A device of a set: its instance key (gone once the device is removed), its path, and a copy
  // of its HardwareID value kept in the list, so that reading every device's list (as every
  // search does) walks the list's own memory instead of the registry's.
  struct SetDevice {
    RegKeyNode* node;  // valid while no key was added or deleted since the list was made
    std::weak_ptr<RegKeyNode> instance;
    std::string path;
    mutable bool known = false;    // the copy below is the key's value as it is now
    mutable bool present = false;  // the key has a HardwareID value
    mutable uint32_t type = 0;
    mutable size_t offset = 0;  // the data in the list's bytes
    mutable size_t size = 0;
    mutable size_t room = 0;  // bytes there for it, so a value that does not grow stays put
  };
  // The present devices as they were at one key revision of the store. Sets made while no key
  // was added or deleted share one list, so making a set costs nothing per device.
  struct DeviceList {
    uint64_t keyRevision;
    std::vector<SetDevice> devices;
    mutable std::vector<uint8_t> bytes;  // the copied hardware-ID lists
    // The store revision up to which every value change is reflected in known.
    mutable uint64_t checkedRevision = 0;
    // Device positions by instance key, made when a value change first has to be looked up.
    mutable std::unordered_map<const RegKeyNode*, size_t> positions;
  };
  // A device's hardware-ID list: present, its registry type and bytes.
  struct HardwareIds {
    bool present = false;
    uint32_t type = 0;
    const uint8_t* data = nullptr;
    size_t size = 0;
    std::string_view Text() const {
      return std::string_view(reinterpret_cast<const char*>(data), size);
    }
  };

  // The calls themselves; the public ones add their journal line.
  DevInfoSet GetClassDevs();
  bool EnumDeviceInfo(DevInfoSet set, uint32_t index, DevInfoData* data);
  bool GetDeviceRegistryProperty(DevInfoSet set, DevInfoData* data, uint32_t property,
                                 uint32_t* regType, uint8_t* buffer, uint32_t bufferSize,
                                 uint32_t* requiredSize);
  bool RemoveDevice(DevInfoSet set, DevInfoData* data);
  bool DestroyDeviceInfoList(DevInfoSet set);
  // The device a record names, as the journal shows it: its instance path, or the index.
  std::string DeviceName(DevInfoSet set, const DevInfoData* data) const;

  bool Fail(uint32_t error);
  bool Succeed();
  std::shared_ptr<const DeviceList> CurrentDevices();
  // The set's device in the record, or null with the last error set. *instance is its key, or
  // null when the device is gone.
  const SetDevice* DeviceOf(DevInfoSet set, const DevInfoData* data, RegKeyNode** instance,
                            const DeviceList** list = nullptr);
  // Marks the copies of the devices whose values changed since the list was last checked.
  void CheckForChanges(const DeviceList& list) const;
  // The device's HardwareID value as its instance key (which must exist) holds it now.
  HardwareIds HardwareIdsOf(const DeviceList& list, const SetDevice& device,
                            const RegKeyNode& instance) const;

  RegistryStore& store_;
  SimThreadErrors& errors_;
  FailurePlan& failures_;
  Journal& journal_;
  std::map<DevInfoSet, std::shared_ptr<const DeviceList>> sets_;
  std::shared_ptr<const DeviceList> current_;
  DevInfoSet next_set_ = 0x5000;
};

}  // namespace talvex::sim
