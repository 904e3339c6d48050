// Device installation (setupapi), in the shape of the Windows calls. Every call leaves its outcome
// in the thread's last-error code: 0 after a success, the reason after a failure.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace talvex {

class DeviceSetup {
 public:
  virtual ~DeviceSetup() = default;

  // classGuid and enumerator may be null. Returns INVALID_HANDLE_VALUE on failure.
  virtual DevInfoSet SetupDiGetClassDevsA(const void* classGuid, const char* enumerator,
                                          WindowHandle parent, uint32_t flags) = 0;
  virtual bool SetupDiEnumDeviceInfo(DevInfoSet set, uint32_t index, DevInfoData* data) = 0;
  // Fails with ERROR_INSUFFICIENT_BUFFER and the needed size in *requiredSize when bufferSize is
  // too small, with ERROR_INVALID_DATA when the device has no such property.
  virtual bool SetupDiGetDeviceRegistryPropertyA(DevInfoSet set, DevInfoData* data,
                                                 uint32_t property, uint32_t* regType,
                                                 uint8_t* buffer, uint32_t bufferSize,
                                                 uint32_t* requiredSize) = 0;
  virtual bool SetupDiRemoveDevice(DevInfoSet set, DevInfoData* data) = 0;
  virtual bool SetupDiDestroyDeviceInfoList(DevInfoSet set) = 0;
};

// Destroys a device information set when it goes out of scope.
using ScopedDevInfoSet =
    ScopedPlatformHandle<DeviceSetup, DevInfoSet, &DeviceSetup::SetupDiDestroyDeviceInfoList,
                         ~DevInfoSet{0} /* INVALID_HANDLE_VALUE */>;

}  // namespace talvex
