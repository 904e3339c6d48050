// Carries out an INF's install plan on one device of the simulated machine, as Windows' driver
// update does: the files copied (target folders made as needed), the INF kept where the version
// keeps third-party INFs, the driver key under the device's class with Windows' values, AddReg
// and DelReg, the services on NT, and the device's own values.
#pragma once

#include <cstdint>
#include <string>

#include "inf/install_plan.h"
#include "platform/sim/drive_paths.h"
#include "platform/sim/journal.h"
#include "platform/sim/machine_os.h"
#include "platform/sim/reg_store.h"

namespace talvex::sim {

class SimDriverInstall {
 public:
  SimDriverInstall(RegistryStore& store, DrivePaths& paths, Journal& journal, MachineOs os,
                   std::string windowsFolder)
      : store_(store),
        paths_(paths),
        journal_(journal),
        os_(os),
        windows_(std::move(windowsFolder)) {}

  // Installs the plan's driver from the INF at infPath (bytes infBytes) on the device whose
  // instance key is at instancePath. 0, or the code the update fails with: ERROR_CANCELLED for a
  // file the package lacks (Windows would ask for the disk), ERROR_ACCESS_DENIED for a folder
  // that cannot be made or written, ERROR_INVALID_CLASS for an INF that names no class. Files
  // copied before a failure stay, as on Windows.
  uint32_t Install(const inf::InstallPlan& plan, const std::string& infPath,
                   const std::string& infBytes, const std::string& instancePath);

  // The name the INF was kept under in the Windows folder's inf (NT: "oem0.inf") or inf\other
  // (Me), after Install; the same INF always gets the same copy.
  const std::string& kept_inf_name() const { return kept_inf_; }

 private:
  uint32_t CopyFiles(const inf::InstallPlan& plan);
  uint32_t KeepInf(const inf::InstallPlan& plan, const std::string& infPath,
                   const std::string& infBytes);
  // Makes a folder and its missing parents; false when that cannot be done.
  bool MakeFolders(const std::string& folder);
  RegKeyNode* ClassKey(const inf::InstallPlan& plan, std::string* classPath, uint32_t* error);
  RegKeyNode* DriverKey(RegKeyNode& classKey, const std::string& classPath, RegKeyNode& instance,
                        std::string* driverValue);
  void Apply(const inf::PlannedRegistry& change, RegKeyNode* hkr);
  void InstallService(const inf::PlannedService& service);
  void JournalStep(JournalLine line, bool ok);

  RegistryStore& store_;
  DrivePaths& paths_;
  Journal& journal_;
  MachineOs os_;
  std::string windows_;
  std::string kept_inf_;
};

// Windows' date of a DriverVer ("03/15/2004") as the registry keeps it: "3-15-2004" on NT,
// " 3-15-2004" (the month two characters wide) on Windows 9x.
std::string DriverDateValue(const std::string& driverVer, bool nt);

}  // namespace talvex::sim
