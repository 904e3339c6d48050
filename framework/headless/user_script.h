// What the person at the machine does in an interactive headless run: the [user] lines of
// machine.ini, one action a line, read into actions before the program starts.
//
// The action names come from a table (UserActionTable). Each row reads the value of its lines
// and makes an action; a program or a test adds rows of its own with Add (for example actions
// on the machine itself, such as making a folder), and DefaultUserActions() gives the rows of
// the windows: click, tick, untick, type, close, wait, see, state.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace talvex {

class TApplication;
class TControl;
class TForm;

// The forms of the program and the controls each has, read from the window designs: a [user]
// line may only name these.
class DesignCatalog {
 public:
  // The designs embedded into the program ("Form1.design", "Form2.design", ...).
  static DesignCatalog FromEmbeddedDesigns();
  // Adds the form of one embedded design; false when the program has no such design.
  bool AddEmbeddedDesign(const std::string& resourceName);
  void AddForm(const std::string& className, std::set<std::string> controls);
  bool HasForm(const std::string& className) const;
  bool HasControl(const std::string& className, const std::string& control) const;

 private:
  std::map<std::string, std::set<std::string>> forms_;
};

// A [user] line that cannot be used; the message names the line.
class UserScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An action that cannot be carried out when its turn comes (a folder to make that exists
// already): the run cannot go on as the script says.
class UserActionFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What the person's actions may use of the machine besides the windows. Without one, time stands
// still and nothing else runs.
class HeadlessMachine {
 public:
  virtual ~HeadlessMachine() = default;
  // The machine's clock in milliseconds.
  virtual uint64_t Now() = 0;
  // The person waits: the clock moves on (programs started on the machine act meanwhile).
  virtual void Advance(uint64_t milliseconds) = 0;
  // The person can act now: the machine is written back, so that it can be looked at.
  virtual void Checkpoint() = 0;
  // True once when Windows has been asked to restart since the last call.
  virtual bool TakeRestartRequest() = 0;
};

// Where the program waits for the person.
enum class InputWait {
  kMessageLoop,      // idle in the message loop: only the person can change the screen
  kModal,            // idle in a modal window's loop
  kPendingMessages,  // a pass over pending messages while the program works on
};

// What an action can reach while it is tried.
class UserActionContext {
 public:
  virtual ~UserActionContext() = default;
  virtual TApplication& Application() = 0;
  virtual HeadlessMachine* Machine() = 0;
  virtual InputWait Wait() const = 0;
  // The form of that class, or null.
  virtual TForm* FindForm(const std::string& className) = 0;
  // Shown on the screen: the form and each window it lies inside are visible.
  virtual bool Shown(const TForm& form) = 0;
  // Takes input: no other form is shown modally.
  virtual bool AcceptsInput(const TForm& form) = 0;
};

class UserAction {
 public:
  virtual ~UserAction() = default;
  // see and state: they hold as soon as the screen shows what they say, at any moment.
  virtual bool IsObservation() const { return false; }
  // An observation: whether it holds now. Another action: whether it can be taken now (its
  // window shown and taking input, its control visible and enabled, ...).
  virtual bool Ready(UserActionContext& context) = 0;
  // Takes the action; called only right after Ready said yes. The program's handlers run inside.
  // Throws UserActionFailed when the action cannot be carried out.
  virtual void Take(UserActionContext&) {}

  int line = 0;
  std::string text;  // "click = TForm2.Next", for the transcript and messages
};

// Reads a line's value; throws UserScriptError (without the line number) when it is malformed or
// names what the program does not have.
using UserActionReader = std::function<std::unique_ptr<UserAction>(const std::string& value,
                                                                   const DesignCatalog& designs)>;

class UserActionTable {
 public:
  void Add(const std::string& name, UserActionReader reader);
  const UserActionReader* Find(const std::string& name) const;
  std::vector<std::string> Names() const;

 private:
  std::map<std::string, UserActionReader> readers_;
};

// The actions on the windows.
UserActionTable DefaultUserActions();

struct UserScriptLine {
  int line = 0;
  std::string key;
  std::string value;
};

// Reads every line; throws UserScriptError "[user] line N: ..." for the first unusable one.
std::vector<std::unique_ptr<UserAction>> ReadUserScript(const std::vector<UserScriptLine>& lines,
                                                        const UserActionTable& table,
                                                        const DesignCatalog& designs);

// Helpers for rows: "<Form>.<Control>" (control optional when allowOnlyForm), checked against
// the designs; "<left> | <right>" split at the first bar, both sides without surrounding blanks.
struct ControlRef {
  std::string form;
  std::string control;  // empty: the form itself
};
ControlRef ReadControlRef(const std::string& text, const DesignCatalog& designs,
                          bool allowOnlyForm);
std::pair<std::string, std::string> SplitAtBar(const std::string& value);
// The control of a reference on a running program, or null.
TControl* ResolveControl(UserActionContext& context, const ControlRef& ref);
// Enabled, with every control it lies inside, whether or not they are visible.
bool ControlEnabled(const TControl& control);
// Visible, with every control it lies inside (the form's own showing is not looked at).
bool ControlVisible(const TControl& control);
// What the person can click or type into: enabled and visible.
bool ControlUsable(const TControl& control);

}  // namespace talvex
