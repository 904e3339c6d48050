#include "rehearse/wine_rehearsal.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <system_error>

#include "rehearse/spawn.h"
#include "rehearse/text_files.h"
#include "rehearse/wine_cell.h"

namespace talvex::rehearse {
namespace {

namespace fs = std::filesystem;

bool OnPath(const std::string& command) {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "";
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(':', start);
    std::string folder = folders.substr(start, end == std::string::npos ? end : end - start);
    start = end == std::string::npos ? folders.size() + 1 : end + 1;
    if (!folder.empty() && access((fs::path(folder) / command).c_str(), X_OK) == 0)
      return true;
  }
  return false;
}

fs::path SelfFolder() {
  std::error_code error;
  return fs::read_symlink("/proc/self/exe", error).parent_path();
}

bool Wanted(const Cell& cell) {
  return cell.medium == Medium::kDisk && cell.components != Components::kMissing;
}

}  // namespace

std::vector<Cell> WineCells(const std::vector<Cell>& cells) {
  std::vector<Cell> wanted;
  for (const Cell& cell : cells)
    if (Wanted(cell))
      wanted.push_back(cell);
  return wanted;
}

std::vector<std::string> CellsLeftToNative(const std::vector<Cell>& cells) {
  bool cd = false;
  bool missing = false;
  for (const Cell& cell : cells) {
    cd = cd || cell.medium == Medium::kCd;
    missing = missing || cell.components == Components::kMissing;
  }
  std::vector<std::string> lines;
  if (cd)
    lines.push_back(
        "the CD cells: a drive that refuses the program's writes cannot be made under Wine "
        "without mounting one read-only");
  if (missing)
    lines.push_back(
        "the cells with the smart card components missing: the package's installers are "
        "programs for Windows 98 and Me, which Wine does not run as those systems do");
  return lines;
}

std::string WineRehearsal::Check() {
  for (const char* command : {"wine", "wineserver", "Xvfb", "xwd", "python3", "bash"})
    if (!OnPath(command))
      return std::string("--wine needs ") + command +
             " (scripts/install-deps.sh all installs what the Wine runs need)";
  // 32-bit Wine where this machine runs it, the 64-bit build under wine64 elsewhere.
  const bool wine32 = access("/usr/lib/wine/wine", X_OK) == 0;
  const char* compiler = wine32 ? "i686-w64-mingw32-g++-posix" : "x86_64-w64-mingw32-g++-posix";
  if (!OnPath(compiler))
    return std::string("--wine needs ") + compiler + " for its helper programs";
  if (const char* given = std::getenv("TALVEX_SETUP_EXE"); given != nullptr && *given != '\0')
    setupExe_ = given;
  else
    setupExe_ = SelfFolder().parent_path() / (wine32 ? "win32" : "win64") / "Setup.exe";
  std::error_code error;
  if (!fs::is_regular_file(setupExe_, error))
    return "--wine needs the Windows build's Setup.exe at " + setupExe_.string() +
           " (cmake --preset " + (wine32 ? "win32" : "win64") + " && cmake --build --preset " +
           (wine32 ? "win32" : "win64") + ", or name it in TALVEX_SETUP_EXE)";
  script_ = fs::path(TALVEX_SOURCE_DIR) / "rehearse" / "wine" / "rehearse-under-wine.sh";
  if (!fs::is_regular_file(script_, error))
    return "--wine needs the source tree's " + script_.string();
  return {};
}

void WineRehearsal::Run(const Package& package, Rehearsal& rehearsal, const fs::path& out,
                        std::ostream& progress) {
  WineSide& wine = rehearsal.wine;
  wine.asked = true;
  std::vector<Cell> all;
  for (const CellResult& result : rehearsal.cells)
    all.push_back(result.cell);
  const std::vector<Cell> cells = WineCells(all);
  wine.skipped = CellsLeftToNative(all);
  const fs::path folder = out / "wine";
  std::error_code error;
  fs::create_directories(folder, error);
  {
    std::ofstream list(folder / "cells.txt", std::ios::binary | std::ios::trunc);
    for (const Cell& cell : cells)
      list << WineCellLine(cell) << "\n";
  }
  progress << "\nUnder Wine (" << setupExe_.string() << "), " << cells.size()
           << " cells:" << std::endl;
  const int status = Spawn({"/bin/bash",
                            {script_.string(), setupExe_.string(), package.folder().string(),
                             folder.string(), (folder / "cells.txt").string()},
                            {},
                            {},
                            folder / "stderr.txt"});
  if (status != 0) {
    const std::vector<std::string> lines = Lines(ReadFile(folder / "stderr.txt").value_or(""));
    wine.problem =
        (lines.empty() ? "the Wine script ended with " + std::to_string(status) : lines.back()) +
        " (" + (folder / "stderr.txt").string() + ")";
    progress << "  " << wine.problem << "\n";
    return;
  }
  for (const Cell& cell : cells) {
    CellResult result = ReadWineCell(cell, folder / "cases" / cell.Name(), package);
    for (const CellResult& native : rehearsal.cells)
      if (native.cell.Name() == cell.Name())
        for (std::string& difference : CompareEngines(native, result))
          wine.differences.push_back(std::move(difference));
    wine.cells.push_back(std::move(result));
  }
  progress << "\nMatrix under Wine:\n";
  PrintMatrix(progress, wine.cells, isatty(STDOUT_FILENO) != 0);
  progress << "\nWhere the engines differ:";
  if (wine.differences.empty())
    progress << " nowhere";
  progress << "\n";
  for (const std::string& difference : wine.differences)
    progress << "  " << difference << "\n";
}

}  // namespace talvex::rehearse
