// SetupAPI over the simulated registry: every instance key under SYSTEM\CurrentControlSet\Enum
// (enumerator, device, instance) is a present device, enumerated in file order.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/devices.h"
#include "platform/sim/failure_plan.h"
#include "platform/sim/reg_store.h"
#include "platform/sim/sim_errors.h"
#include "platform/sim/sim_registry.h"

namespace talvex::sim {

inline constexpr char kEnumKey[] = "SYSTEM\\CurrentControlSet\\Enum";

// Instance key paths (relative to HKEY_LOCAL_MACHINE) of the present devices, in file order.
std::vector<std::string> PresentDevices(RegistryStore& store);
// The device's hardware-ID list, each entry a text; empty when it has none.
std::vector<std::string> HardwareIds(const RegKeyNode& instance);

class SimDeviceSetup : public DeviceSetup {
 public:
  SimDeviceSetup(RegistryStore& store, SimRegistry& registry, SimThreadErrors& errors,
                 FailurePlan& failures);

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
  bool Fail(uint32_t error);
  bool Succeed();
  // The instance path of the set's device in the record, or null with the last error set.
  const std::string* DeviceOf(DevInfoSet set, const DevInfoData* data);

  RegistryStore& store_;
  SimRegistry& registry_;
  SimThreadErrors& errors_;
  FailurePlan& failures_;
  std::map<DevInfoSet, std::vector<std::string>> sets_;
  DevInfoSet next_set_ = 0x5000;
};

}  // namespace talvex::sim
