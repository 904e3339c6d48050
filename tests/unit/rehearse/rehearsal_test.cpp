// talvex-rehearse as a packager runs it: the bundled package passes every cell; broken copies of
// it fail in exactly the cells and with the findings they should; a folder that is no package,
// or arguments it cannot use, end with exit code 2 and write nothing.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

#include "rehearse/cell_run.h"
#include "rehearse/findings.h"
#include "rehearse/folder_diff.h"

namespace talvex::rehearse {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Replace(const fs::path& file, const std::string& from, const std::string& to) {
  std::string text = Read(file);
  size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from << " in " << file;
  text.replace(at, from.size(), to);
  std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

struct RehearsalRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// A scratch folder with a copy of the bundled package in it, and runs of talvex-rehearse there.
class Rehearse {
 public:
  Rehearse() {
    static int counter = 0;
    root_ = fs::temp_directory_path() /
            ("talvex-rehearse-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(root_);
    fs::create_directories(root_);
    fs::copy(fs::path(TALVEX_SOURCE_DIR) / "examples/package", package(),
             fs::copy_options::recursive);
  }
  ~Rehearse() {
    std::error_code error;
    fs::remove_all(root_, error);
  }
  fs::path package() const { return root_ / "package"; }
  fs::path out() const { return root_ / "out"; }
  const fs::path& root() const { return root_; }

  // talvex-rehearse with these arguments, run from the scratch folder.
  RehearsalRun Start(const std::string& arguments) const {
    const std::string command = "cd '" + root_.string() + "' && '" TALVEX_REHEARSE_PROGRAM "' " +
                                arguments + " >'" + (root_ / "stdout").string() + "' 2>'" +
                                (root_ / "stderr").string() + "'";
    RehearsalRun run;
    int status = std::system(command.c_str());
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = Read(root_ / "stdout");
    run.err = Read(root_ / "stderr");
    return run;
  }
  RehearsalRun Package(const std::string& options = "") const {
    return Start(options + " --out out package");
  }

  // The words of a cell's row of the matrix.
  static std::vector<std::string> Row(const RehearsalRun& run, const std::string& cell) {
    size_t at = run.out.find("\n" + cell + " ", run.out.find("\nMatrix:\n"));
    std::vector<std::string> words;
    if (at == std::string::npos)
      return words;
    std::istringstream line(run.out.substr(at + 1, run.out.find('\n', at + 1) - at - 1));
    for (std::string word; line >> word;)
      words.push_back(word);
    return words;
  }

  // The cells that failed, by the report's matrix lines ("<cell>  ... FAIL").
  std::set<std::string> FailedCells(const RehearsalRun& run) const {
    std::set<std::string> failed;
    size_t matrix = run.out.find("\nMatrix:\n");
    std::string text = matrix == std::string::npos ? "" : run.out.substr(matrix);
    size_t start = 0;
    while ((start = text.find('\n', start)) != std::string::npos) {
      ++start;
      size_t end = text.find('\n', start);
      std::string line = text.substr(start, end - start);
      if (line.find(" FAIL") != std::string::npos && line.find(' ') != std::string::npos)
        failed.insert(line.substr(0, line.find(' ')));
    }
    return failed;
  }

 private:
  fs::path root_;
};

// The names of the cells of one Windows ("me") whose name also holds every one of parts.
std::set<std::string> CellsOf(const std::string& windows,
                              std::initializer_list<const char*> parts) {
  std::set<std::string> names;
  for (const char* ids : {"id1", "id2"})
    for (const char* components : {"", "-present", "-missing"})
      for (const char* medium : {"disk", "cd"})
        for (const char* mode : {"s", "wizard"}) {
          bool nine = windows == "98" || windows == "me";
          if (nine == (*components == '\0'))
            continue;
          std::string name = windows + "-" + ids + components + "-" + medium + "-" + mode;
          bool all = true;
          for (const char* part : parts)
            all = all && name.find(part) != std::string::npos;
          if (all)
            names.insert(name);
        }
  return names;
}

TEST(RehearsalTest, TheBundledPackagePassesEveryCell) {
  Rehearse rehearse;
  RehearsalRun run = rehearse.Package();
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out.rfind("talvex-rehearse: package, the report in out\n", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("Findings (0 problems):\n  none\n"), std::string::npos);
  EXPECT_NE(run.out.find("[48/48] xp-id2-cd-wizard: pass"), std::string::npos);
  EXPECT_TRUE(rehearse.FailedCells(run).empty());
  // Every cell's machine after its run, its journal, its screen and what it changed.
  const fs::path cell = rehearse.out() / "cells/me-id2-missing-cd-wizard";
  EXPECT_TRUE(fs::exists(cell / "machine/journal.txt"));
  EXPECT_TRUE(fs::exists(cell / "machine/screen.txt"));
  std::string diff = Read(cell / "diff.txt");
  EXPECT_NE(diff.find("added c/WINDOWS/inf/other/KorvaneKVSCR.inf"), std::string::npos) << diff;
  EXPECT_NE(diff.find("added c/WINDOWS/system/smclib.vxd"), std::string::npos) << diff;
  EXPECT_NE(diff.find("+ \"MatchingDeviceId\"=\"*kve0519\""), std::string::npos) << diff;
  std::string report = Read(rehearse.out() / "report.md");
  EXPECT_NE(report.find("Result: **pass**"), std::string::npos);
  EXPECT_NE(report.find("- Smart Card: installed from E:\\SETUP\\auto\\winme\\kvscr.inf, into "
                        "C:\\WINDOWS\\SYSTEM\\kvscr.txt"),
            std::string::npos);
  EXPECT_NE(report.find("- note: log.txt could not be written on the CD"), std::string::npos);
  std::string json = Read(rehearse.out() / "report.json");
  EXPECT_NE(json.find("\"passed\": true"), std::string::npos);
  EXPECT_NE(json.find("{\"function\": \"sd\", \"outcome\": \"installed\", \"inf\": "
                      "\"D:\\\\SETUP\\\\auto\\\\win2k\\\\kvsd.inf\", \"files\": "
                      "[\"C:\\\\WINDOWS\\\\system32\\\\kvsd.txt\"]"),
            std::string::npos);
}

TEST(RehearsalTest, BrokenPackagesFailInTheirCellsWithTheirFindings) {
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> breakPackage;
    std::set<std::string> failed;
    const char* finding;
  };
  auto both = [](std::set<std::string> a, const std::set<std::string>& b) {
    a.insert(b.begin(), b.end());
    return a;
  };
  const Case cases[] = {
      {"an INF without the SD card's IDs for Windows XP",
       [](const fs::path& package) {
         Replace(package / "auto/winxp/kvsd.inf", "KVSD_Install,*KVE0517", "KVSD_Install,*KVE0527");
         Replace(package / "auto/winxp/kvsd.inf", "KVSD_Install,*KVE0518", "KVSD_Install,*KVE0528");
       },
       CellsOf("xp", {}),
       "auto\\winxp\\kvsd.inf:24: Windows XP installs no driver for *KVE0517: no models line for "
       "the device's IDs (error 259)"},
      {"a Windows 98 file missing",
       [](const fs::path& package) { fs::remove(package / "auto/win98/kvsd.pdr"); },
       CellsOf("98", {}),
       "auto\\win98\\kvsd.pdr: missing: Windows 98 copies it for the SD Memory "
       "Card driver"},
      {"a file of CopyFiles missing",
       [](const fs::path& package) { fs::remove(package / "auto/win2k/kvms.txt"); },
       CellsOf("2000", {}), "copies kvms.txt, which the package lacks (auto\\win2k\\kvms.txt)"},
      {"models decorated for XP only, in the Windows 2000 folder",
       [](const fs::path& package) {
         Replace(package / "auto/win2k/kvscr.inf", "%Korvane%=Korvane\r\n",
                 "%Korvane%=Korvane,NTx86.5.1\r\n");
         Replace(package / "auto/win2k/kvscr.inf", "[Korvane]", "[Korvane.NTx86.5.1]");
       },
       CellsOf("2000", {}), "Windows 2000 installs no driver for *KVE0513"},
      {"no scbase.exe while a machine lacks the components",
       [](const fs::path& package) { fs::remove(package / "scbase.exe"); },
       both(CellsOf("me", {"missing", "wizard"}), CellsOf("98", {"missing", "wizard"})),
       "scbase.exe: missing: a Windows 98 or Me machine without the smart card components cannot "
       "get them from the package"},
  };
  for (const Case& c : cases) {
    Rehearse rehearse;
    c.breakPackage(rehearse.package());
    RehearsalRun run = rehearse.Package();
    EXPECT_EQ(run.exitCode, 1) << c.name << "\n" << run.out << run.err;
    EXPECT_EQ(rehearse.FailedCells(run), c.failed) << c.name << "\n" << run.out;
    EXPECT_NE(run.out.find(c.finding), std::string::npos) << c.name << "\n" << run.out;
  }
}

TEST(RehearsalTest, TheFailedFunctionAndItsErrorAreShown) {
  Rehearse rehearse;
  fs::remove(rehearse.package() / "auto/win2k/kvms.txt");
  RehearsalRun run = rehearse.Package("--functions sd,ms");
  EXPECT_EQ(run.exitCode, 1);
  // The Memory Stick driver failed and ended the program (exit code 6) before the SD driver; the
  // smart card is not on the machine.
  EXPECT_EQ(Rehearse::Row(run, "2000-id1-disk-s"),
            (std::vector<std::string>{"2000-id1-disk-s", "FAILED", "skipped", "-", "6", "failure",
                                      "no", "0", "FAIL"}))
      << run.out;
  std::string report = Read(rehearse.out() / "report.md");
  EXPECT_NE(report.find("- Memory Stick: failed: UpdateDriverForPlugAndPlayDevicesA *KVE0515 gave "
                        "ERROR_CANCELLED (1223) (D:\\SETUP\\auto\\win2k\\KVMS.INF)"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("- Smart Card: not on the machine"), std::string::npos);
}

TEST(RehearsalTest, AnUnusablePackageOrArgumentsEndWithTwoAndWriteNothing) {
  struct Case {
    const char* arguments;
    const char* says;
  };
  const Case cases[] = {
      {"nowhere", "talvex-rehearse: no package folder at nowhere\n"},
      {"package/auto",
       "talvex-rehearse: package/auto holds no auto folder: it is not a driver "
       "package\n"},
      {"",
       "talvex-rehearse: no package folder; usage: talvex-rehearse [--out DIR] [--functions "
       "ms,sd,sc] [--wine] PACKAGE\n"},
      {"--functions ms,xx package", "talvex-rehearse: --functions takes ms, sd and sc, not 'xx'\n"},
      {"--frobnicate package",
       "talvex-rehearse: unknown option --frobnicate; usage: "
       "talvex-rehearse [--out DIR] [--functions ms,sd,sc] [--wine] "
       "PACKAGE\n"},
      {"--out package package",
       "talvex-rehearse: package exists and is not an empty folder: "
       "nothing is written over\n"},
  };
  for (const Case& c : cases) {
    Rehearse rehearse;
    RehearsalRun run = rehearse.Start(c.arguments);
    EXPECT_EQ(run.exitCode, 2) << c.arguments;
    EXPECT_EQ(run.err, c.says) << c.arguments;
    EXPECT_EQ(run.out, "") << c.arguments;
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(rehearse.root()))
      left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"package", "stdout", "stderr"})) << c.arguments;
  }
}

TEST(RehearsalTest, TheDefaultOutputFolderIsNewAndNamedOnTheFirstLine) {
  Rehearse rehearse;
  RehearsalRun run = rehearse.Start("--functions ms package");
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  std::string first = run.out.substr(0, run.out.find('\n'));
  size_t at = first.find("the report in rehearsal-");
  ASSERT_NE(at, std::string::npos) << first;
  std::string folder = first.substr(at + 14);
  EXPECT_TRUE(fs::exists(rehearse.root() / folder / "report.json")) << folder;
}

TEST(RehearsalFindingsTest, NotesTellWhatTheChecksDoNotFollowWithoutFailing) {
  Rehearse rehearse;
  Replace(rehearse.package() / "auto/winxp/KVMS.INF", "[KVMS_Install]\r\nCopyFiles=KVMS_Files",
          "[KVMS_Install]\r\nCopyFiles=KVMS_Files\r\nDelFiles=Old\r\nRenFiles=Old");
  Replace(rehearse.package() / "auto/winxp/KVMS.INF", "[SourceDisksFiles]\r\nkvms.txt=1",
          "[SourceDisksFiles]");
  std::vector<Finding> findings =
      CheckPackage(Package(rehearse.package()), {ChipFunction::kMemoryStick});
  std::vector<std::string> lines;
  for (const Finding& finding : findings) {
    EXPECT_TRUE(finding.note) << FindingLine(finding);
    lines.push_back(FindingLine(finding));
  }
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "auto\\winxp\\KVMS.INF:41: note: kvms.txt is not in [SourceDisksFiles]: "
                       "looked for beside the INF",
                       "auto\\winxp\\KVMS.INF: note: in [KVMS_Install]: DelFiles (line 32) is not "
                       "carried out by this rehearsal",
                       "auto\\winxp\\KVMS.INF: note: in [KVMS_Install]: RenFiles (line 33) is not "
                       "carried out by this rehearsal"}));
}

TEST(RehearsalDiffTest, AddedChangedAndRemovedFilesAndRegistryLinesUnderTheirSection) {
  MachineState before;
  before.files = {{"c/a.txt", "1"}, {"c/b.txt", "2"}, {"c/gone/", ""}};
  before.registry = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=\"1\"\r\n\"y\"=\"2\"\r\n\r\n";
  MachineState after;
  after.files = {{"c/a.txt", "1"}, {"c/b.txt", "3"}, {"c/new.txt", ""}};
  after.registry =
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=\"1\"\r\n\"y\"=\"9\"\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\B]\r\n\"z\"=\"0\"\r\n\r\n";
  EXPECT_EQ(DiffText(before, after),
            "files:\n  changed c/b.txt\n  added c/new.txt\n  removed c/gone/\nregistry.reg:\n"
            "  [HKEY_LOCAL_MACHINE\\A]\n- \"y\"=\"2\"\n+ \"y\"=\"9\"\n+ [HKEY_LOCAL_MACHINE\\B]\n"
            "+ \"z\"=\"0\"\n");
  EXPECT_EQ(DiffText(before, before), "files:\n  (none)\nregistry.reg:\n  (unchanged)\n");
}

TEST(RehearsalJournalTest, FieldsOfAJournalLine) {
  const std::string line =
      "UpdateDriverForPlugAndPlayDevicesA parent=0x0 id=\"*KVE0515\" inf=\"D:\\S\"\"X^^\" "
      "flags=INSTALLFLAG_FORCE -> FALSE reboot=0 lasterror=0xE0000100";
  EXPECT_EQ(JournalField(line, "id"), "*KVE0515");
  EXPECT_EQ(JournalField(line, "inf"), "D:\\S\"X^");
  EXPECT_EQ(JournalField(line, "lasterror"), "0xE0000100");
  EXPECT_EQ(JournalField(line, "missing"), "");
  EXPECT_EQ(JournalResult(line), "FALSE");
  EXPECT_EQ(ErrorName(0xE0000100), "ERROR_WRONG_INF_STYLE (0xE0000100)");
  EXPECT_EQ(ErrorName(4), "4");
}

}  // namespace
}  // namespace talvex::rehearse
