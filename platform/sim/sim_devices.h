// SetupAPI over the simulated registry: every instance key under SYSTEM\CurrentControlSet\Enum
// (enumerator, device, instance) is a present device, enumerated in file order.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
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
// Whether an entry of the device's hardware-ID list is id, ignoring letter case.
bool HasHardwareId(const RegKeyNode& instance, std::string_view id);

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

 private:
  static constexpr uint64_t kNotLookedUp = ~uint64_t{0};
  // A device of a set: its instance key (gone once the device is removed) and its path.
  struct SetDevice {
    RegKeyNode* node;  // valid while no key was added or deleted since the list was made
    std::weak_ptr<RegKeyNode> instance;
    std::string path;
    // The instance key's HardwareID value as last looked up: still valid while the key's values
    // have not changed since, which the store's revision (kNotLookedUp: never looked up) tells
    // without looking at the key when nothing changed at all. Every search reads every device's
    // list, so this spares a lookup by name per device and search.
    mutable const RegValue* hardwareId = nullptr;
    mutable uint64_t hardwareIdRevision = kNotLookedUp;
    mutable uint64_t hardwareIdKeyChanges = 0;
  };
  // The present devices as they were at one key revision of the store. Sets made while no key
  // was added or deleted share one list, so making a set costs nothing per device.
  struct DeviceList {
    uint64_t keyRevision;
    std::vector<SetDevice> devices;
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
  const SetDevice* DeviceOf(DevInfoSet set, const DevInfoData* data, RegKeyNode** instance);
  // The HardwareID value of the device's instance key (which must exist), or null.
  const RegValue* HardwareIdOf(const SetDevice& device, const RegKeyNode& instance) const;

  RegistryStore& store_;
  SimThreadErrors& errors_;
  FailurePlan& failures_;
  Journal& journal_;
  std::map<DevInfoSet, std::shared_ptr<const DeviceList>> sets_;
  std::shared_ptr<const DeviceList> current_;
  DevInfoSet next_set_ = 0x5000;
};

}  // namespace talvex::sim
