#include "platform/sim/program_script.h"

#include <algorithm>

#include "platform/ascii_text.h"

namespace talvex::sim {
namespace {

IniError Bad(const IniEntry& entry, const std::string& why) {
  return IniError("machine.ini line " + std::to_string(entry.line) + ": " + why);
}

uint64_t ParseNumber(const IniEntry& entry, const std::string& text) {
  if (text.empty() || text.size() > 12 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    throw Bad(entry, "'" + text + "' is not a number");
  return std::stoull(text);
}

// "<class> | <title>"
PresetWindow ParseWindow(const IniEntry& entry) {
  size_t bar = entry.value.find('|');
  if (bar == std::string::npos)
    throw Bad(entry, "a window is '<class> | <title>'");
  return {TrimBlanks(entry.value.substr(0, bar)), TrimBlanks(entry.value.substr(bar + 1))};
}

ScriptEvent ParseEvent(const IniEntry& entry, const std::string& word, const std::string& time) {
  ScriptEvent event;
  event.at = ParseNumber(entry, time);
  if (EqualsIgnoreCase(word, "window")) {
    PresetWindow window = ParseWindow(entry);
    event.kind = ScriptEvent::Kind::kWindow;
    event.first = window.className;
    event.second = window.title;
  } else if (EqualsIgnoreCase(word, "key")) {
    event.kind = ScriptEvent::Kind::kKey;
    event.first = entry.value;
  } else {
    event.kind = ScriptEvent::Kind::kFile;
    event.first = entry.value;
  }
  if (event.first.empty())
    throw Bad(entry, "'" + word + "' needs a value");
  return event;
}

ProgramScript ParseProgram(const IniSection& section, const std::string& path) {
  ProgramScript script;
  script.path = path;
  for (const IniEntry& entry : section.entries) {
    std::string key = entry.key;
    size_t space = key.find_first_of(" \t");
    std::string word = space == std::string::npos ? key : key.substr(0, space);
    std::string rest = space == std::string::npos ? "" : TrimBlanks(key.substr(space));
    if (EqualsIgnoreCase(word, "window") || EqualsIgnoreCase(word, "key") ||
        EqualsIgnoreCase(word, "file")) {
      script.events.push_back(ParseEvent(entry, word, rest));
    } else if (EqualsIgnoreCase(key, "start")) {
      std::string value = entry.value;
      if (value.rfind("fails", 0) != 0)
        throw Bad(entry, "start = fails [error <code>]");
      script.startFails = true;
      std::string tail = TrimBlanks(value.substr(5));
      if (!tail.empty()) {
        if (tail.rfind("error", 0) != 0)
          throw Bad(entry, "start = fails [error <code>]");
        script.startError = static_cast<uint32_t>(ParseNumber(entry, TrimBlanks(tail.substr(5))));
      }
    } else if (EqualsIgnoreCase(key, "ends")) {
      if (!EqualsIgnoreCase(entry.value, "never"))
        script.endsAt = ParseNumber(entry, entry.value);
    } else if (EqualsIgnoreCase(key, "exit code")) {
      script.exitCode = static_cast<uint32_t>(ParseNumber(entry, entry.value));
    } else {
      throw Bad(entry, "unknown program line '" + key + "'");
    }
  }
  std::stable_sort(script.events.begin(), script.events.end(),
                   [](const ScriptEvent& a, const ScriptEvent& b) { return a.at < b.at; });
  return script;
}

}  // namespace

std::vector<ProgramScript> ReadProgramScripts(const IniFile& ini) {
  std::vector<ProgramScript> scripts;
  for (const IniSection& section : ini.sections()) {
    if (!StartsWithIgnoreCase(section.name, "program "))
      continue;
    std::string path = TrimBlanks(section.name.substr(8));
    if (path.empty())
      throw IniError("machine.ini: [program] needs the program's path");
    scripts.push_back(ParseProgram(section, path));
  }
  return scripts;
}

std::vector<PresetWindow> ReadPresetWindows(const IniFile& ini) {
  std::vector<PresetWindow> windows;
  if (const IniSection* section = ini.Section("windows"))
    for (const IniEntry& entry : section->entries) {
      if (!EqualsIgnoreCase(entry.key, "window"))
        throw Bad(entry, "[windows] lists 'window = ...'");
      windows.push_back(ParseWindow(entry));
    }
  return windows;
}

}  // namespace talvex::sim
