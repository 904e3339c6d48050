#include "platform/win32/win32_other_windows.h"

#include "platform/win32/windows_support.h"

namespace talvex::win32 {
namespace {

HWND ToWindow(WindowHandle window) {
  return reinterpret_cast<HWND>(window);
}

}  // namespace

WindowHandle Win32OtherWindows::FindWindowExA(WindowHandle parent, WindowHandle childAfter,
                                              const char* className, const char* windowName) {
  return reinterpret_cast<WindowHandle>(
      ::FindWindowExA(ToWindow(parent), ToWindow(childAfter), className, windowName));
}

int Win32OtherWindows::GetWindowTextA(WindowHandle window, char* buffer, int maxCount) {
  // Callers read the title of a window they may not have found. Windows answers no window with
  // an empty text; Wine reads the desktop window's title instead, so no window is answered here.
  if (window == 0) {
    if (buffer != nullptr && maxCount > 0)
      buffer[0] = '\0';
    ::SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return ::GetWindowTextA(ToWindow(window), buffer, maxCount);
}

bool Win32OtherWindows::PostMessageA(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam) {
  return ::PostMessageA(ToWindow(window), message, static_cast<WPARAM>(wParam),
                        static_cast<LPARAM>(lParam)) != FALSE;
}

int32_t Win32OtherWindows::SetWindowLongA(WindowHandle window, int index, int32_t newLong) {
  return static_cast<int32_t>(::SetWindowLongA(reinterpret_cast<HWND>(window), index, newLong));
}

}  // namespace talvex::win32
