// How a design's look properties become Windows window styles, sizes and colours: border style and
// title-bar buttons, staying on top, the outer size from the design's outer or inside size (or from
// its controls), and the colours of controls with their inheritance from the parent.
#pragma once

#include <string>

#include "framework/form.h"
#include "platform/win32/windows_support.h"

namespace talvex::win32 {

struct FormFrame {
  DWORD style = 0;
  DWORD exStyle = 0;
};

// BorderStyle (bsNone, bsSingle, bsSizeable, bsDialog; bsSizeable when absent), BorderIcons
// (biSystemMenu, biMinimize, biMaximize; all three when absent; none without the system menu) and
// FormStyle fsStayOnTop.
FormFrame FrameOf(const TForm& form);

// The outer size of the form's window: Width and Height as stored; else ClientWidth and
// ClientHeight around the inside; with AutoSize the inside fits the visible controls exactly.
SIZE OuterSizeOf(const TForm& form, const FormFrame& frame);
// True when the form keeps the size of its controls (AutoSize).
bool KeepsItsSize(const TForm& form);

// The stored identifier of a property (e.g. "poDesktopCenter"), or "".
std::string IdentifierOf(const TControl& control, const char* property);

// A colour as designs store it: a system colour (an index for GetSysColor) or red, green and blue.
struct DesignColor {
  bool system = true;
  int index = COLOR_BTNFACE;
  COLORREF rgb = 0;
  COLORREF Value() const { return system ? ::GetSysColor(index) : rgb; }
  bool operator==(const DesignColor&) const = default;
};

// A colour name (clBtnFace, clBlue, ...) or number (TColor: negative numbers are system colours),
// or false when the value is neither.
bool ParseDesignColor(const DesignValue& value, DesignColor& color);

// The background a control is drawn on: its own Color, else its parent's when it takes the
// parent's colour (ParentColor, the default for all but edit boxes and buttons), else its class's
// default. Forms default to the button-face colour, edit boxes to the window colour.
DesignColor BackgroundOf(const TControl& control);
// The text colour: Font.Color of the control or of the nearest parent that stores one, else the
// window text colour.
DesignColor TextColorOf(const TControl& control);

// A brush of the colour, kept for the life of the process.
HBRUSH BrushOf(const DesignColor& color);

}  // namespace talvex::win32
