// Starts a component installer from the program folder and steers it through its windows until
// its process has ended.
#pragma once

#include <cstdint>
#include <string>

#include "platform/processes.h"

namespace talvex {

class SetupHost;

class InstallerDriver {
 public:
  InstallerDriver(SetupHost& host, std::string fileName, std::string startFailureText);

  // Starts ProgramFolder + fileName with the command line " /Q" at high priority. A start that
  // fails is told in a plain message box and ends the program with exit code 0.
  void Start();
  void Pause(uint32_t milliseconds);
  // Polls until the installer has ended. With readmeFirst, a Notepad window whose title begins
  // with "readme" is closed first, and only then is the final window looked for. The final window
  // (exact title) is answered with Enter, closed when asked, and the installer is then ended.
  void WaitForFinalWindow(const std::string& finalTitle, bool readmeFirst,
                          uint32_t pauseBeforeAnswer, bool closeAfterAnswer);

 private:
  enum class State { kWaitingForReadme, kWaitingForFinalWindow, kAnswered };

  bool CloseReadmeIfShown();
  bool AnswerFinalWindowIfShown(const std::string& finalTitle, uint32_t pauseBeforeAnswer,
                                bool closeAfterAnswer);
  bool ChildHasEnded();

  SetupHost& host_;
  std::string file_name_;
  std::string start_failure_text_;
  ScopedProcessInformation child_;
};

}  // namespace talvex
