#include "platform/win32/win32_session.h"

#include "platform/win32/windows_support.h"

namespace talvex::win32 {

KernelHandle Win32Session::GetCurrentProcess() {
  return reinterpret_cast<KernelHandle>(::GetCurrentProcess());
}

bool Win32Session::OpenProcessToken(KernelHandle process, uint32_t desiredAccess,
                                    KernelHandle* token) {
  HANDLE opened = nullptr;
  if (!::OpenProcessToken(reinterpret_cast<HANDLE>(process), desiredAccess, &opened))
    return false;
  *token = reinterpret_cast<KernelHandle>(opened);
  return true;
}

bool Win32Session::LookupPrivilegeValueA(const std::string& name, Luid* luid) {
  LUID found{};
  if (!::LookupPrivilegeValueA(nullptr, name.c_str(), &found))
    return false;
  luid->LowPart = found.LowPart;
  luid->HighPart = found.HighPart;
  return true;
}

bool Win32Session::AdjustTokenPrivileges(KernelHandle token, bool disableAllPrivileges,
                                         const TokenPrivilege& newState) {
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Luid.LowPart = newState.luid.LowPart;
  privileges.Privileges[0].Luid.HighPart = newState.luid.HighPart;
  privileges.Privileges[0].Attributes = newState.Attributes;
  return ::AdjustTokenPrivileges(reinterpret_cast<HANDLE>(token),
                                 disableAllPrivileges ? TRUE : FALSE, &privileges, 0, nullptr,
                                 nullptr) != FALSE;
}

bool Win32Session::CloseHandle(KernelHandle handle) {
  return ::CloseHandle(reinterpret_cast<HANDLE>(handle)) != FALSE;
}

bool Win32Session::ExitWindowsEx(uint32_t flags, uint32_t reserved) {
  return ::ExitWindowsEx(flags, reserved) != FALSE;
}

}  // namespace talvex::win32
