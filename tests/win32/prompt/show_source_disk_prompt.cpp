// Shows the source disk prompt on the real machine for a test, the way the program creates it,
// and reports what its windows show. No flow of Setup.exe shows the prompt, so this program does.
//
//   show_source_disk_prompt.exe REPORT.txt DONE-FILE [SECONDS]
//
// Writes REPORT.txt once the prompt is on the screen (its rectangle, styles, texts and tree), then
// keeps it shown until DONE-FILE exists or SECONDS (default 30) have passed.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "framework/application.h"
#include "framework/win32/win32_ui_backend.h"
#include "install/tform4.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_support.h"

namespace {

using talvex::win32::Win32UiBackend;

HWND WindowOf(const talvex::TControl& control) {
  return reinterpret_cast<HWND>(Win32UiBackend::WindowOf(control));
}

std::string TextOf(HWND window) {
  char text[512] = {};
  ::GetWindowTextA(window, text, sizeof text);
  return text;
}

void PumpFor(talvex::TApplication& application, DWORD milliseconds) {
  DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < milliseconds) {
    application.ProcessMessages();
    ::Sleep(20);
  }
}

bool WriteReport(const char* path, talvex::TForm4& prompt) {
  HWND window = WindowOf(prompt);
  RECT rect{};
  ::GetWindowRect(window, &rect);
  LONG style = ::GetWindowLongA(window, GWL_STYLE);
  LONG exStyle = ::GetWindowLongA(window, GWL_EXSTYLE);
  FILE* out = std::fopen(path, "w");
  if (out == nullptr)
    return false;
  std::fprintf(out, "rect %ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
               rect.bottom - rect.top);
  std::fprintf(out, "caption %s\n", TextOf(window).c_str());
  std::fprintf(out, "visible %d\n", ::IsWindowVisible(window) ? 1 : 0);
  std::fprintf(out, "system menu %d\n", (style & WS_SYSMENU) != 0 ? 1 : 0);
  std::fprintf(out, "stays on top %d\n", (exStyle & WS_EX_TOPMOST) != 0 ? 1 : 0);
  std::fprintf(out, "edit %s\n", TextOf(WindowOf(*prompt.SourceDiskPath)).c_str());
  std::fprintf(out, "ok %s\n", TextOf(WindowOf(*prompt.Ok)).c_str());
  std::fprintf(out, "cancel %s\n", TextOf(WindowOf(*prompt.Cancel)).c_str());
  // TVM_GETCOUNT: the nodes the tree's window holds.
  std::fprintf(out, "tree items %ld\n",
               static_cast<long>(::SendMessageA(WindowOf(*prompt.KvFolderTree), 0x1105, 0, 0)));
  return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: show_source_disk_prompt REPORT DONE-FILE [SECONDS]\n");
    return 2;
  }
  DWORD seconds = argc > 3 ? static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)) : 30;
  try {
    talvex::win32::Win32Platform platform;
    Win32UiBackend ui;
    talvex::TApplication application(ui, "Setup");
    application.SetPlatformServices(&platform.Get());
    talvex::Register(application.Components());
    auto* prompt = application.CreateForm<talvex::TForm4>(platform.Get());
    prompt->Show();
    PumpFor(application, 1500);  // painted, and the tree filled
    if (!WriteReport(argv[1], *prompt))
      return 1;
    for (DWORD waited = 0; waited < seconds * 1000; waited += 100) {
      if (::GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES)
        break;
      PumpFor(application, 100);
    }
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "show_source_disk_prompt: %s\n", error.what());
    return 1;
  }
}
