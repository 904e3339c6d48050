// The rehearsal's results for people and for programs: the findings, the matrix of cells (with
// colour on a terminal), report.md and report.json.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "rehearse/cell_run.h"
#include "rehearse/findings.h"

namespace talvex::rehearse {

struct Rehearsal {
  std::string package;  // as given
  std::string started;  // when, as "2026-12-09 07:14:21"
  std::vector<ChipFunction> functions;
  std::vector<Finding> findings;
  std::vector<CellResult> cells;
  bool Passed() const;
};

// One word a function's result: "installed", "skipped", "FAILED", "-".
std::string OutcomeWord(const FunctionResult& result);
// The matrix: a row per cell.
void PrintMatrix(std::ostream& out, const std::vector<CellResult>& cells, bool colour);
std::string ReportMarkdown(const Rehearsal& rehearsal);
std::string ReportJson(const Rehearsal& rehearsal);

}  // namespace talvex::rehearse
