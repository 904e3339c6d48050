// A window whose controls and stored properties come from its design, bound to the window class's
// fields and handlers by name.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/tree_view.h"
#include "platform/handles.h"

namespace talvex {

class TApplication;

using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

class TForm : public TControl {
 public:
  // designName is the name of the embedded design file, e.g. "Form2.design".
  TForm(TApplication& application, std::string name, std::string designName);
  ~TForm() override;

  const char* ClassName() const override { return class_name_.c_str(); }
  TApplication& Application() const { return application_; }

  // Makes the form visible (running OnShow) or hides it.
  void Show();
  void Hide();
  // Makes the form the active window (running OnActivate).
  void Activate();
  // A close request, as the title bar's close button makes: OnCloseQuery, then OnClose.
  void Close();
  void Repaint();
  // Shows the form and returns once it is hidden again (closed); meanwhile the other forms take
  // no input.
  void ShowModal();
  // Runs OnCloseQuery alone, as Windows' question whether the session may end does; true when the
  // form allows the close.
  bool CloseQuery();
  // Makes this form a child window of the parent form (null: none yet).
  void SetParentForm(TForm& parent);
  TForm* ParentForm() const { return parent_form_; }
  // The handle of the form's window.
  WindowHandle Handle();

  TNotifyEvent OnCreate, OnShow, OnActivate, OnClose;
  TCloseQueryEvent OnCloseQuery;

  // Every control of the design, in design order.
  const std::vector<std::unique_ptr<TControl>>& Controls() const { return controls_; }
  TControl* FindControl(const std::string& name) const;

 protected:
  // Binds a field to the control of that name in the design; the design must supply it.
  template <class T>
  void BindControl(const std::string& name, T*& field) {
    control_binders_[name] = [&field, name](TControl* control) {
      field = dynamic_cast<T*>(control);
      if (field == nullptr)
        throw EDesignError("control " + name + " has the wrong class");
    };
  }
  void BindHandler(const std::string& name, TNotifyEvent handler);
  void BindCloseQueryHandler(const std::string& name, TCloseQueryEvent handler);
  // A tree view's OnChange handler (sender and the newly selected node).
  void BindTreeChangeHandler(const std::string& name, TTVChangedEvent handler);

  // Reads the design, creates its controls, binds fields and handlers, applies the stored
  // properties in order, tells the backend, then runs OnCreate. Call at the end of the derived
  // class's constructor, after every Bind call.
  void LoadDesign();

 private:
  void LoadObject(const DesignObject& object, TControl& control);
  void ApplyEvent(TControl& control, const DesignProperty& property);
  void SetVisibleState(bool visible);

  TApplication& application_;
  std::string design_name_;
  std::string class_name_;
  std::vector<std::unique_ptr<TControl>> controls_;
  std::map<std::string, std::function<void(TControl*)>> control_binders_;
  std::map<std::string, TNotifyEvent> handlers_;
  std::map<std::string, TCloseQueryEvent> close_query_handlers_;
  TForm* parent_form_ = nullptr;
  std::map<std::string, TTVChangedEvent> tree_change_handlers_;
};

}  // namespace talvex
