// probe [DLL...]
// Loads each DLL (default: "newdev.dll") through the ordinary search path, as a careless program
// would, and prints the file that was loaded, one line each. Proves that a planted DLL beside a
// program wins such a load under the current DLL overrides, so that a test of a program that
// must not load it is real. Exit code 0 when every DLL was loaded, 1 otherwise.
#include <cstdio>

#include "win_handles.h"

namespace {

bool Probe(const char* name) {
  HMODULE module = LoadLibraryA(name);
  if (module == nullptr) {
    std::printf("%s: not loaded, error %lu\n", name, GetLastError());
    return false;
  }
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(module, path, MAX_PATH);
  std::printf("%s: %s\n", name, path);
  FreeLibrary(module);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2)
    return Probe("newdev.dll") ? 0 : 1;
  bool all = true;
  for (int i = 1; i < argc; ++i)
    all = Probe(argv[i]) && all;
  return all ? 0 : 1;
}
