// What the screen shows of a window or control, as the person at the machine reads it.
#pragma once

#include <string>

namespace talvex {

class TControl;

// A memo's lines joined by "\n", an edit box's text, otherwise the caption.
std::string ShownText(const TControl& control);
// One line of the screen transcript for a control: its name, kind, text and state words.
std::string DescribeControl(const TControl& control);

}  // namespace talvex
