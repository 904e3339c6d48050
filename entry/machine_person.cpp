#include "entry/machine_person.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <tuple>

#include "platform/ascii_text.h"
#include "platform/sim/machine.h"

namespace talvex {

uint64_t SimulatedMachineForPerson::Now() {
  return machine_.clock().Now();
}

void SimulatedMachineForPerson::Advance(uint64_t milliseconds) {
  machine_.clock().Advance(milliseconds);
}

void SimulatedMachineForPerson::Checkpoint() {
  machine_.Flush();
}

bool SimulatedMachineForPerson::TakeRestartRequest() {
  return machine_.session().TakeRestartRequest();
}

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

namespace {

// A change of the machine made by the person; the shell announces it to the registered windows.
// The change reports what went wrong, or nothing when done.
class MachineChange : public UserAction {
 public:
  explicit MachineChange(std::function<std::string()> change) : change_(std::move(change)) {}
  // The person can change folders and media whenever the program waits for input.
  bool Ready(UserActionContext&) override { return true; }
  void Take(UserActionContext&) override {
    std::string problem = change_();
    if (!problem.empty())
      throw UserActionFailed(problem);
  }

 private:
  std::function<std::string()> change_;
};

// A folder's full path on one of the machine's drives ("C:\Data\New").
std::string FolderPath(sim::SimShell& shell, const std::string& value) {
  std::string path = TrimBlanks(value);
  if (path.size() < 4 || !IsAsciiLetter(path[0]) || path[1] != ':' || path[2] != '\\' ||
      path[3] == '\\')
    throw UserScriptError("a folder is named by its full path (C:\\Data), not '" + path + "'");
  if (shell.names().FindDrive(path[0]) == nullptr)
    throw UserScriptError("the machine has no drive " + path.substr(0, 2));
  return path;
}

// A drive that takes media ("E:").
std::string MediumDrive(sim::SimShell& shell, const std::string& value) {
  std::string drive = TrimBlanks(value);
  std::string problem = shell.CheckRemovableDrive(drive);
  if (!problem.empty())
    throw UserScriptError(problem);
  return drive;
}

void AddMachineRows(UserActionTable& table, sim::SimShell& shell) {
  table.Add("mkdir", [&shell](const std::string& value, const DesignCatalog&) {
    std::string path = FolderPath(shell, value);
    return std::make_unique<MachineChange>([&shell, path] { return shell.MakeFolder(path); });
  });
  table.Add("rmdir", [&shell](const std::string& value, const DesignCatalog&) {
    std::string path = FolderPath(shell, value);
    return std::make_unique<MachineChange>([&shell, path] { return shell.RemoveFolder(path); });
  });
  table.Add("rename", [&shell](const std::string& value, const DesignCatalog&) {
    if (value.find('|') == std::string::npos)
      throw UserScriptError("rename needs '<old path> | <new path>'");
    auto [from, to] = SplitAtBar(value);
    std::string oldPath = FolderPath(shell, from);
    std::string newPath = FolderPath(shell, to);
    return std::make_unique<MachineChange>(
        [&shell, oldPath, newPath] { return shell.RenameFolder(oldPath, newPath); });
  });
  table.Add("insert", [&shell](const std::string& value, const DesignCatalog&) {
    std::string drive = value;
    std::string label;
    if (value.find('|') != std::string::npos)
      std::tie(drive, label) = SplitAtBar(value);
    drive = MediumDrive(shell, drive);
    return std::make_unique<MachineChange>(
        [&shell, drive, label] { return shell.InsertMedium(drive, label); });
  });
  table.Add("eject", [&shell](const std::string& value, const DesignCatalog&) {
    std::string drive = MediumDrive(shell, value);
    return std::make_unique<MachineChange>([&shell, drive] { return shell.EjectMedium(drive); });
  });
}

}  // namespace

UserActionTable UserActions(sim::SimMachine& machine) {
  UserActionTable table = DefaultUserActions();
  AddMachineRows(table, machine.shell());
  return table;
}

}  // namespace talvex
