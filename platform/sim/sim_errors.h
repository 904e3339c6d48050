// The simulated thread's last-error code and the system texts of an English Windows XP.
#pragma once

#include "platform/thread_errors.h"

namespace talvex::sim {

class SimThreadErrors : public ThreadErrors {
 public:
  uint32_t GetLastError() override { return last_error_; }
  void SetLastError(uint32_t code) override { last_error_ = code; }
  // Codes of the SetupAPI range (0xE0000000 and up) and codes the machine never produces have no
  // text.
  bool FormatMessageA(uint32_t code, std::string* text) override;

 private:
  uint32_t last_error_ = 0;
};

}  // namespace talvex::sim
