#include "app/command_line.h"

#include "platform/ascii_text.h"

namespace talvex {

bool WantsUnattendedInstallation(const std::vector<std::string>& arguments) {
  return !arguments.empty() && EqualsIgnoreCase(arguments.front(), "-s");
}

}  // namespace talvex
