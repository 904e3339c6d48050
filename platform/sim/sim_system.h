// The simulated machine's folders, process and standard output.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "platform/console.h"
#include "platform/process.h"
#include "platform/sim/failure_plan.h"
#include "platform/sim/journal.h"
#include "platform/sim/sim_errors.h"
#include "platform/system_folders.h"

namespace talvex::sim {

class SimSystemFolders : public SystemFolders {
 public:
  // windowsFolder empty: the call fails, as on a machine whose Windows folder cannot be had.
  SimSystemFolders(std::string windowsFolder, std::string systemFolder, SimThreadErrors& errors,
                   FailurePlan& failures, Journal& journal)
      : windows_(std::move(windowsFolder)),
        system_(std::move(systemFolder)),
        errors_(errors),
        failures_(failures),
        journal_(journal) {}

  uint32_t GetWindowsDirectoryA(char* buffer, uint32_t size) override;
  uint32_t GetSystemDirectoryA(char* buffer, uint32_t size) override;

  // The machine's own view of its folders, which is not one of the program's calls (empty: the
  // machine has none).
  const std::string& windows_folder() const { return windows_; }
  const std::string& system_folder() const { return system_; }

 private:
  uint32_t Copy(const char* operation, const std::string& folder, char* buffer, uint32_t size);
  uint32_t Journaled(const char* operation, const std::string& folder, char* buffer, uint32_t size);

  std::string windows_;
  std::string system_;
  SimThreadErrors& errors_;
  FailurePlan& failures_;
  Journal& journal_;
};

// Ends the process by unwinding to the program's outermost frame with ProcessExit.
class SimProcess : public Process {
 public:
  SimProcess(std::string programPath, std::ostream& out, Journal& journal)
      : program_(std::move(programPath)), out_(out), journal_(journal) {}
  std::string GetModuleFileNameA() override;
  [[noreturn]] void ExitProcess(int code) override;

 private:
  std::string program_;
  std::ostream& out_;
  Journal& journal_;
};

class SimConsole : public Console {
 public:
  SimConsole(std::ostream& out, Journal& journal) : out_(out), journal_(journal) {}
  void WriteStdout(const std::string& text) override;

 private:
  std::ostream& out_;
  Journal& journal_;
};

}  // namespace talvex::sim
