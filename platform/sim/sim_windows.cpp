#include "platform/sim/sim_windows.h"

#include <cstring>

#include "platform/ascii_text.h"
#include "platform/winconst.h"

namespace talvex::sim {

namespace {
constexpr uint32_t kErrorInvalidWindowHandle = 1400;
}

SimWindows::Window* SimWindows::Find(WindowHandle handle) {
  for (Window& window : windows_)
    if (window.handle == handle && window.open)
      return &window;
  return nullptr;
}

WindowHandle SimWindows::Open(const std::string& className, const std::string& title, int owner) {
  WindowHandle handle = next_;
  next_ += 4;
  windows_.push_back({handle, className, title, owner, true});
  return handle;
}

void SimWindows::CloseAllOf(int owner) {
  for (Window& window : windows_)
    if (window.owner == owner)
      window.open = false;
}

WindowHandle SimWindows::FindWindowExA(WindowHandle parent, WindowHandle childAfter,
                                       const char* className, const char* windowName) {
  if (parent != 0) {
    errors_.SetLastError(0);
    return 0;  // the machine's windows are all top-level
  }
  bool afterSeen = childAfter == 0;
  // The newest window is on top.
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if (!it->open)
      continue;
    if (!afterSeen) {
      afterSeen = it->handle == childAfter;
      continue;
    }
    if (className != nullptr && !EqualsIgnoreCase(it->className, className))
      continue;
    if (windowName != nullptr && !EqualsIgnoreCase(it->title, windowName))
      continue;
    errors_.SetLastError(0);
    return it->handle;
  }
  errors_.SetLastError(0);
  return 0;
}

int SimWindows::GetWindowTextA(WindowHandle handle, char* buffer, int maxCount) {
  if (buffer == nullptr || maxCount <= 0)
    return 0;
  buffer[0] = '\0';
  Window* window = Find(handle);
  if (window == nullptr) {
    errors_.SetLastError(kErrorInvalidWindowHandle);
    return 0;
  }
  size_t length = std::min(window->title.size(), static_cast<size_t>(maxCount - 1));
  std::memcpy(buffer, window->title.data(), length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}

bool SimWindows::PostMessageA(WindowHandle handle, uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) {
  Window* window = Find(handle);
  if (window == nullptr) {
    errors_.SetLastError(kErrorInvalidWindowHandle);
    return false;
  }
  posted_.push_back({window->title, message, wParam, lParam});
  if (message == win::WM_CLOSE)
    window->open = false;
  errors_.SetLastError(0);
  return true;
}

std::vector<std::string> SimWindows::OpenTitles() const {
  std::vector<std::string> titles;
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
    if (it->open)
      titles.push_back(it->title);
  return titles;
}

int32_t SimWindows::SetWindowLongA(WindowHandle window, int index, int32_t newLong) {
  int32_t& value = longs_[{window, index}];
  int32_t previous = value;
  value = newLong;
  errors_.SetLastError(0);
  return previous;
}

std::optional<int32_t> SimWindows::WindowLong(WindowHandle window, int index) const {
  auto it = longs_.find({window, index});
  if (it == longs_.end())
    return std::nullopt;
  return it->second;
}

}  // namespace talvex::sim
