// The rehearsal's results for people and for programs: the findings, the matrix of cells (with
// colour on a terminal), report.md and report.json.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "rehearse/cell_run.h"
#include "rehearse/findings.h"

namespace talvex::rehearse {

// The second opinion: the real Setup.exe under Wine for the cells Wine can imitate.
struct WineSide {
  bool asked = false;
  std::string problem;  // why the Wine runs could not be made ("" when they ran)
  std::vector<CellResult> cells;
  std::vector<std::string> differences;  // where the engines differ, and which Windows agrees with
  std::vector<std::string> skipped;      // the kinds of cells left out, and why
};

struct Rehearsal {
  std::string package;  // as given
  std::string started;  // when, as "2026-12-09 07:14:21"
  std::vector<ChipFunction> functions;
  std::vector<Finding> findings;
  std::vector<CellResult> cells;
  WineSide wine;
  // Every cell passes and nothing is wrong with the package; the Wine runs decide nothing.
  bool Passed() const;
};

// One word a function's result: "installed", "skipped", "FAILED", "-".
std::string OutcomeWord(const FunctionResult& result);
// The matrix: a row per cell.
void PrintMatrix(std::ostream& out, const std::vector<CellResult>& cells, bool colour);
std::string ReportMarkdown(const Rehearsal& rehearsal);
std::string ReportJson(const Rehearsal& rehearsal);

}  // namespace talvex::rehearse
