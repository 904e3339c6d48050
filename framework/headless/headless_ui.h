// The headless backend: windows are state only. Message boxes are printed one line each as
// "[<caption>] <text>" and answered OK. Where the program waits for input, the person at the
// machine acts, following the [user] script; the screen is written to a transcript.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "framework/headless/user_script.h"
#include "framework/ui_backend.h"

namespace talvex {

// Exit codes of a run that the person's script cannot go on with; the program never uses them.
inline constexpr int kNoActionPossibleExitCode = 4;
inline constexpr int kObservationFailedExitCode = 5;
// An action the machine cannot carry out ends the run as an unusable machine does.
inline constexpr int kActionFailedExitCode = 2;

class HeadlessUi : public UiBackend {
 public:
  // boxes gets the message boxes and the lines about the run's end; transcript (optional) the
  // screen; machine (optional) the clock and the restart requests.
  explicit HeadlessUi(std::ostream& boxes, std::vector<std::unique_ptr<UserAction>> script = {},
                      std::ostream* transcript = nullptr, HeadlessMachine* machine = nullptr);
  ~HeadlessUi() override;

  WindowHandle ApplicationHandle() override { return 1; }
  int MessageBoxA(WindowHandle owner, const std::string& text, const std::string& caption,
                  uint32_t type) override;
  void ShowException(const std::string& caption, const std::string& text) override;
  void FormCreated(TForm& form) override;
  void FormVisibilityChanged(TForm& form) override;
  void ProcessMessages(TApplication& application) override;
  void Run(TApplication& application) override;
  void RunModal(TApplication& application, TForm& form) override;
  void SetParentForm(TForm& child, TForm& parent) override;
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
  // Actions of the script taken or held so far.
  size_t ActionsDone() const { return next_; }
  // The first action not taken yet, or null when the script is done.
  const UserAction* NextAction() const {
    return next_ < script_.size() ? script_[next_].get() : nullptr;
  }
  // The program named at the start of the runner's own lines on the boxes stream.
  void SetProgramName(std::string name) { program_name_ = std::move(name); }

 private:
  struct Posted {
    WindowHandle window;
    TMessage message;
  };

  // Utility windows by handle; handles are never reused, so a late message finds no window.
  std::map<WindowHandle, TWndMethod> utility_windows_;
  WindowHandle next_utility_window_ = 0x10000;
  std::deque<Posted> posted_;
  int cursor_ = 0;
  class Peer;
  class Context;

  void ScreenChanged();
  void Observe();
  // The person acts while the program waits for input, until the wait ends (idle waits) or
  // nothing more can be done now (a pass over pending messages).
  void PersonCanAct(TApplication& application, InputWait wait, TForm* modal);
  void HandleRestartRequest(TApplication& application);
  [[noreturn]] void Stuck(TApplication& application, InputWait wait, int code,
                          const std::string& why);
  void WriteScreen(TApplication& application, InputWait wait);
  std::string ShownWindows(TApplication& application);
  void Note(const std::string& line);
  uint64_t Now();
  bool Shown(const TForm& form) const;
  bool AcceptsInput(const TForm& form) const;
  TForm* FindForm(const std::string& className);

  std::ostream& boxes_;
  std::string program_name_ = "talvex-setup";
  std::vector<std::unique_ptr<UserAction>> script_;
  std::ostream* transcript_;
  HeadlessMachine* machine_;
  TApplication* application_ = nullptr;
  size_t next_ = 0;
  bool dirty_ = true;
  bool observing_ = false;
  std::vector<TForm*> modal_;
  std::set<const TForm*> visible_forms_;
  std::unique_ptr<Context> context_;
};

}  // namespace talvex
