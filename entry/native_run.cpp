#include "entry/native_run.h"

#include <algorithm>
#include <fstream>
#include <memory>

#include "app/command_line.h"
#include "app/setup_program.h"
#include "framework/design.h"
#include "framework/headless/headless_ui.h"
#include "platform/sim/machine.h"

namespace talvex {
namespace {

// The person at the machine sees the simulated machine's clock and its restart requests.
class SimulatedMachineForPerson : public HeadlessMachine {
 public:
  explicit SimulatedMachineForPerson(sim::SimMachine& machine) : machine_(machine) {}
  uint64_t Now() override { return machine_.clock().Now(); }
  void Advance(uint64_t milliseconds) override { machine_.clock().Advance(milliseconds); }
  // registry.reg shows what the program did whenever the person can look.
  void Checkpoint() override { machine_.Flush(); }
  bool TakeRestartRequest() override { return machine_.session().TakeRestartRequest(); }

 private:
  sim::SimMachine& machine_;
};

std::vector<UserScriptLine> UserLines(const sim::SimMachine& machine) {
  std::vector<UserScriptLine> lines;
  for (const sim::IniEntry& entry : machine.user_lines()) {
    std::string key = entry.key;
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    lines.push_back({entry.line, key, entry.value});
  }
  return lines;
}

// What the person can do: the actions on the windows, and rows that act on the machine itself
// (they may keep the machine).
UserActionTable UserActions(sim::SimMachine&) {
  UserActionTable table = DefaultUserActions();
  return table;
}

}  // namespace

int RunNativeProgram(const std::filesystem::path& machineFolder,
                     const std::vector<std::string>& arguments, std::ostream& out,
                     std::ostream& err, std::unique_ptr<sim::SimMachine>* keep) {
  std::unique_ptr<sim::SimMachine> machine;
  std::vector<std::unique_ptr<UserAction>> script;
  try {
    // The journal is created last, so that a machine refused for any other reason stays as it was.
    machine = sim::SimMachine::Load(machineFolder, out, /*startJournal=*/false);
    script = ReadUserScript(UserLines(*machine), UserActions(*machine),
                            DesignCatalog::FromEmbeddedDesigns());
    machine->StartJournal();
  } catch (const sim::MachineError& error) {
    err << "talvex-setup: the machine at " << machineFolder.string()
        << " cannot be used: " << error.what() << "\n";
    return 2;
  } catch (const UserScriptError& error) {
    err << "talvex-setup: the machine at " << machineFolder.string()
        << " cannot be used: machine.ini " << error.what() << "\n";
    return 2;
  }
  // The screen transcript of an interactive run.
  std::unique_ptr<std::ofstream> transcript;
  if (!WantsUnattendedInstallation(arguments))
    transcript = std::make_unique<std::ofstream>(machineFolder / "screen.txt", std::ios::binary);
  SimulatedMachineForPerson person(*machine);
  HeadlessUi ui(err, std::move(script), transcript ? transcript.get() : nullptr, &person);
  // The shell's change notifications reach the folder tree's window as posted messages.
  machine->shell().SetMessagePoster(
      [&ui](WindowHandle window, uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
        return ui.PostMessageA(window, msg, wParam, lParam);
      });
  int code = 0;
  try {
    code = RunSetupProgram(machine->platform(), ui, arguments);
  } catch (const ProcessExit& exit) {
    code = exit.code;  // the program's own end, the machine's time limit, or a stuck person
  } catch (...) {
    machine->shell().SetMessagePoster(nullptr);
    machine->Flush();
    throw;
  }
  machine->shell().SetMessagePoster(nullptr);
  out.flush();
  // The run is over: registry.reg must show what it did.
  if (!machine->Flush()) {
    err << "talvex-setup: the registry of the machine at " << machineFolder.string()
        << " cannot be written to registry.reg\n";
    return 2;
  }
  if (!machine->journal().Flush()) {
    err << "talvex-setup: the journal of the machine at " << machineFolder.string()
        << " cannot be written\n";
    return 2;
  }
  if (keep != nullptr)
    *keep = std::move(machine);
  return code;
}

}  // namespace talvex
