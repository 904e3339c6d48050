#include "framework/form.h"

#include "framework/application.h"
#include "framework/picture.h"
#include "framework/resources.h"

namespace talvex {

TForm::TForm(TApplication& application, std::string name, std::string designName)
    : TControl(std::move(name), nullptr),
      application_(application),
      design_name_(std::move(designName)) {}

TForm::~TForm() = default;

void TForm::BindHandler(const std::string& name, TNotifyEvent handler) {
  handlers_[name] = std::move(handler);
}

void TForm::BindCloseQueryHandler(const std::string& name, TCloseQueryEvent handler) {
  close_query_handlers_[name] = std::move(handler);
}

void TForm::BindTreeChangeHandler(const std::string& name, TTVChangedEvent handler) {
  tree_change_handlers_[name] = std::move(handler);
}

TControl* TForm::FindControl(const std::string& name) const {
  for (const auto& control : controls_)
    if (control->Name() == name)
      return control.get();
  return nullptr;
}

void TForm::LoadDesign() {
  std::optional<std::string> text = FindEmbeddedResource(design_name_);
  if (!text)
    throw EDesignError("no design " + design_name_);
  DesignObject root = ParseDesign(*text);
  class_name_ = root.className;
  // A form is hidden until shown, whatever its design says.
  SetVisibleState(false);
  LoadObject(root, *this);
  for (const auto& [name, binder] : control_binders_) {
    TControl* control = FindControl(name);
    if (control == nullptr)
      throw EDesignError("design " + design_name_ + " has no " + name);
    binder(control);
  }
  // A window icon must be an icon file that the program holds.
  if (const DesignValue* icon = StoredProperty("Icon")) {
    const auto* name = std::get_if<std::string>(icon);
    std::optional<std::string> bytes = name ? FindEmbeddedResource(*name) : std::nullopt;
    if (!bytes)
      throw EDesignError("design " + design_name_ + " names no icon file the program holds");
    ParseIconDirectory(*bytes);
  }
  application_.Ui().FormCreated(*this);
  if (OnCreate)
    OnCreate(this);
}

void TForm::LoadObject(const DesignObject& object, TControl& control) {
  for (const DesignProperty& property : object.properties) {
    if (property.name.rfind("On", 0) == 0) {
      ApplyEvent(control, property);
    } else if (&control == this && property.name == "Visible") {
      continue;  // forms are shown by the program, never by their design
    } else {
      control.ApplyProperty(property);
    }
  }
  for (const DesignObject& child : object.children) {
    std::unique_ptr<TControl> created = CreateControl(child.className, child.name, &control);
    if (!created) {
      if (const TComponentClass* component = application_.Components().Find(child.className))
        created = component->factory(child.name, &control, *this);
    }
    if (!created)
      throw EDesignError("unknown control class " + child.className);
    if (FindControl(child.name) != nullptr)
      throw EDesignError("two controls named " + child.name);
    TControl* raw = created.get();
    controls_.push_back(std::move(created));
    LoadObject(child, *raw);
  }
}

void TForm::ApplyEvent(TControl& control, const DesignProperty& property) {
  const auto* handlerName = std::get_if<DesignIdentifier>(&property.value);
  if (handlerName == nullptr)
    throw EDesignError("event " + property.name + " needs a handler");
  if (&control == this && property.name == "OnCloseQuery") {
    auto it = close_query_handlers_.find(handlerName->name);
    if (it == close_query_handlers_.end())
      throw EDesignError("no handler " + handlerName->name);
    OnCloseQuery = it->second;
    return;
  }
  auto* tree = dynamic_cast<TCustomTreeView*>(&control);
  if (tree != nullptr && property.name == "OnChange") {
    auto change = tree_change_handlers_.find(handlerName->name);
    if (change == tree_change_handlers_.end())
      throw EDesignError("no handler " + handlerName->name);
    tree->OnChange = change->second;
    return;
  }
  auto it = handlers_.find(handlerName->name);
  if (it == handlers_.end())
    throw EDesignError("no handler " + handlerName->name);
  if (tree != nullptr && property.name == "OnClick") {
    tree->OnClick = it->second;
    return;
  }
  if (tree != nullptr && property.name == "OnDblClick") {
    tree->OnDblClick = it->second;
    return;
  }
  if (&control == this) {
    if (property.name == "OnCreate") {
      OnCreate = it->second;
    } else if (property.name == "OnShow") {
      OnShow = it->second;
    } else if (property.name == "OnActivate") {
      OnActivate = it->second;
    } else if (property.name == "OnClose") {
      OnClose = it->second;
    } else {
      throw EDesignError("forms have no event " + property.name);
    }
    return;
  }
  auto* button = dynamic_cast<TButton*>(&control);
  if (button != nullptr && property.name == "OnClick") {
    button->OnClick = it->second;
    return;
  }
  auto* label = dynamic_cast<TLabel*>(&control);
  if (label != nullptr && property.name == "OnClick") {
    label->OnClick = it->second;
    return;
  }
  throw EDesignError(control.Name() + " has no event " + property.name);
}

void TForm::SetVisibleState(bool visible) {
  if (Visible() == visible)
    return;
  TControl::SetVisible(visible);
}

void TForm::Show() {
  if (Visible())
    return;
  application_.Ui().FormVisibilityChanged(*this);
  SetVisibleState(true);
  if (OnShow)
    OnShow(this);
}

void TForm::Hide() {
  if (!Visible())
    return;
  SetVisibleState(false);
  application_.Ui().FormVisibilityChanged(*this);
}

void TForm::Activate() {
  if (OnActivate)
    OnActivate(this);
}

bool TForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery)
    OnCloseQuery(this, canClose);
  return canClose;
}

void TForm::Close() {
  if (!CloseQuery())
    return;
  if (OnClose)
    OnClose(this);
  Hide();
  if (application_.MainForm() == this)
    application_.Terminate();
}

void TForm::Repaint() {
  Changed();
}

void TForm::ShowModal() {
  Show();
  if (Visible())
    application_.Ui().RunModal(application_, *this);
}

void TForm::SetParentForm(TForm& parent) {
  parent_form_ = &parent;
  application_.Ui().SetParentForm(*this, parent);
}

WindowHandle TForm::Handle() {
  return application_.Ui().FormHandle(*this);
}

}  // namespace talvex
