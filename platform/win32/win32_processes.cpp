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

// Flags whose data fields StartupInfo does not carry (standard handles, hot key, position, size,
// console buffer and colours): passed on without their data they would give the child null
// handles or a window at 0,0, so they are dropped.
constexpr DWORD kFlagsWithoutData = STARTF_USESTDHANDLES | STARTF_USEHOTKEY | STARTF_USEPOSITION |
                                    STARTF_USESIZE | STARTF_USECOUNTCHARS | STARTF_USEFILLATTRIBUTE;

}  // namespace

void Win32Processes::GetStartupInfoA(StartupInfo* info) {
  STARTUPINFOA own{};
  own.cb = sizeof own;
  ::GetStartupInfoA(&own);
  info->dwFlags = own.dwFlags & ~kFlagsWithoutData;
  info->wShowWindow = own.wShowWindow;
  info->lpTitle = own.lpTitle != nullptr ? own.lpTitle : "";
}

bool Win32Processes::CreateProcessA(const std::string& applicationName,
                                    const std::string& commandLine, bool inheritHandles,
                                    uint32_t creationFlags, const StartupInfo& startupInfo,
                                    ProcessInformation* information) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = startupInfo.dwFlags & ~kFlagsWithoutData;
  startup.wShowWindow = startupInfo.wShowWindow;
  std::vector<char> title(startupInfo.lpTitle.begin(), startupInfo.lpTitle.end());
  title.push_back('\0');
  startup.lpTitle = startupInfo.lpTitle.empty() ? nullptr : title.data();
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
