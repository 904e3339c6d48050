#include "tests/unit/support/machine_snapshot.h"

#include <fstream>
#include <iterator>

#include "platform/sim/reg_store.h"

namespace talvex::testing {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string ValuesText(const sim::RegKeyNode& key) {
  std::string text;
  for (const sim::RegValue& value : key.values()) {
    text += sim::FoldedName(value.name) + '\x01' + std::to_string(value.type) + '\x01';
    text.append(value.data.begin(), value.data.end());
    text.append(value.wideData.begin(), value.wideData.end());
    text += '\x02';
  }
  return text;
}

void AddKeys(const sim::RegKeyNode& key, const std::string& path,
             std::map<std::string, std::string>& keys) {
  keys[path] = ValuesText(key);
  for (const auto& subkey : key.subkeys()) {
    std::string name = subkey->wide_name().empty() ? sim::FoldedName(subkey->name())
                                                   : sim::FoldedName(subkey->wide_name());
    AddKeys(*subkey, path.empty() ? name : path + "\\" + name, keys);
  }
}

void AddChanges(const std::map<std::string, std::string>& before,
                const std::map<std::string, std::string>& after, const std::string& kind,
                std::set<std::string>& changes) {
  for (const auto& [path, content] : before) {
    auto found = after.find(path);
    if (found == after.end() || found->second != content)
      changes.insert(kind + " " + path);
  }
  for (const auto& [path, content] : after)
    if (before.find(path) == before.end())
      changes.insert(kind + " " + path);
}

}  // namespace

MachineSnapshot MachineSnapshot::Take(const fs::path& machineFolder) {
  MachineSnapshot snapshot;
  for (const auto& entry : fs::recursive_directory_iterator(machineFolder)) {
    std::string path = fs::relative(entry.path(), machineFolder).generic_string();
    if (path == "machine.ini" || path == "registry.reg" || path == "screen.txt")
      continue;
    if (entry.is_directory())
      snapshot.files[path + "/"] = "";
    else
      snapshot.files[path] = ReadBytes(entry.path());
  }
  sim::RegistryStore store = sim::RegistryStore::Parse(ReadBytes(machineFolder / "registry.reg"));
  AddKeys(store.root(), "", snapshot.keys);
  return snapshot;
}

std::set<std::string> ChangesBetween(const MachineSnapshot& before, const MachineSnapshot& after) {
  std::set<std::string> changes;
  AddChanges(before.files, after.files, "file", changes);
  AddChanges(before.keys, after.keys, "key", changes);
  return changes;
}

}  // namespace talvex::testing
