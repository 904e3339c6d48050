// Other programs: starting them, waiting for them, ending them (kernel32), and pauses.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace talvex {

using KernelHandle = std::uintptr_t;  // HANDLE of a process or thread

// STARTUPINFOA, field for field. The program hands its own record, as GetStartupInfoA fills it,
// to the programs it starts: the texts and the reserved block are the system's, which keeps them
// for the life of the process, and go on as the same pointers.
struct StartupInfo {
  uint32_t cb = 0;
  char* lpReserved = nullptr;
  char* lpDesktop = nullptr;
  char* lpTitle = nullptr;
  uint32_t dwX = 0;
  uint32_t dwY = 0;
  uint32_t dwXSize = 0;
  uint32_t dwYSize = 0;
  uint32_t dwXCountChars = 0;
  uint32_t dwYCountChars = 0;
  uint32_t dwFillAttribute = 0;
  uint32_t dwFlags = 0;
  uint16_t wShowWindow = 0;
  uint16_t cbReserved2 = 0;
  uint8_t* lpReserved2 = nullptr;
  KernelHandle hStdInput = 0;
  KernelHandle hStdOutput = 0;
  KernelHandle hStdError = 0;
};

struct ProcessInformation {
  KernelHandle hProcess = 0;
  KernelHandle hThread = 0;
  uint32_t dwProcessId = 0;
  uint32_t dwThreadId = 0;
};

class Processes {
 public:
  virtual ~Processes() = default;

  virtual void GetStartupInfoA(StartupInfo* info) = 0;
  // No process or thread attributes, no environment and no current directory of its own: both are
  // inherited. False (and the last error set) when the program cannot be started.
  virtual bool CreateProcessA(const std::string& applicationName, const std::string& commandLine,
                              bool inheritHandles, uint32_t creationFlags,
                              const StartupInfo& startupInfo, ProcessInformation* information) = 0;
  // STILL_ACTIVE (259) while the process runs.
  virtual bool GetExitCodeProcess(KernelHandle process, uint32_t* exitCode) = 0;
  virtual bool TerminateProcess(KernelHandle process, uint32_t exitCode) = 0;
  virtual bool CloseHandle(KernelHandle handle) = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;
  // Waits at most the given time for the process to end or a message for this thread to arrive
  // (MsgWaitForMultipleObjects), so that a polling loop does not spin.
  virtual void WaitForProcessOrMessage(KernelHandle process, uint32_t milliseconds) = 0;
};

// Closes a process's handles when it goes out of scope.
class ScopedProcessInformation {
 public:
  explicit ScopedProcessInformation(Processes& processes) : processes_(processes) {}
  ~ScopedProcessInformation() {
    if (info_.hProcess != 0)
      processes_.CloseHandle(info_.hProcess);
    if (info_.hThread != 0)
      processes_.CloseHandle(info_.hThread);
  }
  ScopedProcessInformation(const ScopedProcessInformation&) = delete;
  ScopedProcessInformation& operator=(const ScopedProcessInformation&) = delete;
  ProcessInformation* Receive() { return &info_; }
  KernelHandle process() const { return info_.hProcess; }

 private:
  Processes& processes_;
  ProcessInformation info_;
};

}  // namespace talvex
