// The thread's last error and the system's error texts through kernel32.
#pragma once

#include "platform/thread_errors.h"

namespace talvex::win32 {

class Win32ThreadErrors final : public ThreadErrors {
 public:
  uint32_t GetLastError() override;
  void SetLastError(uint32_t code) override;
  bool FormatMessageA(uint32_t code, std::string* text) override;
};

}  // namespace talvex::win32
