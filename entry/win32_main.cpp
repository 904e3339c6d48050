// Setup.exe's entry: the real Windows machine and real windows around the program.
#include <string>
#include <vector>

#include "app/setup_program.h"
#include "framework/win32/win32_entry.h"
#include "platform/win32/windows_support.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return talvex::win32::RunAtEntry([](talvex::Platform& platform, talvex::UiBackend& ui) {
    // The C runtime has already split the command line and removed the quotes.
    std::vector<std::string> arguments;
    for (int i = 1; i < __argc; ++i)
      arguments.emplace_back(__argv[i]);
    return talvex::RunSetupProgram(platform, ui, arguments);
  });
}
