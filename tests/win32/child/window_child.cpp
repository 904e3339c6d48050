// A small GUI program that the process and window tests start: it shows one top-level window
// titled "Talvex test child:" followed by its own command line, so that a test can find it and
// see that the command line arrived unchanged, and it ends with exit code 42 when the window gets
// WM_CLOSE. It never ends by itself.
//
// With "--startup-report <file>" at the end of its command line it shows no window: it writes
// the startup information it was started with (GetStartupInfoA) into the file, one field a line
// as startup_report.h words it, writes startup_report::kChildSays to its standard output when it
// was given standard handles, and ends with exit code 0 (5 when the file cannot be written).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tests/win32/child/startup_report.h"

namespace {

constexpr UINT kExitCodeOnClose = 42;
constexpr char kReportMarker[] = "--startup-report ";

int WriteStartupReport(const char* file) {
  STARTUPINFOA info{};
  info.cb = sizeof info;
  GetStartupInfoA(&info);
  std::string report = startup_report::Describe(info);
  // Given standard handles, it also says so on its standard output.
  if ((info.dwFlags & STARTF_USESTDHANDLES) != 0) {
    DWORD written = 0;
    WriteFile(info.hStdOutput, startup_report::kChildSays, sizeof startup_report::kChildSays - 1,
              &written, nullptr);
  }
  std::FILE* out = std::fopen(file, "wb");
  if (out == nullptr)
    return 5;
  bool written = std::fwrite(report.data(), 1, report.size(), out) == report.size();
  return std::fclose(out) == 0 && written ? 0 : 5;
}

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
  if (const char* report = std::strstr(GetCommandLineA(), kReportMarker))
    return WriteStartupReport(report + sizeof kReportMarker - 1);
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
