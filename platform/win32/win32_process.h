// The running process through kernel32 and the C runtime.
#pragma once

#include "platform/process.h"

namespace talvex::win32 {

class Win32Process final : public Process {
 public:
  // The whole path, however long: the buffer grows until the name fits.
  std::string GetModuleFileNameA() override;
  // Flushes the C runtime's streams, then exit(): exit handlers run and files are closed.
  [[noreturn]] void ExitProcess(int code) override;
};

}  // namespace talvex::win32
