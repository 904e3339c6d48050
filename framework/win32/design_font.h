// The font a control shows its text in, from the font properties its design stores.
#pragma once

#include <string>

#include "framework/controls.h"

namespace talvex::win32 {

struct FontSpec {
  std::string name = "MS Sans Serif";
  int height = -11;  // negative: character height in pixels, as the designs store it
  bool bold = false, italic = false, underline = false, strikeOut = false;
  int charset = 1;  // DEFAULT_CHARSET
};

// A control without font properties of its own shows its parent's font; each property it stores
// (Font.Name, Font.Height, Font.Style, Font.Charset) replaces the inherited one.
FontSpec ResolveFont(const TControl& control);

// Charset names as designs store them (ANSI_CHARSET, ...), or -1 for an unknown name.
int CharsetFromName(const std::string& name);

}  // namespace talvex::win32
