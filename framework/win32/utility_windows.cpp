// Hidden utility windows: message-only windows whose window procedure hands every message to a
// method of their owner, and the application-wide cursor.
#include <memory>

#include "framework/screen.h"
#include "framework/win32/win32_ui_backend.h"
#include "platform/win32/windows_support.h"

namespace talvex::win32 {

namespace {

constexpr char kUtilityClass[] = "TalvexUtilityWindow";

LRESULT CALLBACK UtilityWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* method = reinterpret_cast<TWndMethod*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (method == nullptr || !*method)
    return ::DefWindowProcA(window, msg, wParam, lParam);
  TMessage message{msg, wParam, lParam, 0};
  (*method)(message);
  return message.Result;
}

void RegisterUtilityClass(HINSTANCE instance) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = UtilityWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kUtilityClass;
  ::RegisterClassA(&windowClass);  // fails harmlessly when already registered
}

}  // namespace

WindowHandle Win32UiBackend::AllocateHWnd(TWndMethod method) {
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  RegisterUtilityClass(instance);
  // A hidden top-level window (not message-only): the shell posts its notifications to it.
  HWND window = ::CreateWindowExA(WS_EX_TOOLWINDOW, kUtilityClass, "", WS_POPUP, 0, 0, 0, 0,
                                  nullptr, nullptr, instance, nullptr);
  if (window == nullptr)
    return 0;
  auto owned = std::make_unique<TWndMethod>(std::move(method));
  ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owned.release()));
  return reinterpret_cast<WindowHandle>(window);
}

void Win32UiBackend::DeallocateHWnd(WindowHandle handle) {
  HWND window = reinterpret_cast<HWND>(handle);
  if (window == nullptr || !::IsWindow(window))
    return;
  std::unique_ptr<TWndMethod> method(
      reinterpret_cast<TWndMethod*>(::GetWindowLongPtrA(window, GWLP_USERDATA)));
  ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  ::DestroyWindow(window);
}

bool Win32UiBackend::PostMessageA(WindowHandle window, uint32_t msg, std::uintptr_t wParam,
                                  std::intptr_t lParam) {
  return ::PostMessageA(reinterpret_cast<HWND>(window), msg, wParam, lParam) != FALSE;
}

std::intptr_t Win32UiBackend::DefWindowProcA(WindowHandle window, uint32_t msg,
                                             std::uintptr_t wParam, std::intptr_t lParam) {
  return ::DefWindowProcA(reinterpret_cast<HWND>(window), msg, wParam, lParam);
}

void Win32UiBackend::CursorChanged(int cursor) {
  LPCSTR shape = cursor == crHourGlass ? IDC_WAIT : IDC_ARROW;
  ::SetCursor(::LoadCursorA(nullptr, shape));
}

}  // namespace talvex::win32
