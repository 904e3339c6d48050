#include "platform/sim/sim_devices.h"

#include <cstring>

#include "platform/winconst.h"

namespace talvex::sim {

std::string PresentDevice::Path() const {
  std::string path = kEnumKey;
  for (const RegKeyNode* key : {enumerator, device, instance}) {
    path += '\\';
    path += key->name();
  }
  return path;
}

std::vector<PresentDevice> PresentDevices(RegistryStore& store) {
  std::vector<PresentDevice> devices;
  RegKeyNode* enumKey = store.FindKey(kEnumKey);
  if (enumKey == nullptr)
    return devices;
  for (const auto& enumerator : enumKey->subkeys())
    for (const auto& device : enumerator->subkeys())
      for (const auto& instance : device->subkeys())
        devices.push_back({enumerator.get(), device.get(), instance.get()});
  return devices;
}

std::vector<std::string> HardwareIds(const RegKeyNode& instance) {
  std::vector<std::string> ids;
  const RegValue* value = instance.FindValue("HardwareID");
  if (value == nullptr)
    return ids;
  std::string current;
  for (uint8_t byte : value->data) {
    if (byte == 0) {
      if (current.empty())
        break;
      ids.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(byte));
    }
  }
  if (!current.empty())
    ids.push_back(current);
  return ids;
}

SimDeviceSetup::SimDeviceSetup(RegistryStore& store, SimThreadErrors& errors, FailurePlan& failures)
    : store_(store), errors_(errors), failures_(failures) {}

bool SimDeviceSetup::Fail(uint32_t error) {
  errors_.SetLastError(error);
  return false;
}

bool SimDeviceSetup::Succeed() {
  errors_.SetLastError(0);
  return true;
}

DevInfoSet SimDeviceSetup::SetupDiGetClassDevsA(const void*, const char*, WindowHandle, uint32_t) {
  if (auto failure = failures_.Check("SetupDiGetClassDevsA", "", win::ERROR_INVALID_PARAMETER)) {
    errors_.SetLastError(*failure);
    return win::INVALID_HANDLE_VALUE;
  }
  DevInfoSet set = next_set_++;
  sets_[set] = CurrentDevices();
  errors_.SetLastError(0);
  return set;
}

std::shared_ptr<const SimDeviceSetup::DeviceList> SimDeviceSetup::CurrentDevices() {
  if (current_ && current_->keyRevision == store_.key_revision())
    return current_;
  auto list = std::make_shared<DeviceList>();
  list->keyRevision = store_.key_revision();
  const std::vector<PresentDevice> present = PresentDevices(store_);
  list->devices.reserve(present.size());
  for (const PresentDevice& device : present)
    list->devices.push_back({device.instance->weak_from_this(), device.Path()});
  current_ = std::move(list);
  return current_;
}

const SimDeviceSetup::SetDevice* SimDeviceSetup::DeviceOf(DevInfoSet set, const DevInfoData* data) {
  auto it = sets_.find(set);
  if (it == sets_.end()) {
    Fail(win::ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (data == nullptr || data->cbSize != sizeof(DevInfoData) ||
      data->DevInst >= it->second->devices.size()) {
    Fail(win::ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return &it->second->devices[data->DevInst];
}

bool SimDeviceSetup::SetupDiEnumDeviceInfo(DevInfoSet set, uint32_t index, DevInfoData* data) {
  auto it = sets_.find(set);
  if (it == sets_.end())
    return Fail(win::ERROR_INVALID_HANDLE);
  if (data == nullptr || data->cbSize != sizeof(DevInfoData))
    return Fail(win::ERROR_INVALID_PARAMETER);
  if (auto failure = failures_.Check("SetupDiEnumDeviceInfo", "", win::ERROR_NO_MORE_ITEMS))
    return Fail(*failure);
  if (index >= it->second->devices.size())
    return Fail(win::ERROR_NO_MORE_ITEMS);
  data->DevInst = index;
  return Succeed();
}

bool SimDeviceSetup::SetupDiGetDeviceRegistryPropertyA(DevInfoSet set, DevInfoData* data,
                                                       uint32_t property, uint32_t* regType,
                                                       uint8_t* buffer, uint32_t bufferSize,
                                                       uint32_t* requiredSize) {
  const SetDevice* device = DeviceOf(set, data);
  if (device == nullptr)
    return false;
  if (auto failure = failures_.Check("SetupDiGetDeviceRegistryPropertyA", device->path,
                                     win::ERROR_INVALID_DATA))
    return Fail(*failure);
  const std::shared_ptr<RegKeyNode> instance = device->instance.lock();
  if (instance == nullptr)
    return Fail(win::ERROR_NO_SUCH_DEVINST);
  if (property != win::SPDRP_HARDWAREID)
    return Fail(win::ERROR_INVALID_DATA);
  const RegValue* value = instance->FindValue("HardwareID");
  if (value == nullptr)
    return Fail(win::ERROR_INVALID_DATA);
  uint32_t size = static_cast<uint32_t>(value->data.size());
  if (requiredSize)
    *requiredSize = size;
  if (regType)
    *regType = value->type;
  if (buffer == nullptr || bufferSize < size)
    return Fail(win::ERROR_INSUFFICIENT_BUFFER);
  if (size > 0)
    std::memcpy(buffer, value->data.data(), size);
  return Succeed();
}

bool SimDeviceSetup::SetupDiRemoveDevice(DevInfoSet set, DevInfoData* data) {
  const SetDevice* device = DeviceOf(set, data);
  if (device == nullptr)
    return false;
  if (auto failure = failures_.Check("SetupDiRemoveDevice", device->path, win::ERROR_ACCESS_DENIED))
    return Fail(*failure);
  const std::shared_ptr<RegKeyNode> instance = device->instance.lock();
  if (instance == nullptr || instance->parent() == nullptr ||
      !instance->parent()->RemoveSubkey(instance.get()))
    return Fail(win::ERROR_NO_SUCH_DEVINST);
  return Succeed();
}

bool SimDeviceSetup::SetupDiDestroyDeviceInfoList(DevInfoSet set) {
  if (sets_.erase(set) == 0)
    return Fail(win::ERROR_INVALID_HANDLE);
  return Succeed();
}

}  // namespace talvex::sim
