// Item ID list walks: the checked walk accepts exactly the well-formed lists, and on those the
// trusting walks, the list builders and the simulated shell's decoding stay inside the list.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/item_id_list.h"
#include "platform/sim/drive_paths.h"
#include "platform/sim/ini_file.h"
#include "platform/sim/sim_shell_namespace.h"

namespace {

void Check(bool condition) {
  if (!condition)
    std::abort();
}

talvex::sim::ShellNamespace& Namespace() {
  static talvex::sim::DrivePaths paths("/nonexistent-machine");
  static talvex::sim::ShellNamespace names(
      talvex::sim::IniFile::Parse("[drives]\nC: = fixed\nE: = cdrom | X\n[network]\nS = a\n"),
      "C:\\WINDOWS", "/nonexistent-machine", paths);
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace talvex;
  std::optional<size_t> checked = ILCheckedSize(data, size);
  if (!checked)
    return 0;
  Check(*checked <= size && *checked >= kIdListTerminatorSize);
  // Exactly the list's bytes, so that any read past it is caught by the sanitizers.
  std::vector<uint8_t> list(data, data + *checked);
  PCIDL pidl = list.data();
  Check(ILGetSize(pidl) == list.size());
  size_t count = ILItemCount(pidl);
  Check(ILIsEmpty(pidl) == (count == 0));
  PCIDL last = ILFindLastID(pidl);
  Check(last >= pidl && last < pidl + list.size());
  std::vector<uint8_t> twice = ILCombine(pidl, pidl);
  Check(ILCheckedSize(twice.data(), twice.size()) == twice.size());
  Check(ILItemCount(twice.data()) == 2 * count);
  std::vector<uint8_t> shorter = ILWithoutLastItem(pidl);
  Check(ILCheckedSize(shorter.data(), shorter.size()) == shorter.size());
  Check(ILItemCount(shorter.data()) == (count == 0 ? 0 : count - 1));
  std::vector<uint8_t> appended = ILAppendFirstItem(shorter.data(), pidl);
  Check(ILItemCount(appended.data()) == ILItemCount(shorter.data()) + (count > 0 ? 1 : 0));
  Check(ILCheckedSize(appended.data(), appended.size()) == appended.size());

  // A list the simulated shell accepts names an item that it writes back the same way.
  sim::ShellNamespace& names = Namespace();
  if (std::optional<sim::ShellItem> item = names.Decode(pidl)) {
    std::vector<uint8_t> again = names.EncodeAbsolute(*item);
    Check(ILCheckedSize(again.data(), again.size()) == again.size());
    std::optional<sim::ShellItem> back = names.Decode(again.data());
    Check(back && back->kind == item->kind && names.ParsingName(*back) == names.ParsingName(*item));
    names.NormalName(*item);
    names.Attributes(*item);
  }
  return 0;
}
