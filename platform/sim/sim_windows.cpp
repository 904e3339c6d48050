#include "platform/sim/sim_windows.h"

#include <cstring>

#include "platform/ascii_text.h"
#include "platform/winconst.h"

namespace talvex::sim {

namespace {
constexpr uint32_t kErrorInvalidWindowHandle = 1400;
constexpr JournalName kMessages[] = {
    {win::WM_SETFOCUS, "WM_SETFOCUS"},
    {win::WM_CLOSE, "WM_CLOSE"},
    {win::WM_QUERYENDSESSION, "WM_QUERYENDSESSION"},
    {win::WM_NEXTDLGCTL, "WM_NEXTDLGCTL"},
    {win::WM_KEYDOWN, "WM_KEYDOWN"},
    {win::WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"},
};
constexpr JournalName kWindowLongs[] = {{static_cast<uint32_t>(win::GWL_EXSTYLE), "GWL_EXSTYLE"}};
}  // namespace

std::string SimWindows::WindowName(WindowHandle handle) {
  Window* window = Find(handle);
  if (window == nullptr)
    return JournalHandle(handle);
  return JournalHandle(handle) + ":" + JournalText(window->title);
}

WindowHandle SimWindows::FindWindowExA(WindowHandle parent, WindowHandle childAfter,
                                       const char* className, const char* windowName) {
  WindowHandle found = FindWindow(parent, childAfter, className, windowName);
  if (journal_.on())
    journal_.Write(JournalLine("FindWindowExA")
                       .Handle("parent", parent)
                       .Handle("after", childAfter)
                       .Text("class", className)
                       .Text("title", windowName)
                       .ResultHandle(found));
  return found;
}

int SimWindows::GetWindowTextA(WindowHandle window, char* buffer, int maxCount) {
  std::string name = journal_.on() ? WindowName(window) : std::string();
  int length = GetWindowText(window, buffer, maxCount);
  if (journal_.on()) {
    JournalLine line("GetWindowTextA");
    line.Raw("window", name).Number("size", maxCount).ResultNumber(length);
    if (buffer != nullptr && maxCount > 0)
      line.Text("text", std::string_view(buffer, static_cast<size_t>(length)));
    journal_.Write(line);
  }
  return length;
}

bool SimWindows::PostMessageA(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) {
  std::string name = journal_.on() ? WindowName(window) : std::string();
  bool ok = PostMessage(window, message, wParam, lParam);
  if (journal_.on())
    journal_.Write(JournalLine("PostMessageA")
                       .Raw("window", name)
                       .Named("message", message, kMessages)
                       .Handle("wparam", wParam)
                       .Handle("lparam", static_cast<uint64_t>(lParam))
                       .Result(ok));
  return ok;
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

WindowHandle SimWindows::FindWindow(WindowHandle parent, WindowHandle childAfter,
                                    const char* className, const char* windowName) {
  if (parent != 0) {
    errors_.Set(0);
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
    errors_.Set(0);
    return it->handle;
  }
  errors_.Set(0);
  return 0;
}

int SimWindows::GetWindowText(WindowHandle handle, char* buffer, int maxCount) {
  if (buffer == nullptr || maxCount <= 0)
    return 0;
  buffer[0] = '\0';
  Window* window = Find(handle);
  if (window == nullptr) {
    errors_.Set(kErrorInvalidWindowHandle);
    return 0;
  }
  size_t length = std::min(window->title.size(), static_cast<size_t>(maxCount - 1));
  std::memcpy(buffer, window->title.data(), length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}

bool SimWindows::PostMessage(WindowHandle handle, uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) {
  Window* window = Find(handle);
  if (window == nullptr) {
    errors_.Set(kErrorInvalidWindowHandle);
    return false;
  }
  posted_.push_back({window->title, message, wParam, lParam});
  if (message == win::WM_CLOSE)
    window->open = false;
  errors_.Set(0);
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
  errors_.Set(0);
  if (journal_.on())
    journal_.Write(JournalLine("SetWindowLongA")
                       .Handle("window", window)
                       .Named("index", static_cast<uint32_t>(index), kWindowLongs)
                       .Handle("value", static_cast<uint32_t>(newLong))
                       .Result(JournalHandle(static_cast<uint32_t>(previous))));
  return previous;
}

std::optional<int32_t> SimWindows::WindowLong(WindowHandle window, int index) const {
  auto it = longs_.find({window, index});
  if (it == longs_.end())
    return std::nullopt;
  return it->second;
}

}  // namespace talvex::sim
