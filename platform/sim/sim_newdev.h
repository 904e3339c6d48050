// newdev.dll in the simulated machine: it loads with both entry points unless a failure is
// injected, and its driver update records the INF path on every device with the hardware ID.
#pragma once

#include <memory>

#include "platform/newdev.h"
#include "platform/sim/drive_paths.h"
#include "platform/sim/failure_plan.h"
#include "platform/sim/journal.h"
#include "platform/sim/reg_store.h"
#include "platform/sim/sim_devices.h"
#include "platform/sim/sim_errors.h"
#include "platform/system_folders.h"

namespace talvex::sim {

class SimDriverUpdateService : public DriverUpdateService {
 public:
  SimDriverUpdateService(SimDeviceSetup& devices, DrivePaths& paths, SimThreadErrors& errors,
                         FailurePlan& failures, SystemFolders& folders, Journal& journal)
      : devices_(devices),
        paths_(paths),
        errors_(errors),
        failures_(failures),
        folders_(folders),
        journal_(journal) {}

  // Loaded by full path from the system folder, as the Windows build does: a machine without one
  // has no newdev.dll to offer.
  std::unique_ptr<NewdevModule> LoadNewdev() override;

  // What UpdateDriverForPlugAndPlayDevicesA does inside the machine.
  bool UpdateDriver(const std::string& hardwareId, const std::string& fullInfPath);
  int LoadedModules() const { return loaded_; }

 private:
  friend class SimNewdevModule;
  SimDeviceSetup& devices_;  // the present devices, as the device calls see them
  DrivePaths& paths_;
  SimThreadErrors& errors_;
  FailurePlan& failures_;
  SystemFolders& folders_;
  Journal& journal_;
  int loaded_ = 0;
};

}  // namespace talvex::sim
