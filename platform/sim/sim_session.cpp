#include "platform/sim/sim_session.h"

#include "platform/ascii_text.h"
#include "platform/sim/machine_os.h"
#include "platform/winconst.h"

namespace talvex::sim {
namespace {

constexpr KernelHandle kToken = 0x5000;
constexpr uint32_t kEwxActionMask = 0xF;  // EWX_LOGOFF, EWX_SHUTDOWN, EWX_REBOOT, EWX_POWEROFF

constexpr JournalName kEwxFlags[] = {
    {0x1, "EWX_SHUTDOWN"}, {win::EWX_REBOOT, "EWX_REBOOT"}, {0x4, "EWX_FORCE"},
    {0x8, "EWX_POWEROFF"}, {0x10, "EWX_FORCEIFHUNG"},
};
constexpr JournalName kTokenAccess[] = {
    {win::TOKEN_ADJUST_PRIVILEGES, "TOKEN_ADJUST_PRIVILEGES"},
    {win::TOKEN_QUERY, "TOKEN_QUERY"},
};
constexpr JournalName kPrivilegeAttributes[] = {
    {win::SE_PRIVILEGE_ENABLED, "SE_PRIVILEGE_ENABLED"}};

}  // namespace

KernelHandle SimSession::GetCurrentProcess() {
  if (journal_.on())
    journal_.Write(JournalLine("GetCurrentProcess").ResultHandle(kCurrentProcess));
  return kCurrentProcess;
}

bool SimSession::OpenProcessToken(KernelHandle process, uint32_t desiredAccess,
                                  KernelHandle* token) {
  bool ok = OpenToken(process, token);
  if (journal_.on()) {
    JournalLine line("OpenProcessToken");
    line.Handle("process", process).Flags("access", desiredAccess, kTokenAccess).Result(ok);
    if (ok)
      line.Handle("token", *token);
    journal_.Write(line);
  }
  return ok;
}

bool SimSession::LookupPrivilegeValueA(const std::string& name, Luid* luid) {
  bool ok = LookupPrivilege(name, luid);
  if (journal_.on()) {
    JournalLine line("LookupPrivilegeValueA");
    line.Raw("system", "null").Text("name", name).Result(ok);
    if (ok)
      line.Number("luid", luid->LowPart);
    journal_.Write(line);
  }
  return ok;
}

bool SimSession::AdjustTokenPrivileges(KernelHandle token, bool disableAllPrivileges,
                                       const TokenPrivilege& newState) {
  bool ok = AdjustPrivileges(token, disableAllPrivileges, newState);
  if (journal_.on())
    journal_.Write(JournalLine("AdjustTokenPrivileges")
                       .Handle("token", token)
                       .Raw("disableall", disableAllPrivileges ? "TRUE" : "FALSE")
                       .Number("luid", newState.luid.LowPart)
                       .Flags("attributes", newState.Attributes, kPrivilegeAttributes)
                       .Result(ok));
  return ok;
}

bool SimSession::CloseHandle(KernelHandle handle) {
  bool ok = CloseToken(handle);
  if (journal_.on())
    journal_.Write(JournalLine("CloseHandle").Handle("handle", handle).Result(ok));
  return ok;
}

bool SimSession::ExitWindowsEx(uint32_t flags, uint32_t reserved) {
  bool ok = ExitWindows(flags);
  if (journal_.on())
    journal_.Write(JournalLine("ExitWindowsEx")
                       .Flags("flags", flags, kEwxFlags)
                       .Code("reason", reserved)
                       .Result(ok));
  return ok;
}

bool SimSession::NtFamily() {
  return IsNtFamily(store_);
}

bool SimSession::OpenToken(KernelHandle process, KernelHandle* token) {
  if (!NtFamily()) {
    errors_.Set(win::ERROR_CALL_NOT_IMPLEMENTED);
    return false;
  }
  if (auto failure = failures_.Check("OpenProcessToken", "", win::ERROR_ACCESS_DENIED)) {
    errors_.Set(*failure);
    return false;
  }
  if (process != kCurrentProcess) {
    errors_.Set(win::ERROR_INVALID_HANDLE);
    return false;
  }
  ++open_tokens_;
  *token = kToken;
  errors_.Set(0);
  return true;
}

bool SimSession::LookupPrivilege(const std::string& name, Luid* luid) {
  if (auto failure = failures_.Check("LookupPrivilegeValueA", name, win::ERROR_NO_SUCH_PRIVILEGE)) {
    errors_.Set(*failure);
    return false;
  }
  if (!EqualsIgnoreCase(name, "SeShutdownPrivilege")) {
    errors_.Set(win::ERROR_NO_SUCH_PRIVILEGE);
    return false;
  }
  *luid = Luid{kShutdownPrivilegeLuid, 0};
  errors_.Set(0);
  return true;
}

bool SimSession::AdjustPrivileges(KernelHandle token, bool disableAllPrivileges,
                                  const TokenPrivilege& newState) {
  if (token != kToken || open_tokens_ == 0) {
    errors_.Set(win::ERROR_INVALID_HANDLE);
    return false;
  }
  // The injected failure's usual form: the call succeeds but assigns nothing, as when the
  // account does not hold the privilege. Another error code makes the call itself fail.
  if (auto failure = failures_.Check("AdjustTokenPrivileges", "", win::ERROR_NOT_ALL_ASSIGNED)) {
    errors_.Set(*failure);
    return *failure == win::ERROR_NOT_ALL_ASSIGNED;
  }
  if (disableAllPrivileges) {
    shutdown_enabled_ = false;
  } else if (newState.luid.LowPart == kShutdownPrivilegeLuid && newState.luid.HighPart == 0) {
    shutdown_enabled_ = (newState.Attributes & win::SE_PRIVILEGE_ENABLED) != 0;
  } else {
    // A privilege the token does not hold.
    errors_.Set(win::ERROR_NOT_ALL_ASSIGNED);
    return true;
  }
  errors_.Set(0);
  return true;
}

bool SimSession::CloseToken(KernelHandle handle) {
  if (handle != kToken || open_tokens_ == 0) {
    errors_.Set(win::ERROR_INVALID_HANDLE);
    return false;
  }
  --open_tokens_;
  errors_.Set(0);
  return true;
}

bool SimSession::ExitWindows(uint32_t flags) {
  if (auto failure = failures_.Check("ExitWindowsEx", "", win::ERROR_ACCESS_DENIED)) {
    errors_.Set(*failure);
    return false;
  }
  if ((flags & kEwxActionMask) != win::EWX_REBOOT) {
    // Only the restart is part of this machine.
    errors_.Set(win::ERROR_INVALID_PARAMETER);
    return false;
  }
  if (NtFamily() && !shutdown_enabled_) {
    errors_.Set(win::ERROR_PRIVILEGE_NOT_HELD);
    return false;
  }
  restart_requested_ = true;
  errors_.Set(0);
  return true;
}

bool SimSession::TakeRestartRequest() {
  bool requested = restart_requested_;
  restart_requested_ = false;
  return requested;
}

}  // namespace talvex::sim
