#include "app/shutdown_privilege.h"

#include "platform/winconst.h"

namespace talvex {
namespace {

// Closes the token when the check is done.
class ScopedToken {
 public:
  explicit ScopedToken(Session& session) : session_(session) {}
  ~ScopedToken() {
    if (token_ != 0)
      session_.CloseHandle(token_);
  }
  ScopedToken(const ScopedToken&) = delete;
  ScopedToken& operator=(const ScopedToken&) = delete;
  KernelHandle* Receive() { return &token_; }
  KernelHandle get() const { return token_; }

 private:
  Session& session_;
  KernelHandle token_ = 0;
};

}  // namespace

bool EnableShutdownPrivilege(Session& session, ThreadErrors& errors) {
  ScopedToken token(session);
  if (!session.OpenProcessToken(session.GetCurrentProcess(),
                                win::TOKEN_ADJUST_PRIVILEGES | win::TOKEN_QUERY, token.Receive()))
    return false;
  TokenPrivilege privilege;
  if (!session.LookupPrivilegeValueA("SeShutdownPrivilege", &privilege.luid))
    return false;
  privilege.Attributes = win::SE_PRIVILEGE_ENABLED;
  session.AdjustTokenPrivileges(token.get(), false, privilege);
  // The call succeeds also when nothing was assigned; only the last error tells.
  return errors.GetLastError() == win::ERROR_SUCCESS;
}

}  // namespace talvex
