// What a program started inside the simulated machine does, as machine.ini describes it:
//
//   [program D:\SETUP\scbase.exe]
//   start = fails [error <code>]       the program cannot be started (default error 2)
//   window <ms> = <class> | <title>    a top-level window appears <ms> after the start
//   key <ms> = <registry key path>     a key (and its parents) appears under HKEY_LOCAL_MACHINE
//   file <ms> = <Windows path>         an empty file appears (its folder must exist)
//   ends = <ms> | never                it ends by itself (default: never; it waits to be ended)
//   exit code = <n>                    the code it ends with by itself (default 0)
//
// A program without a description ends at once with exit code 0 and does nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/ini_file.h"

namespace talvex::sim {

struct ScriptEvent {
  enum class Kind { kWindow, kKey, kFile };
  uint64_t at = 0;
  Kind kind = Kind::kWindow;
  std::string first;   // window class, key path or file path
  std::string second;  // window title
};

struct ProgramScript {
  std::string path;
  bool startFails = false;
  uint32_t startError = 2;
  std::vector<ScriptEvent> events;  // sorted by time, file order kept for equal times
  std::optional<uint64_t> endsAt;
  uint32_t exitCode = 0;
};

struct PresetWindow {
  std::string className;
  std::string title;
};

// The [program ...] sections; throws IniError on a line it cannot read.
std::vector<ProgramScript> ReadProgramScripts(const IniFile& ini);
// The [windows] section: windows of other programs open from the start.
std::vector<PresetWindow> ReadPresetWindows(const IniFile& ini);

}  // namespace talvex::sim
