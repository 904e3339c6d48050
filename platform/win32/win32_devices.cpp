#include "platform/win32/win32_devices.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "platform/win32/system_libraries.h"
#include "platform/win32/windows_support.h"

namespace talvex::win32 {

// DevInfoData carries SP_DEVINFO_DATA's bytes across the interface.
static_assert(std::is_trivially_copyable_v<DevInfoData>);
static_assert(sizeof(DevInfoData) == sizeof(SP_DEVINFO_DATA));
static_assert(offsetof(DevInfoData, cbSize) == offsetof(SP_DEVINFO_DATA, cbSize));
static_assert(offsetof(DevInfoData, ClassGuid) == offsetof(SP_DEVINFO_DATA, ClassGuid));
static_assert(offsetof(DevInfoData, DevInst) == offsetof(SP_DEVINFO_DATA, DevInst));
static_assert(offsetof(DevInfoData, Reserved) == offsetof(SP_DEVINFO_DATA, Reserved));

namespace {

HDEVINFO ToHdevinfo(DevInfoSet set) {
  return reinterpret_cast<HDEVINFO>(set);
}

// The caller's record as SP_DEVINFO_DATA for one call: copied in, and back out afterwards, so that
// no object is reached through a pointer of an unrelated type.
class DeviceRecord {
 public:
  explicit DeviceRecord(DevInfoData* data) : data_(data) {
    if (data_ != nullptr)
      std::memcpy(&record_, data_, sizeof record_);
  }
  ~DeviceRecord() {
    if (data_ != nullptr)
      std::memcpy(static_cast<void*>(data_), &record_, sizeof record_);
  }
  DeviceRecord(const DeviceRecord&) = delete;
  DeviceRecord& operator=(const DeviceRecord&) = delete;
  SP_DEVINFO_DATA* get() { return data_ != nullptr ? &record_ : nullptr; }

 private:
  DevInfoData* data_;
  SP_DEVINFO_DATA record_{};
};

// setupapi.dll's functions, loaded from the system folder; the program ends at the first call
// when the library did not load.
const SetupApiFunctions& SetupApi() {
  return ProcessLibraries().RequireSetupApi();
}

bool Finish(BOOL ok) {
  if (ok)
    ::SetLastError(ERROR_SUCCESS);
  return ok != FALSE;
}

}  // namespace

DevInfoSet Win32DeviceSetup::SetupDiGetClassDevsA(const void* classGuid, const char* enumerator,
                                                  WindowHandle parent, uint32_t flags) {
  HDEVINFO set = SetupApi().SetupDiGetClassDevsA(static_cast<const GUID*>(classGuid), enumerator,
                                                 reinterpret_cast<HWND>(parent), flags);
  if (set != INVALID_HANDLE_VALUE)
    ::SetLastError(ERROR_SUCCESS);
  return reinterpret_cast<DevInfoSet>(set);
}

bool Win32DeviceSetup::SetupDiEnumDeviceInfo(DevInfoSet set, uint32_t index, DevInfoData* data) {
  DeviceRecord record(data);
  return Finish(SetupApi().SetupDiEnumDeviceInfo(ToHdevinfo(set), index, record.get()));
}

bool Win32DeviceSetup::SetupDiGetDeviceRegistryPropertyA(DevInfoSet set, DevInfoData* data,
                                                         uint32_t property, uint32_t* regType,
                                                         uint8_t* buffer, uint32_t bufferSize,
                                                         uint32_t* requiredSize) {
  DeviceRecord record(data);
  DWORD type = 0;
  DWORD required = 0;
  BOOL ok = SetupApi().SetupDiGetDeviceRegistryPropertyA(ToHdevinfo(set), record.get(), property,
                                                         &type, buffer, bufferSize, &required);
  DWORD error = ::GetLastError();
  if (regType != nullptr)
    *regType = static_cast<uint32_t>(type);
  if (requiredSize != nullptr)
    *requiredSize = static_cast<uint32_t>(required);
  ::SetLastError(error);
  return Finish(ok);
}

bool Win32DeviceSetup::SetupDiRemoveDevice(DevInfoSet set, DevInfoData* data) {
  DeviceRecord record(data);
  return Finish(SetupApi().SetupDiRemoveDevice(ToHdevinfo(set), record.get()));
}

bool Win32DeviceSetup::SetupDiDestroyDeviceInfoList(DevInfoSet set) {
  return Finish(SetupApi().SetupDiDestroyDeviceInfoList(ToHdevinfo(set)));
}

}  // namespace talvex::win32
