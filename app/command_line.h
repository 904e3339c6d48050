// The command line's only setting.
#pragma once

#include <string>
#include <vector>

namespace talvex {

// True when the first argument is "-s" in any letter case; later arguments never count.
bool WantsUnattendedInstallation(const std::vector<std::string>& arguments);

}  // namespace talvex
