#include "platform/sim/sim_devices.h"

#include <algorithm>
#include <cstring>

#include "platform/ascii_text.h"
#include "platform/winconst.h"

namespace talvex::sim {
namespace {

// The names of the calls made once per device, made once.
const std::string kEnumOperation = "SetupDiEnumDeviceInfo";
const std::string kGetPropertyOperation = "SetupDiGetDeviceRegistryPropertyA";
const std::string kNoArgument;

constexpr JournalName kClassDevsFlags[] = {
    {0x1, "DIGCF_DEFAULT"},
    {win::DIGCF_PRESENT, "DIGCF_PRESENT"},
    {win::DIGCF_ALLCLASSES, "DIGCF_ALLCLASSES"},
    {0x8, "DIGCF_PROFILE"},
    {0x10, "DIGCF_DEVICEINTERFACE"},
};
constexpr JournalName kProperties[] = {{win::SPDRP_HARDWAREID, "SPDRP_HARDWAREID"}};
constexpr JournalName kValueTypes[] = {{win::REG_SZ, "REG_SZ"},
                                       {win::REG_MULTI_SZ, "REG_MULTI_SZ"}};

}  // namespace

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

std::vector<std::string> ListEntries(std::string_view list) {
  std::vector<std::string> entries;
  for (size_t offset = 0; offset < list.size() && list[offset] != 0;) {
    const size_t end = std::min(list.find('\0', offset), list.size());
    entries.emplace_back(list.substr(offset, end - offset));
    offset = end + 1;
  }
  return entries;
}

bool ListHasHardwareId(std::string_view list, std::string_view id) {
  for (size_t offset = 0; offset < list.size() && list[offset] != 0;) {
    const size_t end = std::min(list.find('\0', offset), list.size());
    if (EqualsIgnoreCase(list.substr(offset, end - offset), id))
      return true;
    offset = end + 1;
  }
  return false;
}

std::string KeyPath(const RegKeyNode& key) {
  std::string path = key.name();
  for (const RegKeyNode* at = key.parent(); at != nullptr && at->parent() != nullptr;
       at = at->parent())
    path = at->name() + "\\" + path;
  return path;
}

SimDeviceSetup::SimDeviceSetup(RegistryStore& store, SimThreadErrors& errors, FailurePlan& failures,
                               Journal& journal)
    : store_(store), errors_(errors), failures_(failures), journal_(journal) {}

std::string SimDeviceSetup::DeviceName(DevInfoSet set, const DevInfoData* data) const {
  if (data == nullptr)
    return "null";
  auto it = sets_.find(set);
  if (it == sets_.end() || data->DevInst >= it->second->devices.size())
    return std::to_string(data->DevInst);
  return JournalText(it->second->devices[data->DevInst].path);
}

DevInfoSet SimDeviceSetup::SetupDiGetClassDevsA(const void* classGuid, const char* enumerator,
                                                WindowHandle parent, uint32_t flags) {
  DevInfoSet set = GetClassDevs();
  if (journal_.on())
    journal_.Write(JournalLine("SetupDiGetClassDevsA")
                       .Raw("class", classGuid ? "guid" : "null")
                       .Text("enumerator", enumerator)
                       .Handle("parent", parent)
                       .Flags("flags", flags, kClassDevsFlags)
                       .ResultHandle(set));
  return set;
}

bool SimDeviceSetup::SetupDiEnumDeviceInfo(DevInfoSet set, uint32_t index, DevInfoData* data) {
  bool ok = EnumDeviceInfo(set, index, data);
  if (journal_.on()) {
    JournalLine line("SetupDiEnumDeviceInfo");
    line.Handle("set", set).Number("index", index).Result(ok);
    if (ok)
      line.Raw("device", DeviceName(set, data));
    journal_.Write(line);
  }
  return ok;
}

bool SimDeviceSetup::SetupDiGetDeviceRegistryPropertyA(DevInfoSet set, DevInfoData* data,
                                                       uint32_t property, uint32_t* regType,
                                                       uint8_t* buffer, uint32_t bufferSize,
                                                       uint32_t* requiredSize) {
  if (!journal_.on())
    return GetDeviceRegistryProperty(set, data, property, regType, buffer, bufferSize,
                                     requiredSize);
  // The call's outputs are always taken, and given to the caller only where it asked for them.
  uint32_t type = regType ? *regType : 0;
  uint32_t required = requiredSize ? *requiredSize : 0;
  bool ok = GetDeviceRegistryProperty(set, data, property, &type, buffer, bufferSize, &required);
  if (regType)
    *regType = type;
  if (requiredSize)
    *requiredSize = required;
  JournalLine line("SetupDiGetDeviceRegistryPropertyA");
  line.Raw("device", DeviceName(set, data)).Named("property", property, kProperties);
  line.Raw("buffer", buffer ? "yes" : "null").Number("size", bufferSize).Result(ok);
  if (ok || errors_.last_error() == win::ERROR_INSUFFICIENT_BUFFER)
    line.Named("type", type, kValueTypes).Number("required", required);
  if (ok && buffer != nullptr)
    line.Text("data", std::string_view(reinterpret_cast<const char*>(buffer),
                                       std::min(required, bufferSize)));
  journal_.Write(line);
  return ok;
}

bool SimDeviceSetup::SetupDiRemoveDevice(DevInfoSet set, DevInfoData* data) {
  std::string device = journal_.on() ? DeviceName(set, data) : std::string();
  bool ok = RemoveDevice(set, data);
  if (journal_.on())
    journal_.Write(JournalLine("SetupDiRemoveDevice").Raw("device", device).Result(ok));
  return ok;
}

bool SimDeviceSetup::SetupDiDestroyDeviceInfoList(DevInfoSet set) {
  bool ok = DestroyDeviceInfoList(set);
  if (journal_.on())
    journal_.Write(JournalLine("SetupDiDestroyDeviceInfoList").Handle("set", set).Result(ok));
  return ok;
}

bool SimDeviceSetup::Fail(uint32_t error) {
  errors_.Set(error);
  return false;
}

bool SimDeviceSetup::Succeed() {
  errors_.Set(0);
  return true;
}

DevInfoSet SimDeviceSetup::GetClassDevs() {
  if (auto failure = failures_.Check("SetupDiGetClassDevsA", "", win::ERROR_INVALID_PARAMETER)) {
    errors_.Set(*failure);
    return win::INVALID_HANDLE_VALUE;
  }
  DevInfoSet set = next_set_++;
  sets_[set] = CurrentDevices();
  errors_.Set(0);
  return set;
}

std::shared_ptr<const SimDeviceSetup::DeviceList> SimDeviceSetup::CurrentDevices() {
  if (current_ && current_->keyRevision == store_.key_revision())
    return current_;
  auto list = std::make_shared<DeviceList>();
  list->keyRevision = store_.key_revision();
  list->checkedRevision = store_.revision();
  const std::vector<PresentDevice> present = PresentDevices(store_);
  list->devices.reserve(present.size());
  for (const PresentDevice& device : present)
    list->devices.push_back({device.instance, device.instance->weak_from_this(), device.Path()});
  current_ = std::move(list);
  return current_;
}

const SimDeviceSetup::SetDevice* SimDeviceSetup::DeviceOf(DevInfoSet set, const DevInfoData* data,
                                                          RegKeyNode** instance,
                                                          const DeviceList** list) {
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
  const DeviceList& devices = *it->second;
  const SetDevice& device = devices.devices[data->DevInst];
  // While no key was added or deleted every device of the list is where it was; otherwise the
  // device is looked for, and gone once its key was deleted.
  *instance =
      devices.keyRevision == store_.key_revision() ? device.node : device.instance.lock().get();
  if (list != nullptr)
    *list = &devices;
  return &device;
}

void SimDeviceSetup::CheckForChanges(const DeviceList& list) const {
  const uint64_t revision = store_.revision();
  if (list.checkedRevision == revision)
    return;
  const bool complete =
      store_.ForEachValueChangeSince(list.checkedRevision, [&](const RegKeyNode* key) {
        if (list.positions.empty()) {
          list.positions.reserve(list.devices.size());
          for (size_t i = 0; i < list.devices.size(); ++i)
            list.positions.emplace(list.devices[i].node, i);
        }
        auto it = list.positions.find(key);
        if (it != list.positions.end())
          list.devices[it->second].known = false;
      });
  if (!complete) {
    for (const SetDevice& device : list.devices)
      device.known = false;
  }
  list.checkedRevision = revision;
}

SimDeviceSetup::HardwareIds SimDeviceSetup::HardwareIdsOf(const DeviceList& list,
                                                          const SetDevice& device,
                                                          const RegKeyNode& instance) const {
  CheckForChanges(list);
  if (!device.known) {
    const RegValue* value = instance.FindValue("HardwareID");
    device.present = value != nullptr;
    device.type = value != nullptr ? value->type : 0;
    device.size = value != nullptr ? value->data.size() : 0;
    if (device.size > device.room) {
      device.offset = list.bytes.size();
      device.room = device.size;
      list.bytes.resize(list.bytes.size() + device.size);
    }
    if (device.size > 0)
      std::memcpy(list.bytes.data() + device.offset, value->data.data(), device.size);
    device.known = true;
  }
  HardwareIds ids;
  ids.present = device.present;
  ids.type = device.type;
  ids.data = list.bytes.data() + device.offset;
  ids.size = device.size;
  return ids;
}

bool SimDeviceSetup::EnumDeviceInfo(DevInfoSet set, uint32_t index, DevInfoData* data) {
  auto it = sets_.find(set);
  if (it == sets_.end())
    return Fail(win::ERROR_INVALID_HANDLE);
  if (data == nullptr || data->cbSize != sizeof(DevInfoData))
    return Fail(win::ERROR_INVALID_PARAMETER);
  if (auto failure = failures_.Check(kEnumOperation, kNoArgument, win::ERROR_NO_MORE_ITEMS))
    return Fail(*failure);
  if (index >= it->second->devices.size())
    return Fail(win::ERROR_NO_MORE_ITEMS);
  data->DevInst = index;
  return Succeed();
}

bool SimDeviceSetup::GetDeviceRegistryProperty(DevInfoSet set, DevInfoData* data, uint32_t property,
                                               uint32_t* regType, uint8_t* buffer,
                                               uint32_t bufferSize, uint32_t* requiredSize) {
  RegKeyNode* instance = nullptr;
  const DeviceList* list = nullptr;
  const SetDevice* device = DeviceOf(set, data, &instance, &list);
  if (device == nullptr)
    return false;
  if (auto failure = failures_.Check(kGetPropertyOperation, device->path, win::ERROR_INVALID_DATA))
    return Fail(*failure);
  if (instance == nullptr)
    return Fail(win::ERROR_NO_SUCH_DEVINST);
  if (property != win::SPDRP_HARDWAREID)
    return Fail(win::ERROR_INVALID_DATA);
  const HardwareIds ids = HardwareIdsOf(*list, *device, *instance);
  if (!ids.present)
    return Fail(win::ERROR_INVALID_DATA);
  uint32_t size = static_cast<uint32_t>(ids.size);
  if (requiredSize)
    *requiredSize = size;
  if (regType)
    *regType = ids.type;
  if (buffer == nullptr || bufferSize < size)
    return Fail(win::ERROR_INSUFFICIENT_BUFFER);
  if (size > 0)
    std::memcpy(buffer, ids.data, size);
  return Succeed();
}

bool SimDeviceSetup::RemoveDevice(DevInfoSet set, DevInfoData* data) {
  RegKeyNode* instance = nullptr;
  const SetDevice* device = DeviceOf(set, data, &instance);
  if (device == nullptr)
    return false;
  if (auto failure = failures_.Check("SetupDiRemoveDevice", device->path, win::ERROR_ACCESS_DENIED))
    return Fail(*failure);
  if (instance == nullptr || instance->parent() == nullptr ||
      !instance->parent()->RemoveSubkey(instance))
    return Fail(win::ERROR_NO_SUCH_DEVINST);
  return Succeed();
}

bool SimDeviceSetup::DestroyDeviceInfoList(DevInfoSet set) {
  if (sets_.erase(set) == 0)
    return Fail(win::ERROR_INVALID_HANDLE);
  return Succeed();
}

}  // namespace talvex::sim
