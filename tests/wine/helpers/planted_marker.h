// What a DLL planted beside a program leaves when a process loads it: a marker file beside the
// DLL with the loading program's path, one line per load.
#pragma once

#include <cstdio>
#include <string>

#include "win_handles.h"

namespace wine_test {

// The DLL's own path.
inline std::string ModulePath(HINSTANCE module) {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(module, path, MAX_PATH);
  return path;
}

// Appends the loading program's path to the file name_of(DLL's file name) beside the DLL.
template <typename NameOf>
void WriteLoadMarker(HINSTANCE self, NameOf name_of) {
  const std::string path = ModulePath(self);
  const size_t slash = path.find_last_of('\\') + 1;
  const std::string marker = path.substr(0, slash) + name_of(path.substr(slash));
  FileHandle out(std::fopen(marker.c_str(), "ab"));
  if (out)
    std::fprintf(out.get(), "%s\n", ModulePath(nullptr).c_str());
}

}  // namespace wine_test
