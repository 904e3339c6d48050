#include "platform/sim/sim_newdev.h"

#include "platform/ascii_text.h"
#include "platform/sim/sim_devices.h"
#include "platform/winconst.h"

namespace talvex::sim {

namespace {
constexpr JournalName kInstallFlags[] = {
    {win::INSTALLFLAG_FORCE, "INSTALLFLAG_FORCE"},
    {0x2, "INSTALLFLAG_READONLY"},
    {0x4, "INSTALLFLAG_NONINTERACTIVE"},
};
}  // namespace

class SimNewdevModule : public NewdevModule {
 public:
  SimNewdevModule(SimDriverUpdateService& service, std::string path)
      : service_(service), path_(std::move(path)) {
    ++service_.loaded_;
  }
  ~SimNewdevModule() override {
    --service_.loaded_;
    Journal& journal = service_.journal_;
    if (journal.on())
      journal.Write(JournalLine("FreeLibrary").Text("module", path_).Result(true));
  }

  bool GetProcAddress(const std::string& name) override {
    bool found = Find(name);
    Journal& journal = service_.journal_;
    if (journal.on())
      journal.Write(JournalLine("GetProcAddress")
                        .Text("module", path_)
                        .Text("name", name)
                        .Result(found ? "found" : "null"));
    return found;
  }

  bool UpdateDriverForPlugAndPlayDevicesA(WindowHandle parent, const std::string& hardwareId,
                                          const std::string& fullInfPath, uint32_t installFlags,
                                          int32_t* rebootRequired) override {
    if (rebootRequired)
      *rebootRequired = 0;
    bool ok = service_.UpdateDriver(hardwareId, fullInfPath);
    Journal& journal = service_.journal_;
    if (journal.on()) {
      JournalLine line("UpdateDriverForPlugAndPlayDevicesA");
      line.Handle("parent", parent).Text("id", hardwareId).Text("inf", fullInfPath);
      line.Flags("flags", installFlags, kInstallFlags).Result(ok);
      if (rebootRequired)
        line.Number("reboot", *rebootRequired);
      journal.Write(line);
    }
    return ok;
  }

 private:
  bool Find(const std::string& name) {
    if (auto failure =
            service_.failures_.Check("GetProcAddress", name, win::ERROR_PROC_NOT_FOUND)) {
      service_.errors_.Set(*failure);
      return false;
    }
    if (name != "UpdateDriverForPlugAndPlayDevicesA" &&
        name != "UpdateDriverForPlugAndPlayDevicesW") {
      service_.errors_.Set(win::ERROR_PROC_NOT_FOUND);
      return false;
    }
    return true;
  }

  SimDriverUpdateService& service_;
  std::string path_;
};

std::unique_ptr<NewdevModule> SimDriverUpdateService::LoadNewdev() {
  std::optional<std::string> system = SystemFolderPath(folders_);
  if (!system)
    return nullptr;  // the call left its last error
  const std::string path = JoinPath(*system, "newdev.dll");
  std::unique_ptr<NewdevModule> module;
  if (auto failure = failures_.Check("LoadLibraryA", "newdev.dll", win::ERROR_MOD_NOT_FOUND))
    errors_.Set(*failure);
  else
    module = std::make_unique<SimNewdevModule>(*this, path);
  if (journal_.on())
    journal_.Write(
        JournalLine("LoadLibraryA").Text("path", path).Result(module ? "loaded" : "null"));
  return module;
}

bool SimDriverUpdateService::UpdateDriver(const std::string& hardwareId,
                                          const std::string& fullInfPath) {
  if (auto failure = failures_.Check("UpdateDriverForPlugAndPlayDevicesA", hardwareId,
                                     win::ERROR_GEN_FAILURE)) {
    errors_.Set(*failure);
    return false;
  }
  std::optional<std::filesystem::path> inf = paths_.FindExisting(fullInfPath);
  std::error_code error;
  if (!inf || !std::filesystem::is_regular_file(*inf, error)) {
    errors_.Set(win::ERROR_FILE_NOT_FOUND);
    return false;
  }
  std::vector<uint8_t> infPath(fullInfPath.begin(), fullInfPath.end());
  infPath.push_back(0);
  bool any = false;
  devices_.ForEachPresentDevice([&](RegKeyNode& instance, std::optional<std::string_view> ids) {
    if (!ids || !ListHasHardwareId(*ids, hardwareId))
      return;
    instance.SetValue({"InfPath", win::REG_SZ, infPath});
    any = true;
  });
  if (!any) {
    errors_.Set(win::ERROR_NO_SUCH_DEVINST);
    return false;
  }
  errors_.Set(0);
  return true;
}

}  // namespace talvex::sim
