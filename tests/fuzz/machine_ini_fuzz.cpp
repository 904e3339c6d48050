// machine.ini: any text either gives a machine description or is refused with IniError. What was
// read, written back as plain "[section]" and "key = value" lines and read again, is the same
// description: the same sections and entries, the same failure rules (refused or not, and making
// the same calls fail), the same programs and the same windows.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/failure_plan.h"
#include "platform/sim/ini_file.h"
#include "platform/sim/program_script.h"

namespace {

using namespace talvex::sim;

void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "machine.ini round trip: %s\n", what);
    std::abort();
  }
}

std::string WriteBack(const IniFile& ini) {
  std::string text;
  for (const IniSection& section : ini.sections()) {
    text += "[" + section.name + "]\r\n";
    for (const IniEntry& entry : section.entries)
      text += entry.key + " = " + entry.value + "\r\n";
  }
  return text;
}

// What the machine makes of the text: each reader's result, or that it refused the text.
struct Description {
  std::vector<std::optional<uint32_t>> failures;  // a fixed set of calls against the rules
  std::optional<std::vector<ProgramScript>> programs;
  std::optional<std::vector<PresetWindow>> windows;
  bool failuresRefused = false;
};

Description Describe(const IniFile& ini) {
  Description description;
  try {
    FailurePlan plan = FailurePlan::FromIni(ini);
    for (int call = 0; call < 3; ++call)
      for (const char* operation : {"GetWindowsDirectoryA", "CreateFileA", "RegOpenKeyExA"})
        description.failures.push_back(plan.Check(operation, "D:\\SETUP\\log.txt", 5));
  } catch (const IniError&) {
    description.failuresRefused = true;
  }
  try {
    description.programs = ReadProgramScripts(ini);
  } catch (const IniError&) {
  }
  try {
    description.windows = ReadPresetWindows(ini);
  } catch (const IniError&) {
  }
  return description;
}

bool SamePrograms(const std::optional<std::vector<ProgramScript>>& a,
                  const std::optional<std::vector<ProgramScript>>& b) {
  if (a.has_value() != b.has_value())
    return false;
  if (!a)
    return true;
  if (a->size() != b->size())
    return false;
  for (size_t i = 0; i < a->size(); ++i) {
    const ProgramScript& x = (*a)[i];
    const ProgramScript& y = (*b)[i];
    if (x.path != y.path || x.startFails != y.startFails || x.startError != y.startError ||
        x.endsAt != y.endsAt || x.exitCode != y.exitCode || x.events.size() != y.events.size())
      return false;
    for (size_t e = 0; e < x.events.size(); ++e)
      if (x.events[e].at != y.events[e].at || x.events[e].kind != y.events[e].kind ||
          x.events[e].first != y.events[e].first || x.events[e].second != y.events[e].second)
        return false;
  }
  return true;
}

bool SameWindows(const std::optional<std::vector<PresetWindow>>& a,
                 const std::optional<std::vector<PresetWindow>>& b) {
  if (a.has_value() != b.has_value())
    return false;
  if (!a)
    return true;
  if (a->size() != b->size())
    return false;
  for (size_t i = 0; i < a->size(); ++i)
    if ((*a)[i].className != (*b)[i].className || (*a)[i].title != (*b)[i].title)
      return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::optional<IniFile> first;
  try {
    first = IniFile::Parse(text);
  } catch (const IniError&) {
    return 0;
  }
  std::optional<IniFile> second;
  try {
    second = IniFile::Parse(WriteBack(*first));
  } catch (const IniError&) {
    Require(false, "the written-back text is refused");
  }

  Require(first->sections().size() == second->sections().size(), "the number of sections");
  for (size_t s = 0; s < first->sections().size(); ++s) {
    const IniSection& a = first->sections()[s];
    const IniSection& b = second->sections()[s];
    Require(a.name == b.name, "a section's name");
    Require(a.entries.size() == b.entries.size(), "the number of entries");
    for (size_t e = 0; e < a.entries.size(); ++e) {
      Require(a.entries[e].key == b.entries[e].key, "an entry's key");
      Require(a.entries[e].value == b.entries[e].value, "an entry's value");
    }
  }

  Description before = Describe(*first);
  Description after = Describe(*second);
  Require(before.failuresRefused == after.failuresRefused, "failure rules refused in one only");
  Require(before.failures == after.failures, "failure rules that fail other calls");
  Require(SamePrograms(before.programs, after.programs), "the programs");
  Require(SameWindows(before.windows, after.windows), "the windows");
  return 0;
}
