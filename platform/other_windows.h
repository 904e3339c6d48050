// Top-level windows of other programs (user32), and the style of the program's own windows.
#pragma once

#include <cstdint>

#include "platform/handles.h"

namespace talvex {

class OtherWindows {
 public:
  virtual ~OtherWindows() = default;
  // className and windowName may be null (any). 0 when no window matches.
  virtual WindowHandle FindWindowExA(WindowHandle parent, WindowHandle childAfter,
                                     const char* className, const char* windowName) = 0;
  // Copies at most maxCount - 1 characters and a terminating zero; returns the length copied.
  virtual int GetWindowTextA(WindowHandle window, char* buffer, int maxCount) = 0;
  virtual bool PostMessageA(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam) = 0;
  // Replaces a long of the window's data (GWL_EXSTYLE: its extended style); returns the previous
  // value, 0 on failure.
  virtual int32_t SetWindowLongA(WindowHandle window, int index, int32_t newLong) = 0;
};

}  // namespace talvex
