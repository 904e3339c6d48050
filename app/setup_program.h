// The program's entry, the same in every build: creates the six windows in their order and runs
// the message loop.
#pragma once

#include <string>
#include <vector>

#include "framework/ui_backend.h"
#include "platform/platform.h"

namespace talvex {

// arguments are the command-line arguments after the program's own name, quotes removed. Returns
// the exit code of an ordinary return; most ends of the program are platform.process.ExitProcess.
int RunSetupProgram(Platform& platform, UiBackend& ui, const std::vector<std::string>& arguments);

}  // namespace talvex
