// talvex-setup: the setup program over the simulated Windows machine named by TALVEX_MACHINE.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/setup_program.h"
#include "framework/headless/headless_ui.h"
#include "platform/sim/machine.h"

int main(int argc, char** argv) {
  const char* folder = std::getenv("TALVEX_MACHINE");
  if (folder == nullptr || *folder == '\0') {
    std::cerr << "talvex-setup: TALVEX_MACHINE does not name a machine folder\n";
    return 2;
  }
  std::unique_ptr<talvex::sim::SimMachine> machine;
  try {
    machine = talvex::sim::SimMachine::Load(folder, std::cout);
  } catch (const talvex::sim::MachineError& error) {
    std::cerr << "talvex-setup: the machine at " << folder << " cannot be used: " << error.what()
              << "\n";
    return 2;
  }
  std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  talvex::HeadlessUi ui(std::cerr);
  // The shell's change notifications reach the folder tree's window as posted messages.
  machine->shell().SetMessagePoster(
      [&ui](talvex::WindowHandle window, uint32_t msg, std::uintptr_t wParam,
            std::intptr_t lParam) { return ui.PostMessageA(window, msg, wParam, lParam); });
  int code = 0;
  try {
    code = talvex::RunSetupProgram(machine->platform(), ui, arguments);
  } catch (const talvex::ProcessExit& exit) {
    code = exit.code;  // the program's own end, or the machine's time limit
  } catch (...) {
    machine->Flush();
    throw;
  }
  std::cout.flush();
  // The run is over: registry.reg must show what it did.
  if (!machine->Flush()) {
    std::cerr << "talvex-setup: the registry of the machine at " << folder
              << " cannot be written to registry.reg\n";
    return 2;
  }
  return code;
}
