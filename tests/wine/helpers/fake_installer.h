// What the two fake component installers (scbase.exe, smclib.exe) share: their record of the
// messages their windows receive, the heartbeat that shows whether they still run, and their
// windows.
//
// The setup program posts its answer to an installer's final window and terminates the installer
// right away. On Windows 9x the installer runs at high priority and handles each message as it is
// posted; Wine starts every program at normal priority, and on several processors the installer
// is terminated before it has read its queue. So the final window lives in a window host: a second
// process of the same program (command line "--final-window PID") that the installer starts. The
// host outlives the termination, records the messages left in its queue, and ends once the
// installer process is gone; the installer itself never ends by itself.
//
// Record C:\talvex-fake-NAME.log, one line each, times in ms since the start of the process:
//   commandline=[...]                       the installer's command line exactly as received
//   T shown readme|final                    a window became visible
//   T evidence TEXT                         the component's evidence was left
//   T readme|final posted|sent NAME WPARAM LPARAM
//                                           every message of the window: "posted" when it came
//                                           through the message queue, "sent" otherwise
//   T host ended                            the installer was gone and the host's queue empty
//   T working MS                            the installer works MS ms before anything else
// Heartbeat C:\talvex-fake-NAME.alive: a counter that the installer rewrites every 200 ms until
// its process ends. Windows are marked with the property "TalvexFakeInstaller", so that the
// suite's watch for unexpected windows passes them over.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "win_handles.h"

namespace fake_installer {

inline DWORD g_started = GetTickCount();
inline wine_test::FileHandle g_log;
inline std::string g_alive_path;
// The queued message being dispatched, to tell posted messages from sent ones.
inline const MSG* g_dispatching = nullptr;

inline DWORD Elapsed() {
  return GetTickCount() - g_started;
}

inline void Record(const std::string& line) {
  if (!g_log)
    return;
  std::fprintf(g_log.get(), "%lu %s\n", Elapsed(), line.c_str());
  // The program is terminated, never ended: every line must be on disk at once.
  std::fflush(g_log.get());
}

inline std::string MessageName(UINT message) {
  switch (message) {
    case WM_CREATE:
      return "WM_CREATE";
    case WM_DESTROY:
      return "WM_DESTROY";
    case WM_ACTIVATE:
      return "WM_ACTIVATE";
    case WM_SETFOCUS:
      return "WM_SETFOCUS";
    case WM_KILLFOCUS:
      return "WM_KILLFOCUS";
    case WM_PAINT:
      return "WM_PAINT";
    case WM_CLOSE:
      return "WM_CLOSE";
    case WM_SHOWWINDOW:
      return "WM_SHOWWINDOW";
    case WM_NEXTDLGCTL:
      return "WM_NEXTDLGCTL";
    case WM_KEYDOWN:
      return "WM_KEYDOWN";
    case WM_KEYUP:
      return "WM_KEYUP";
    case WM_CHAR:
      return "WM_CHAR";
    case WM_COMMAND:
      return "WM_COMMAND";
    case WM_TIMER:
      return "WM_TIMER";
    default: {
      char name[16];
      std::snprintf(name, sizeof name, "0x%04x", message);
      return name;
    }
  }
}

inline void RecordMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const char* label = static_cast<const char*>(GetPropA(window, "TalvexFakeLabel"));
  const MSG* queued = g_dispatching;
  const bool posted = queued != nullptr && queued->hwnd == window && queued->message == message &&
                      queued->wParam == wParam && queued->lParam == lParam;
  if (posted)
    g_dispatching = nullptr;
  char arguments[64];
  std::snprintf(arguments, sizeof arguments, " 0x%lx 0x%lx", static_cast<unsigned long>(wParam),
                static_cast<unsigned long>(lParam));
  Record(std::string(label != nullptr ? label : "?") + (posted ? " posted " : " sent ") +
         MessageName(message) + arguments);
}

inline DWORD WINAPI Heartbeat(LPVOID) {
  for (unsigned long beat = 1;; ++beat) {
    {
      wine_test::FileHandle alive(std::fopen(g_alive_path.c_str(), "w"));
      if (alive)
        std::fprintf(alive.get(), "%lu\n", beat);
    }
    Sleep(200);
  }
}

inline std::string LogPath(const char* name) {
  return std::string("C:\\talvex-fake-") + name + ".log";
}

// Opens the record and starts the heartbeat.
inline void Start(const char* name) {
  const std::string base = std::string("C:\\talvex-fake-") + name;
  g_log = wine_test::FileHandle(std::fopen(LogPath(name).c_str(), "w"));
  if (g_log) {
    std::fprintf(g_log.get(), "commandline=[%s]\n", GetCommandLineA());
    std::fflush(g_log.get());
  }
  g_alive_path = base + ".alive";
  // A thread of its own, so that the heartbeat stops only when the whole process does. The
  // handle is not needed: the thread runs until the process is terminated.
  HANDLE thread = CreateThread(nullptr, 0, Heartbeat, nullptr, 0, nullptr);
  if (thread != nullptr)
    CloseHandle(thread);
}

// An installer that takes its time: when C:\talvex-fake-NAME.delay holds a number of
// milliseconds, the installer works that long (asleep) before it leaves its evidence and windows.
inline void DelayIfAsked(const char* name) {
  wine_test::FileHandle file(
      std::fopen((std::string("C:\\talvex-fake-") + name + ".delay").c_str(), "r"));
  unsigned long milliseconds = 0;
  if (file && std::fscanf(file.get(), "%lu", &milliseconds) == 1 && milliseconds > 0) {
    Record("working " + std::to_string(milliseconds) + " ms");
    Sleep(milliseconds);
  }
}

// A top-level window, shown at once. label names it in the record ("readme", "final").
inline HWND ShowTopLevel(const char* className, WNDPROC procedure, const char* title,
                         const char* label, DWORD style, DWORD exStyle) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.lpszClassName = className;
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(exStyle, className, title, style, 100, 100, 420, 180, nullptr,
                                nullptr, windowClass.hInstance, nullptr);
  if (window == nullptr)
    return nullptr;
  SetPropA(window, "TalvexFakeLabel", const_cast<char*>(label));
  SetPropA(window, "TalvexFakeInstaller", reinterpret_cast<HANDLE>(1));
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  Record(std::string("shown ") + label);
  return window;
}

// The final window of an installer: dialog-like, records everything, closes on nothing.
inline LRESULT CALLBACK FinalProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  RecordMessage(window, message, wParam, lParam);
  if (message == WM_CLOSE)
    return 0;
  return DefWindowProcA(window, message, wParam, lParam);
}

inline void Dispatch(MSG& message) {
  TranslateMessage(&message);
  g_dispatching = &message;
  DispatchMessageA(&message);
  g_dispatching = nullptr;
}

// Runs the message loop for ever; onAppMessage handles the program's own WM_APP.
template <typename OnApp>
[[noreturn]] void MessageLoop(OnApp onAppMessage) {
  MSG message;
  for (;;) {
    if (GetMessageA(&message, nullptr, 0, 0) <= 0) {
      // WM_QUIT: still not the end; an installer that is waited for never ends by itself.
      Sleep(INFINITE);
    }
    if (message.hwnd == nullptr && message.message == WM_APP) {
      onAppMessage();
      continue;
    }
    Dispatch(message);
  }
}

// The installer's process id when this process is its window host, else 0.
inline DWORD HostedInstaller() {
  const char* marker = std::strstr(GetCommandLineA(), " --final-window ");
  return marker != nullptr ? std::strtoul(marker + 16, nullptr, 10) : 0;
}

// Starts the window host that shows the final window. The installer's record is closed first:
// from here on the host writes it.
inline void StartFinalWindowHost() {
  g_log = wine_test::FileHandle();
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string line =
      std::string("\"") + path + "\" --final-window " + std::to_string(GetCurrentProcessId());
  std::vector<char> writable(line.begin(), line.end());
  writable.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (CreateProcessA(path, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &started)) {
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
  }
}

// The window host: shows the final window, records its messages, and once the installer process
// has ended and the queue is empty, ends.
inline int RunFinalWindowHost(const char* name, DWORD installer, const char* title) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, installer);
  g_log = wine_test::FileHandle(std::fopen(LogPath(name).c_str(), "a"));
  if (process == nullptr) {
    Record("host: no installer process");
    return 1;
  }
  ShowTopLevel("TalvexFakeInstaller", FinalProc, title, "final", WS_POPUP | WS_CAPTION | WS_SYSMENU,
               WS_EX_DLGMODALFRAME);
  MSG message;
  for (;;) {
    const DWORD woke = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
      Dispatch(message);
    if (woke == WAIT_OBJECT_0)
      break;
  }
  // Whatever was posted before the installer ended is in the queue by now.
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
    Dispatch(message);
  CloseHandle(process);
  Record("host ended");
  return 0;
}

}  // namespace fake_installer
