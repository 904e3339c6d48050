#include "rehearse/wine_cell.h"

#include <cstdlib>
#include <system_error>

#include "platform/ascii_text.h"
#include "rehearse/report.h"
#include "rehearse/text_files.h"

namespace talvex::rehearse {
namespace {

namespace fs = std::filesystem;

// The INF checks of the driver update, which Windows makes and Wine's newdev does not.
bool IsInfRefusal(uint32_t code) {
  return code == 259 || code == 1223 || (code >= 0xE0000000 && code <= 0xE00002FF);
}

// "windows/system32/kvms.txt" as Windows names it: "C:\windows\system32\kvms.txt".
std::string WindowsPath(const std::string& changed) {
  std::string path = "C:\\" + changed;
  for (char& c : path)
    if (c == '/')
      c = '\\';
  return path;
}

// The files below C:\ that the run created or changed, as "windows/inf/oem0.inf".
std::vector<std::string> ChangedFiles(const fs::path& changed) {
  std::vector<std::string> files;
  std::error_code error;
  if (!fs::is_directory(changed, error))
    return files;
  for (auto it = fs::recursive_directory_iterator(changed, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it->is_regular_file(error))
      files.push_back(fs::relative(it->path(), changed, error).generic_string());
  }
  return files;
}

// The record's line of a function: "ms ROOT\KVMS\0000".
std::string InstanceOf(const std::vector<std::string>& made, ChipFunction function) {
  const std::string tag = std::string(FunctionTag(function)) + " ";
  for (const std::string& line : made)
    if (line.rfind(tag, 0) == 0)
      return line.substr(tag.size());
  return {};
}

// Windows 98: the function's files of the copy table at their places, as in the package.
void ReadCopies(const fs::path& record, const Package& package, FunctionResult& result) {
  for (const CopiedFile& file : Win98CopiesOf(result.function)) {
    std::string target = std::string("windows") + file.target;
    for (char& c : target)
      if (c == '\\')
        c = '/';
    const auto copied = ReadFile(record / "changed" / target);
    const auto source = package.Read(std::string("auto\\win98\\") + file.source);
    if (!copied || !source || *copied != *source) {
      result.outcome = Outcome::kFailed;
      result.failedCall = std::string(copied ? "a wrong copy of " : "no copy of ") + file.source;
      return;
    }
    result.files.push_back(WindowsPath(target));
  }
  result.outcome = Outcome::kInstalled;
}

// Windows Me, 2000 and XP: a driver key on the device, the INF kept among the system's INFs, and
// the copied files that the INF names.
void ReadDriverUpdate(const Cell& cell, const std::string& instance, const fs::path& record,
                      const Package& package, const std::vector<std::string>& changed,
                      FunctionResult& result) {
  const std::string key =
      ReadFile(record / ("enum-" + std::string(FunctionTag(result.function)) + ".txt"))
          .value_or("");
  if (key.find("\"Driver\"=sz:\"") == std::string::npos) {
    result.outcome = Outcome::kFailed;
    result.failedCall = "no driver on " + (instance.empty() ? std::string("the device") : instance);
    return;
  }
  result.outcome = Outcome::kInstalled;
  const std::string inf = InfOf(result.function, cell.version);
  const std::string infText = LowerAsciiText(package.Read(inf).value_or(""));
  for (const std::string& file : changed) {
    const std::string lowered = LowerAsciiText(file);
    if (lowered.rfind("windows/inf/", 0) == 0) {
      if (ReadFile(record / "changed" / file) == package.Read(inf))
        result.inf = inf;
      continue;
    }
    const std::string name = lowered.substr(lowered.rfind('/') + 1);
    if (!infText.empty() && infText.find(name) != std::string::npos)
      result.files.push_back(WindowsPath(file));
  }
}

// The same files, without regard to letter case or order.
bool SameFiles(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  if (a.size() != b.size())
    return false;
  for (const std::string& file : a) {
    bool found = false;
    for (const std::string& other : b)
      found = found || EqualsIgnoreCase(file, other);
    if (!found)
      return false;
  }
  return true;
}

std::string FileList(const std::vector<std::string>& files) {
  std::string text;
  for (const std::string& file : files)
    text += (text.empty() ? "" : " ") + file;
  return text.empty() ? "nothing" : text;
}

}  // namespace

std::string WineCellLine(const Cell& cell) {
  std::string line =
      cell.Name() + " " + VersionTag(cell.version) + " " + (cell.unattended ? "s" : "wizard");
  for (ChipFunction function : cell.functions)
    line += std::string(" ") + FunctionTag(function) + "=" +
            DriverOf(function).hardwareIds[static_cast<size_t>(cell.idIndex)];
  return line;
}

CellResult ReadWineCell(const Cell& cell, const fs::path& record, const Package& package) {
  CellResult result;
  result.cell = cell;
  const std::string exit = ReadFile(record / "exit").value_or("");
  result.exitCode = exit.empty() ? -1 : std::atoi(exit.c_str());
  result.log = ReadFile(record / "log.txt");
  const std::vector<std::string> walk = Lines(ReadFile(record / "walk.txt").value_or(""));
  for (const std::string& page : walk)
    result.restarted = result.restarted || (page == "reboot" && result.exitCode == 0);
  // answerbox's record: "title=...", then its texts and buttons.
  std::string box;
  for (const std::string& line : Lines(ReadFile(record / "windows.txt").value_or(""))) {
    if (line.rfind("title=", 0) == 0) {
      if (!box.empty())
        result.messages.push_back(box);
      box = "[" + line.substr(6) + "]";
    } else if (line.rfind("text=", 0) == 0) {
      box += " " + line.substr(5);
    }
  }
  if (!box.empty())
    result.messages.push_back(box);
  for (const std::string& problem : Lines(ReadFile(record / "problems.txt").value_or("")))
    result.notes.push_back("the Wine run: " + problem);

  const std::vector<std::string> made = Lines(ReadFile(record / "made.txt").value_or(""));
  const std::vector<std::string> changed = ChangedFiles(record / "changed");
  result.passed = result.exitCode >= 0;
  for (ChipFunction function :
       {ChipFunction::kMemoryStick, ChipFunction::kSdCard, ChipFunction::kSmartCard}) {
    FunctionResult function_result;
    function_result.function = function;
    bool present = false;
    for (ChipFunction chosen : cell.functions)
      present = present || chosen == function;
    if (present && cell.version == WindowsVersion::k98) {
      ReadCopies(record, package, function_result);
    } else if (present) {
      ReadDriverUpdate(cell, InstanceOf(made, function), record, package, changed, function_result);
    }
    if (present && function_result.outcome != Outcome::kInstalled)
      result.passed = false;
    result.functions.push_back(function_result);
  }
  if (!result.cell.unattended && result.exitCode < 0)
    result.notes.push_back("the Wine run: the wizard session did not come to its end");
  return result;
}

std::vector<std::string> CompareEngines(const CellResult& native, const CellResult& wine) {
  std::vector<std::string> differences;
  const std::string cell = native.cell.Name() + ": ";
  for (size_t i = 0; i < native.functions.size() && i < wine.functions.size(); ++i) {
    const FunctionResult& ours = native.functions[i];
    const FunctionResult& theirs = wine.functions[i];
    if (ours.outcome == Outcome::kInstalled && theirs.outcome == Outcome::kInstalled &&
        !SameFiles(ours.files, theirs.files)) {
      std::string line = cell + FunctionName(ours.function) + ": the files went to " +
                         FileList(ours.files) + " natively, to " + FileList(theirs.files) +
                         " under Wine. ";
      if (native.cell.version == WindowsVersion::kMe)
        line +=
            "Windows would agree with the native engine: Windows Me's system folder "
            "(DIRID 11) is SYSTEM, and Wine's SetupAPI takes system32 whatever Windows it "
            "reports.";
      else
        line += "Look at both records.";
      differences.push_back(line);
    }
    if (ours.outcome == theirs.outcome)
      continue;
    std::string line = cell + FunctionName(ours.function) + ": the native engine says " +
                       OutcomeWord(ours) + ", Wine says " + OutcomeWord(theirs) + ". ";
    if (ours.outcome == Outcome::kFailed && theirs.outcome == Outcome::kInstalled &&
        IsInfRefusal(ours.error))
      line += "Windows would agree with the native engine: " + ours.failedCall + " gave " +
              ErrorName(ours.error) +
              ", and Wine's driver update installs an INF without checking that Windows takes "
              "it for the device.";
    else if (ours.outcome == Outcome::kInstalled)
      line +=
          "Windows would most likely agree with the native engine, which reads the INF by "
          "Windows' rules; Wine's result points at a limit of Wine (" +
          (theirs.failedCall.empty() ? std::string("see the cell's record") : theirs.failedCall) +
          ").";
    else
      line += "The native engine decides; look at both records.";
    differences.push_back(line);
  }
  if (native.exitCode != wine.exitCode)
    differences.push_back(cell + "exit code " + std::to_string(native.exitCode) + " natively, " +
                          std::to_string(wine.exitCode) + " under Wine.");
  if (native.log != wine.log)
    differences.push_back(cell + "log.txt " +
                          (native.log
                               ? "\"" + native.log->substr(0, native.log->find('\r')) + "...\""
                               : std::string("missing")) +
                          " natively, " +
                          (wine.log ? "\"" + wine.log->substr(0, wine.log->find('\r')) + "...\""
                                    : std::string("missing")) +
                          " under Wine.");
  if (native.restarted != wine.restarted)
    differences.push_back(cell + (native.restarted ? "restarted natively, not under Wine."
                                                   : "restarted under Wine, not natively."));
  if (native.messages.size() != wine.messages.size())
    differences.push_back(cell + std::to_string(native.messages.size()) + " boxes natively, " +
                          std::to_string(wine.messages.size()) + " under Wine.");
  return differences;
}

}  // namespace talvex::rehearse
