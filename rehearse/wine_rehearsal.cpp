#include "rehearse/wine_rehearsal.h"

namespace talvex::rehearse {

std::string WineRehearsal::Check() {
  return "--wine is not available yet";
}

void WineRehearsal::Run(const Package&, Rehearsal&, const std::filesystem::path&, std::ostream&) {}

}  // namespace talvex::rehearse
