// A stand-in for the smart card driver library's installer: it leaves the library file
// <Windows folder>\system\smclib.vxd, then shows its final window "Microsoft Smart Card Driver
// Library" (through its window host), records what that window receives (fake_installer.h) and
// waits to be terminated.
#include "fake_installer.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (DWORD installer = fake_installer::HostedInstaller())
    return fake_installer::RunFinalWindowHost("smclib", installer,
                                              "Microsoft Smart Card Driver Library");
  fake_installer::Start("smclib");
  fake_installer::DelayIfAsked("smclib");
  char windows[MAX_PATH] = {};
  UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    const std::string system = std::string(windows) + "\\system";
    CreateDirectoryA(system.c_str(), nullptr);
    const std::string library = system + "\\smclib.vxd";
    wine_test::FileHandle file(std::fopen(library.c_str(), "wb"));
    if (file) {
      std::fputs("fake smart card driver library\r\n", file.get());
      file = wine_test::FileHandle();
      fake_installer::Record("evidence " + library);
    }
  }
  fake_installer::StartFinalWindowHost();
  fake_installer::MessageLoop([] {});
}
