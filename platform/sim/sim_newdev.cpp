#include "platform/sim/sim_newdev.h"

#include <fstream>
#include <iterator>

#include "inf/install_plan.h"
#include "platform/sim/machine_os.h"
#include "platform/sim/sim_driver_install.h"

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
  uint32_t error = Update(hardwareId, fullInfPath);
  errors_.Set(error);
  return error == 0;
}

uint32_t SimDriverUpdateService::Update(const std::string& hardwareId,
                                        const std::string& fullInfPath) {
  if (auto failure =
          failures_.Check("UpdateDriverForPlugAndPlayDevicesA", hardwareId, win::ERROR_GEN_FAILURE))
    return *failure;
  std::optional<std::filesystem::path> infFile = paths_.FindExisting(fullInfPath);
  std::error_code error;
  if (!infFile || !std::filesystem::is_regular_file(*infFile, error))
    return win::ERROR_FILE_NOT_FOUND;

  // The devices with the ID among their hardware or compatible IDs, and all their IDs in order.
  struct Target {
    std::string path;
    std::vector<std::string> ids;
  };
  std::vector<Target> targets;
  devices_.ForEachPresentDevice([&](RegKeyNode& instance, std::optional<std::string_view> list) {
    std::vector<std::string> ids = list ? ListEntries(*list) : std::vector<std::string>{};
    if (const RegValue* compatible = instance.FindValue("CompatibleIDs"))
      for (const std::string& id : ListEntries(std::string_view(
               reinterpret_cast<const char*>(compatible->data.data()), compatible->data.size())))
        ids.push_back(id);
    for (const std::string& id : ids)
      if (EqualsIgnoreCase(id, hardwareId)) {
        targets.push_back(Target{KeyPath(instance), std::move(ids)});
        break;
      }
  });
  if (targets.empty())
    return win::ERROR_NO_SUCH_DEVINST;

  std::string bytes;
  {
    std::ifstream in(*infFile, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  inf::InfFile file;
  try {
    file = inf::InfFile::Parse(bytes);
  } catch (const inf::InfError& refused) {
    JournalInf(fullInfPath, "", refused.code(), refused.line(), "the file cannot be read");
    return refused.code();
  }
  MachineOs os = ReadMachineOs(store_);
  inf::TargetOs target{os.nt, os.major, os.minor};
  size_t slash = fullInfPath.find_last_of('\\');
  inf::Folders folders{folders_.windows_folder(), folders_.system_folder(),
                       slash == std::string::npos ? std::string() : fullInfPath.substr(0, slash),
                       os.nt};
  // Each device gets the best driver of the INF for its own IDs; the update fails with the first
  // failure, or with why no device got a driver.
  uint32_t why = 0;
  bool installed = false;
  for (const Target& device : targets) {
    inf::PlanResult plan = inf::PlanInstall(file, target, folders, device.ids);
    JournalInf(fullInfPath, device.path, plan.error, plan.at.line,
               plan.error ? plan.what : plan.plan.section, &plan.plan);
    if (plan.error) {
      why = why ? why : plan.error;
      continue;
    }
    SimDriverInstall install(store_, paths_, journal_, os, folders.windows);
    if (uint32_t failed = install.Install(plan.plan, fullInfPath, bytes, device.path))
      return failed;
    installed = true;
  }
  return installed ? 0 : why;
}

void SimDriverUpdateService::JournalInf(const std::string& infPath, const std::string& device,
                                        uint32_t error, int line, const std::string& what,
                                        const inf::InstallPlan* plan) {
  if (!journal_.on())
    return;
  JournalLine entry("newdev.SelectDriver");
  entry.Text("inf", infPath).Text("device", device);
  if (error) {
    entry.ResultCode(error).Number("line", line).Text("why", what);
  } else {
    entry.Result("found")
        .Text("models", plan->driver.modelsSection)
        .Number("line", plan->driver.modelsLine)
        .Text("id", plan->driver.matchingId)
        .Text("section", what);
  }
  journal_.Write(entry);
}

}  // namespace talvex::sim
