// machine.ini: any text either gives a machine description or is refused with IniError.
#include <cstdint>
#include <string>

#include "platform/sim/failure_plan.h"
#include "platform/sim/ini_file.h"
#include "platform/sim/program_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  try {
    talvex::sim::IniFile ini = talvex::sim::IniFile::Parse(text);
    talvex::sim::FailurePlan plan = talvex::sim::FailurePlan::FromIni(ini);
    plan.Check("GetWindowsDirectoryA", "", 3);
    talvex::sim::ReadProgramScripts(ini);
    talvex::sim::ReadPresetWindows(ini);
  } catch (const talvex::sim::IniError&) {
  }
  return 0;
}
