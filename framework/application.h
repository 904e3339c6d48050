// The application object: owns the windows, runs the message loop and shows message boxes.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "framework/component_registry.h"
#include "framework/form.h"
#include "framework/screen.h"
#include "framework/ui_backend.h"

namespace talvex {

struct Platform;

// The kinds of the framework's message dialog: each has its caption and symbol.
enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };

class TApplication {
 public:
  TApplication(UiBackend& ui, std::string title);
  ~TApplication();

  UiBackend& Ui() { return ui_; }
  // The caption of plain message boxes: the program file's base name.
  const std::string& Title() const { return title_; }
  WindowHandle Handle() { return ui_.ApplicationHandle(); }

  // Constructs a window completely and keeps it; the first one becomes the main window.
  template <class T, class... Args>
  T* CreateForm(Args&&... args) {
    auto form = std::make_unique<T>(*this, std::forward<Args>(args)...);
    T* raw = form.get();
    forms_.push_back(std::move(form));
    if (main_form_ == nullptr)
      main_form_ = raw;
    return raw;
  }
  TForm* MainForm() const { return main_form_; }
  // The first window of that class, or null.
  template <class T>
  T* FindForm() const {
    for (const auto& form : forms_)
      if (auto* found = dynamic_cast<T*>(form.get()))
        return found;
    return nullptr;
  }
  const std::vector<std::unique_ptr<TForm>>& Forms() const { return forms_; }

  // Shows the main window and runs the message loop until Terminate.
  void Run();
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  void ProcessMessages();
  // Windows asks whether the session may end (shut-down, restart, log-off): the close query of
  // every top-level form runs, hidden ones included, in the order the forms were created; a form
  // living inside another is not asked, as Windows asks top-level windows only. Each asked form's
  // tree views get WM_QUERYENDSESSION after it. True when every form and tree view allows the end;
  // all of them are asked even after a refusal.
  bool QueryEndSession();

  // A modal box owned by the application's hidden window.
  int MessageBox(const std::string& text, const std::string& caption, uint32_t flags);
  // A plain message box: the text, an OK button and the application's title.
  void ShowMessage(const std::string& text);
  // The framework's message dialog with one OK button, captioned after its kind ("Warning", ...)
  // and showing its symbol. It is modal for every window of the program and stays above windows
  // that stay on top, so that a prompt of that kind cannot hide it.
  void MessageDlg(const std::string& text, TMsgDlgType dlgType);
  void ShowException(const std::exception& error);

  // Component classes the design loader creates besides the framework's own.
  TComponentRegistry& Components() { return components_; }
  TScreen& Screen() { return screen_; }
  // The operating system the program's components work on (null where no component needs it).
  Platform* PlatformServices() const { return platform_; }
  void SetPlatformServices(Platform* platform) { platform_ = platform; }

 private:
  UiBackend& ui_;
  std::string title_;
  std::vector<std::unique_ptr<TForm>> forms_;
  TForm* main_form_ = nullptr;
  bool terminated_ = false;
  TComponentRegistry components_;
  TScreen screen_{ui_};
  Platform* platform_ = nullptr;
};

}  // namespace talvex
