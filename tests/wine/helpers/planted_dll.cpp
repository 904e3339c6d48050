// A stand-in for any system DLL, planted beside the program under test under the name of the
// DLL it stands in for. When a process loads it, it writes "loaded-<its file name>.txt" beside
// itself with the loading program's path. It exports nothing: a program that imported it would
// not start, and one that looked up an entry point in it would find none.
#include <string>

#include "planted_marker.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH)
    wine_test::WriteLoadMarker(self,
                               [](const std::string& file) { return "loaded-" + file + ".txt"; });
  return TRUE;
}
