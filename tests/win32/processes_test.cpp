// Starting, watching and ending another program, and finding and answering its window, against
// Wine's kernel32 and user32. The other program is talvex_test_child.exe, built beside the tests.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_other_windows.h"
#include "platform/win32/win32_processes.h"
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

TEST(ProcessesTest, StartupInfoCarriesNoFlagWhoseDataIsLeftBehind) {
  Win32Processes processes;
  StartupInfo startup;
  startup.dwFlags = 0xFFFFFFFF;
  processes.GetStartupInfoA(&startup);
  EXPECT_EQ(startup.dwFlags & (STARTF_USESTDHANDLES | STARTF_USEPOSITION | STARTF_USESIZE), 0u);
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
