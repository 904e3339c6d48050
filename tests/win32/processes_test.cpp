// Starting, watching and ending another program, and finding and answering its window, against
// Wine's kernel32 and user32. The other program is talvex_test_child.exe, built beside the tests.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_other_windows.h"
#include "platform/win32/win32_processes.h"
#include "tests/win32/child/startup_report.h"
#include "tests/win32/win32_test_support.h"

namespace talvex::win32 {
namespace {

using testing::kLastErrorMarker;

std::string OwnFolder() {
  char path[MAX_PATH] = {};
  DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string own(path, length);
  return own.substr(0, own.rfind('\\'));
}

// The child titles its window after its command line.
std::string ChildTitle(const std::string& commandLine) {
  return "Talvex test child:" + commandLine;
}

// A child started for one test; whatever the test's outcome, it is not left running.
class Child {
 public:
  explicit Child(const std::string& commandLine) : handles_(processes_) {
    StartupInfo startup;
    processes_.GetStartupInfoA(&startup);
    started_ = processes_.CreateProcessA(OwnFolder() + "\\talvex_test_child.exe", commandLine,
                                         false, HIGH_PRIORITY_CLASS, startup, handles_.Receive());
  }
  ~Child() {
    uint32_t code = 0;
    if (started_ && processes_.GetExitCodeProcess(process(), &code) && code == STILL_ACTIVE) {
      processes_.TerminateProcess(process(), 99);
      ::WaitForSingleObject(reinterpret_cast<HANDLE>(process()), 5000);
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool started() const { return started_; }
  KernelHandle process() const { return handles_.process(); }
  Win32Processes& processes() { return processes_; }

  // Its exit code once it has ended, waiting for it as the setup program's polling passes do;
  // STILL_ACTIVE when it is still running after about five seconds.
  uint32_t WaitForExitCode() {
    uint32_t code = STILL_ACTIVE;
    for (int pass = 0; pass < 500 && code == STILL_ACTIVE; ++pass) {
      processes_.WaitForProcessOrMessage(process(), 10);
      if (!processes_.GetExitCodeProcess(process(), &code))
        return 0xFFFFFFFF;
    }
    return code;
  }

 private:
  Win32Processes processes_;
  ScopedProcessInformation handles_;
  bool started_ = false;
};

// The first top-level window with exactly this title, waiting up to about ten seconds for it.
WindowHandle WaitForWindow(OtherWindows& windows, const std::string& title) {
  for (int pass = 0; pass < 1000; ++pass) {
    if (WindowHandle found = windows.FindWindowExA(0, 0, nullptr, title.c_str()))
      return found;
    ::Sleep(10);
  }
  return 0;
}

TEST(ProcessesTest, ChildWindowIsFoundReadAndClosedThenTheChildEnds) {
  const std::string commandLine = " /Q " + std::to_string(::GetCurrentProcessId()) + "-close";
  Child child(commandLine);
  // (Wine starts every child at normal priority, so HIGH_PRIORITY_CLASS cannot be seen here.)
  ASSERT_TRUE(child.started()) << ::GetLastError();

  Win32OtherWindows windows;
  const std::string title = ChildTitle(commandLine);
  WindowHandle window = WaitForWindow(windows, title);
  ASSERT_NE(window, 0u) << "no window titled " << title;
  // Found by its class too; a title that nobody has finds nothing.
  EXPECT_EQ(windows.FindWindowExA(0, 0, "TalvexTestChild", nullptr), window);
  EXPECT_EQ(windows.FindWindowExA(0, 0, nullptr, (title + "x").c_str()), 0u);

  char text[100];
  EXPECT_EQ(windows.GetWindowTextA(window, text, sizeof text), static_cast<int>(title.size()));
  EXPECT_EQ(std::string(text), title);
  // A short buffer gets the beginning of the title and its terminating zero.
  char shortText[7];
  EXPECT_EQ(windows.GetWindowTextA(window, shortText, sizeof shortText), 6);
  EXPECT_EQ(std::string(shortText), "Talvex");

  uint32_t code = 0;
  ASSERT_TRUE(child.processes().GetExitCodeProcess(child.process(), &code));
  EXPECT_EQ(code, STILL_ACTIVE);

  EXPECT_TRUE(windows.PostMessageA(window, WM_CLOSE, 0, 0));
  EXPECT_EQ(child.WaitForExitCode(), 42u);
  EXPECT_EQ(windows.FindWindowExA(0, 0, nullptr, title.c_str()), 0u);
}

TEST(ProcessesTest, TerminatedChildEndsWithTheGivenCode) {
  const std::string commandLine = " /Q " + std::to_string(::GetCurrentProcessId()) + "-terminate";
  Child child(commandLine);
  ASSERT_TRUE(child.started()) << ::GetLastError();
  Win32OtherWindows windows;
  ASSERT_NE(WaitForWindow(windows, ChildTitle(commandLine)), 0u);

  // While the child runs and no message arrives, the wait lasts its whole time.
  DWORD before = ::GetTickCount();
  child.processes().WaitForProcessOrMessage(child.process(), 200);
  EXPECT_GE(::GetTickCount() - before, 150u);

  // A message for this thread ends the wait early.
  ASSERT_TRUE(::PostThreadMessageA(::GetCurrentThreadId(), WM_USER, 0, 0));
  before = ::GetTickCount();
  child.processes().WaitForProcessOrMessage(child.process(), 5000);
  EXPECT_LT(::GetTickCount() - before, 2000u);
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
  }

  EXPECT_TRUE(child.processes().TerminateProcess(child.process(), 0));
  // The end of the child ends the wait early as well.
  before = ::GetTickCount();
  child.processes().WaitForProcessOrMessage(child.process(), 5000);
  EXPECT_LT(::GetTickCount() - before, 2000u);
  EXPECT_EQ(child.WaitForExitCode(), 0u);
}

TEST(ProcessesTest, MissingProgramIsNotStartedAndSaysWhy) {
  testing::TemporaryFolder folder;
  Win32Processes processes;
  StartupInfo startup;
  processes.GetStartupInfoA(&startup);
  ProcessInformation information;
  ::SetLastError(kLastErrorMarker);
  EXPECT_FALSE(processes.CreateProcessA(folder.File("scbase.exe"), " /Q", false,
                                        HIGH_PRIORITY_CLASS, startup, &information));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(information.hProcess, 0u);
  EXPECT_EQ(information.hThread, 0u);
}

// The system's record of what StartupInfo holds, field for field.
STARTUPINFOA ToStartupInfoA(const StartupInfo& info) {
  STARTUPINFOA record{};
  record.cb = info.cb;
  record.lpReserved = info.lpReserved;
  record.lpDesktop = info.lpDesktop;
  record.lpTitle = info.lpTitle;
  record.dwX = info.dwX;
  record.dwY = info.dwY;
  record.dwXSize = info.dwXSize;
  record.dwYSize = info.dwYSize;
  record.dwXCountChars = info.dwXCountChars;
  record.dwYCountChars = info.dwYCountChars;
  record.dwFillAttribute = info.dwFillAttribute;
  record.dwFlags = info.dwFlags;
  record.wShowWindow = info.wShowWindow;
  record.cbReserved2 = info.cbReserved2;
  record.lpReserved2 = info.lpReserved2;
  record.hStdInput = reinterpret_cast<HANDLE>(info.hStdInput);
  record.hStdOutput = reinterpret_cast<HANDLE>(info.hStdOutput);
  record.hStdError = reinterpret_cast<HANDLE>(info.hStdError);
  return record;
}

// Starts the child to report the startup information it gets; its report, or why there is none.
std::string StartedChildsReport(Win32Processes& processes, const StartupInfo& startup,
                                bool inheritHandles = false) {
  testing::TemporaryFolder folder;
  const std::string report = folder.File("startup.txt");
  ScopedProcessInformation handles(processes);
  if (!processes.CreateProcessA(OwnFolder() + "\\talvex_test_child.exe",
                                " /Q --startup-report " + report, inheritHandles,
                                HIGH_PRIORITY_CLASS, startup, handles.Receive()))
    return "not started: " + std::to_string(::GetLastError());
  if (::WaitForSingleObject(reinterpret_cast<HANDLE>(handles.process()), 10000) != WAIT_OBJECT_0)
    return "the child did not end";
  uint32_t code = 0;
  if (!processes.GetExitCodeProcess(handles.process(), &code) || code != 0)
    return "the child ended with " + std::to_string(code);
  return testing::ReadWholeFile(report);
}

// A report without its standard handles: without STARTF_USESTDHANDLES the system gives the child
// copies of the program's own, whose values are the child's.
std::string WithoutStandardHandles(const std::string& report) {
  return report.substr(0, report.find("hStdInput="));
}

TEST(ProcessesTest, StartupInfoCarriesNoFlagWhoseDataIsLeftBehind) {
  Win32Processes processes;
  StartupInfo startup;
  startup.dwFlags = 0xFFFFFFFF;
  processes.GetStartupInfoA(&startup);
  STARTUPINFOA own{};
  own.cb = sizeof own;
  ::GetStartupInfoA(&own);
  // Every field as the system filled it, each flag with its data, and the system's own texts and
  // block rather than copies of them.
  EXPECT_EQ(startup_report::Describe(ToStartupInfoA(startup)), startup_report::Describe(own));
  EXPECT_EQ(startup.lpReserved, own.lpReserved);
  EXPECT_EQ(startup.lpDesktop, own.lpDesktop);
  EXPECT_EQ(startup.lpTitle, own.lpTitle);
  EXPECT_EQ(startup.lpReserved2, own.lpReserved2);
  EXPECT_EQ(startup.cb, sizeof own);
}

TEST(ProcessesTest, TheRecordReachesTheStartedProgramWhole) {
  Win32Processes processes;
  StartupInfo startup;
  processes.GetStartupInfoA(&startup);
  // The program's own record reaches the child as it is.
  STARTUPINFOA own = ToStartupInfoA(startup);
  EXPECT_EQ(WithoutStandardHandles(StartedChildsReport(processes, startup)),
            WithoutStandardHandles(startup_report::Describe(own)));

  // A record with every field of its own: position, size, console size and colours, the way to
  // show the window, a title, and a reserved block as the C runtime writes one (a count of
  // inherited files, here none, then bytes of its own).
  char title[] = "Talvex test title";
  BYTE block[] = {0, 0, 0, 0, 'T', 'a', 'l', 'v', 'e', 'x'};
  startup.lpTitle = title;
  startup.dwX = 11;
  startup.dwY = 22;
  startup.dwXSize = 333;
  startup.dwYSize = 244;
  startup.dwXCountChars = 81;
  startup.dwYCountChars = 26;
  startup.dwFillAttribute = FOREGROUND_RED | BACKGROUND_BLUE;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESIZE | STARTF_USEPOSITION |
                    STARTF_USECOUNTCHARS | STARTF_USEFILLATTRIBUTE;
  startup.wShowWindow = SW_SHOWMINNOACTIVE;
  startup.cbReserved2 = sizeof block;
  startup.lpReserved2 = block;
  EXPECT_EQ(WithoutStandardHandles(StartedChildsReport(processes, startup)),
            WithoutStandardHandles(startup_report::Describe(ToStartupInfoA(startup))));

  // Standard handles of its own: the child writes to the output it was given.
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  ASSERT_TRUE(::CreatePipe(&read, &write, nullptr, 0));
  startup.dwFlags |= STARTF_USESTDHANDLES;
  startup.hStdInput = 0;
  startup.hStdOutput = reinterpret_cast<KernelHandle>(write);
  startup.hStdError = reinterpret_cast<KernelHandle>(write);
  std::string report = StartedChildsReport(processes, startup);
  ::CloseHandle(write);
  char said[64] = {};
  DWORD length = 0;
  ::ReadFile(read, said, sizeof said - 1, &length, nullptr);
  ::CloseHandle(read);
  EXPECT_EQ(WithoutStandardHandles(report),
            WithoutStandardHandles(startup_report::Describe(ToStartupInfoA(startup))));
  EXPECT_EQ(std::string(said, length), startup_report::kChildSays);
}

TEST(OtherWindowsTest, NoWindowGivesNoTextAndTakesNoMessage) {
  Win32OtherWindows windows;
  char text[100] = "unchanged";
  ::SetLastError(kLastErrorMarker);
  EXPECT_EQ(windows.GetWindowTextA(0, text, sizeof text), 0);
  EXPECT_EQ(text[0], '\0');
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  ::SetLastError(kLastErrorMarker);
  EXPECT_FALSE(windows.PostMessageA(0x7FFF0, WM_CLOSE, 0, 0));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

}  // namespace
}  // namespace talvex::win32
