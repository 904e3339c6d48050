// talvex-foldertree: the folder tree control on the simulated Windows machine named by
// TALVEX_MACHINE. Applies its arguments in order, lets the person at the machine act as the
// [user] section says (folders made, removed and renamed, media changed), delivers what the shell
// announced meanwhile, then prints the tree.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "entry/machine_person.h"
#include "foldertree/folder_tree_host.h"
#include "framework/application.h"
#include "framework/headless/headless_ui.h"
#include "platform/sim/machine.h"

namespace {

// The host's only window; [user] lines may name it and its control.
talvex::DesignCatalog HostDesigns() {
  talvex::DesignCatalog designs;
  designs.AddEmbeddedDesign("FolderTree.design");
  return designs;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  talvex::HostCommandLine commandLine;
  try {
    commandLine = talvex::ParseHostCommandLine(arguments);
  } catch (const talvex::EHostUsage& error) {
    std::cerr << "talvex-foldertree: " << error.what() << "\n" << talvex::kHostUsage;
    return 2;
  }
  const char* folder = std::getenv("TALVEX_MACHINE");
  if (folder == nullptr || *folder == '\0') {
    std::cerr << "talvex-foldertree: TALVEX_MACHINE does not name a machine folder\n";
    return 2;
  }
  std::unique_ptr<talvex::sim::SimMachine> machine;
  std::vector<std::unique_ptr<talvex::UserAction>> script;
  try {
    machine = talvex::sim::SimMachine::Load(folder, std::cout);
    script = talvex::ReadUserScript(talvex::UserLines(*machine), talvex::UserActions(*machine),
                                    HostDesigns());
  } catch (const talvex::sim::MachineError& error) {
    std::cerr << "talvex-foldertree: the machine at " << folder
              << " cannot be used: " << error.what() << "\n";
    return 2;
  } catch (const talvex::UserScriptError& error) {
    std::cerr << "talvex-foldertree: the machine at " << folder << " cannot be used: machine.ini "
              << error.what() << "\n";
    return 2;
  }
  talvex::SimulatedMachineForPerson person(*machine);
  talvex::HeadlessUi ui(std::cerr, std::move(script), nullptr, &person);
  ui.SetProgramName("talvex-foldertree");
  talvex::TApplication application(ui, "FolderTree");
  // The shell's change notifications reach the tree's window through the message queue.
  machine->shell().SetMessagePoster(
      [&ui](talvex::WindowHandle window, uint32_t msg, std::uintptr_t wParam,
            std::intptr_t lParam) { return ui.PostMessageA(window, msg, wParam, lParam); });
  int code = 0;
  try {
    auto* form = application.CreateForm<talvex::TFolderTreeForm>(machine->platform());
    talvex::ApplyHostArguments(
        *form->KvFolderTree, commandLine.arguments, std::cout,
        [&](const std::exception& error) { application.ShowException(error); });
    // The person acts, and the changes the shell announced reach the tree before it is shown.
    application.ProcessMessages();
    if (const talvex::UserAction* left = ui.NextAction()) {
      bool observation = left->IsObservation();
      std::cerr << "talvex-foldertree: [user] line " << left->line << " (" << left->text << ") "
                << (observation ? "does not hold" : "cannot be taken") << "\n";
      code = observation ? talvex::kObservationFailedExitCode : talvex::kNoActionPossibleExitCode;
    }
    std::cout << talvex::TreeText(*form->KvFolderTree);
  } catch (const talvex::ProcessExit& exit) {
    code = exit.code;
  } catch (const std::exception& error) {
    application.ShowException(error);
    code = 1;
  }
  machine->shell().SetMessagePoster(nullptr);
  std::cout.flush();
  return code;
}
