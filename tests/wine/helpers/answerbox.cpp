// answerbox TITLE OUTFILE [TIMEOUT_MS [SCREENSHOT.bmp]]
// Waits (at most TIMEOUT_MS, default 30000) for a visible top-level window with the exact title,
// or any visible top-level window but the fake installers' when TITLE is "*", writes what it shows
// into OUTFILE, answers it with OK and waits for it to go away. OUTFILE lines: "title=...", one
// "text=..." per static text, one "button=..." per button; CR, LF and backslash in texts are
// written as \r, \n and \\. With SCREENSHOT, what the window shows is also saved as a BMP picture
// before the answer. Exit code: 0 answered and gone, 1 no such window in time, 3 still there after
// the answer.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "helper_text.h"
#include "screenshot.h"
#include "win_handles.h"

namespace {

using wine_test::Escaped;
using wine_test::WaitFor;

std::string WindowText(HWND window) {
  std::vector<char> text(static_cast<size_t>(GetWindowTextLengthA(window)) + 2, '\0');
  const int length = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  return std::string(text.data(), static_cast<size_t>(length > 0 ? length : 0));
}

BOOL CALLBACK CollectChild(HWND child, LPARAM lines_address) {
  auto& lines = *reinterpret_cast<std::vector<std::string>*>(lines_address);
  char class_name[64] = {};
  GetClassNameA(child, class_name, sizeof(class_name));
  const std::string text = WindowText(child);
  if (lstrcmpiA(class_name, "Static") == 0 && !text.empty()) {
    lines.push_back("text=" + Escaped(text));
  } else if (lstrcmpiA(class_name, "Button") == 0) {
    lines.push_back("button=" + Escaped(text));
  }
  return TRUE;
}

struct Search {
  const char* title;
  HWND found;
};

// The first visible top-level window with exactly this title ("*": any title). Hidden windows
// (a program's own hidden owner window, for example) are passed over.
BOOL CALLBACK MatchTopLevel(HWND window, LPARAM search_address) {
  auto& search = *reinterpret_cast<Search*>(search_address);
  const std::string wanted = search.title;
  // The suite's fake installers mark their windows: they are expected, never "any window".
  const bool fake = GetPropA(window, "TalvexFakeInstaller") != nullptr;
  if (IsWindowVisible(window) && ((wanted == "*" && !fake) || WindowText(window) == wanted)) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: answerbox TITLE OUTFILE [TIMEOUT_MS [SCREENSHOT.bmp]]\n");
    return 2;
  }
  const char* title = argv[1];
  const DWORD timeout_ms =
      argc > 3 ? static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)) : 30000;

  HWND box = nullptr;
  const bool found = WaitFor(timeout_ms, [&] {
    Search search{title, nullptr};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    box = search.found;
    return box != nullptr;
  });
  if (!found) {
    std::fprintf(stderr, "answerbox: no window titled \"%s\" within %lu ms\n", title, timeout_ms);
    return 1;
  }

  std::vector<std::string> lines = {"title=" + Escaped(WindowText(box))};
  EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&lines));
  {
    wine_test::FileHandle out(std::fopen(argv[2], "wb"));
    if (!out) {
      std::fprintf(stderr, "answerbox: cannot write %s\n", argv[2]);
      return 2;
    }
    for (const auto& line : lines)
      std::fprintf(out.get(), "%s\n", line.c_str());
  }

  if (argc > 4) {
    Sleep(300);  // let the window finish painting
    if (!wine_test::SaveWindowBitmap(box, argv[4])) {
      std::fprintf(stderr, "answerbox: no screenshot of \"%s\"\n", title);
    }
  }

  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  if (!WaitFor(timeout_ms, [&] { return !IsWindow(box); })) {
    std::fprintf(stderr, "answerbox: \"%s\" still open after OK\n", title);
    return 3;
  }
  return 0;
}
