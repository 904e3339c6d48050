// A small GUI program that the process and window tests start: it shows one top-level window
// titled "Talvex test child:" followed by its own command line, so that a test can find it and
// see that the command line arrived unchanged, and it ends with exit code 42 when the window gets
// WM_CLOSE. It never ends by itself.
#include <windows.h>

#include <string>

namespace {

constexpr UINT kExitCodeOnClose = 42;

LRESULT CALLBACK ChildProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(kExitCodeOnClose);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = ChildProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "TalvexTestChild";
  if (RegisterClassA(&windowClass) == 0)
    return 3;
  std::string title = std::string("Talvex test child:") + GetCommandLineA();
  HWND window = CreateWindowExA(0, windowClass.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW,
                                10, 10, 300, 100, nullptr, nullptr, instance, nullptr);
  if (window == nullptr)
    return 4;
  ShowWindow(window, SW_SHOWNORMAL);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
