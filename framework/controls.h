// Controls of the form framework: their state, the properties a design stores for them, and the
// backend peer (a real window, or nothing in the headless build) that shows them.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/design.h"
#include "framework/jpeg_image.h"
#include "platform/handles.h"

namespace talvex {

class TControl;
using TObject = TControl;
// An event handler; the first parameter is the sender.
using TNotifyEvent = std::function<void(TObject* sender)>;

// What a backend attaches to a control to show it. Told of every change of the control's state.
class ControlPeer {
 public:
  virtual ~ControlPeer() = default;
  virtual void StateChanged() = 0;
  // The real window behind the control; 0 where there is none.
  virtual WindowHandle Handle() const { return 0; }
};

class TControl {
 public:
  TControl(std::string name, TControl* parent);
  virtual ~TControl() = default;
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  const std::string& Name() const { return name_; }
  virtual const char* ClassName() const = 0;
  TControl* Parent() const { return parent_; }
  const std::vector<TControl*>& Children() const { return children_; }

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetBounds(int left, int top, int width, int height);

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  int TabOrder() const { return tab_order_; }
  // Hosted by a form designer (csDesigning): the control's own flag, or its parent's.
  bool Designing() const { return designing_ || (parent_ != nullptr && parent_->Designing()); }
  void SetDesigning(bool designing) { designing_ = designing; }
  // Has a window of its own that can hold child windows (forms, group boxes, edit boxes, trees).
  virtual bool IsWindowed() const { return true; }

  // Applies one stored property of a design. Properties that only concern the look (fonts,
  // colours, borders) are kept by name for the backend; an unknown behavioural property is an
  // EDesignError.
  virtual void ApplyProperty(const DesignProperty& property);
  // A stored look property, or null.
  const DesignValue* StoredProperty(const std::string& name) const;

  void AttachPeer(std::unique_ptr<ControlPeer> peer);
  ControlPeer* Peer() const { return peer_.get(); }

 protected:
  void Changed();
  static std::string AsText(const DesignProperty& property);
  static int AsInt(const DesignProperty& property);
  static bool AsBool(const DesignProperty& property);

 private:
  std::string name_;
  TControl* parent_;
  std::vector<TControl*> children_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  int tab_order_ = -1;
  bool designing_ = false;
  std::string caption_;
  std::map<std::string, DesignValue> stored_;
  std::unique_ptr<ControlPeer> peer_;
};

class TButton : public TControl {
 public:
  using TControl::TControl;
  const char* ClassName() const override { return "TButton"; }
  TNotifyEvent OnClick;
  // What a user's click does: nothing when the button is disabled or hidden.
  void Click();
};

// A push button with room for a glyph beside its caption; it behaves as a button.
class TBitBtn : public TButton {
 public:
  using TButton::TButton;
  const char* ClassName() const override { return "TBitBtn"; }
};

class TCheckBox : public TControl {
 public:
  using TControl::TControl;
  const char* ClassName() const override { return "TCheckBox"; }
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  void ApplyProperty(const DesignProperty& property) override;
  // What a user's click does: toggles an enabled, visible box.
  void Click();

 private:
  bool checked_ = false;
};

class TMemo : public TControl {
 public:
  using TControl::TControl;
  const char* ClassName() const override { return "TMemo"; }
  const std::vector<std::string>& Lines() const { return lines_; }
  std::string Text() const;
  void Clear();
  void Add(const std::string& line);
  // Removes all content, then makes the text its only content.
  void SetText(const std::string& text);
  void ApplyProperty(const DesignProperty& property) override;

 private:
  std::vector<std::string> lines_;
};

class TGroupBox : public TControl {
 public:
  using TControl::TControl;
  const char* ClassName() const override { return "TGroupBox"; }
};

class TImage : public TControl {
 public:
  using TControl::TControl;
  const char* ClassName() const override { return "TImage"; }
  bool IsWindowed() const override { return false; }
  // "Picture" names an embedded JPEG or bitmap file, which must exist; the rest as for controls.
  void ApplyProperty(const DesignProperty& property) override;
  const std::string& PictureName() const { return picture_name_; }
  // The picture's pixels, decoded on first use (null without a picture). Throws EJpegError or
  // EPictureError when the embedded file does not decode.
  const TJpegImage* Picture() const;

 private:
  std::string picture_name_;
  mutable std::unique_ptr<TJpegImage> picture_;
};

class TBevel : public TControl {
 public:
  using TControl::TControl;
  const char* ClassName() const override { return "TBevel"; }
  bool IsWindowed() const override { return false; }
};

class TLabel : public TControl {
 public:
  using TControl::TControl;
  const char* ClassName() const override { return "TLabel"; }
  bool IsWindowed() const override { return false; }
  TNotifyEvent OnClick;
  // What a user's click does: nothing when the label is disabled or hidden.
  void Click();
};

// A single-line edit box.
class TEdit : public TControl {
 public:
  using TControl::TControl;
  const char* ClassName() const override { return "TEdit"; }
  const std::string& Text() const { return text_; }
  // Replaces the whole text, as the program or the user's typing does.
  void SetText(const std::string& text);
  void ApplyProperty(const DesignProperty& property) override;

 private:
  std::string text_;
};

// Creates a control of a framework class by its class name; null for an unknown class.
std::unique_ptr<TControl> CreateControl(const std::string& className, const std::string& name,
                                        TControl* parent);

}  // namespace talvex
