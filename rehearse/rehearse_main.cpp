// talvex-rehearse: proves a driver package on Windows 98 SE, Me, 2000 and XP without those PCs.
// It reads the package first (the findings), then runs the setup program on a fresh simulated
// machine per cell, unattended and as a wizard session, from a hard disk and from a CD, and
// prints the matrix; report.md, report.json and every machine after its run go to the output
// folder.
//
//   talvex-rehearse [--out DIR] [--functions ms,sd,sc] [--wine] PACKAGE
//
// Exit code 0 when every cell passes and nothing is wrong with the package, 1 otherwise, 2 for
// arguments or a package folder that cannot be used (one line, nothing written).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "platform/ascii_text.h"
#include "rehearse/cell_run.h"
#include "rehearse/folder_diff.h"
#include "rehearse/report.h"
#include "rehearse/wine_rehearsal.h"

namespace fs = std::filesystem;
using namespace talvex;
using namespace talvex::rehearse;

namespace {

const char kUsage[] = "usage: talvex-rehearse [--out DIR] [--functions ms,sd,sc] [--wine] PACKAGE";

[[noreturn]] void Refuse(const std::string& why) {
  std::cerr << "talvex-rehearse: " << why << "\n";
  std::exit(2);
}

struct Options {
  std::string package;
  std::string out;
  std::vector<ChipFunction> functions{ChipFunction::kMemoryStick, ChipFunction::kSdCard,
                                      ChipFunction::kSmartCard};
  bool wine = false;
};

std::vector<ChipFunction> ReadFunctions(const std::string& list) {
  std::vector<ChipFunction> functions;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(',', start);
    std::string tag = list.substr(start, end == std::string::npos ? end : end - start);
    start = end == std::string::npos ? list.size() + 1 : end + 1;
    bool known = false;
    for (ChipFunction function :
         {ChipFunction::kMemoryStick, ChipFunction::kSdCard, ChipFunction::kSmartCard}) {
      if (!EqualsIgnoreCase(tag, FunctionTag(function)))
        continue;
      known = true;
      for (ChipFunction had : functions)
        if (had == function)
          Refuse("--functions names " + tag + " twice");
      functions.push_back(function);
    }
    if (!known)
      Refuse("--functions takes ms, sd and sc, not '" + tag + "'");
  }
  // The order of the chip's functions, whatever the order given.
  std::vector<ChipFunction> ordered;
  for (ChipFunction function :
       {ChipFunction::kMemoryStick, ChipFunction::kSdCard, ChipFunction::kSmartCard})
    for (ChipFunction given : functions)
      if (given == function)
        ordered.push_back(function);
  return ordered;
}

Options ReadOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--out" || argument == "--functions") {
      if (i + 1 >= argc)
        Refuse(argument + " needs a value; " + kUsage);
      if (argument == "--out")
        options.out = argv[++i];
      else
        options.functions = ReadFunctions(argv[++i]);
    } else if (argument == "--wine") {
      options.wine = true;
    } else if (argument == "--help" || argument == "-h") {
      std::cout << kUsage << "\n";
      std::exit(0);
    } else if (!argument.empty() && argument[0] == '-') {
      Refuse("unknown option " + argument + "; " + kUsage);
    } else if (!options.package.empty()) {
      Refuse(std::string("one package folder only; ") + kUsage);
    } else {
      options.package = argument;
    }
  }
  if (options.package.empty())
    Refuse(std::string("no package folder; ") + kUsage);
  return options;
}

std::string Now(const char* format) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[64];
  std::strftime(text, sizeof text, format, &local);
  return text;
}

fs::path OutputFolder(const Options& options) {
  std::error_code error;
  if (!options.out.empty()) {
    fs::path out = options.out;
    if (fs::exists(out, error) && !(fs::is_directory(out, error) && fs::is_empty(out, error)))
      Refuse(out.string() + " exists and is not an empty folder: nothing is written over");
    return out;
  }
  fs::path base = "rehearsal-" + Now("%Y%m%d-%H%M%S");
  fs::path out = base;
  for (int n = 2; fs::exists(out, error); ++n)
    out = base.string() + "-" + std::to_string(n);
  return out;
}

fs::path SetupProgram() {
  if (const char* given = std::getenv("TALVEX_SETUP"); given != nullptr && *given != '\0')
    return given;
  std::error_code error;
  fs::path self = fs::read_symlink("/proc/self/exe", error);
  return self.parent_path() / "talvex-setup";
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out.flush())
    throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

int main(int argc, char** argv) {
  Options options = ReadOptions(argc, argv);
  Package package(options.package);
  std::error_code error;
  if (!fs::is_directory(package.folder(), error))
    Refuse("no package folder at " + options.package);
  if (!package.Find("auto") || !fs::is_directory(*package.Find("auto"), error))
    Refuse(options.package + " holds no auto folder: it is not a driver package");
  const fs::path setup = SetupProgram();
  if (access(setup.c_str(), X_OK) != 0)
    Refuse("the setup program " + setup.string() +
           " cannot be run (build the native preset, or name it in TALVEX_SETUP)");
  const fs::path out = OutputFolder(options);
  WineRehearsal wine;
  if (options.wine) {
    if (std::string problem = wine.Check(); !problem.empty())
      Refuse(problem);
  }

  const bool colour = isatty(STDOUT_FILENO) != 0;
  std::cout << "talvex-rehearse: " << options.package << ", the report in " << out.string() << "\n";
  fs::create_directories(out / "cells", error);
  if (error)
    Refuse("cannot make " + out.string() + ": " + error.message());

  Rehearsal rehearsal;
  rehearsal.package = options.package;
  rehearsal.started = Now("%Y-%m-%d %H:%M:%S");
  rehearsal.functions = options.functions;
  rehearsal.findings = CheckPackage(package, options.functions);
  std::cout << "\nFindings";
  size_t problems = 0;
  for (const Finding& finding : rehearsal.findings)
    problems += finding.note ? 0 : 1;
  std::cout << " (" << problems << (problems == 1 ? " problem" : " problems") << "):\n";
  if (rehearsal.findings.empty())
    std::cout << "  none\n";
  for (const Finding& finding : rehearsal.findings)
    std::cout << "  " << FindingLine(finding) << "\n";

  std::vector<Cell> cells = AllCells(options.functions);
  std::cout << "\nCells:\n";
  try {
    for (size_t i = 0; i < cells.size(); ++i) {
      const Cell& cell = cells[i];
      const fs::path folder = out / "cells" / cell.Name();
      BuildMachine(cell, package, folder / "machine");
      MachineState before = TakeState(folder / "machine");
      CellResult result = RunCell(cell, setup, folder / "machine");
      WriteText(folder / "diff.txt", DiffText(before, TakeState(folder / "machine")));
      char counter[32];
      std::snprintf(counter, sizeof counter, "[%2zu/%zu] ", i + 1, cells.size());
      std::cout << "  " << counter << cell.Name() << ": " << (result.passed ? "pass" : "FAIL")
                << std::endl;
      rehearsal.cells.push_back(std::move(result));
    }
  } catch (const std::exception& failure) {
    std::cerr << "talvex-rehearse: " << failure.what() << "\n";
    return 2;
  }
  std::cout << "\nMatrix:\n";
  PrintMatrix(std::cout, rehearsal.cells, colour);
  if (options.wine)
    wine.Run(package, rehearsal, out, std::cout);
  WriteText(out / "report.md", ReportMarkdown(rehearsal));
  WriteText(out / "report.json", ReportJson(rehearsal));
  std::cout << "\n"
            << (rehearsal.Passed() ? "pass" : "FAIL") << ": " << out.string() << "/report.md\n";
  return rehearsal.Passed() ? 0 : 1;
}
