// probe
// Loads "newdev.dll" through the ordinary search path, as a careless program would, and prints
// the file that was loaded. Proves that a planted newdev.dll beside a program wins such a load
// under the current DLL overrides, so that a test of a program that must not load it is real.
// Exit code 0 when a module was loaded, 1 otherwise.
#include <cstdio>

#include "win_handles.h"

int main() {
  HMODULE module = LoadLibraryA("newdev.dll");
  if (module == nullptr) {
    std::printf("not loaded, error %lu\n", GetLastError());
    return 1;
  }
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(module, path, MAX_PATH);
  std::printf("%s\n", path);
  FreeLibrary(module);
  return 0;
}
