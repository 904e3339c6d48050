// What the form framework needs from the windowing system: real windows in the Windows build,
// state and a UI script in the headless build.
#pragma once

#include <cstdint>
#include <string>

#include "framework/messages.h"
#include "platform/handles.h"

namespace talvex {

class TApplication;
class TForm;

class UiBackend {
 public:
  virtual ~UiBackend() = default;

  // The application's hidden top-level window, owner of its message boxes.
  virtual WindowHandle ApplicationHandle() = 0;
  // A modal message box; returns the button pressed (IDOK, ...).
  virtual int MessageBoxA(WindowHandle owner, const std::string& text, const std::string& caption,
                          uint32_t type) = 0;
  // The framework's box for an exception that reached the program's entry.
  virtual void ShowException(const std::string& caption, const std::string& text) = 0;
  // Called once a form has loaded its design: the backend attaches its peers.
  virtual void FormCreated(TForm& form) = 0;
  // A form is about to become visible or hidden.
  virtual void FormVisibilityChanged(TForm& form) = 0;
  // Handles the messages already waiting, then returns.
  virtual void ProcessMessages(TApplication& application) = 0;
  // The message loop: returns when the application is told to end.
  virtual void Run(TApplication& application) = 0;
  // Shows the form (already visible) modally: the other forms take no input, and the call returns
  // once the form is hidden again or the application is told to end.
  virtual void RunModal(TApplication& application, TForm& form) = 0;
  // Makes the child form's window a child window of the parent form: drawn inside the parent's
  // client area and moving with it.
  virtual void SetParentForm(TForm& child, TForm& parent) = 0;
  // The handle of the form's window, for the Windows calls the program makes on it itself.
  virtual WindowHandle FormHandle(TForm& form) = 0;

  // A hidden utility window whose messages go to method; 0 when none can be made.
  virtual WindowHandle AllocateHWnd(TWndMethod method) = 0;
  virtual void DeallocateHWnd(WindowHandle window) = 0;
  // Queues a message for a window of the program; false when there is no such window.
  virtual bool PostMessageA(WindowHandle window, uint32_t msg, std::uintptr_t wParam,
                            std::intptr_t lParam) = 0;
  // The default handling of a message a window procedure does not handle itself.
  virtual std::intptr_t DefWindowProcA(WindowHandle window, uint32_t msg, std::uintptr_t wParam,
                                       std::intptr_t lParam) = 0;
  // The application-wide mouse cursor changed (crDefault, crHourGlass, ...).
  virtual void CursorChanged(int cursor) = 0;
};

}  // namespace talvex
