#include "framework/win32/design_look.h"

#include <algorithm>
#include <map>
#include <variant>

#include "platform/win32/scoped_handle.h"

namespace talvex::win32 {

namespace {

bool HasItem(const TControl& control, const char* property, const char* item, bool absent) {
  const DesignValue* stored = control.StoredProperty(property);
  if (stored == nullptr)
    return absent;
  const auto* set = std::get_if<DesignSet>(stored);
  return set != nullptr &&
         std::find(set->items.begin(), set->items.end(), item) != set->items.end();
}

int StoredInt(const TControl& control, const char* property, int fallback) {
  const DesignValue* stored = control.StoredProperty(property);
  const auto* number = stored != nullptr ? std::get_if<long long>(stored) : nullptr;
  return number != nullptr ? static_cast<int>(*number) : fallback;
}

bool StoredBool(const TControl& control, const char* property, bool fallback) {
  const DesignValue* stored = control.StoredProperty(property);
  const auto* flag = stored != nullptr ? std::get_if<bool>(stored) : nullptr;
  return flag != nullptr ? *flag : fallback;
}

}  // namespace

std::string IdentifierOf(const TControl& control, const char* property) {
  const DesignValue* stored = control.StoredProperty(property);
  const auto* identifier = stored != nullptr ? std::get_if<DesignIdentifier>(stored) : nullptr;
  return identifier != nullptr ? identifier->name : std::string();
}

FormFrame FrameOf(const TForm& form) {
  FormFrame frame;
  const std::string border = IdentifierOf(form, "BorderStyle");
  if (border == "bsNone") {
    frame.style = WS_POPUP;
  } else if (border == "bsSingle") {
    frame.style = WS_CAPTION;
  } else if (border == "bsDialog") {
    frame.style = WS_CAPTION | DS_MODALFRAME;
    frame.exStyle = WS_EX_DLGMODALFRAME;
  } else {
    frame.style = WS_CAPTION | WS_THICKFRAME;
  }
  // Title-bar buttons need a title bar and the system menu; a dialog frame has no minimise or
  // maximise button.
  if ((frame.style & WS_CAPTION) == WS_CAPTION &&
      HasItem(form, "BorderIcons", "biSystemMenu", true)) {
    frame.style |= WS_SYSMENU;
    if (border != "bsDialog") {
      if (HasItem(form, "BorderIcons", "biMinimize", true))
        frame.style |= WS_MINIMIZEBOX;
      if (HasItem(form, "BorderIcons", "biMaximize", true))
        frame.style |= WS_MAXIMIZEBOX;
    }
  }
  if (IdentifierOf(form, "FormStyle") == "fsStayOnTop")
    frame.exStyle |= WS_EX_TOPMOST;
  frame.exStyle |= WS_EX_CONTROLPARENT;
  return frame;
}

bool KeepsItsSize(const TForm& form) {
  return StoredBool(form, "AutoSize", false);
}

SIZE OuterSizeOf(const TForm& form, const FormFrame& frame) {
  RECT inside{0, 0, StoredInt(form, "ClientWidth", 0), StoredInt(form, "ClientHeight", 0)};
  if (KeepsItsSize(form)) {
    inside = RECT{0, 0, 0, 0};
    for (const TControl* control : form.Children()) {
      if (!control->Visible())
        continue;
      inside.right = std::max(inside.right, static_cast<LONG>(control->Left() + control->Width()));
      inside.bottom =
          std::max(inside.bottom, static_cast<LONG>(control->Top() + control->Height()));
    }
  } else if (form.Width() > 0 && form.Height() > 0) {
    return SIZE{form.Width(), form.Height()};
  }
  if (inside.right <= 0 || inside.bottom <= 0)
    inside = RECT{0, 0, 320, 240};
  ::AdjustWindowRectEx(&inside, frame.style, FALSE, frame.exStyle);
  return SIZE{inside.right - inside.left, inside.bottom - inside.top};
}

bool ParseDesignColor(const DesignValue& value, DesignColor& color) {
  if (const auto* number = std::get_if<long long>(&value)) {
    // Negative TColor values name system colours by their index in the low byte.
    if (*number < 0) {
      color = DesignColor{true, static_cast<int>(*number & 0xFF), 0};
    } else {
      const auto bgr = static_cast<DWORD>(*number & 0xFFFFFF);
      color = DesignColor{false, 0, bgr};  // TColor keeps red in the low byte, as COLORREF does
    }
    return true;
  }
  const auto* identifier = std::get_if<DesignIdentifier>(&value);
  if (identifier == nullptr)
    return false;
  static const std::map<std::string, int> kSystem = {
      {"clScrollBar", COLOR_SCROLLBAR},
      {"clBackground", COLOR_BACKGROUND},
      {"clActiveCaption", COLOR_ACTIVECAPTION},
      {"clInactiveCaption", COLOR_INACTIVECAPTION},
      {"clMenu", COLOR_MENU},
      {"clWindow", COLOR_WINDOW},
      {"clWindowFrame", COLOR_WINDOWFRAME},
      {"clMenuText", COLOR_MENUTEXT},
      {"clWindowText", COLOR_WINDOWTEXT},
      {"clCaptionText", COLOR_CAPTIONTEXT},
      {"clActiveBorder", COLOR_ACTIVEBORDER},
      {"clInactiveBorder", COLOR_INACTIVEBORDER},
      {"clAppWorkSpace", COLOR_APPWORKSPACE},
      {"clHighlight", COLOR_HIGHLIGHT},
      {"clHighlightText", COLOR_HIGHLIGHTTEXT},
      {"clBtnFace", COLOR_BTNFACE},
      {"clBtnShadow", COLOR_BTNSHADOW},
      {"clGrayText", COLOR_GRAYTEXT},
      {"clBtnText", COLOR_BTNTEXT},
      {"clInactiveCaptionText", COLOR_INACTIVECAPTIONTEXT},
      {"clBtnHighlight", COLOR_BTNHIGHLIGHT},
      {"cl3DDkShadow", COLOR_3DDKSHADOW},
      {"cl3DLight", COLOR_3DLIGHT},
      {"clInfoText", COLOR_INFOTEXT},
      {"clInfoBk", COLOR_INFOBK},
  };
  static const std::map<std::string, COLORREF> kFixed = {
      {"clBlack", RGB(0, 0, 0)},           {"clMaroon", RGB(0x80, 0, 0)},
      {"clGreen", RGB(0, 0x80, 0)},        {"clOlive", RGB(0x80, 0x80, 0)},
      {"clNavy", RGB(0, 0, 0x80)},         {"clPurple", RGB(0x80, 0, 0x80)},
      {"clTeal", RGB(0, 0x80, 0x80)},      {"clGray", RGB(0x80, 0x80, 0x80)},
      {"clSilver", RGB(0xC0, 0xC0, 0xC0)}, {"clRed", RGB(0xFF, 0, 0)},
      {"clLime", RGB(0, 0xFF, 0)},         {"clYellow", RGB(0xFF, 0xFF, 0)},
      {"clBlue", RGB(0, 0, 0xFF)},         {"clFuchsia", RGB(0xFF, 0, 0xFF)},
      {"clAqua", RGB(0, 0xFF, 0xFF)},      {"clWhite", RGB(0xFF, 0xFF, 0xFF)},
  };
  if (auto it = kSystem.find(identifier->name); it != kSystem.end()) {
    color = DesignColor{true, it->second, 0};
    return true;
  }
  if (auto it = kFixed.find(identifier->name); it != kFixed.end()) {
    color = DesignColor{false, 0, it->second};
    return true;
  }
  return false;
}

DesignColor BackgroundOf(const TControl& control) {
  DesignColor color;
  const DesignValue* stored = control.StoredProperty("Color");
  const std::string kind = control.ClassName();
  const bool ownColorByDefault =
      kind == "TMemo" || kind == "TEdit" || kind == "TButton" || kind == "TBitBtn";
  const bool parentColor = StoredBool(control, "ParentColor", !ownColorByDefault);
  if (stored != nullptr && ParseDesignColor(*stored, color))
    return color;
  if (parentColor && control.Parent() != nullptr)
    return BackgroundOf(*control.Parent());
  if (kind == "TMemo" || kind == "TEdit")
    return DesignColor{true, COLOR_WINDOW, 0};
  return DesignColor{true, COLOR_BTNFACE, 0};
}

DesignColor TextColorOf(const TControl& control) {
  DesignColor color;
  const DesignValue* stored = control.StoredProperty("Font.Color");
  if (stored != nullptr && ParseDesignColor(*stored, color))
    return color;
  if (control.Parent() != nullptr)
    return TextColorOf(*control.Parent());
  return DesignColor{true, COLOR_WINDOWTEXT, 0};
}

HBRUSH BrushOf(const DesignColor& color) {
  if (color.system)
    return ::GetSysColorBrush(color.index);
  static std::map<COLORREF, ScopedGdiObject> brushes;
  ScopedGdiObject& brush = brushes[color.rgb];
  if (!brush)
    brush.Reset(::CreateSolidBrush(color.rgb));
  return static_cast<HBRUSH>(brush.get());
}

}  // namespace talvex::win32
