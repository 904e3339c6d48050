// Device installation through setupapi's A functions.
#pragma once

#include "platform/devices.h"

namespace talvex::win32 {

// After a successful call the thread's last error is 0, as the callers expect of SetupAPI; some
// implementations leave an older code in place, so the wrapper sets it.
class Win32DeviceSetup final : public DeviceSetup {
 public:
  DevInfoSet SetupDiGetClassDevsA(const void* classGuid, const char* enumerator,
                                  WindowHandle parent, uint32_t flags) override;
  bool SetupDiEnumDeviceInfo(DevInfoSet set, uint32_t index, DevInfoData* data) override;
  bool SetupDiGetDeviceRegistryPropertyA(DevInfoSet set, DevInfoData* data, uint32_t property,
                                         uint32_t* regType, uint8_t* buffer, uint32_t bufferSize,
                                         uint32_t* requiredSize) override;
  bool SetupDiRemoveDevice(DevInfoSet set, DevInfoData* data) override;
  bool SetupDiDestroyDeviceInfoList(DevInfoSet set) override;
};

}  // namespace talvex::win32
