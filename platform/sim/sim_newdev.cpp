#include "platform/sim/sim_newdev.h"

#include "platform/ascii_text.h"
#include "platform/sim/sim_devices.h"
#include "platform/winconst.h"

namespace talvex::sim {

class SimNewdevModule : public NewdevModule {
 public:
  explicit SimNewdevModule(SimDriverUpdateService& service) : service_(service) {
    ++service_.loaded_;
  }
  ~SimNewdevModule() override { --service_.loaded_; }

  bool GetProcAddress(const std::string& name) override {
    if (auto failure =
            service_.failures_.Check("GetProcAddress", name, win::ERROR_PROC_NOT_FOUND)) {
      service_.errors_.SetLastError(*failure);
      return false;
    }
    if (name != "UpdateDriverForPlugAndPlayDevicesA" &&
        name != "UpdateDriverForPlugAndPlayDevicesW") {
      service_.errors_.SetLastError(win::ERROR_PROC_NOT_FOUND);
      return false;
    }
    return true;
  }

  bool UpdateDriverForPlugAndPlayDevicesA(WindowHandle, const std::string& hardwareId,
                                          const std::string& fullInfPath, uint32_t,
                                          int32_t* rebootRequired) override {
    if (rebootRequired)
      *rebootRequired = 0;
    return service_.UpdateDriver(hardwareId, fullInfPath);
  }

 private:
  SimDriverUpdateService& service_;
};

std::unique_ptr<NewdevModule> SimDriverUpdateService::LoadNewdev() {
  if (auto failure = failures_.Check("LoadLibraryA", "newdev.dll", win::ERROR_MOD_NOT_FOUND)) {
    errors_.SetLastError(*failure);
    return nullptr;
  }
  return std::make_unique<SimNewdevModule>(*this);
}

bool SimDriverUpdateService::UpdateDriver(const std::string& hardwareId,
                                          const std::string& fullInfPath) {
  if (auto failure = failures_.Check("UpdateDriverForPlugAndPlayDevicesA", hardwareId,
                                     win::ERROR_GEN_FAILURE)) {
    errors_.SetLastError(*failure);
    return false;
  }
  std::optional<std::filesystem::path> inf = paths_.FindExisting(fullInfPath);
  std::error_code error;
  if (!inf || !std::filesystem::is_regular_file(*inf, error)) {
    errors_.SetLastError(win::ERROR_FILE_NOT_FOUND);
    return false;
  }
  std::vector<uint8_t> infPath(fullInfPath.begin(), fullInfPath.end());
  infPath.push_back(0);
  bool any = false;
  for (const PresentDevice& device : PresentDevices(store_)) {
    if (!HasHardwareId(*device.instance, hardwareId))
      continue;
    device.instance->SetValue({"InfPath", win::REG_SZ, infPath});
    any = true;
  }
  if (!any) {
    errors_.SetLastError(win::ERROR_NO_SUCH_DEVINST);
    return false;
  }
  errors_.SetLastError(0);
  return true;
}

}  // namespace talvex::sim
