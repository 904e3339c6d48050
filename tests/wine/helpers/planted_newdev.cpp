// A stand-in newdev.dll planted beside the program under test. When any process loads it, it
// writes "newdev-loaded.txt" beside itself with the loading program's path. Its driver-update
// entry points install nothing and report success, so a program that loaded it would leave its
// devices without drivers as well.
#include <cstdio>
#include <string>

#include "win_handles.h"

namespace {

void WriteMarker(HINSTANCE self) {
  char dll_path[MAX_PATH + 1] = {};
  char program[MAX_PATH + 1] = {};
  GetModuleFileNameA(self, dll_path, MAX_PATH);
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  std::string marker = dll_path;
  marker = marker.substr(0, marker.find_last_of('\\') + 1) + "newdev-loaded.txt";
  wine_test::FileHandle out(std::fopen(marker.c_str(), "ab"));
  if (out)
    std::fprintf(out.get(), "%s\n", program);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH)
    WriteMarker(self);
  return TRUE;
}

__declspec(dllexport) BOOL WINAPI
    UpdateDriverForPlugAndPlayDevicesA(HWND, LPCSTR, LPCSTR, DWORD, PBOOL reboot) {
  if (reboot != nullptr)
    *reboot = FALSE;
  return TRUE;
}

__declspec(dllexport) BOOL WINAPI
    UpdateDriverForPlugAndPlayDevicesW(HWND, LPCWSTR, LPCWSTR, DWORD, PBOOL reboot) {
  if (reboot != nullptr)
    *reboot = FALSE;
  return TRUE;
}

}  // extern "C"
