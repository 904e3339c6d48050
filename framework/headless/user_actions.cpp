// The person's actions on the program's windows.
#include <sstream>

#include "framework/application.h"
#include "framework/headless/screen_text.h"
#include "framework/headless/user_script.h"

namespace talvex {
namespace {

// Whether the person can reach the control now: its window shown and taking input, the control
// visible and enabled.
bool Reachable(UserActionContext& context, const ControlRef& ref, TControl* control) {
  TForm* form = context.FindForm(ref.form);
  return form != nullptr && control != nullptr && context.Shown(*form) &&
         context.AcceptsInput(*form) && ControlUsable(*control);
}

class ClickAction : public UserAction {
 public:
  explicit ClickAction(ControlRef ref) : ref_(std::move(ref)) {}
  bool Ready(UserActionContext& context) override {
    return Reachable(context, ref_, ResolveControl(context, ref_));
  }
  void Take(UserActionContext& context) override {
    TControl* control = ResolveControl(context, ref_);
    if (auto* button = dynamic_cast<TButton*>(control)) {
      button->Click();
    } else if (auto* box = dynamic_cast<TCheckBox*>(control)) {
      box->Click();
    } else if (auto* label = dynamic_cast<TLabel*>(control)) {
      label->Click();
    }
    // A click on anything else reaches no handler: nothing happens.
  }

 private:
  ControlRef ref_;
};

// A click on a control of a window that may or may not come (a warning, say): taken when the
// window shows it, passed over once the program waits in its message loop without that window.
class ClickIfShownAction : public UserAction {
 public:
  explicit ClickIfShownAction(ControlRef ref) : ref_(std::move(ref)) {}
  bool Ready(UserActionContext& context) override {
    TForm* form = context.FindForm(ref_.form);
    bool shown = form != nullptr && context.Shown(*form);
    return Reachable(context, ref_, ResolveControl(context, ref_)) ||
           (!shown && context.Wait() == InputWait::kMessageLoop);
  }
  void Take(UserActionContext& context) override {
    if (!Reachable(context, ref_, ResolveControl(context, ref_)))
      return;
    ClickAction(ref_).Take(context);
  }

 private:
  ControlRef ref_;
};

class TickAction : public UserAction {
 public:
  TickAction(ControlRef ref, bool tick) : ref_(std::move(ref)), tick_(tick) {}
  bool Ready(UserActionContext& context) override {
    auto* box = dynamic_cast<TCheckBox*>(ResolveControl(context, ref_));
    // A click on a box already in that state would leave it in the other one.
    return box != nullptr && Reachable(context, ref_, box) && box->Checked() != tick_;
  }
  void Take(UserActionContext& context) override {
    static_cast<TCheckBox*>(ResolveControl(context, ref_))->Click();
  }

 private:
  ControlRef ref_;
  bool tick_;
};

class TypeAction : public UserAction {
 public:
  TypeAction(ControlRef ref, std::string shown) : ref_(std::move(ref)), text_(std::move(shown)) {}
  bool Ready(UserActionContext& context) override {
    return Reachable(context, ref_, ResolveControl(context, ref_));
  }
  void Take(UserActionContext& context) override {
    TControl* control = ResolveControl(context, ref_);
    if (auto* edit = dynamic_cast<TEdit*>(control)) {
      edit->SetText(text_);
    } else if (auto* memo = dynamic_cast<TMemo*>(control)) {
      memo->SetText(text_);
    }
  }

 private:
  ControlRef ref_;
  std::string text_;
};

// An action on a whole window: its title bar's close box (or Alt+F4), or a click on its title bar
// that makes it the active window (as switching to it would).
class WindowAction : public UserAction {
 public:
  WindowAction(std::string form, void (TForm::*act)()) : form_(std::move(form)), act_(act) {}
  bool Ready(UserActionContext& context) override {
    TForm* form = context.FindForm(form_);
    return form != nullptr && context.Shown(*form) && context.AcceptsInput(*form);
  }
  void Take(UserActionContext& context) override { (context.FindForm(form_)->*act_)(); }

 private:
  std::string form_;
  void (TForm::*act_)();
};

// The person does nothing for a while. Where only the person can change anything, the clock is
// moved on at once; while the program works, its own pauses and waits move it.
class WaitAction : public UserAction {
 public:
  explicit WaitAction(uint64_t milliseconds) : milliseconds_(milliseconds) {}
  bool Ready(UserActionContext& context) override {
    HeadlessMachine* machine = context.Machine();
    if (machine == nullptr)
      return true;
    if (!until_)
      until_ = machine->Now() + milliseconds_;
    return machine->Now() >= *until_ || context.Wait() != InputWait::kPendingMessages;
  }
  void Take(UserActionContext& context) override {
    HeadlessMachine* machine = context.Machine();
    if (machine != nullptr && machine->Now() < *until_)
      machine->Advance(*until_ - machine->Now());
  }

 private:
  uint64_t milliseconds_;
  std::optional<uint64_t> until_;
};

// "\n" in a [user] value stands for a line break.
std::string UnescapeLineBreaks(const std::string& text) {
  std::string result;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      result += '\n';
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

std::string WithoutTrailingBreaks(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
    text.pop_back();
  return text;
}

class SeeAction : public UserAction {
 public:
  SeeAction(ControlRef ref, std::string shown) : ref_(std::move(ref)), text_(std::move(shown)) {}
  bool IsObservation() const override { return true; }
  bool Ready(UserActionContext& context) override {
    TForm* form = context.FindForm(ref_.form);
    TControl* control = ResolveControl(context, ref_);
    return form != nullptr && control != nullptr && context.Shown(*form) &&
           ControlVisible(*control) && WithoutTrailingBreaks(ShownText(*control)) == text_;
  }

 private:
  ControlRef ref_;
  std::string text_;
};

const char* const kStateWords[] = {"visible",  "hidden",  "enabled",
                                   "disabled", "checked", "unchecked"};

class StateAction : public UserAction {
 public:
  StateAction(ControlRef ref, std::vector<std::string> words)
      : ref_(std::move(ref)), words_(std::move(words)) {}
  bool IsObservation() const override { return true; }
  bool Ready(UserActionContext& context) override {
    TForm* form = context.FindForm(ref_.form);
    TControl* control = ResolveControl(context, ref_);
    if (form == nullptr || control == nullptr)
      return false;
    bool visible = context.Shown(*form) && ControlVisible(*control);
    // Each word is one property: a hidden check box can still be enabled, and so chosen.
    bool enabled = ref_.control.empty() ? context.AcceptsInput(*form) : ControlEnabled(*control);
    auto* box = dynamic_cast<TCheckBox*>(control);
    for (const std::string& word : words_) {
      bool holds = (word == "visible" && visible) || (word == "hidden" && !visible) ||
                   (word == "enabled" && enabled) || (word == "disabled" && !enabled) ||
                   (word == "checked" && box != nullptr && box->Checked()) ||
                   (word == "unchecked" && box != nullptr && !box->Checked());
      if (!holds)
        return false;
    }
    return true;
  }

 private:
  ControlRef ref_;
  std::vector<std::string> words_;
};

uint64_t ReadMilliseconds(const std::string& value) {
  std::string text = value;
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.pop_back();
  size_t first = text.find_first_not_of(" \t");
  text = first == std::string::npos ? std::string() : text.substr(first);
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    throw UserScriptError("wait takes milliseconds (0 to 999999999)");
  return std::stoull(text);
}

}  // namespace

UserActionTable DefaultUserActions() {
  UserActionTable table;
  table.Add("click", [](const std::string& value, const DesignCatalog& designs) {
    return std::make_unique<ClickAction>(ReadControlRef(value, designs, false));
  });
  table.Add("click if shown", [](const std::string& value, const DesignCatalog& designs) {
    return std::make_unique<ClickIfShownAction>(ReadControlRef(value, designs, false));
  });
  for (bool tick : {true, false}) {
    table.Add(tick ? "tick" : "untick",
              [tick](const std::string& value, const DesignCatalog& designs) {
                return std::make_unique<TickAction>(ReadControlRef(value, designs, false), tick);
              });
  }
  table.Add("type", [](const std::string& value, const DesignCatalog& designs) {
    auto [target, text] = SplitAtBar(value);
    return std::make_unique<TypeAction>(ReadControlRef(target, designs, false), text);
  });
  for (auto [name, act] :
       {std::pair{"close", &TForm::Close}, std::pair{"activate", &TForm::Activate}}) {
    std::string action = name;
    table.Add(action, [action, act = act](const std::string& value, const DesignCatalog& designs) {
      ControlRef ref = ReadControlRef(value, designs, true);
      if (!ref.control.empty())
        throw UserScriptError(action + " takes a window ('" + action + " = TForm2')");
      return std::make_unique<WindowAction>(ref.form, act);
    });
  }
  table.Add("wait", [](const std::string& value, const DesignCatalog&) {
    return std::make_unique<WaitAction>(ReadMilliseconds(value));
  });
  table.Add("see", [](const std::string& value, const DesignCatalog& designs) {
    auto [target, text] = SplitAtBar(value);
    return std::make_unique<SeeAction>(ReadControlRef(target, designs, true),
                                       WithoutTrailingBreaks(UnescapeLineBreaks(text)));
  });
  table.Add("state", [](const std::string& value, const DesignCatalog& designs) {
    auto [target, text] = SplitAtBar(value);
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
      bool known = false;
      for (const char* stateWord : kStateWords)
        known = known || word == stateWord;
      if (!known)
        throw UserScriptError("unknown state '" + word +
                              "' (visible, hidden, enabled, disabled, checked, unchecked)");
      words.push_back(word);
    }
    if (words.empty())
      throw UserScriptError("state needs at least one word");
    return std::make_unique<StateAction>(ReadControlRef(target, designs, true), std::move(words));
  });
  return table;
}

}  // namespace talvex
