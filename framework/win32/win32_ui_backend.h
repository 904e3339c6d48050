// The form framework on real Windows windows: a hidden application window that owns the message
// boxes, a top-level window per form and a child window per control.
#pragma once

#include <string>

#include "framework/ui_backend.h"

namespace talvex {
class TControl;
}

namespace talvex::win32 {

// The application's title: the program file's base name, without folder and extension.
std::string ProgramBaseName();

// The framework's exception box: the text, an error icon and an OK button. owner may be 0 when no
// window of the program exists.
void ShowExceptionBox(WindowHandle owner, const std::string& caption, const std::string& text);

class Win32UiBackend final : public UiBackend {
 public:
  // Registers the window classes and creates the hidden application window, captioned with the
  // program file's base name. Throws std::runtime_error when Windows refuses either.
  Win32UiBackend();
  ~Win32UiBackend() override;
  Win32UiBackend(const Win32UiBackend&) = delete;
  Win32UiBackend& operator=(const Win32UiBackend&) = delete;

  WindowHandle ApplicationHandle() override { return application_window_; }
  int MessageBoxA(WindowHandle owner, const std::string& text, const std::string& caption,
                  uint32_t type) override;
  void ShowException(const std::string& caption, const std::string& text) override;
  void FormCreated(TForm& form) override;
  // Visibility follows the form's state through its peer; nothing more to do here.
  void FormVisibilityChanged(TForm& form) override;
  void ProcessMessages(TApplication& application) override;
  void Run(TApplication& application) override;
  void RunModal(TApplication& application, TForm& form) override;
  void SetParentForm(TForm& child, TForm& parent) override;
  WindowHandle FormHandle(TForm& form) override;

  WindowHandle AllocateHWnd(TWndMethod method) override;
  void DeallocateHWnd(WindowHandle window) override;
  bool PostMessageA(WindowHandle window, uint32_t msg, std::uintptr_t wParam,
                    std::intptr_t lParam) override;
  std::intptr_t DefWindowProcA(WindowHandle window, uint32_t msg, std::uintptr_t wParam,
                               std::intptr_t lParam) override;
  void CursorChanged(int cursor) override;

  // The window that shows a control or form, or 0 when it has none.
  static WindowHandle WindowOf(const TControl& control);

 private:
  WindowHandle application_window_ = 0;
};

}  // namespace talvex::win32
