// Creation of the windows of a loaded form: the form's top-level window and a child window per
// control, each with its peer attached.
#pragma once

#include "framework/form.h"
#include "platform/win32/windows_support.h"

namespace talvex::win32 {

// Registers the form window class once per process.
void RegisterFormClass(HINSTANCE instance);
// Creates the form's window (hidden, owned by owner) and its controls' windows. Throws
// std::runtime_error when Windows refuses a window.
void CreateFormWindows(TForm& form, HWND owner);
// True for a form window made by CreateFormWindows.
bool IsFormWindow(HWND window);

}  // namespace talvex::win32
