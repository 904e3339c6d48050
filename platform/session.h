// The user's session: the process's access token and its privileges (advapi32), and the end of
// the session, a restart for example (user32).
#pragma once

#include <cstdint>
#include <string>

#include "platform/processes.h"

namespace talvex {

// LUID: a locally unique identifier, here of a privilege.
struct Luid {
  uint32_t LowPart = 0;
  int32_t HighPart = 0;
};

// TOKEN_PRIVILEGES with one entry (PrivilegeCount = 1).
struct TokenPrivilege {
  Luid luid;
  uint32_t Attributes = 0;
};

class Session {
 public:
  virtual ~Session() = default;
  // The pseudo handle of the current process.
  virtual KernelHandle GetCurrentProcess() = 0;
  // False (and the last error set) when the token cannot be opened: always on Windows 98 and Me,
  // which have no access tokens (ERROR_CALL_NOT_IMPLEMENTED).
  virtual bool OpenProcessToken(KernelHandle process, uint32_t desiredAccess,
                                KernelHandle* token) = 0;
  // On the local system (no system name).
  virtual bool LookupPrivilegeValueA(const std::string& name, Luid* luid) = 0;
  // Without a buffer for the previous state. True also when some privilege could not be
  // assigned: the last error then says ERROR_NOT_ALL_ASSIGNED, and 0 when all were.
  virtual bool AdjustTokenPrivileges(KernelHandle token, bool disableAllPrivileges,
                                     const TokenPrivilege& newState) = 0;
  virtual bool CloseHandle(KernelHandle handle) = 0;
  // Asks Windows to end the session; the request returns at once and Windows carries it out
  // while the program's message loop runs.
  virtual bool ExitWindowsEx(uint32_t flags, uint32_t reserved) = 0;
};

}  // namespace talvex
