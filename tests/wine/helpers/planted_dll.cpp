// A stand-in for any system DLL, planted beside the program under test under the name of the
// DLL it stands in for. When a process loads it, it writes "loaded-<its file name>.txt" beside
// itself with the loading program's path. It exports nothing: a program that imported it would
// not start, and one that looked up an entry point in it would find none.
#include <cstdio>
#include <string>

#include "win_handles.h"

namespace {

void WriteMarker(HINSTANCE self) {
  char dll_path[MAX_PATH + 1] = {};
  char program[MAX_PATH + 1] = {};
  GetModuleFileNameA(self, dll_path, MAX_PATH);
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  const std::string path = dll_path;
  const size_t slash = path.find_last_of('\\') + 1;
  const std::string marker = path.substr(0, slash) + "loaded-" + path.substr(slash) + ".txt";
  wine_test::FileHandle out(std::fopen(marker.c_str(), "ab"));
  if (out)
    std::fprintf(out.get(), "%s\n", program);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH)
    WriteMarker(self);
  return TRUE;
}
