// The windows an interactive run shows around the smart card component installers: the notice
// while an installer starts, and the warning when a component is still missing afterwards.
#pragma once

#include <string>

namespace talvex {

class ComponentWindows {
 public:
  virtual ~ComponentWindows() = default;
  // Makes the notice visible with the text as its only line.
  virtual void ShowNotice(const std::string& text) = 0;
  virtual void HideNotice() = 0;
  // Fills the warning with the components still missing and shows it modally; returns when the
  // user has closed it.
  virtual void ShowMissingComponentsWarning() = 0;
};

}  // namespace talvex
