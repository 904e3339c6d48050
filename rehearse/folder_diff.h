// What a run changed in a machine folder: the files and folders of its drives added, changed or
// removed, and the lines of registry.reg added or removed.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace talvex::rehearse {

struct MachineState {
  std::map<std::string, std::string>
      files;             // "c/WINDOWS/inf/oem0.inf" -> bytes; folders end in '/'
  std::string registry;  // registry.reg
};

MachineState TakeState(const std::filesystem::path& machineFolder);

// "files:\n  added c/WINDOWS/inf/oem0.inf\n...registry.reg:\n+..." as a person reads it; the
// registry lines in the order of the file, each with "+" or "-", with the section header above
// a changed line.
std::string DiffText(const MachineState& before, const MachineState& after);

}  // namespace talvex::rehearse
