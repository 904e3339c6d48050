// Starting a program and waiting for its end, as the rehearsal starts the setup program and the
// Wine script: its arguments as given (no shell), a few variables of its environment replaced,
// and its output into files or left to the rehearsal's own.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace talvex::rehearse {

struct SpawnRequest {
  std::filesystem::path program;
  std::vector<std::string> arguments;
  std::vector<std::pair<std::string, std::string>> environment;  // set, replacing what was there
  std::filesystem::path out;  // standard output; empty: the rehearsal's own
  std::filesystem::path err;  // standard error; empty: the rehearsal's own
};

// The program's exit code; -1 when it could not be started or did not end by itself.
int Spawn(const SpawnRequest& request);

}  // namespace talvex::rehearse
