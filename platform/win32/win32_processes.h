// Other programs through kernel32: starting, waiting for, ending them, and pauses.
#pragma once

#include "platform/processes.h"

namespace talvex::win32 {

class Win32Processes final : public Processes {
 public:
  void GetStartupInfoA(StartupInfo* info) override;
  // CreateProcessA gets a writable copy of the command line, as the call requires.
  bool CreateProcessA(const std::string& applicationName, const std::string& commandLine,
                      bool inheritHandles, uint32_t creationFlags, const StartupInfo& startupInfo,
                      ProcessInformation* information) override;
  bool GetExitCodeProcess(KernelHandle process, uint32_t* exitCode) override;
  bool TerminateProcess(KernelHandle process, uint32_t exitCode) override;
  bool CloseHandle(KernelHandle handle) override;
  void Sleep(uint32_t milliseconds) override;
  void WaitForProcessOrMessage(KernelHandle process, uint32_t milliseconds) override;
};

}  // namespace talvex::win32
