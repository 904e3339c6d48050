// A stand-in newdev.dll planted beside the program under test. When any process loads it, it
// writes "newdev-loaded.txt" beside itself with the loading program's path. Its driver-update
// entry points install nothing and report success, so a program that loaded it would leave its
// devices without drivers as well.
#include <string>

#include "planted_marker.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH)
    wine_test::WriteLoadMarker(self, [](const std::string&) { return "newdev-loaded.txt"; });
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
