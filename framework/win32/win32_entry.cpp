#include "framework/win32/win32_entry.h"

#include <exception>

#include "framework/win32/win32_ui_backend.h"
#include "platform/win32/library_search.h"
#include "platform/win32/win32_platform.h"

namespace talvex::win32 {

std::unique_ptr<UiBackend> MakeWin32UiBackend() {
  return std::make_unique<Win32UiBackend>();
}

int RunAtEntry(const EntryProgram& program, const UiBackendFactory& makeUi) {
  // Before any window exists and before the machine is looked at: the system DLLs that the
  // program does not import come from the system folder, and so do those that Windows loads by
  // name later on.
  PrepareSystemLibraries();
  try {
    Win32Platform platform;
    std::unique_ptr<UiBackend> ui = makeUi();
    return program(platform.Get(), *ui);
  } catch (const std::exception& error) {
    // The backend is gone by now (or never was), so no window of the program owns the box.
    ShowExceptionBox(0, ProgramBaseName(), error.what());
    return 0;
  }
}

}  // namespace talvex::win32
