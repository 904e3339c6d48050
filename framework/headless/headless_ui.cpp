#include "framework/headless/headless_ui.h"

#include <cstdio>

#include "framework/application.h"
#include "framework/headless/screen_text.h"
#include "platform/process.h"

namespace talvex {

namespace {

constexpr int kIdOk = 1;

const char* WaitName(InputWait wait) {
  switch (wait) {
    case InputWait::kMessageLoop:
      return "its message loop";
    case InputWait::kModal:
      return "a modal window";
    case InputWait::kPendingMessages:
      return "a pass over pending messages";
  }
  return "";
}

}  // namespace

// Tells the runner of every change of a control, so that the person sees it at once.
class HeadlessUi::Peer : public ControlPeer {
 public:
  explicit Peer(HeadlessUi& ui) : ui_(ui) {}
  void StateChanged() override { ui_.ScreenChanged(); }

 private:
  HeadlessUi& ui_;
};

class HeadlessUi::Context : public UserActionContext {
 public:
  explicit Context(HeadlessUi& ui) : ui_(ui) {}
  TApplication& Application() override { return *ui_.application_; }
  HeadlessMachine* Machine() override { return ui_.machine_; }
  InputWait Wait() const override { return wait; }
  TForm* FindForm(const std::string& className) override { return ui_.FindForm(className); }
  bool Shown(const TForm& form) override { return ui_.Shown(form); }
  bool AcceptsInput(const TForm& form) override { return ui_.AcceptsInput(form); }

  InputWait wait = InputWait::kMessageLoop;

 private:
  HeadlessUi& ui_;
};

HeadlessUi::HeadlessUi(std::ostream& boxes, std::vector<std::unique_ptr<UserAction>> script,
                       std::ostream* transcript, HeadlessMachine* machine)
    : boxes_(boxes),
      script_(std::move(script)),
      transcript_(transcript),
      machine_(machine),
      context_(std::make_unique<Context>(*this)) {}

HeadlessUi::~HeadlessUi() = default;

std::string HeadlessUi::BoxLine(const std::string& caption, const std::string& text) {
  std::string line = "[" + caption + "] ";
  for (char c : text) {
    if (c == '\n') {
      line += "\\n";
    } else if (c == '\r') {
      line += "\\r";
    } else {
      line += c;
    }
  }
  return line + "\n";
}

uint64_t HeadlessUi::Now() {
  return machine_ != nullptr ? machine_->Now() : 0;
}

void HeadlessUi::Note(const std::string& line) {
  if (transcript_ == nullptr)
    return;
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "[%8llu ms] ", static_cast<unsigned long long>(Now()));
  *transcript_ << stamp << line << "\n" << std::flush;
}

int HeadlessUi::MessageBoxA(WindowHandle, const std::string& text, const std::string& caption,
                            uint32_t) {
  std::string line = BoxLine(caption, text);
  boxes_ << line << std::flush;
  line.pop_back();
  Note("message box " + line + " -- answered OK");
  ScreenChanged();
  return kIdOk;
}

void HeadlessUi::ShowException(const std::string& caption, const std::string& text) {
  std::string line = BoxLine(caption, text);
  boxes_ << line << std::flush;
  line.pop_back();
  Note("exception box " + line);
}

void HeadlessUi::FormCreated(TForm& form) {
  if (application_ == nullptr)
    application_ = &form.Application();
  form.AttachPeer(std::make_unique<Peer>(*this));
  for (const auto& control : form.Controls())
    control->AttachPeer(std::make_unique<Peer>(*this));
}

void HeadlessUi::FormVisibilityChanged(TForm& form) {
  // Called just before a form becomes visible, and just after it has been hidden: either way the
  // form's own flag still reads hidden, so the runner keeps what it last told.
  bool nowShown = visible_forms_.insert(&form).second;
  if (!nowShown)
    visible_forms_.erase(&form);
  Note(std::string(nowShown ? "shown " : "hidden ") + form.ClassName() + " \"" + form.Caption() +
       "\"");
  ScreenChanged();
}

void HeadlessUi::SetParentForm(TForm& child, TForm& parent) {
  Note(std::string(child.ClassName()) + " is inside " + parent.ClassName());
  ScreenChanged();
}

TForm* HeadlessUi::FindForm(const std::string& className) {
  if (application_ == nullptr)
    return nullptr;
  for (const auto& form : application_->Forms())
    if (className == form->ClassName())
      return form.get();
  return nullptr;
}

bool HeadlessUi::Shown(const TForm& form) const {
  for (const TForm* at = &form; at != nullptr; at = at->ParentForm())
    if (!at->Visible())
      return false;
  return true;
}

bool HeadlessUi::AcceptsInput(const TForm& form) const {
  if (modal_.empty())
    return true;
  // Only the modal window and the windows inside it take input.
  for (const TForm* at = &form; at != nullptr; at = at->ParentForm())
    if (at == modal_.back())
      return true;
  return false;
}

void HeadlessUi::ScreenChanged() {
  dirty_ = true;
  Observe();
}

// The person watches the screen: each see or state at the head of the script holds as soon as
// the screen shows it, and the person goes on to the next line.
void HeadlessUi::Observe() {
  if (observing_ || application_ == nullptr)
    return;
  observing_ = true;
  while (next_ < script_.size() && script_[next_]->IsObservation() &&
         script_[next_]->Ready(*context_)) {
    Note("line " + std::to_string(script_[next_]->line) + " holds: " + script_[next_]->text);
    ++next_;
  }
  observing_ = false;
}

void HeadlessUi::HandleRestartRequest(TApplication& application) {
  if (machine_ == nullptr || !machine_->TakeRestartRequest())
    return;
  Note("Windows restarts: each window is asked whether it may close");
  if (!application.QueryEndSession()) {
    Note("a window refused to close: Windows does not restart");
    return;
  }
  boxes_ << "[Windows] restart\n" << std::flush;
  Note("Windows restarts");
  throw ProcessExit{0};
}

void HeadlessUi::PersonCanAct(TApplication& application, InputWait wait, TForm* modal) {
  application_ = &application;
  for (;;) {
    if (application.Terminated() || (modal != nullptr && !modal->Visible()))
      return;
    context_->wait = wait;
    // Messages posted to the program's windows (shell notifications, ...) come first.
    DispatchPostedMessages();
    if (machine_ != nullptr)
      machine_->Checkpoint();
    HandleRestartRequest(application);
    if (dirty_)
      WriteScreen(application, wait);
    Observe();
    // A message posted meanwhile may still change the screen: the person waits for it.
    if (HasPostedMessages())
      continue;
    bool working = wait == InputWait::kPendingMessages;
    if (next_ >= script_.size()) {
      if (working)
        return;
      Stuck(application, wait, kNoActionPossibleExitCode, "no [user] action left");
    }
    UserAction& action = *script_[next_];
    std::string where = "[user] line " + std::to_string(action.line) + " (" + action.text + ")";
    if (action.IsObservation()) {
      if (working)
        return;
      Stuck(application, wait, kObservationFailedExitCode, where + " does not hold");
    }
    if (!action.Ready(*context_)) {
      if (working)
        return;
      Stuck(application, wait, kNoActionPossibleExitCode, where + " cannot be taken");
    }
    // The action counts as done before its handlers run: what they show belongs to what follows.
    ++next_;
    Note("line " + std::to_string(action.line) + ": " + action.text);
    try {
      action.Take(*context_);
    } catch (const UserActionFailed& failed) {
      std::string line =
          program_name_ + ": machine.ini " + where + " cannot be carried out: " + failed.what();
      boxes_ << line << "\n" << std::flush;
      Note(line.substr(program_name_.size() + 2));
      throw ProcessExit{kActionFailedExitCode};
    }
  }
}

void HeadlessUi::Stuck(TApplication& application, InputWait wait, int code,
                       const std::string& why) {
  std::string line = program_name_ + ": " + why + "; the program waits for input in " +
                     WaitName(wait) + "; windows shown: " + ShownWindows(application);
  boxes_ << line << "\n" << std::flush;
  Note(line.substr(program_name_.size() + 2));
  throw ProcessExit{code};
}

std::string HeadlessUi::ShownWindows(TApplication& application) {
  std::string list;
  for (const auto& form : application.Forms()) {
    if (!Shown(*form))
      continue;
    list += (list.empty() ? "" : ", ") + std::string(form->ClassName()) + " \"" + form->Caption() +
            "\"";
  }
  return list.empty() ? "none" : list;
}

void HeadlessUi::WriteScreen(TApplication& application, InputWait wait) {
  dirty_ = false;
  if (transcript_ == nullptr)
    return;
  Note(std::string("the program waits for input in ") + WaitName(wait) + "; the screen:");
  for (const auto& form : application.Forms()) {
    if (!Shown(*form))
      continue;
    std::string line = std::string("    ") + form->ClassName() + " \"" + form->Caption() + "\"";
    if (form->ParentForm() != nullptr)
      line += std::string(" inside ") + form->ParentForm()->ClassName();
    if (!AcceptsInput(*form))
      line += " (disabled by a modal window)";
    *transcript_ << line << "\n";
    for (const auto& control : form->Controls())
      if (ControlVisible(*control))
        *transcript_ << "      " << DescribeControl(*control) << "\n";
  }
  *transcript_ << std::flush;
}

void HeadlessUi::ProcessMessages(TApplication& application) {
  PersonCanAct(application, InputWait::kPendingMessages, nullptr);
}

void HeadlessUi::Run(TApplication& application) {
  application_ = &application;
  if (TForm* main = application.MainForm(); main != nullptr && main->Visible())
    main->Activate();
  PersonCanAct(application, InputWait::kMessageLoop, nullptr);
}

void HeadlessUi::RunModal(TApplication& application, TForm& form) {
  modal_.push_back(&form);
  ScreenChanged();
  try {
    PersonCanAct(application, InputWait::kModal, &form);
  } catch (...) {
    modal_.pop_back();
    throw;
  }
  modal_.pop_back();
  ScreenChanged();
  // The window the modal one came from becomes active again.
  if (TForm* main = application.MainForm(); main != nullptr && Shown(*main))
    main->Activate();
}

}  // namespace talvex
