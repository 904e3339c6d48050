#include "framework/headless/user_script.h"

#include "framework/application.h"
#include "framework/design.h"
#include "framework/resources.h"

namespace talvex {
namespace {

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos)
    return std::string();
  size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

void CollectNames(const DesignObject& object, std::set<std::string>& names) {
  for (const DesignObject& child : object.children) {
    names.insert(child.name);
    CollectNames(child, names);
  }
}

}  // namespace

DesignCatalog DesignCatalog::FromEmbeddedDesigns() {
  DesignCatalog catalog;
  // The program's windows are Form1.design, Form2.design, ... without a gap.
  for (int number = 1; catalog.AddEmbeddedDesign("Form" + std::to_string(number) + ".design");
       ++number) {
  }
  return catalog;
}

bool DesignCatalog::AddEmbeddedDesign(const std::string& resourceName) {
  std::optional<std::string> text = FindEmbeddedResource(resourceName);
  if (!text)
    return false;
  DesignObject root = ParseDesign(*text);
  std::set<std::string> controls;
  CollectNames(root, controls);
  AddForm(root.className, std::move(controls));
  return true;
}

void DesignCatalog::AddForm(const std::string& className, std::set<std::string> controls) {
  forms_[className] = std::move(controls);
}

bool DesignCatalog::HasForm(const std::string& className) const {
  return forms_.count(className) != 0;
}

bool DesignCatalog::HasControl(const std::string& className, const std::string& control) const {
  auto it = forms_.find(className);
  return it != forms_.end() && it->second.count(control) != 0;
}

void UserActionTable::Add(const std::string& name, UserActionReader reader) {
  readers_[name] = std::move(reader);
}

const UserActionReader* UserActionTable::Find(const std::string& name) const {
  auto it = readers_.find(name);
  return it == readers_.end() ? nullptr : &it->second;
}

std::vector<std::string> UserActionTable::Names() const {
  std::vector<std::string> names;
  for (const auto& [name, reader] : readers_)
    names.push_back(name);
  return names;
}

std::vector<std::unique_ptr<UserAction>> ReadUserScript(const std::vector<UserScriptLine>& lines,
                                                        const UserActionTable& table,
                                                        const DesignCatalog& designs) {
  std::vector<std::unique_ptr<UserAction>> actions;
  for (const UserScriptLine& line : lines) {
    std::string where = "[user] line " + std::to_string(line.line) + ": ";
    const UserActionReader* reader = table.Find(line.key);
    if (reader == nullptr) {
      std::string known;
      for (const std::string& name : table.Names())
        known += (known.empty() ? "" : ", ") + name;
      throw UserScriptError(where + "unknown action '" + line.key + "' (" + known + ")");
    }
    std::unique_ptr<UserAction> action;
    try {
      action = (*reader)(line.value, designs);
    } catch (const UserScriptError& error) {
      throw UserScriptError(where + error.what());
    }
    action->line = line.line;
    action->text = line.key + " = " + line.value;
    actions.push_back(std::move(action));
  }
  return actions;
}

ControlRef ReadControlRef(const std::string& text, const DesignCatalog& designs,
                          bool allowOnlyForm) {
  std::string name = Trim(text);
  ControlRef ref;
  size_t dot = name.find('.');
  ref.form = name.substr(0, dot);
  if (dot != std::string::npos)
    ref.control = name.substr(dot + 1);
  if (ref.form.empty())
    throw UserScriptError("names no window ('<Form>.<Control>', e.g. TForm2.Next)");
  if (!designs.HasForm(ref.form))
    throw UserScriptError("the program has no window " + ref.form);
  if (dot != std::string::npos && ref.control.empty())
    throw UserScriptError("names no control after '" + ref.form + ".'");
  if (ref.control.empty() && !allowOnlyForm)
    throw UserScriptError("names a window, not a control ('<Form>.<Control>')");
  if (!ref.control.empty() && !designs.HasControl(ref.form, ref.control))
    throw UserScriptError("window " + ref.form + " has no control " + ref.control);
  return ref;
}

std::pair<std::string, std::string> SplitAtBar(const std::string& value) {
  size_t bar = value.find('|');
  if (bar == std::string::npos)
    throw UserScriptError("needs '<what> | <text>'");
  return {Trim(value.substr(0, bar)), Trim(value.substr(bar + 1))};
}

TControl* ResolveControl(UserActionContext& context, const ControlRef& ref) {
  TForm* form = context.FindForm(ref.form);
  if (form == nullptr || ref.control.empty())
    return form;
  return form->FindControl(ref.control);
}

bool ControlVisible(const TControl& control) {
  for (const TControl* at = &control; at != nullptr; at = at->Parent()) {
    if (at->Parent() == nullptr)
      break;  // the form: its own visibility is Shown's to judge
    if (!at->Visible())
      return false;
  }
  return true;
}

bool ControlEnabled(const TControl& control) {
  for (const TControl* at = &control; at != nullptr; at = at->Parent())
    if (!at->Enabled())
      return false;
  return true;
}

bool ControlUsable(const TControl& control) {
  return ControlEnabled(control) && ControlVisible(control);
}

}  // namespace talvex
