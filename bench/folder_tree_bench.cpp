// How the folder tree's work grows with a folder's size, on a shell namespace built here: reading
// a folder of N subfolders against a bare enumeration that reads each item's three names (and
// against the shell calls alone that an expansion makes per item), changing the display mode of N
// nodes, and a lookup 20 levels deep. Only these: talvex_benchmarks
// --benchmark_filter='BareEnumeration|ShellCalls|ExpandFolder|DisplayMode|FindPath'. Compare the
// CPU column: other work on a shared machine stretches the wall time.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "foldertree/kvfoldertree.h"
#include "framework/form.h"
#include "framework/headless/headless_ui.h"
#include "platform/sim/machine.h"
#include "platform/winconst.h"
#include "tests/unit/support/fake_shell.h"

namespace {

namespace fs = std::filesystem;
using talvex::testing::FakeItem;
using talvex::testing::FakeShell;

// A folder tree over a namespace whose folder C:\Big holds `size` subfolders.
struct Bench {
  explicit Bench(int size) {
    folder = fs::temp_directory_path() / ("talvex-tree-bench-" + std::to_string(size));
    fs::create_directories(folder);
    std::ofstream(folder / "machine.ini") << "[machine]\nprogram = C:\\FolderTree.exe\n";
    std::ofstream(folder / "registry.reg") << "REGEDIT4\r\n\r\n";
    machine = talvex::sim::SimMachine::Load(folder, out);
    standard = shell.BuildStandard();
    big = &shell.Folder(*standard.driveC, "Big");
    for (int i = 0; i < size; ++i)
      shell.Folder(*big, "Folder " + std::to_string((i * 7919) % size));
    talvex::Platform& base = machine->platform();
    platform = std::make_unique<talvex::Platform>(talvex::Platform{
        base.registry, base.devices, base.newdev, files, base.folders, base.process, base.errors,
        base.console, base.processes, base.windows, shell, base.session});
    tree = std::make_unique<talvex::TKvFolderTree>(application, *platform, &form);
    tree->SetActive(true);
    bigNode = tree->FindPath("C:\\Big", true);
    if (bigNode == nullptr)
      bigNode = tree->FindPath("C:\\Big", false);
  }
  ~Bench() {
    tree.reset();
    fs::remove_all(folder);
  }

  fs::path folder;
  std::ostringstream out;
  std::unique_ptr<talvex::sim::SimMachine> machine;
  FakeShell shell;
  talvex::testing::FakeFiles files{shell};
  FakeShell::Standard standard{};
  FakeItem* big = nullptr;
  std::unique_ptr<talvex::Platform> platform;
  std::ostringstream boxes;
  talvex::HeadlessUi ui{boxes};
  talvex::TApplication application{ui, "Bench"};
  talvex::TForm form{application, "Host", ""};
  std::unique_ptr<talvex::TKvFolderTree> tree;
  talvex::TTreeNode* bigNode = nullptr;
};

std::string Name(talvex::IShellFolder& folder, talvex::PCIDL item, uint32_t flags) {
  talvex::STRRET name;
  folder.GetDisplayNameOf(item, flags, &name);
  return name.uType == talvex::win::STRRET_CSTR ? std::string(name.cStr) : std::string();
}

// The three names a tree node needs of an item (shown, parsing, in-folder), by their length.
size_t ThreeNamesLength(talvex::IShellFolder& folder, talvex::PCIDL item) {
  return Name(folder, item, talvex::win::SHGDN_NORMAL).size() +
         Name(folder, item, talvex::win::SHGDN_FORPARSING).size() +
         Name(folder, item, talvex::win::SHGDN_INFOLDER).size();
}

// Enumerates the folder's folders as an expansion does, hands each item to perItem (which owns
// it from then on) and adds up what perItem returns.
template <typename PerItem>
size_t EachItem(talvex::IShellFolder& folder, PerItem perItem) {
  talvex::ComPtr<talvex::IEnumIDList> items;
  folder.EnumObjects(0, 0xA0, &items);
  items->Reset();
  talvex::PIDL item = nullptr;
  size_t total = 0;
  while (items->Next(1, &item, nullptr) == talvex::win::S_OK)
    total += perItem(item);
  return total;
}

// What reading a folder costs at least: enumerate it and read each item's three names.
void BM_BareEnumeration(benchmark::State& state) {
  Bench bench(static_cast<int>(state.range(0)));
  talvex::ComPtr<talvex::IShellFolder> folder = bench.shell.FolderOf(*bench.big);
  talvex::ComPtr<talvex::IMalloc> malloc = bench.shell.allocator().Get();
  for (auto _ : state) {
    benchmark::DoNotOptimize(EachItem(*folder, [&](talvex::PIDL item) {
      const size_t length = ThreeNamesLength(*folder, item);
      malloc->Free(item);
      return length;
    }));
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_BareEnumeration)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

// The shell calls an expansion makes for each item, without the tree: the three names, the
// attributes, the folder bound for the item, its two icons and its absolute list allocated with
// the task allocator and kept, as the nodes keep them. It shows how much of an expansion's cost
// the shell itself takes.
void BM_ShellCallsOfExpansion(benchmark::State& state) {
  Bench bench(static_cast<int>(state.range(0)));
  talvex::ComPtr<talvex::IShellFolder> folder = bench.shell.FolderOf(*bench.big);
  talvex::ComPtr<talvex::IMalloc> malloc = bench.shell.allocator().Get();
  std::vector<uint8_t> parent = bench.shell.AbsoluteList(*bench.big);
  size_t parentSize = parent.size() - talvex::kIdListTerminatorSize;
  std::vector<talvex::PIDL> lists;
  std::vector<talvex::ComPtr<talvex::IShellFolder>> folders;
  for (auto _ : state) {
    const size_t total = EachItem(*folder, [&](talvex::PIDL item) {
      size_t length = ThreeNamesLength(*folder, item);
      uint32_t attributes = talvex::win::SFGAO_HASSUBFOLDER | talvex::win::SFGAO_FILESYSTEM;
      talvex::PCIDL one = item;
      folder->GetAttributesOf(1, &one, &attributes);
      uint16_t itemSize = talvex::ILItemSize(item);
      auto* absolute = static_cast<talvex::PIDL>(
          malloc->Alloc(parentSize + itemSize + talvex::kIdListTerminatorSize));
      std::memcpy(absolute, parent.data(), parentSize);
      std::memcpy(absolute + parentSize, item, itemSize + talvex::kIdListTerminatorSize);
      talvex::SHFILEINFOA icon;
      bench.shell.SHGetFileInfoA(absolute, 0, &icon, sizeof icon, 0x4008);
      bench.shell.SHGetFileInfoA(absolute, 0, &icon, sizeof icon, 0x400A);
      folders.emplace_back();
      folder->BindToObject(item, &folders.back());
      lists.push_back(absolute);
      if (malloc->DidAlloc(item) > 0)
        malloc->Free(item);
      return length + attributes;
    });
    benchmark::DoNotOptimize(total);
    state.PauseTiming();
    for (talvex::PIDL list : lists)
      malloc->Free(list);
    lists.clear();
    folders.clear();
    state.ResumeTiming();
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ShellCallsOfExpansion)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// Expanding the folder: read, nodes created with their records, sorted.
void BM_ExpandFolder(benchmark::State& state) {
  Bench bench(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    bench.bigNode->Collapse(false);
    bench.tree->FreeChildren(bench.bigNode);
    state.ResumeTiming();
    bench.bigNode->Expand(false);
  }
  state.counters["nodes"] = bench.bigNode->Count();
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ExpandFolder)
    ->Arg(10000)
    ->Arg(30000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void BM_DisplayModeChange(benchmark::State& state) {
  Bench bench(static_cast<int>(state.range(0)));
  bench.bigNode->Expand(false);
  bool upper = false;
  for (auto _ : state) {
    upper = !upper;
    bench.tree->SetDisplayMode(upper ? talvex::dmUppercase : talvex::dmAsis);
  }
  state.SetComplexityN(state.range(0));
}
// 300,000 shows the growth once neither tree fits in the processor's caches.
BENCHMARK(BM_DisplayModeChange)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(300000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// A path 20 levels deep below a folder of many siblings: only the folders on the way are read.
void BM_FindPathTwentyDeep(benchmark::State& state) {
  Bench bench(static_cast<int>(state.range(0)));
  std::string path = "C:\\Big";
  FakeItem* level = bench.big;
  for (int i = 0; i < 20; ++i) {
    level = &bench.shell.Folder(*level, "Level" + std::to_string(i));
    path += "\\Level" + std::to_string(i);
  }
  int reads = 0;
  for (auto _ : state) {
    state.PauseTiming();
    bench.tree->FreeChildren(bench.bigNode);
    for (FakeItem* item = level; item != nullptr; item = item->parent)
      item->enumerations = 0;
    state.ResumeTiming();
    benchmark::DoNotOptimize(bench.tree->FindPath(path, false));
    state.PauseTiming();
    reads = 0;
    for (FakeItem* item = level; item != nullptr; item = item->parent)
      reads += item->enumerations;
    state.ResumeTiming();
  }
  state.counters["folders_read"] = reads;
}
BENCHMARK(BM_FindPathTwentyDeep)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
