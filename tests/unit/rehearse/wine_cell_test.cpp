// The rehearsal's Wine side without Wine: the records the Wine script leaves are read into the
// same results as native runs, the engines' differences say which one Windows agrees with, and
// the report carries them; --wine that cannot be had ends with 2 and writes nothing.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "rehearse/report.h"
#include "rehearse/wine_cell.h"
#include "rehearse/wine_rehearsal.h"

namespace talvex::rehearse {
namespace {

namespace fs = std::filesystem;

const ChipFunction kAll[] = {ChipFunction::kMemoryStick, ChipFunction::kSdCard,
                             ChipFunction::kSmartCard};

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A record folder as the Wine script leaves it, in a scratch folder of its own.
class Record {
 public:
  Record() {
    static int counter = 0;
    root_ = fs::temp_directory_path() /
            ("talvex-wine-record-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  ~Record() {
    std::error_code error;
    fs::remove_all(root_, error);
  }
  const fs::path& path() const { return root_; }
  void Put(const std::string& name, const std::string& bytes) const { Write(root_ / name, bytes); }
  // A device key as regdump writes it, with a driver or without.
  void Device(const char* tag, const char* instance, bool driver) const {
    Put(std::string("enum-") + tag + ".txt",
        std::string("[SYSTEM\\CurrentControlSet\\Enum\\") + instance + "]\n" +
            (driver ? "\"Driver\"=sz:\"{4D36E97D-E325-11CE-BFC1-08002BE10318}\\0003\"\n" : "") +
            "\"HardwareID\"=multi:\"*KVE0515\"\n");
  }

 private:
  fs::path root_;
};

const Package& Bundled() {
  static const Package package(fs::path(TALVEX_SOURCE_DIR) / "examples/package");
  return package;
}

Cell CellOf(WindowsVersion version, bool unattended = true) {
  Cell cell;
  cell.version = version;
  cell.components = IsNt(version) ? Components::kNotAsked : Components::kPresent;
  cell.unattended = unattended;
  cell.functions.assign(std::begin(kAll), std::end(kAll));
  return cell;
}

TEST(WineCellTest, TheCellListNamesEachFunctionWithTheIdOfTheCell) {
  Cell cell = CellOf(WindowsVersion::kXp);
  cell.idIndex = 1;
  EXPECT_EQ(WineCellLine(cell), "xp-id2-disk-s xp s ms=*KVE0516 sd=*KVE0518 sc=*KVE0519");
  Cell me = CellOf(WindowsVersion::kMe, false);
  me.functions = {ChipFunction::kSdCard};
  EXPECT_EQ(WineCellLine(me), "me-id1-present-disk-wizard me wizard sd=*KVE0517");
}

TEST(WineCellTest, WineRunsTheDiskCellsWithTheComponentsInPlaceAndSaysWhyNotTheOthers) {
  const std::vector<Cell> all = AllCells({std::begin(kAll), std::end(kAll)});
  const std::vector<Cell> wine = WineCells(all);
  EXPECT_EQ(wine.size(), 16u);  // four systems, two ID sets, unattended and wizard
  for (const Cell& cell : wine) {
    EXPECT_EQ(cell.medium, Medium::kDisk) << cell.Name();
    EXPECT_NE(cell.components, Components::kMissing) << cell.Name();
  }
  const std::vector<std::string> left = CellsLeftToNative(all);
  ASSERT_EQ(left.size(), 2u);
  EXPECT_NE(left[0].find("CD"), std::string::npos);
  EXPECT_NE(left[1].find("components missing"), std::string::npos);
}

TEST(WineCellTest, ADriverCountsOnlyWhereTheDeviceGotADriverKey) {
  Record record;
  record.Put("exit", "1\n");
  record.Put("log.txt", "error = 0\r\nrestart = 1\r\n");
  record.Put("made.txt", "ms ROOT\\KVMS\\0000\nsd ROOT\\KVSD\\0000\nsc ROOT\\KVSC\\0000\n");
  record.Device("ms", "ROOT\\KVMS\\0000", true);
  record.Device("sd", "ROOT\\KVSD\\0000", false);
  record.Device("sc", "ROOT\\KVSC\\0000", true);
  record.Put("changed/windows/inf/oem3.inf", *Bundled().Read("auto\\winxp\\KVMS.INF"));
  record.Put("changed/windows/system32/kvms.txt", "memory stick\r\n");
  record.Put("changed/windows/system32/unrelated.dat", "x");

  CellResult result = ReadWineCell(CellOf(WindowsVersion::kXp), record.path(), Bundled());
  EXPECT_EQ(result.exitCode, 1);
  ASSERT_TRUE(result.log);
  EXPECT_FALSE(result.passed);
  ASSERT_EQ(result.functions.size(), 3u);
  const FunctionResult& ms = result.functions[0];
  EXPECT_EQ(ms.outcome, Outcome::kInstalled);
  EXPECT_EQ(ms.inf, "auto\\winxp\\KVMS.INF");
  EXPECT_EQ(ms.files, (std::vector<std::string>{"C:\\windows\\system32\\kvms.txt"}));
  EXPECT_EQ(result.functions[1].outcome, Outcome::kFailed);
  EXPECT_EQ(result.functions[1].failedCall, "no driver on ROOT\\KVSD\\0000");
  EXPECT_EQ(result.functions[2].outcome, Outcome::kInstalled);
  EXPECT_EQ(result.functions[2].inf, "");  // its INF was not among the files kept
}

TEST(WineCellTest, OnWindows98EveryFileOfTheCopyTableMustLieAtItsPlaceAsInThePackage) {
  Record record;
  record.Put("exit", "1\n");
  auto copy = [&](const char* source, const std::string& target) {
    record.Put("changed/windows/" + target, *Bundled().Read(std::string("auto\\win98\\") + source));
  };
  copy("kvms.inf", "inf/kvms.inf");
  copy("kvms.pdr", "system/IOSUBSYS/kvms.pdr");
  copy("kvmsicon.ico", "kvmsicon.ico");
  copy("kvsd.inf", "inf/kvsd.inf");
  record.Put("changed/windows/system/IOSUBSYS/kvsd.pdr", "not the package's");
  copy("kvsdicon.ico", "kvsdicon.ico");
  copy("kvscr.inf", "inf/other/Korvane Electronics CorpKVSCR.inf");

  CellResult result = ReadWineCell(CellOf(WindowsVersion::k98), record.path(), Bundled());
  EXPECT_EQ(result.functions[0].outcome, Outcome::kInstalled);
  EXPECT_EQ(result.functions[0].files.size(), 3u);
  EXPECT_EQ(result.functions[1].outcome, Outcome::kFailed);
  EXPECT_EQ(result.functions[1].failedCall, "a wrong copy of kvsd.pdr");
  EXPECT_EQ(result.functions[2].outcome, Outcome::kFailed);
  EXPECT_EQ(result.functions[2].failedCall, "no copy of kvscr.sys");
  EXPECT_FALSE(result.passed);
}

TEST(WineCellTest, AWizardSessionThatEndsWithTheRestartAndItsBoxes) {
  Record record;
  record.Put("exit", "0\n");
  record.Put("walk.txt", "welcome\ndriver choice\nfinished\nrestart prompt\nreboot\n");
  record.Put("windows.txt", "title=Setup\ntext=The installation is incomplete.\nbutton=OK\n");
  record.Put("problems.txt", "screenshot finished: the window is one flat colour\n");
  Cell cell = CellOf(WindowsVersion::k2000, false);
  cell.functions = {};
  CellResult result = ReadWineCell(cell, record.path(), Bundled());
  EXPECT_TRUE(result.restarted);
  EXPECT_EQ(result.messages, (std::vector<std::string>{"[Setup] The installation is incomplete."}));
  EXPECT_EQ(result.notes, (std::vector<std::string>{
                              "the Wine run: screenshot finished: the window is one flat colour"}));

  // A session that never came to its end: no exit code, no restart.
  Record stuck;
  stuck.Put("exit", "-1\n");
  stuck.Put("walk.txt", "welcome\n");
  CellResult unfinished = ReadWineCell(cell, stuck.path(), Bundled());
  EXPECT_FALSE(unfinished.restarted);
  EXPECT_FALSE(unfinished.passed);
  EXPECT_EQ(unfinished.notes,
            (std::vector<std::string>{"the Wine run: the wizard session did not come to its end"}));
}

CellResult Result(Outcome ms, uint32_t error = 0) {
  CellResult result;
  result.cell = CellOf(WindowsVersion::kXp);
  result.exitCode = 1;
  result.log = "error = 0\r\nrestart = 1\r\n";
  FunctionResult function;
  function.outcome = ms;
  function.error = error;
  if (ms == Outcome::kFailed)
    function.failedCall = "UpdateDriverForPlugAndPlayDevicesA *KVE0515";
  result.functions = {function};
  return result;
}

TEST(WineCellTest, WhereTheEnginesDifferTheReportSaysWhichOneWindowsAgreesWith) {
  EXPECT_TRUE(CompareEngines(Result(Outcome::kInstalled), Result(Outcome::kInstalled)).empty());

  // The INF does not hold the device's ID: Windows refuses it, Wine installs it.
  std::vector<std::string> refused =
      CompareEngines(Result(Outcome::kFailed, 259), Result(Outcome::kInstalled));
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused[0],
            "xp-id1-disk-s: Memory Stick: the native engine says FAILED, Wine says installed. "
            "Windows would agree with the native engine: UpdateDriverForPlugAndPlayDevicesA "
            "*KVE0515 gave ERROR_NO_MORE_ITEMS (259), and Wine's driver update installs an INF "
            "without checking that Windows takes it for the device.");

  CellResult wine = Result(Outcome::kFailed);
  wine.functions[0].failedCall = "no driver on ROOT\\KVMS\\0000";
  wine.exitCode = 0;
  wine.log.reset();
  std::vector<std::string> limit = CompareEngines(Result(Outcome::kInstalled), wine);
  ASSERT_EQ(limit.size(), 3u);
  EXPECT_NE(limit[0].find("a limit of Wine (no driver on ROOT\\KVMS\\0000)"), std::string::npos);
  EXPECT_EQ(limit[1], "xp-id1-disk-s: exit code 1 natively, 0 under Wine.");
  EXPECT_EQ(limit[2], "xp-id1-disk-s: log.txt \"error = 0...\" natively, missing under Wine.");
}

TEST(WineCellTest, FilesInstalledElsewhereAreADifferenceWindowsMeSettles) {
  CellResult native = Result(Outcome::kInstalled);
  native.functions[0].files = {"C:\\WINDOWS\\system32\\kvms.txt"};
  CellResult wine = native;
  wine.functions[0].files = {"C:\\windows\\SYSTEM32\\KVMS.TXT"};
  EXPECT_TRUE(CompareEngines(native, wine).empty());  // letter case is no difference

  native.cell.version = WindowsVersion::kMe;
  native.functions[0].files = {"C:\\WINDOWS\\SYSTEM\\kvms.txt"};
  const std::vector<std::string> differences = CompareEngines(native, wine);
  ASSERT_EQ(differences.size(), 1u);
  EXPECT_EQ(differences[0].find("me-id1-disk-s: Memory Stick: the files went to "
                                "C:\\WINDOWS\\SYSTEM\\kvms.txt natively, to "
                                "C:\\windows\\SYSTEM32\\KVMS.TXT under Wine. Windows would "
                                "agree with the native engine: Windows Me's system folder"),
            0u)
      << differences[0];
}

TEST(WineCellTest, TheReportCarriesTheWineSideOrWhyItCouldNotBeMade) {
  Rehearsal rehearsal;
  rehearsal.package = "package";
  rehearsal.cells = {Result(Outcome::kFailed, 259)};
  EXPECT_EQ(ReportMarkdown(rehearsal).find("Under Wine"), std::string::npos);

  rehearsal.wine.asked = true;
  rehearsal.wine.cells = {Result(Outcome::kInstalled)};
  rehearsal.wine.differences = CompareEngines(rehearsal.cells[0], rehearsal.wine.cells[0]);
  rehearsal.wine.skipped = {"the CD cells: why"};
  const std::string markdown = ReportMarkdown(rehearsal);
  EXPECT_NE(markdown.find("## Under Wine"), std::string::npos);
  EXPECT_NE(markdown.find("- " + rehearsal.wine.differences[0]), std::string::npos);
  EXPECT_NE(markdown.find("### Not run under Wine\n\n- the CD cells: why"), std::string::npos);
  EXPECT_NE(markdown.find("[xp-id1-disk-s](#wine-xp-id1-disk-s)"), std::string::npos);
  const std::string json = ReportJson(rehearsal);
  EXPECT_NE(json.find("\"wine\": {\"problem\": \"\", \"differences\": [\"xp-id1-disk-s: Memory"),
            std::string::npos);
  // The Wine side decides nothing: the native failure fails the rehearsal either way.
  EXPECT_FALSE(rehearsal.Passed());

  rehearsal.wine = WineSide{};
  rehearsal.wine.asked = true;
  rehearsal.wine.problem = "Xvfb did not start";
  EXPECT_NE(ReportMarkdown(rehearsal).find("The Wine runs could not be made: Xvfb did not start"),
            std::string::npos);
}

TEST(WineCellTest, WineThatCannotBeHadEndsWithTwoAndWritesNothing) {
  const fs::path root =
      fs::temp_directory_path() / ("talvex-wine-none-" + std::to_string(getpid()));
  fs::remove_all(root);
  fs::create_directories(root);
  ::setenv("TALVEX_SETUP_EXE", (root / "no-such-Setup.exe").c_str(), 1);
  const std::string command = "cd '" + root.string() +
                              "' && '" TALVEX_REHEARSE_PROGRAM
                              "' --wine --out out '" TALVEX_SOURCE_DIR
                              "/examples/package' >stdout 2>stderr";
  const int status = std::system(command.c_str());
  ::unsetenv("TALVEX_SETUP_EXE");
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2);
  EXPECT_EQ(Read(root / "stderr").rfind("talvex-rehearse: --wine needs ", 0), 0u)
      << Read(root / "stderr");
  EXPECT_EQ(Read(root / "stdout"), "");
  EXPECT_FALSE(fs::exists(root / "out"));
  fs::remove_all(root);
}

}  // namespace
}  // namespace talvex::rehearse
