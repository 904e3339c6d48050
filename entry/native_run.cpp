#include "entry/native_run.h"

#include <fstream>
#include <memory>

#include "app/command_line.h"
#include "app/setup_program.h"
#include "entry/machine_person.h"
#include "framework/design.h"
#include "framework/headless/headless_ui.h"
#include "platform/sim/machine.h"

namespace talvex {

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
