#include "framework/headless/screen_text.h"

#include "framework/controls.h"

namespace talvex {
namespace {

// Line breaks are shown as \n so that each control stays on one transcript line.
std::string OneLine(const std::string& text) {
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      line += "\\n";
    } else if (c != '\r') {
      line += c;
    }
  }
  return line;
}

}  // namespace

std::string ShownText(const TControl& control) {
  if (const auto* memo = dynamic_cast<const TMemo*>(&control)) {
    std::string text;
    for (size_t i = 0; i < memo->Lines().size(); ++i)
      text += (i == 0 ? "" : "\n") + memo->Lines()[i];
    return text;
  }
  if (const auto* edit = dynamic_cast<const TEdit*>(&control))
    return edit->Text();
  return control.Caption();
}

std::string DescribeControl(const TControl& control) {
  std::string line = control.Name() + " (" + control.ClassName() + ")";
  bool hasText = dynamic_cast<const TImage*>(&control) == nullptr &&
                 dynamic_cast<const TBevel*>(&control) == nullptr;
  if (hasText)
    line += " \"" + OneLine(ShownText(control)) + "\"";
  if (const auto* box = dynamic_cast<const TCheckBox*>(&control))
    line += box->Checked() ? " checked" : " unchecked";
  if (!control.Enabled())
    line += " disabled";
  return line;
}

}  // namespace talvex
