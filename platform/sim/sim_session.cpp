#include "platform/sim/sim_session.h"

#include "platform/ascii_text.h"
#include "platform/winconst.h"

namespace talvex::sim {
namespace {

constexpr KernelHandle kToken = 0x5000;
constexpr uint32_t kEwxActionMask = 0xF;  // EWX_LOGOFF, EWX_SHUTDOWN, EWX_REBOOT, EWX_POWEROFF

}  // namespace

bool SimSession::NtFamily() {
  return store_.FindKey("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion") != nullptr;
}

bool SimSession::OpenProcessToken(KernelHandle process, uint32_t, KernelHandle* token) {
  if (!NtFamily()) {
    errors_.SetLastError(win::ERROR_CALL_NOT_IMPLEMENTED);
    return false;
  }
  if (auto failure = failures_.Check("OpenProcessToken", "", win::ERROR_ACCESS_DENIED)) {
    errors_.SetLastError(*failure);
    return false;
  }
  if (process != kCurrentProcess) {
    errors_.SetLastError(win::ERROR_INVALID_HANDLE);
    return false;
  }
  ++open_tokens_;
  *token = kToken;
  errors_.SetLastError(0);
  return true;
}

bool SimSession::LookupPrivilegeValueA(const std::string& name, Luid* luid) {
  if (auto failure = failures_.Check("LookupPrivilegeValueA", name, win::ERROR_NO_SUCH_PRIVILEGE)) {
    errors_.SetLastError(*failure);
    return false;
  }
  if (!EqualsIgnoreCase(name, "SeShutdownPrivilege")) {
    errors_.SetLastError(win::ERROR_NO_SUCH_PRIVILEGE);
    return false;
  }
  *luid = Luid{kShutdownPrivilegeLuid, 0};
  errors_.SetLastError(0);
  return true;
}

bool SimSession::AdjustTokenPrivileges(KernelHandle token, bool disableAllPrivileges,
                                       const TokenPrivilege& newState) {
  if (token != kToken || open_tokens_ == 0) {
    errors_.SetLastError(win::ERROR_INVALID_HANDLE);
    return false;
  }
  // The injected failure's usual form: the call succeeds but assigns nothing, as when the
  // account does not hold the privilege. Another error code makes the call itself fail.
  if (auto failure = failures_.Check("AdjustTokenPrivileges", "", win::ERROR_NOT_ALL_ASSIGNED)) {
    errors_.SetLastError(*failure);
    return *failure == win::ERROR_NOT_ALL_ASSIGNED;
  }
  if (disableAllPrivileges) {
    shutdown_enabled_ = false;
  } else if (newState.luid.LowPart == kShutdownPrivilegeLuid && newState.luid.HighPart == 0) {
    shutdown_enabled_ = (newState.Attributes & win::SE_PRIVILEGE_ENABLED) != 0;
  } else {
    // A privilege the token does not hold.
    errors_.SetLastError(win::ERROR_NOT_ALL_ASSIGNED);
    return true;
  }
  errors_.SetLastError(0);
  return true;
}

bool SimSession::CloseHandle(KernelHandle handle) {
  if (handle != kToken || open_tokens_ == 0) {
    errors_.SetLastError(win::ERROR_INVALID_HANDLE);
    return false;
  }
  --open_tokens_;
  errors_.SetLastError(0);
  return true;
}

bool SimSession::ExitWindowsEx(uint32_t flags, uint32_t) {
  if (auto failure = failures_.Check("ExitWindowsEx", "", win::ERROR_ACCESS_DENIED)) {
    errors_.SetLastError(*failure);
    return false;
  }
  if ((flags & kEwxActionMask) != win::EWX_REBOOT) {
    // Only the restart is part of this machine.
    errors_.SetLastError(win::ERROR_INVALID_PARAMETER);
    return false;
  }
  if (NtFamily() && !shutdown_enabled_) {
    errors_.SetLastError(win::ERROR_PRIVILEGE_NOT_HELD);
    return false;
  }
  restart_requested_ = true;
  errors_.SetLastError(0);
  return true;
}

bool SimSession::TakeRestartRequest() {
  bool requested = restart_requested_;
  restart_requested_ = false;
  return requested;
}

}  // namespace talvex::sim
