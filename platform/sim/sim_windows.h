// Top-level windows of other programs in the simulated machine. Every window closes on WM_CLOSE;
// every posted message is recorded.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/other_windows.h"
#include "platform/sim/journal.h"
#include "platform/sim/sim_errors.h"

namespace talvex::sim {

struct PostedMessage {
  std::string windowTitle;
  uint32_t message;
  std::uintptr_t wParam;
  std::intptr_t lParam;
};

class SimWindows : public OtherWindows {
 public:
  SimWindows(SimThreadErrors& errors, Journal& journal) : errors_(errors), journal_(journal) {}

  WindowHandle FindWindowExA(WindowHandle parent, WindowHandle childAfter, const char* className,
                             const char* windowName) override;
  int GetWindowTextA(WindowHandle window, char* buffer, int maxCount) override;
  bool PostMessageA(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                    std::intptr_t lParam) override;
  // The program's own windows belong to its window framework: their longs are only recorded.
  int32_t SetWindowLongA(WindowHandle window, int index, int32_t newLong) override;
  // The last value set for the window's long, or nothing.
  std::optional<int32_t> WindowLong(WindowHandle window, int index) const;

  // owner: the program instance that shows it (-1: none).
  WindowHandle Open(const std::string& className, const std::string& title, int owner);
  void CloseAllOf(int owner);
  const std::vector<PostedMessage>& posted() const { return posted_; }
  // Titles of the windows open now, newest first.
  std::vector<std::string> OpenTitles() const;

 private:
  struct Window {
    WindowHandle handle;
    std::string className;
    std::string title;
    int owner;
    bool open;
  };
  Window* Find(WindowHandle handle);
  WindowHandle FindWindow(WindowHandle parent, WindowHandle childAfter, const char* className,
                          const char* windowName);
  int GetWindowText(WindowHandle window, char* buffer, int maxCount);
  bool PostMessage(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                   std::intptr_t lParam);
  // A window as the journal shows it: the handle and, while it is open, its title.
  std::string WindowName(WindowHandle handle);

  SimThreadErrors& errors_;
  Journal& journal_;
  std::vector<Window> windows_;  // in the order they opened
  std::vector<PostedMessage> posted_;
  std::map<std::pair<WindowHandle, int>, int32_t> longs_;
  WindowHandle next_ = 0x20000;
};

}  // namespace talvex::sim
