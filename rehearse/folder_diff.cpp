#include "rehearse/folder_diff.h"

#include <system_error>
#include <vector>

#include "rehearse/text_files.h"

namespace talvex::rehearse {

namespace fs = std::filesystem;

MachineState TakeState(const fs::path& machineFolder) {
  MachineState state;
  std::error_code error;
  for (fs::directory_iterator drive(machineFolder, error), end; !error && drive != end;
       drive.increment(error)) {
    std::string name = drive->path().filename().string();
    if (name.size() != 1 || !drive->is_directory(error))
      continue;
    for (fs::recursive_directory_iterator it(drive->path(), error), stop; !error && it != stop;
         it.increment(error)) {
      std::string path = it->path().lexically_relative(machineFolder).generic_string();
      if (it->is_directory(error))
        state.files[path + "/"] = "";
      else
        state.files[path] = ReadFile(it->path()).value_or("");
    }
  }
  state.registry = ReadFile(machineFolder / "registry.reg").value_or("");
  return state;
}

std::string DiffText(const MachineState& before, const MachineState& after) {
  std::string text = "files:\n";
  bool any = false;
  for (const auto& [path, bytes] : after.files) {
    auto old = before.files.find(path);
    if (old == before.files.end())
      text += "  added " + path + "\n";
    else if (old->second != bytes)
      text += "  changed " + path + "\n";
    else
      continue;
    any = true;
  }
  for (const auto& [path, bytes] : before.files)
    if (after.files.find(path) == after.files.end()) {
      text += "  removed " + path + "\n";
      any = true;
    }
  if (!any)
    text += "  (none)\n";

  // A longest common subsequence of the two files' lines; registry.reg files are small.
  const std::vector<std::string> a = Lines(before.registry, true);
  const std::vector<std::string> b = Lines(after.registry, true);
  std::vector<std::vector<unsigned>> common(a.size() + 1, std::vector<unsigned>(b.size() + 1));
  for (size_t i = a.size(); i-- > 0;)
    for (size_t j = b.size(); j-- > 0;)
      common[i][j] =
          a[i] == b[j] ? common[i + 1][j + 1] + 1 : std::max(common[i + 1][j], common[i][j + 1]);
  text += "registry.reg:\n";
  std::string section;       // the section the walk is in
  std::string shownSection;  // the last one printed
  bool changed = false;
  auto header = [&]() {
    if (section != shownSection) {
      text += "  " + section + "\n";
      shownSection = section;
    }
  };
  size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    if (i < a.size() && j < b.size() && a[i] == b[j]) {
      if (!a[i].empty() && a[i][0] == '[')
        section = a[i];
      ++i;
      ++j;
    } else if (j < b.size() && (i == a.size() || common[i][j + 1] > common[i + 1][j])) {
      if (!b[j].empty() && b[j][0] == '[')
        section = shownSection = b[j];  // a new section: its header is the line shown
      else
        header();
      if (!b[j].empty())
        text += "+ " + b[j] + "\n";
      changed = changed || !b[j].empty();
      ++j;
    } else {
      if (!a[i].empty() && a[i][0] == '[')
        section = shownSection = a[i];
      else
        header();
      if (!a[i].empty())
        text += "- " + a[i] + "\n";
      changed = changed || !a[i].empty();
      ++i;
    }
  }
  if (!changed)
    text += "  (unchanged)\n";
  return text;
}

}  // namespace talvex::rehearse
