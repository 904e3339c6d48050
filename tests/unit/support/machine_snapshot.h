// What a machine folder holds, as someone looking at it sees it: every file and folder of its
// drives and every key of its registry, so that two looks can be compared.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>

namespace talvex::testing {

struct MachineSnapshot {
  // Files and folders by their path below the machine folder ("d/SETUP/log.txt"; a folder ends
  // with '/'), each with its bytes. machine.ini, registry.reg (compared as keys) and the screen
  // transcript screen.txt are left out; anything else a run leaves in the folder is in.
  std::map<std::string, std::string> files;
  // Registry keys by their path (letters a to z in capitals, as the registry compares them), each
  // with its values written out in order.
  std::map<std::string, std::string> keys;

  static MachineSnapshot Take(const std::filesystem::path& machineFolder);
};

// What differs between two looks: "file <path>" and "key <path>" for everything added, removed or
// changed.
std::set<std::string> ChangesBetween(const MachineSnapshot& before, const MachineSnapshot& after);

}  // namespace talvex::testing
