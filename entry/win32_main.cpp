// Setup.exe's entry: the real Windows machine and real windows around the program.
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "app/setup_program.h"
#include "framework/win32/win32_ui_backend.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_support.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // The C runtime has already split the command line and removed the quotes.
  std::vector<std::string> arguments;
  for (int i = 1; i < __argc; ++i)
    arguments.emplace_back(__argv[i]);
  try {
    talvex::win32::Win32Platform platform;
    talvex::win32::Win32UiBackend ui;
    return talvex::RunSetupProgram(platform.Get(), ui, arguments);
  } catch (const std::exception& error) {
    // Only a failure to set up the windows themselves gets here; the program shows its own
    // exceptions. No window of ours exists to own the box.
    ::MessageBoxA(nullptr, error.what(), "Setup", MB_OK | MB_ICONERROR);
    return 1;
  }
}
