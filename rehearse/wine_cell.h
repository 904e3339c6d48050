// One cell as the real Setup.exe did it under Wine: the record the Wine script leaves in the
// cell's folder read into the same result as a native run, and what tells the two engines apart.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "rehearse/cell_run.h"
#include "rehearse/package.h"

namespace talvex::rehearse {

// The cell's line of the Wine script's cell list: "NAME VERSION MODE ms=*KVE0515 ...".
std::string WineCellLine(const Cell& cell);

// Reads the record of a cell's Wine run (exit, log.txt, made.txt, enum-*.txt, changed/,
// windows.txt, walk.txt, problems.txt). A driver counts as installed on Windows Me, 2000 and XP
// when the device got a driver key (Wine's driver update reports success even when it installed
// nothing); on Windows 98 when every file of the copy table lies at its place, as in the package.
CellResult ReadWineCell(const Cell& cell, const std::filesystem::path& record,
                        const Package& package);

// Where the two engines differ on a cell, one line each, saying which one Windows would agree
// with.
std::vector<std::string> CompareEngines(const CellResult& native, const CellResult& wine);

}  // namespace talvex::rehearse
