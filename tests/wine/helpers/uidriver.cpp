// uidriver COMMAND ARGS...: the person at the machine for the Wine cases of the interactive
// wizard. It finds the setup program's windows by their titles (top-level windows, and windows
// living inside another window, as the wizard does inside the backdrop), clicks real controls and
// reads their texts back, one command per run:
//
//   wait TITLE [TIMEOUT_MS]     a visible window with exactly this title, then the program idle
//   appear TITLE [TIMEOUT_MS]   a visible window with exactly this title, without waiting for the
//                               program to be idle (it may be pausing with the window shown)
//   gone TITLE [TIMEOUT_MS]     no visible window with this title any more
//   button TITLE TEXT [TIMEOUT_MS]
//                               a visible button with this text in the window (e.g. once the
//                               installation is over and Next reads "Finish"), then idle
//   click TITLE TEXT            a click on the visible button or check box with this text
//                               (BM_CLICK, posted: the handler may run for long)
//   close TITLE                 the close box of the window's title bar (WM_CLOSE, posted)
//   show TITLE                  the window and each of its controls, one line each:
//                                 window|<text>|<left>,<top>,<width>x<height>|client <w>x<h>
//                                 <class>|<text>|visible|enabled|checked
//                               texts read with WM_GETTEXT; CR, LF and \ written as \r, \n, \\.
//   rect TITLE                  only the window line of "show", without asking the program
//                               (which may be pausing) anything
//   style TITLE                 the window's style and extended style, and whether it is a
//                               child window: "style=0x... exstyle=0x... child=0|1 topmost=0|1"
//
// Several commands may run in one go, separated by "+" (e.g. "appear T + style T + show T"), for
// a window that stays only briefly: starting one Wine program per command takes too long. They
// run in order and stop at the first that fails.
//
// Exit code: 0 done, 1 no such window (in time) or control, 2 bad usage.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "helper_text.h"
#include "win_handles.h"

namespace {

using wine_test::Escaped;
using wine_test::WaitFor;

// The text through WM_GETTEXT, as another program reads a control; a program that does not
// answer within 5 s gives "".
std::string TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
    return "";
  std::vector<char> text(length + 2, '\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, 5000, &copied))
    return "";
  return std::string(text.data(), copied);
}

// A window's title as Windows keeps it, read without a message: the program may be pausing, as
// it does while its notice is shown.
std::string TitleOf(HWND window) {
  char title[256] = {};
  GetWindowTextA(window, title, sizeof title);
  return title;
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

struct Search {
  std::string title;
  HWND found = nullptr;
};

BOOL CALLBACK MatchChildForm(HWND window, LPARAM address);

// A visible window with the title: top-level, or a form inside another window.
bool Matches(HWND window, const std::string& title) {
  return IsWindowVisible(window) && GetPropA(window, "TalvexFakeInstaller") == nullptr &&
         TitleOf(window) == title;
}

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM address) {
  auto& search = *reinterpret_cast<Search*>(address);
  if (Matches(window, search.title)) {
    search.found = window;
    return FALSE;
  }
  if (IsWindowVisible(window))
    EnumChildWindows(window, MatchChildForm, address);
  return search.found == nullptr;
}

BOOL CALLBACK MatchChildForm(HWND window, LPARAM address) {
  auto& search = *reinterpret_cast<Search*>(address);
  // Only windows with a title bar of their own count: a form, not a button with that text.
  if ((GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION &&
      Matches(window, search.title)) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindTitled(const std::string& title) {
  Search search{title};
  EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Waits until the window's program waits for input, then lets it finish painting.
void WaitIdle(HWND window) {
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, process_id);
  if (process != nullptr) {
    WaitForInputIdle(process, 5000);
    CloseHandle(process);
  }
  Sleep(300);
}

struct Controls {
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectControl(HWND window, LPARAM address) {
  // Controls of forms living inside this one belong to those forms.
  if ((GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION)
    return TRUE;
  reinterpret_cast<Controls*>(address)->windows.push_back(window);
  return TRUE;
}

// The controls of a form, without those of forms living inside it.
std::vector<HWND> ControlsOf(HWND form) {
  Controls controls;
  EnumChildWindows(form, CollectControl, reinterpret_cast<LPARAM>(&controls));
  std::vector<HWND> own;
  for (HWND control : controls.windows) {
    HWND parent = GetParent(control);
    while (parent != nullptr && parent != form &&
           (GetWindowLongA(parent, GWL_STYLE) & WS_CAPTION) != WS_CAPTION)
      parent = GetParent(parent);
    if (parent == form)
      own.push_back(control);
  }
  return own;
}

HWND Need(const std::string& title) {
  HWND window = FindTitled(title);
  if (window == nullptr)
    std::fprintf(stderr, "uidriver: no visible window \"%s\"\n", title.c_str());
  return window;
}

// The window line of "show", read without a message to the program.
void PrintWindowLine(HWND window) {
  RECT bounds{};
  RECT client{};
  GetWindowRect(window, &bounds);
  GetClientRect(window, &client);
  std::printf("window|%s|%ld,%ld,%ldx%ld|client %ldx%ld\n", Escaped(TitleOf(window)).c_str(),
              bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
              client.right, client.bottom);
}

int Show(HWND window) {
  PrintWindowLine(window);
  for (HWND control : ControlsOf(window)) {
    const std::string name = ClassOf(control);
    const LRESULT check = lstrcmpiA(name.c_str(), "Button") == 0
                              ? SendMessageA(control, BM_GETCHECK, 0, 0)
                              : BST_UNCHECKED;
    std::printf("%s|%s|%s|%s|%s\n", name.c_str(), Escaped(TextOf(control)).c_str(),
                IsWindowVisible(control) ? "visible" : "hidden",
                IsWindowEnabled(control) ? "enabled" : "disabled",
                check == BST_CHECKED ? "checked" : "unchecked");
  }
  return 0;
}

int Click(HWND window, const std::string& text) {
  for (HWND control : ControlsOf(window)) {
    if (lstrcmpiA(ClassOf(control).c_str(), "Button") == 0 && IsWindowVisible(control) &&
        TextOf(control) == text) {
      PostMessageA(control, BM_CLICK, 0, 0);
      return 0;
    }
  }
  std::fprintf(stderr, "uidriver: no visible button \"%s\"\n", text.c_str());
  return 1;
}

// One command with its arguments (argv[0] is the command).
int Run(const std::vector<std::string>& args) {
  if (args.size() < 2) {
    std::fprintf(stderr, "usage: uidriver wait|gone|click|close|show|style TITLE [ARG]\n");
    return 2;
  }
  const std::string& command = args[0];
  const std::string& title = args[1];
  const DWORD timeout_ms =
      args.size() > 2 ? static_cast<DWORD>(std::strtoul(args[2].c_str(), nullptr, 10)) : 30000;

  if (command == "wait") {
    HWND window = nullptr;
    if (!WaitFor(timeout_ms, [&] { return (window = FindTitled(title)) != nullptr; })) {
      std::fprintf(stderr, "uidriver: no window \"%s\" within %lu ms\n", title.c_str(), timeout_ms);
      return 1;
    }
    WaitIdle(window);
    return 0;
  }
  if (command == "appear") {
    if (!WaitFor(timeout_ms, [&] { return FindTitled(title) != nullptr; })) {
      std::fprintf(stderr, "uidriver: no window \"%s\" within %lu ms\n", title.c_str(), timeout_ms);
      return 1;
    }
    Sleep(300);
    return 0;
  }
  if (command == "button" && args.size() > 2) {
    const std::string& text = args[2];
    const DWORD limit =
        args.size() > 3 ? static_cast<DWORD>(std::strtoul(args[3].c_str(), nullptr, 10)) : 60000;
    HWND found = nullptr;
    const bool shown = WaitFor(limit, [&] {
      HWND window = FindTitled(title);
      if (window == nullptr)
        return false;
      for (HWND control : ControlsOf(window)) {
        if (IsWindowVisible(control) && lstrcmpiA(ClassOf(control).c_str(), "Button") == 0 &&
            TextOf(control) == text) {
          found = window;
          return true;
        }
      }
      return false;
    });
    if (!shown) {
      std::fprintf(stderr, "uidriver: no button \"%s\" in \"%s\" within %lu ms\n", text.c_str(),
                   title.c_str(), limit);
      return 1;
    }
    WaitIdle(found);
    return 0;
  }
  if (command == "gone") {
    if (!WaitFor(timeout_ms, [&] { return FindTitled(title) == nullptr; })) {
      std::fprintf(stderr, "uidriver: \"%s\" still shown after %lu ms\n", title.c_str(),
                   timeout_ms);
      return 1;
    }
    return 0;
  }
  HWND window = Need(title);
  if (window == nullptr)
    return 1;
  if (command == "click" && args.size() > 2)
    return Click(window, args[2]);
  if (command == "close") {
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
  }
  if (command == "show")
    return Show(window);
  if (command == "rect") {
    PrintWindowLine(window);
    return 0;
  }
  if (command == "style") {
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    const LONG exstyle = GetWindowLongA(window, GWL_EXSTYLE);
    std::printf("style=0x%08lx exstyle=0x%08lx child=%d topmost=%d\n",
                static_cast<unsigned long>(style), static_cast<unsigned long>(exstyle),
                (style & WS_CHILD) != 0 ? 1 : 0, (exstyle & WS_EX_TOPMOST) != 0 ? 1 : 0);
    return 0;
  }
  std::fprintf(stderr, "uidriver: unknown command %s\n", command.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i <= argc; ++i) {
    if (i < argc && std::string(argv[i]) != "+") {
      args.emplace_back(argv[i]);
      continue;
    }
    const int status = Run(args);
    std::fflush(stdout);
    if (status != 0)
      return status;
    args.clear();
  }
  return 0;
}
