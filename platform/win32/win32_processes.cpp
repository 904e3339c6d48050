#include "platform/win32/win32_processes.h"

#include <vector>

#include "platform/win32/windows_support.h"

namespace talvex::win32 {
namespace {

HANDLE ToHandle(KernelHandle handle) {
  return reinterpret_cast<HANDLE>(handle);
}

KernelHandle FromHandle(HANDLE handle) {
  return reinterpret_cast<KernelHandle>(handle);
}

// The two records agree field for field, so that nothing of the system's record is lost on the
// way through StartupInfo.
static_assert(sizeof(StartupInfo) == sizeof(STARTUPINFOA));

}  // namespace

void Win32Processes::GetStartupInfoA(StartupInfo* info) {
  STARTUPINFOA own{};
  own.cb = sizeof own;
  ::GetStartupInfoA(&own);
  info->cb = own.cb;
  info->lpReserved = own.lpReserved;
  info->lpDesktop = own.lpDesktop;
  info->lpTitle = own.lpTitle;
  info->dwX = own.dwX;
  info->dwY = own.dwY;
  info->dwXSize = own.dwXSize;
  info->dwYSize = own.dwYSize;
  info->dwXCountChars = own.dwXCountChars;
  info->dwYCountChars = own.dwYCountChars;
  info->dwFillAttribute = own.dwFillAttribute;
  info->dwFlags = own.dwFlags;
  info->wShowWindow = own.wShowWindow;
  info->cbReserved2 = own.cbReserved2;
  info->lpReserved2 = own.lpReserved2;
  info->hStdInput = FromHandle(own.hStdInput);
  info->hStdOutput = FromHandle(own.hStdOutput);
  info->hStdError = FromHandle(own.hStdError);
}

bool Win32Processes::CreateProcessA(const std::string& applicationName,
                                    const std::string& commandLine, bool inheritHandles,
                                    uint32_t creationFlags, const StartupInfo& startupInfo,
                                    ProcessInformation* information) {
  // The record exactly as the caller has it, reserved fields included.
  STARTUPINFOA startup{};
  startup.cb = startupInfo.cb;
  startup.lpReserved = startupInfo.lpReserved;
  startup.lpDesktop = startupInfo.lpDesktop;
  startup.lpTitle = startupInfo.lpTitle;
  startup.dwX = startupInfo.dwX;
  startup.dwY = startupInfo.dwY;
  startup.dwXSize = startupInfo.dwXSize;
  startup.dwYSize = startupInfo.dwYSize;
  startup.dwXCountChars = startupInfo.dwXCountChars;
  startup.dwYCountChars = startupInfo.dwYCountChars;
  startup.dwFillAttribute = startupInfo.dwFillAttribute;
  startup.dwFlags = startupInfo.dwFlags;
  startup.wShowWindow = startupInfo.wShowWindow;
  startup.cbReserved2 = startupInfo.cbReserved2;
  startup.lpReserved2 = startupInfo.lpReserved2;
  startup.hStdInput = ToHandle(startupInfo.hStdInput);
  startup.hStdOutput = ToHandle(startupInfo.hStdOutput);
  startup.hStdError = ToHandle(startupInfo.hStdError);
  // CreateProcessA may write into the command line, so it gets a copy of its own.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  PROCESS_INFORMATION started{};
  if (!::CreateProcessA(applicationName.c_str(), line.data(), nullptr, nullptr,
                        inheritHandles ? TRUE : FALSE, creationFlags, nullptr, nullptr, &startup,
                        &started))
    return false;
  information->hProcess = FromHandle(started.hProcess);
  information->hThread = FromHandle(started.hThread);
  information->dwProcessId = started.dwProcessId;
  information->dwThreadId = started.dwThreadId;
  return true;
}

bool Win32Processes::GetExitCodeProcess(KernelHandle process, uint32_t* exitCode) {
  DWORD code = 0;
  if (!::GetExitCodeProcess(ToHandle(process), &code))
    return false;
  *exitCode = code;
  return true;
}

bool Win32Processes::TerminateProcess(KernelHandle process, uint32_t exitCode) {
  return ::TerminateProcess(ToHandle(process), exitCode) != FALSE;
}

bool Win32Processes::CloseHandle(KernelHandle handle) {
  return ::CloseHandle(ToHandle(handle)) != FALSE;
}

void Win32Processes::Sleep(uint32_t milliseconds) {
  ::Sleep(milliseconds);
}

void Win32Processes::WaitForProcessOrMessage(KernelHandle process, uint32_t milliseconds) {
  HANDLE handle = ToHandle(process);
  ::MsgWaitForMultipleObjects(1, &handle, FALSE, milliseconds, QS_ALLINPUT);
}

}  // namespace talvex::win32
