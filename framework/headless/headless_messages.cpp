// Utility windows and posted messages of the headless backend: a window is its method, a posted
// message waits in one queue until the program next waits for input.
#include "framework/headless/headless_ui.h"

namespace talvex {

WindowHandle HeadlessUi::AllocateHWnd(TWndMethod method) {
  WindowHandle window = next_utility_window_++;
  utility_windows_.emplace(window, std::move(method));
  return window;
}

void HeadlessUi::DeallocateHWnd(WindowHandle window) {
  utility_windows_.erase(window);
}

bool HeadlessUi::PostMessageA(WindowHandle window, uint32_t msg, std::uintptr_t wParam,
                              std::intptr_t lParam) {
  if (utility_windows_.count(window) == 0)
    return false;
  posted_.push_back(Posted{window, TMessage{msg, wParam, lParam, 0}});
  return true;
}

bool HeadlessUi::DispatchPostedMessages() {
  size_t waiting = posted_.size();
  bool any = false;
  for (size_t i = 0; i < waiting && !posted_.empty(); ++i) {
    Posted posted = posted_.front();
    posted_.pop_front();
    // A window destroyed after the post gets nothing, as on Windows.
    auto it = utility_windows_.find(posted.window);
    if (it == utility_windows_.end())
      continue;
    TWndMethod method = it->second;  // the handler may destroy its own window
    method(posted.message);
    any = true;
  }
  return any;
}

}  // namespace talvex
