#include "rehearse/cell_run.h"

#include <cstdio>
#include <cstdlib>

#include "platform/ascii_text.h"
#include "rehearse/spawn.h"
#include "rehearse/text_files.h"

namespace talvex::rehearse {
namespace {

namespace fs = std::filesystem;

// The journal's record of one function: the driver updates of its IDs (Me, 2000, XP), or the
// copies of its files (98), and the copies the updates made.
FunctionResult ReadFunction(const Cell& cell, ChipFunction function,
                            const std::vector<std::string>& journal) {
  FunctionResult result;
  result.function = function;
  bool present = false;
  for (ChipFunction chosen : cell.functions)
    present = present || chosen == function;
  if (!present)
    return result;
  result.outcome = Outcome::kSkipped;
  const ChipDriver& driver = DriverOf(function);
  if (cell.version == WindowsVersion::k98) {
    std::vector<std::string> sources;
    for (const CopiedFile& file : Win98CopiesOf(function))
      sources.emplace_back(file.source);
    size_t copied = 0;
    for (const std::string& line : journal) {
      if (line.rfind("SetupInstallFileA ", 0) != 0)
        continue;
      std::string source = JournalField(line, "source");
      bool ours = false;
      for (const std::string& name : sources)
        ours = ours || EqualsIgnoreCase(name, source);
      if (!ours)
        continue;
      if (JournalResult(line) == "TRUE") {
        result.files.push_back(JournalField(line, "target"));
        ++copied;
      } else if (result.outcome != Outcome::kFailed) {
        result.outcome = Outcome::kFailed;
        result.error = static_cast<uint32_t>(
            std::strtoul(JournalField(line, "lasterror").c_str(), nullptr, 0));
        result.failedCall = "SetupInstallFileA " + source;
      }
    }
    if (result.outcome != Outcome::kFailed && copied == sources.size())
      result.outcome = Outcome::kInstalled;
    return result;
  }
  std::vector<std::string> copies;  // the copies of the update being read
  for (const std::string& line : journal) {
    if (line.rfind("newdev.CopyFile ", 0) == 0 && JournalResult(line) == "TRUE") {
      copies.push_back(JournalField(line, "target"));
      continue;
    }
    if (line.rfind("UpdateDriverForPlugAndPlayDevicesA ", 0) != 0) {
      continue;
    }
    std::string id = JournalField(line, "id");
    bool ours =
        EqualsIgnoreCase(id, driver.hardwareIds[0]) || EqualsIgnoreCase(id, driver.hardwareIds[1]);
    if (ours && JournalResult(line) == "TRUE" && result.outcome != Outcome::kFailed) {
      result.outcome = Outcome::kInstalled;
      result.inf = JournalField(line, "inf");
      result.files.insert(result.files.end(), copies.begin(), copies.end());
    } else if (ours && JournalResult(line) != "TRUE") {
      result.outcome = Outcome::kFailed;
      result.error =
          static_cast<uint32_t>(std::strtoul(JournalField(line, "lasterror").c_str(), nullptr, 0));
      result.failedCall = "UpdateDriverForPlugAndPlayDevicesA " + id;
      result.inf = JournalField(line, "inf");
    }
    copies.clear();
  }
  return result;
}

}  // namespace

std::string JournalField(const std::string& line, const std::string& name) {
  const std::string key = " " + name + "=";
  size_t at = line.find(key);
  if (at == std::string::npos)
    return {};
  at += key.size();
  if (at >= line.size() || line[at] != '"') {
    size_t end = line.find(' ', at);
    return line.substr(at, end == std::string::npos ? end : end - at);
  }
  std::string value;
  for (size_t i = at + 1; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') {
      if (i + 1 < line.size() && line[i + 1] == '"') {
        value += '"';
        ++i;
        continue;
      }
      break;
    }
    if (c == '^' && i + 1 < line.size()) {
      char next = line[++i];
      value += next == '^' ? '^' : next == '?' ? '\x7f' : static_cast<char>(next - '@');
      continue;
    }
    value += c;
  }
  return value;
}

std::string JournalResult(const std::string& line) {
  size_t arrow = line.find(" -> ");
  if (arrow == std::string::npos)
    return {};
  size_t end = line.find(' ', arrow + 4);
  return line.substr(arrow + 4, end == std::string::npos ? end : end - arrow - 4);
}

std::string ErrorName(uint32_t code) {
  struct Known {
    uint32_t code;
    const char* name;
  };
  static const Known kKnown[] = {
      {2, "ERROR_FILE_NOT_FOUND"},
      {3, "ERROR_PATH_NOT_FOUND"},
      {5, "ERROR_ACCESS_DENIED"},
      {31, "ERROR_GEN_FAILURE"},
      {87, "ERROR_INVALID_PARAMETER"},
      {259, "ERROR_NO_MORE_ITEMS"},
      {1223, "ERROR_CANCELLED"},
      {0xE0000000, "ERROR_EXPECTED_SECTION_NAME"},
      {0xE0000001, "ERROR_BAD_SECTION_NAME_LINE"},
      {0xE0000002, "ERROR_SECTION_NAME_TOO_LONG"},
      {0xE0000100, "ERROR_WRONG_INF_STYLE"},
      {0xE0000101, "ERROR_SECTION_NOT_FOUND"},
      {0xE0000209, "ERROR_INVALID_CLASS"},
      {0xE000020B, "ERROR_NO_SUCH_DEVINST"},
      {0xE0000217, "ERROR_BAD_SERVICE_INSTALLSECT"},
      {0xE0000219, "ERROR_NO_ASSOCIATED_SERVICE"},
  };
  char number[16];
  std::snprintf(number, sizeof number, code > 0xFFFF ? "0x%08X" : "%u", code);
  for (const Known& known : kKnown)
    if (known.code == code)
      return std::string(known.name) + " (" + number + ")";
  return number;
}

CellResult RunCell(const Cell& cell, const fs::path& setupProgram, const fs::path& machineFolder) {
  CellResult result;
  result.cell = cell;
  const fs::path beside = machineFolder.parent_path();
  std::vector<std::string> arguments;
  if (cell.unattended)
    arguments.push_back("-s");
  result.exitCode = Spawn({setupProgram,
                           arguments,
                           {{"TALVEX_MACHINE", machineFolder.string()}},
                           beside / "stdout.txt",
                           beside / "stderr.txt"});
  const char* drive = cell.medium == Medium::kCd ? "e" : "d";
  result.log = ReadFile(machineFolder / drive / "SETUP" / "log.txt");
  for (const std::string& line : Lines(ReadFile(beside / "stderr.txt").value_or(""))) {
    if (line == "[Windows] restart")
      result.restarted = true;
    else if (!line.empty() && line[0] == '[')
      result.messages.push_back(line);
    else
      result.notes.push_back("standard error: " + line);
  }
  const std::vector<std::string> journal =
      Lines(ReadFile(machineFolder / "journal.txt").value_or(""));
  result.passed = result.exitCode >= 0;
  for (ChipFunction function :
       {ChipFunction::kMemoryStick, ChipFunction::kSdCard, ChipFunction::kSmartCard}) {
    FunctionResult function_result = ReadFunction(cell, function, journal);
    if (function_result.outcome != Outcome::kAbsent &&
        function_result.outcome != Outcome::kInstalled)
      result.passed = false;
    result.functions.push_back(function_result);
  }
  if (cell.unattended && !result.log)
    result.notes.push_back(cell.medium == Medium::kCd
                               ? "log.txt could not be written on the CD: a calling installer "
                                 "sees no result"
                               : "log.txt was not written: a calling installer sees no result");
  return result;
}

}  // namespace talvex::rehearse
