// A stand-in for the smart card base components' installer: it first opens a Notepad-like window
// (class "notepad") titled "readme.txt - Notepad" that closes on WM_CLOSE; only after that window
// is gone does it leave the component's uninstall key and show its final window "Microsoft Smart
// Card Base Components" (through its window host). It records what both windows receive
// (fake_installer.h) and waits to be terminated.
#include "fake_installer.h"

namespace {

LRESULT CALLBACK ReadmeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  fake_installer::RecordMessage(window, message, wParam, lParam);
  if (message == WM_DESTROY)
    PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
  return DefWindowProcA(window, message, wParam, lParam);
}

void AfterReadme() {
  static bool done = false;
  if (done)
    return;
  done = true;
  const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SmartcardBase";
  HKEY created = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                      nullptr) == ERROR_SUCCESS) {
    wine_test::RegKey owner(created);
    const char name[] = "Fake smart card base components";
    RegSetValueExA(created, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name),
                   sizeof name);
    fake_installer::Record(std::string("evidence HKLM\\") + key);
  }
  fake_installer::StartFinalWindowHost();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (DWORD installer = fake_installer::HostedInstaller())
    return fake_installer::RunFinalWindowHost("scbase", installer,
                                              "Microsoft Smart Card Base Components");
  fake_installer::Start("scbase");
  fake_installer::DelayIfAsked("scbase");
  fake_installer::ShowTopLevel("notepad", ReadmeProc, "readme.txt - Notepad", "readme",
                               WS_OVERLAPPEDWINDOW, 0);
  fake_installer::MessageLoop(AfterReadme);
}
