// The rehearsal's second opinion: the real Setup.exe under Wine, for the cells Wine can imitate,
// with the same package and Wine's SetupAPI, beside the native results.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "rehearse/package.h"
#include "rehearse/report.h"

namespace talvex::rehearse {

// The cells Wine can imitate: those from a hard disk with the smart card components in place
// (or not asked for). Wine cannot make a drive that refuses writes to a program that may write
// everywhere else, and the package's component installers are programs for Windows 98 and Me.
std::vector<Cell> WineCells(const std::vector<Cell>& cells);
// What WineCells leaves out of these cells, and why, one line a kind.
std::vector<std::string> CellsLeftToNative(const std::vector<Cell>& cells);

class WineRehearsal {
 public:
  // What keeps the Wine runs from being made ("" when nothing does): no Wine, no display server,
  // no Setup.exe, no compiler for the helper programs.
  std::string Check();
  // Runs the cells under Wine and adds their results and the engines' differences to the
  // rehearsal; the record of each cell goes to out/wine/cases/<cell>.
  void Run(const Package& package, Rehearsal& rehearsal, const std::filesystem::path& out,
           std::ostream& progress);

 private:
  std::filesystem::path setupExe_;
  std::filesystem::path script_;
};

}  // namespace talvex::rehearse
