#include "framework/win32/window_peer.h"

#include "framework/win32/control_windows.h"

namespace talvex::win32 {

WindowPeer::WindowPeer(TControl& control, HWND window, HFONT font)
    : control_(control),
      window_(window),
      font_(font),
      bounds_{control.Left(), control.Top(), control.Width(), control.Height()} {
  ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  if (font != nullptr)
    ::SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

WindowPeer::~WindowPeer() {
  HWND window = window_.get();
  if (window != nullptr && ::IsWindow(window)) {
    ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    if (original_proc_ != nullptr)
      ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_proc_));
  }
  window_.Reset();  // the window goes before the font it uses
  font_.Reset();
}

WindowPeer* WindowPeer::FromWindow(HWND window) {
  if (window == nullptr)
    return nullptr;
  return reinterpret_cast<WindowPeer*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
}

TForm& WindowPeer::OwnerForm() const {
  TControl* control = &control_;
  while (control->Parent() != nullptr)
    control = control->Parent();
  return static_cast<TForm&>(*control);
}

std::string WindowPeer::DisplayText() const {
  if (const auto* memo = dynamic_cast<const TMemo*>(&control_)) {
    std::string text;
    for (size_t i = 0; i < memo->Lines().size(); ++i) {
      if (i != 0)
        text += "\r\n";
      text += memo->Lines()[i];
    }
    return text;
  }
  if (const auto* edit = dynamic_cast<const TEdit*>(&control_))
    return edit->Text();
  return control_.Caption();
}

std::string WindowPeer::WindowText() const {
  HWND window = window_.get();
  int length = ::GetWindowTextLengthA(window);
  std::string current(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
  int copied = ::GetWindowTextA(window, current.data(), static_cast<int>(current.size()));
  current.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return current;
}

void WindowPeer::StateChanged() {
  HWND window = window_.get();
  if (window == nullptr)
    return;

  std::string text = DisplayText();
  if (WindowText() != text)
    ::SetWindowTextA(window, text.c_str());

  // Bounds are moved only when the control's own bounds changed, so that a form the user moved
  // stays where it is. A form's bounds are its outer size on the screen.
  Bounds bounds{control_.Left(), control_.Top(), control_.Width(), control_.Height()};
  if (bounds != bounds_) {
    bounds_ = bounds;
    ::MoveWindow(window, bounds.left, bounds.top, bounds.width, bounds.height, TRUE);
  }

  if ((::IsWindowEnabled(window) != FALSE) != control_.Enabled())
    ::EnableWindow(window, control_.Enabled() ? TRUE : FALSE);

  if (const auto* box = dynamic_cast<const TCheckBox*>(&control_)) {
    WPARAM state = box->Checked() ? BST_CHECKED : BST_UNCHECKED;
    if (static_cast<WPARAM>(::SendMessageA(window, BM_GETCHECK, 0, 0)) != state)
      ::SendMessageA(window, BM_SETCHECK, state, 0);
  }

  bool shown = (::GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0;
  auto* form = dynamic_cast<TForm*>(&control_);
  if (shown != control_.Visible()) {
    if (form != nullptr && control_.Visible()) {
      ShowFormWindow(*form, window);
    } else {
      ::ShowWindow(window, control_.Visible() ? SW_SHOW : SW_HIDE);
    }
  }
  // A change shows at once, also while the program works or pauses without reading messages.
  if (control_.Visible() && ::IsWindowVisible(window))
    ::RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void WindowPeer::Command(unsigned notification) {
  if (notification == EN_CHANGE) {
    // What the user typed becomes the edit box's text; the window already shows it.
    if (auto* edit = dynamic_cast<TEdit*>(&control_)) {
      std::string typed = WindowText();
      if (typed != edit->Text())
        edit->SetText(typed);
    }
    return;
  }
  if (notification != BN_CLICKED)
    return;
  if (auto* button = dynamic_cast<TButton*>(&control_)) {
    button->Click();
  } else if (auto* box = dynamic_cast<TCheckBox*>(&control_)) {
    // The box has already toggled its own mark; the control decides whether that stands (a
    // disabled or hidden box keeps its state) and the peer shows the outcome.
    bool marked = ::SendMessageA(window_.get(), BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (marked != box->Checked())
      box->Click();
    StateChanged();
  }
}

}  // namespace talvex::win32
