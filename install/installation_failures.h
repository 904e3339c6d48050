// What a run could not do for the chip's functions: a start-up search that ended in an error for a
// function then found absent (it may be there without its driver), and a chosen driver whose
// device search or file copy failed while it was installed. The person at the machine is told at
// the end of the installation; a calling installer finds the failure result in log.txt.
#pragma once

#include <array>
#include <string>

#include "install/driver_table.h"

namespace talvex {

class InstallationFailures {
 public:
  // A start-up search for one of the function's hardware IDs ended in an error.
  void SearchFailedAtStart(ChipFunction function) { at_start_[Index(function)] = true; }
  // The function was found at start after all: its driver step searches it again.
  void FoundAtStart(ChipFunction function) { at_start_[Index(function)] = false; }
  // A device search or a file copy of the function's driver step failed.
  void DriverStepFailed(ChipFunction function) { in_driver_[Index(function)] = true; }

  bool Any() const;
  // The text that tells the person what went wrong, naming the functions; empty when nothing did.
  std::string Text() const;

 private:
  static size_t Index(ChipFunction function) { return static_cast<size_t>(function); }

  std::array<bool, 3> at_start_{};
  std::array<bool, 3> in_driver_{};
};

}  // namespace talvex
