// The session through advapi32 and user32.
#pragma once

#include "platform/session.h"

namespace talvex::win32 {

class Win32Session final : public Session {
 public:
  KernelHandle GetCurrentProcess() override;
  bool OpenProcessToken(KernelHandle process, uint32_t desiredAccess, KernelHandle* token) override;
  bool LookupPrivilegeValueA(const std::string& name, Luid* luid) override;
  bool AdjustTokenPrivileges(KernelHandle token, bool disableAllPrivileges,
                             const TokenPrivilege& newState) override;
  bool CloseHandle(KernelHandle handle) override;
  bool ExitWindowsEx(uint32_t flags, uint32_t reserved) override;
};

}  // namespace talvex::win32
