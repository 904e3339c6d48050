#include "smartcard/installer_driver.h"

#include "inspect/text_compare.h"
#include "install/setup_host.h"
#include "platform/winconst.h"

namespace talvex {
namespace {

// Between two polling passes the thread sleeps until the installer ends or a message arrives,
// at most this long, so that a long wait costs next to no processor time (a pass looks at every
// top-level window, which takes about a millisecond under Wine). An installer's window is still
// answered within a quarter of a second of its appearance.
constexpr uint32_t kPassWaitMs = 250;

}  // namespace

InstallerDriver::InstallerDriver(SetupHost& host, std::string fileName,
                                 std::string startFailureText)
    : host_(host),
      file_name_(std::move(fileName)),
      start_failure_text_(std::move(startFailureText)),
      child_(host.platform().processes) {}

void InstallerDriver::Start() {
  Processes& processes = host_.platform().processes;
  StartupInfo startupInfo;
  processes.GetStartupInfoA(&startupInfo);
  if (!processes.CreateProcessA(host_.State().ProgramFolder + file_name_, " /Q", false,
                                win::HIGH_PRIORITY_CLASS, startupInfo, child_.Receive())) {
    host_.ShowMessage(start_failure_text_);
    host_.EndProgram(0);
  }
}

void InstallerDriver::Pause(uint32_t milliseconds) {
  host_.platform().processes.Sleep(milliseconds);
}

bool InstallerDriver::CloseReadmeIfShown() {
  OtherWindows& windows = host_.platform().windows;
  WindowHandle notepad = windows.FindWindowExA(0, 0, "notepad", nullptr);
  char title[100] = {};
  windows.GetWindowTextA(notepad, title, sizeof title);
  if (notepad == 0 || !MatchesPrefix(title, "readme", 6))
    return false;
  windows.PostMessageA(notepad, win::WM_CLOSE, 0, 0);
  return true;
}

bool InstallerDriver::AnswerFinalWindowIfShown(const std::string& finalTitle,
                                               uint32_t pauseBeforeAnswer, bool closeAfterAnswer) {
  OtherWindows& windows = host_.platform().windows;
  WindowHandle window = windows.FindWindowExA(0, 0, nullptr, finalTitle.c_str());
  if (window == 0)
    return false;
  if (pauseBeforeAnswer > 0)
    Pause(pauseBeforeAnswer);
  windows.PostMessageA(window, win::WM_SETFOCUS, 0, 0);
  windows.PostMessageA(window, win::WM_NEXTDLGCTL, 0, 0);
  windows.PostMessageA(window, win::WM_KEYDOWN, win::VK_RETURN, 1);
  if (closeAfterAnswer)
    windows.PostMessageA(window, win::WM_CLOSE, 0, 0);
  // The installer has done its work once it shows its final window.
  host_.platform().processes.TerminateProcess(child_.process(), 0);
  return true;
}

bool InstallerDriver::ChildHasEnded() {
  uint32_t exitCode = 0;
  // A process whose state cannot be read is not waited for.
  if (!host_.platform().processes.GetExitCodeProcess(child_.process(), &exitCode))
    return true;
  return exitCode != win::STILL_ACTIVE;
}

void InstallerDriver::WaitForFinalWindow(const std::string& finalTitle, bool readmeFirst,
                                         uint32_t pauseBeforeAnswer, bool closeAfterAnswer) {
  State state = readmeFirst ? State::kWaitingForReadme : State::kWaitingForFinalWindow;
  for (;;) {
    if (state == State::kWaitingForReadme && CloseReadmeIfShown())
      state = State::kWaitingForFinalWindow;
    if (state == State::kWaitingForFinalWindow &&
        AnswerFinalWindowIfShown(finalTitle, pauseBeforeAnswer, closeAfterAnswer))
      state = State::kAnswered;
    host_.ProcessMessages();
    if (ChildHasEnded())
      break;
    host_.platform().processes.WaitForProcessOrMessage(child_.process(), kPassWaitMs);
  }
}

}  // namespace talvex
