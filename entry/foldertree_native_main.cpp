// talvex-foldertree: the folder tree control on the simulated Windows machine named by
// TALVEX_MACHINE. Applies its arguments in order, then prints the tree.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "foldertree/folder_tree_host.h"
#include "framework/application.h"
#include "framework/headless/headless_ui.h"
#include "platform/sim/machine.h"

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
  try {
    machine = talvex::sim::SimMachine::Load(folder, std::cout);
  } catch (const talvex::sim::MachineError& error) {
    std::cerr << "talvex-foldertree: the machine at " << folder
              << " cannot be used: " << error.what() << "\n";
    return 2;
  }
  talvex::HeadlessUi ui(std::cerr);
  talvex::TApplication application(ui, "FolderTree");
  // The shell's change notifications reach the tree's window through the message queue.
  machine->shell().SetMessagePoster(
      [&ui](talvex::WindowHandle window, uint32_t msg, std::uintptr_t wParam,
            std::intptr_t lParam) { return ui.PostMessageA(window, msg, wParam, lParam); });
  try {
    auto* form = application.CreateForm<talvex::TFolderTreeForm>(machine->platform());
    talvex::ApplyHostArguments(
        *form->KvFolderTree, commandLine.arguments, std::cout,
        [&](const std::exception& error) { application.ShowException(error); });
    // Changes the shell announced meanwhile reach the tree before it is shown.
    application.ProcessMessages();
    std::cout << talvex::TreeText(*form->KvFolderTree);
  } catch (const talvex::ProcessExit& exit) {
    std::cout.flush();
    return exit.code;
  } catch (const std::exception& error) {
    application.ShowException(error);
    std::cout.flush();
    return 1;
  }
  std::cout.flush();
  return 0;
}
