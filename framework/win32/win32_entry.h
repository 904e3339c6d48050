// The start of a Windows program of this project: the real machine and the framework's windows
// around the program, and the exception box for whatever escapes both.
#pragma once

#include <functional>
#include <memory>

#include "framework/ui_backend.h"
#include "platform/platform.h"

namespace talvex::win32 {

// The program proper, given the machine and the windowing backend; returns its exit code.
using EntryProgram = std::function<int(Platform&, UiBackend&)>;
using UiBackendFactory = std::function<std::unique_ptr<UiBackend>()>;

// The real windowing backend (Win32UiBackend).
std::unique_ptr<UiBackend> MakeWin32UiBackend();

// Loads the system DLLs that the program does not import (PrepareSystemLibraries), builds the
// real machine and the windowing backend (makeUi), then runs the program and returns
// its exit code. An exception that reaches here, one from the framework's own start included, is
// shown in the framework's exception box, captioned with the program's title, and the entry
// returns 0: the program ends the same way for any exception at its entry.
int RunAtEntry(const EntryProgram& program, const UiBackendFactory& makeUi = MakeWin32UiBackend);

}  // namespace talvex::win32
