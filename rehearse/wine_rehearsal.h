// The rehearsal's second opinion: the real Setup.exe under Wine, for the cells Wine can imitate,
// with the same package and Wine's SetupAPI, beside the native results.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "rehearse/package.h"
#include "rehearse/report.h"

namespace talvex::rehearse {

class WineRehearsal {
 public:
  // What keeps the Wine runs from being made ("" when nothing does): no Wine, no Setup.exe.
  std::string Check();
  // Runs the cells under Wine and adds their results and differences to the rehearsal.
  void Run(const Package& package, Rehearsal& rehearsal, const std::filesystem::path& out,
           std::ostream& progress);
};

}  // namespace talvex::rehearse
