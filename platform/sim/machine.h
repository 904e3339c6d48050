// A simulated Windows machine: a folder with machine.ini, registry.reg and one folder per drive.
#pragma once

#include <filesystem>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/drive_paths.h"
#include "platform/sim/failure_plan.h"
#include "platform/sim/ini_file.h"
#include "platform/sim/journal.h"
#include "platform/sim/reg_store.h"
#include "platform/sim/sim_devices.h"
#include "platform/sim/sim_errors.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_newdev.h"
#include "platform/sim/sim_processes.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_session.h"
#include "platform/sim/sim_shell.h"
#include "platform/sim/sim_system.h"
#include "platform/sim/sim_windows.h"

namespace talvex::sim {

// A machine that cannot be used; nothing of it has been changed.
class MachineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class SimMachine {
 public:
  // Reads machine.ini and registry.reg; throws MachineError. Standard output goes to out. The
  // journal that machine.ini names is started too unless startJournal is false (StartJournal
  // then starts it once whoever runs the program has checked everything else).
  static std::unique_ptr<SimMachine> Load(const std::filesystem::path& folder, std::ostream& out,
                                          bool startJournal = true);

  Platform& platform() { return platform_; }
  const std::filesystem::path& folder() const { return folder_; }
  RegistryStore& registry_store() { return store_; }
  SimRegistry& registry() { return registry_; }
  SimDeviceSetup& devices() { return devices_; }
  SimDriverUpdateService& newdev() { return newdev_; }
  SimThreadErrors& errors() { return errors_; }
  SimProcesses& processes() { return processes_; }
  SimWindows& windows() { return windows_; }
  SimClock& clock() { return clock_; }
  SimShell& shell() { return shell_; }
  SimSession& session() { return session_; }
  // machine.ini's failure rules, with how often each has fired so far.
  const FailurePlan& failures() const { return failures_; }
  Journal& journal() { return journal_; }
  // Creates the journal file machine.ini names (`journal = <file>`, relative to the machine
  // folder or absolute), if it names one; throws MachineError when it cannot be written.
  void StartJournal();
  // The [user] section of machine.ini: what the person at the machine does.
  const std::vector<IniEntry>& user_lines() const { return user_lines_; }

  // Writes registry.reg (atomically, and only when the registry changed since it was read or
  // last written). The machine's changes are kept in memory until then; whoever runs the program
  // calls this whenever the machine can be looked at: when the run ends, by whatever path, and
  // whenever the person at the machine can act. Starting a program inside the machine does it by
  // itself. The journal's lines are written out too. False when registry.reg cannot be written.
  bool Flush() {
    journal_.Flush();
    return registry_.Flush();
  }

  SimMachine(const std::filesystem::path& folder, const IniFile& ini, RegistryStore store,
             std::ostream& out);

 private:
  std::filesystem::path folder_;
  std::vector<IniEntry> user_lines_;
  std::optional<std::string> journal_file_;
  FailurePlan failures_;
  RegistryStore store_;
  SimThreadErrors errors_;
  Journal journal_;  // before every backend: they write to it until they are gone
  DrivePaths paths_;
  SimRegistry registry_;
  SimDeviceSetup devices_;
  SimDriverUpdateService newdev_;
  SimFiles files_;
  SimSystemFolders folders_;
  SimProcess process_;
  SimConsole console_;
  SimClock clock_;
  SimWindows windows_;
  SimProcesses processes_;
  SimShell shell_;
  SimSession session_;
  Platform platform_;
};

}  // namespace talvex::sim
