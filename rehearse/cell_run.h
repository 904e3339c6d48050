// One cell's run of the setup program (talvex-setup, as any user starts it) and what it did to
// each of the chip's functions, read from the machine's journal, its log.txt and what the
// person saw.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "rehearse/cells.h"

namespace talvex::rehearse {

enum class Outcome { kAbsent, kInstalled, kSkipped, kFailed };

struct FunctionResult {
  ChipFunction function = ChipFunction::kMemoryStick;
  Outcome outcome = Outcome::kAbsent;
  std::string inf;                 // the INF it was installed from (Me, 2000, XP)
  std::vector<std::string> files;  // the files copied for it
  uint32_t error = 0;              // why it failed
  std::string failedCall;          // the call that failed
};

struct CellResult {
  Cell cell;
  int exitCode = -1;
  std::optional<std::string> log;     // log.txt, nothing when the run could not write it
  bool restarted = false;             // Windows restarted at the program's request
  std::vector<std::string> messages;  // the boxes the person saw, as "[caption] text"
  std::vector<FunctionResult> functions;
  std::vector<std::string> notes;  // what a calling installer or the person would miss
  bool passed = false;             // every function present was installed
};

// Runs talvex-setup (setupProgram) on the machine folder and reads what it did. stdout.txt and
// stderr.txt are written beside the machine folder.
CellResult RunCell(const Cell& cell, const std::filesystem::path& setupProgram,
                   const std::filesystem::path& machineFolder);

// The field of a journal line ("name=value"), quotes and doubled quotes resolved; empty when it
// has none.
std::string JournalField(const std::string& line, const std::string& name);
// What a journal line's call gave: the word after "->".
std::string JournalResult(const std::string& line);

// A few words for an error code: its Windows name where known, and the code.
std::string ErrorName(uint32_t code);

}  // namespace talvex::rehearse
