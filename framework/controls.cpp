#include "framework/controls.h"

#include <sstream>

#include "framework/picture.h"
#include "framework/resources.h"

namespace talvex {

TControl::TControl(std::string name, TControl* parent) : name_(std::move(name)), parent_(parent) {
  if (parent_ != nullptr)
    parent_->children_.push_back(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Changed();
}

void TControl::SetVisible(bool visible) {
  visible_ = visible;
  Changed();
}

void TControl::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Changed();
}

void TControl::SetCaption(const std::string& caption) {
  caption_ = caption;
  Changed();
}

void TControl::AttachPeer(std::unique_ptr<ControlPeer> peer) {
  peer_ = std::move(peer);
}

void TControl::Changed() {
  if (peer_)
    peer_->StateChanged();
}

const DesignValue* TControl::StoredProperty(const std::string& name) const {
  auto it = stored_.find(name);
  return it == stored_.end() ? nullptr : &it->second;
}

std::string TControl::AsText(const DesignProperty& property) {
  if (const auto* text = std::get_if<std::string>(&property.value))
    return *text;
  throw EDesignError("property " + property.name + " needs a text");
}

int TControl::AsInt(const DesignProperty& property) {
  if (const auto* number = std::get_if<long long>(&property.value))
    return static_cast<int>(*number);
  throw EDesignError("property " + property.name + " needs a number");
}

bool TControl::AsBool(const DesignProperty& property) {
  if (const auto* flag = std::get_if<bool>(&property.value))
    return *flag;
  throw EDesignError("property " + property.name + " needs True or False");
}

void TControl::ApplyProperty(const DesignProperty& property) {
  const std::string& name = property.name;
  if (name == "Left") {
    left_ = AsInt(property);
  } else if (name == "Top") {
    top_ = AsInt(property);
  } else if (name == "Width") {
    width_ = AsInt(property);
  } else if (name == "Height") {
    height_ = AsInt(property);
  } else if (name == "Visible") {
    visible_ = AsBool(property);
  } else if (name == "Enabled") {
    enabled_ = AsBool(property);
  } else if (name == "Caption") {
    caption_ = AsText(property);
  } else if (name == "TabOrder") {
    tab_order_ = AsInt(property);
  } else if (name.rfind("On", 0) == 0) {
    throw EDesignError("event " + name + " is not bound for " + name_);
  } else {
    stored_[name] = property.value;
  }
  Changed();
}

void TButton::Click() {
  if (Enabled() && Visible() && OnClick)
    OnClick(this);
}

void TLabel::Click() {
  if (Enabled() && Visible() && OnClick)
    OnClick(this);
}

void TCheckBox::SetChecked(bool checked) {
  checked_ = checked;
  Changed();
}

void TCheckBox::ApplyProperty(const DesignProperty& property) {
  if (property.name == "Checked") {
    SetChecked(AsBool(property));
    return;
  }
  TControl::ApplyProperty(property);
}

void TCheckBox::Click() {
  if (Enabled() && Visible())
    SetChecked(!checked_);
}

std::string TMemo::Text() const {
  std::string text;
  for (const std::string& line : lines_)
    text += line + "\r\n";
  return text;
}

void TMemo::Clear() {
  lines_.clear();
  Changed();
}

void TMemo::Add(const std::string& line) {
  lines_.push_back(line);
  Changed();
}

void TMemo::SetText(const std::string& text) {
  lines_.clear();
  lines_.push_back(text);
  Changed();
}

void TMemo::ApplyProperty(const DesignProperty& property) {
  if (property.name == "Lines.Strings") {
    if (const auto* strings = std::get_if<DesignStrings>(&property.value)) {
      lines_ = strings->items;
      Changed();
      return;
    }
    throw EDesignError("property Lines.Strings needs a list of texts");
  }
  TControl::ApplyProperty(property);
}

void TImage::ApplyProperty(const DesignProperty& property) {
  if (property.name == "Picture") {
    std::string name = AsText(property);
    if (!FindEmbeddedResource(name))
      throw EDesignError("no picture " + name);
    picture_name_ = std::move(name);
    picture_.reset();
    Changed();
    return;
  }
  TControl::ApplyProperty(property);
}

const TJpegImage* TImage::Picture() const {
  if (picture_name_.empty())
    return nullptr;
  if (!picture_) {
    std::optional<std::string> bytes = FindEmbeddedResource(picture_name_);
    picture_ = std::make_unique<TJpegImage>(DecodePicture(picture_name_, bytes.value_or("")));
  }
  return picture_.get();
}

void TEdit::SetText(const std::string& text) {
  text_ = text;
  Changed();
}

void TEdit::ApplyProperty(const DesignProperty& property) {
  if (property.name == "Text") {
    SetText(AsText(property));
    return;
  }
  TControl::ApplyProperty(property);
}

std::unique_ptr<TControl> CreateControl(const std::string& className, const std::string& name,
                                        TControl* parent) {
  if (className == "TButton")
    return std::make_unique<TButton>(name, parent);
  if (className == "TBitBtn")
    return std::make_unique<TBitBtn>(name, parent);
  if (className == "TCheckBox")
    return std::make_unique<TCheckBox>(name, parent);
  if (className == "TMemo")
    return std::make_unique<TMemo>(name, parent);
  if (className == "TGroupBox")
    return std::make_unique<TGroupBox>(name, parent);
  if (className == "TImage")
    return std::make_unique<TImage>(name, parent);
  if (className == "TBevel")
    return std::make_unique<TBevel>(name, parent);
  if (className == "TLabel")
    return std::make_unique<TLabel>(name, parent);
  if (className == "TEdit")
    return std::make_unique<TEdit>(name, parent);
  return nullptr;
}

}  // namespace talvex
