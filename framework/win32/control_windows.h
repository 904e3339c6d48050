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
// The form window itself, or the nearest form window above a control's window; null for others.
HWND FormWindowOf(HWND window);
// Shows a form's window as its design says: centred, maximised, on top; then focuses its default
// control and paints it at once.
void ShowFormWindow(TForm& form, HWND window);
// Puts the keyboard focus on the form's default control (ActiveControl, else the first control in
// tab order), or into a visible form living inside it, unless the focus is already in the form.
void FocusDefaultControl(TForm& form);

}  // namespace talvex::win32
