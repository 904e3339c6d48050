// newdev.dll in the simulated machine: it loads with both entry points unless a failure is
// injected, and its driver update installs the INF on every present device with the hardware ID
// as the machine's Windows would.
#pragma once

#include <memory>

#include "inf/install_plan.h"
#include "platform/newdev.h"
#include "platform/sim/drive_paths.h"
#include "platform/sim/failure_plan.h"
#include "platform/sim/journal.h"
#include "platform/sim/reg_store.h"
#include "platform/sim/sim_devices.h"
#include "platform/sim/sim_errors.h"
#include "platform/sim/sim_system.h"

namespace talvex::sim {

class SimDriverUpdateService : public DriverUpdateService {
 public:
  SimDriverUpdateService(RegistryStore& store, SimDeviceSetup& devices, DrivePaths& paths,
                         SimThreadErrors& errors, FailurePlan& failures, SimSystemFolders& folders,
                         Journal& journal)
      : store_(store),
        devices_(devices),
        paths_(paths),
        errors_(errors),
        failures_(failures),
        folders_(folders),
        journal_(journal) {}

  // Loaded by full path from the system folder, as the Windows build does: a machine without one
  // has no newdev.dll to offer.
  std::unique_ptr<NewdevModule> LoadNewdev() override;

  // What UpdateDriverForPlugAndPlayDevicesA does inside the machine; the last error says why it
  // failed.
  bool UpdateDriver(const std::string& hardwareId, const std::string& fullInfPath);
  int LoadedModules() const { return loaded_; }

 private:
  friend class SimNewdevModule;
  uint32_t Update(const std::string& hardwareId, const std::string& fullInfPath);
  // The journal's line of the driver chosen for a device, or of why none could be.
  void JournalInf(const std::string& infPath, const std::string& device, uint32_t error, int line,
                  const std::string& what, const inf::InstallPlan* plan = nullptr);

  RegistryStore& store_;
  SimDeviceSetup& devices_;  // the present devices, as the device calls see them
  DrivePaths& paths_;
  SimThreadErrors& errors_;
  FailurePlan& failures_;
  SimSystemFolders& folders_;
  Journal& journal_;
  int loaded_ = 0;
};

}  // namespace talvex::sim
