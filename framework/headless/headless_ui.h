// The headless backend: windows are state only, message boxes are printed one line each as
// "[<caption>] <text>" and answered OK.
#pragma once

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
  void ProcessMessages(TApplication&) override {}
  // With no user input to come, the user closes the main window.
  void Run(TApplication& application) override;
  // With no user input to come, the user closes the modal window at once.
  void RunModal(TApplication& application, TForm& form) override;
  // The form keeps its parent itself; nothing is drawn here.
  void SetParentForm(TForm&, TForm&) override {}
  // A distinct number per form, stable for its life.
  WindowHandle FormHandle(TForm& form) override { return reinterpret_cast<WindowHandle>(&form); }

  // A box's line: line breaks in the text are written as \n (and \r).
  static std::string BoxLine(const std::string& caption, const std::string& text);

 private:
  std::ostream& boxes_;
};

}  // namespace talvex
