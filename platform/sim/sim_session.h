// The simulated machine's session. A machine whose registry holds
// SOFTWARE\Microsoft\Windows NT\CurrentVersion is of the NT family: its process token holds the
// shutdown privilege, disabled until AdjustTokenPrivileges enables it. On the 9x family there
// is no token. A granted restart request is kept for the person at the machine's runner, which
// carries it out when the program next waits for input.
#pragma once

#include "platform/session.h"
#include "platform/sim/failure_plan.h"
#include "platform/sim/journal.h"
#include "platform/sim/reg_store.h"
#include "platform/sim/sim_errors.h"

namespace talvex::sim {

class SimSession : public Session {
 public:
  SimSession(RegistryStore& store, SimThreadErrors& errors, FailurePlan& failures, Journal& journal)
      : store_(store), errors_(errors), failures_(failures), journal_(journal) {}

  KernelHandle GetCurrentProcess() override;
  bool OpenProcessToken(KernelHandle process, uint32_t desiredAccess, KernelHandle* token) override;
  bool LookupPrivilegeValueA(const std::string& name, Luid* luid) override;
  bool AdjustTokenPrivileges(KernelHandle token, bool disableAllPrivileges,
                             const TokenPrivilege& newState) override;
  bool CloseHandle(KernelHandle handle) override;
  bool ExitWindowsEx(uint32_t flags, uint32_t reserved) override;

  bool NtFamily();

  bool ShutdownPrivilegeEnabled() const { return shutdown_enabled_; }
  // True once after ExitWindowsEx has been granted a restart.
  bool TakeRestartRequest();

  static constexpr KernelHandle kCurrentProcess = ~KernelHandle{0};  // (HANDLE)-1
  static constexpr uint32_t kShutdownPrivilegeLuid = 19;             // as on Windows

 private:
  // The calls themselves; the public ones add their journal line.
  bool OpenToken(KernelHandle process, KernelHandle* token);
  bool LookupPrivilege(const std::string& name, Luid* luid);
  bool AdjustPrivileges(KernelHandle token, bool disableAllPrivileges,
                        const TokenPrivilege& newState);
  bool CloseToken(KernelHandle handle);
  bool ExitWindows(uint32_t flags);

  RegistryStore& store_;
  SimThreadErrors& errors_;
  FailurePlan& failures_;
  Journal& journal_;
  bool shutdown_enabled_ = false;
  int open_tokens_ = 0;
  bool restart_requested_ = false;
};

}  // namespace talvex::sim
