// The headless backend: windows are state only, message boxes are printed one line each as
// "[<caption>] <text>" and answered OK.
#pragma once

#include <deque>
#include <map>
#include <ostream>

#include "framework/ui_backend.h"

namespace talvex {

class HeadlessUi : public UiBackend {
 public:
  explicit HeadlessUi(std::ostream& boxes) : boxes_(boxes) {}

  WindowHandle ApplicationHandle() override { return 1; }
  int MessageBoxA(WindowHandle owner, const std::string& text, const std::string& caption,
                  uint32_t type) override;
  void ShowException(const std::string& caption, const std::string& text) override;
  void FormCreated(TForm&) override {}
  void FormVisibilityChanged(TForm&) override {}
  void ProcessMessages(TApplication&) override { DispatchPostedMessages(); }
  // With no user input to come, the user closes the main window.
  void Run(TApplication& application) override;
  // With no user input to come, the user closes the modal window at once.
  void RunModal(TApplication& application, TForm& form) override;
  // The form keeps its parent itself; nothing is drawn here.
  void SetParentForm(TForm&, TForm&) override {}
  // A distinct number per form, stable for its life.
  WindowHandle FormHandle(TForm& form) override { return reinterpret_cast<WindowHandle>(&form); }

  WindowHandle AllocateHWnd(TWndMethod method) override;
  void DeallocateHWnd(WindowHandle window) override;
  bool PostMessageA(WindowHandle window, uint32_t msg, std::uintptr_t wParam,
                    std::intptr_t lParam) override;
  std::intptr_t DefWindowProcA(WindowHandle, uint32_t, std::uintptr_t, std::intptr_t) override {
    return 0;
  }
  void CursorChanged(int cursor) override { cursor_ = cursor; }
  int Cursor() const { return cursor_; }
  // Delivers the posted messages waiting now (not those their handlers post); true if any was.
  bool DispatchPostedMessages();
  bool HasPostedMessages() const { return !posted_.empty(); }

  // A box's line: line breaks in the text are written as \n (and \r).
  static std::string BoxLine(const std::string& caption, const std::string& text);

 private:
  struct Posted {
    WindowHandle window;
    TMessage message;
  };

  std::ostream& boxes_;
  // Utility windows by handle; handles are never reused, so a late message finds no window.
  std::map<WindowHandle, TWndMethod> utility_windows_;
  WindowHandle next_utility_window_ = 0x10000;
  std::deque<Posted> posted_;
  int cursor_ = 0;
};

}  // namespace talvex
