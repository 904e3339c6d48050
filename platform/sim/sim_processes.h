// Programs started inside the simulated machine: scripted fakes that show windows and leave
// evidence as the simulated clock passes their moments.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/processes.h"
#include "platform/sim/drive_paths.h"
#include "platform/sim/failure_plan.h"
#include "platform/sim/journal.h"
#include "platform/sim/program_script.h"
#include "platform/sim/reg_store.h"
#include "platform/sim/sim_clock.h"
#include "platform/sim/sim_errors.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_windows.h"

namespace talvex::sim {

struct StartedProgram {
  std::string applicationName;
  std::string commandLine;
  bool inheritHandles;
  uint32_t creationFlags;
};

class SimProcesses : public Processes {
 public:
  // programPath: the running program's own path, the title of its startup information.
  SimProcesses(std::string programPath, std::vector<ProgramScript> scripts, SimClock& clock,
               SimWindows& windows, RegistryStore& store, SimRegistry& registry, DrivePaths& paths,
               SimThreadErrors& errors, FailurePlan& failures, Journal& journal);

  // The machine's own startup information (GetStartupInfoA): a program shown normally
  // (STARTF_USESHOWWINDOW, SW_SHOWNORMAL), titled with its own path, on the desktop
  // "WinSta0\Default"; no position, size, console settings, standard handles or reserved data.
  void GetStartupInfoA(StartupInfo* info) override;
  bool CreateProcessA(const std::string& applicationName, const std::string& commandLine,
                      bool inheritHandles, uint32_t creationFlags, const StartupInfo& startupInfo,
                      ProcessInformation* information) override;
  bool GetExitCodeProcess(KernelHandle process, uint32_t* exitCode) override;
  bool TerminateProcess(KernelHandle process, uint32_t exitCode) override;
  bool CloseHandle(KernelHandle handle) override;
  void Sleep(uint32_t milliseconds) override;
  void WaitForProcessOrMessage(KernelHandle process, uint32_t milliseconds) override;

  const std::vector<StartedProgram>& started() const { return started_; }
  // Processes started and still running.
  int Running() const;
  size_t OpenHandles() const { return handles_.size(); }

 private:
  struct Instance {
    const ProgramScript* script;  // null: an undescribed program
    uint64_t start;
    bool running;
    uint32_t exitCode;
    size_t nextEvent;
    std::string name;  // the program's path as it was started
  };
  void CatchUp(uint64_t now);
  void Apply(int instance, const ScriptEvent& event);
  void End(int instance, uint32_t exitCode);
  Instance* InstanceOf(KernelHandle handle);
  bool Create(const std::string& applicationName, ProcessInformation* information);
  // A handle as the journal shows it: the value and the program it belongs to.
  void HandleField(JournalLine& line, const char* name, KernelHandle handle) const;

  // The texts of the startup information, kept for as long as the machine, as Windows keeps a
  // process's own.
  std::string startup_desktop_ = "WinSta0\\Default";
  std::string startup_title_;
  std::vector<ProgramScript> scripts_;
  SimClock& clock_;
  SimWindows& windows_;
  RegistryStore& store_;
  SimRegistry& registry_;
  DrivePaths& paths_;
  SimThreadErrors& errors_;
  FailurePlan& failures_;
  Journal& journal_;
  std::vector<Instance> instances_;
  std::map<KernelHandle, int> handles_;  // process and thread handles -> instance
  std::vector<StartedProgram> started_;
  KernelHandle next_handle_ = 0x7000;
};

}  // namespace talvex::sim
