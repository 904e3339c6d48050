// Top-level windows of other programs through user32.
#pragma once

#include "platform/other_windows.h"

namespace talvex::win32 {

class Win32OtherWindows final : public OtherWindows {
 public:
  WindowHandle FindWindowExA(WindowHandle parent, WindowHandle childAfter, const char* className,
                             const char* windowName) override;
  int GetWindowTextA(WindowHandle window, char* buffer, int maxCount) override;
  bool PostMessageA(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                    std::intptr_t lParam) override;
  int32_t SetWindowLongA(WindowHandle window, int index, int32_t newLong) override;
};

}  // namespace talvex::win32
