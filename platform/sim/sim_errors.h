// The simulated thread's last-error code and the system texts of an English Windows XP.
#pragma once

#include "platform/thread_errors.h"

namespace talvex::sim {

class Journal;

class SimThreadErrors : public ThreadErrors {
 public:
  // The program's calls; each is written to the journal when there is one.
  uint32_t GetLastError() override;
  void SetLastError(uint32_t code) override;
  // Codes of the SetupAPI range (0xE0000000 and up) and codes the machine never produces have no
  // text: the call then fails with ERROR_MR_MID_NOT_FOUND, as on Windows.
  bool FormatMessageA(uint32_t code, std::string* text) override;

  // The machine's own access, which is not one of the program's calls.
  uint32_t last_error() const { return last_error_; }
  void Set(uint32_t code) { last_error_ = code; }
  void SetJournal(Journal* journal) { journal_ = journal; }

 private:
  uint32_t last_error_ = 0;
  Journal* journal_ = nullptr;
};

}  // namespace talvex::sim
