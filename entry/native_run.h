// A whole run of talvex-setup: the machine folder loaded, the person's [user] script read, the
// program run over them. The program's entry and the tests share it.
#pragma once

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace talvex {
namespace sim {
class SimMachine;
}

// out gets the program's standard output, err its message boxes and the runner's own lines.
// Returns the process exit code: 2 when the machine cannot be used (nothing in it changed).
// keep, when given, receives the machine after the run, for a look at its state.
int RunNativeProgram(const std::filesystem::path& machineFolder,
                     const std::vector<std::string>& arguments, std::ostream& out,
                     std::ostream& err, std::unique_ptr<sim::SimMachine>* keep = nullptr);

}  // namespace talvex
