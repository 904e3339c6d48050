// How the work grows with the machine: one device search over N present devices (each start-up
// makes six), and reading and writing a registry of N devices.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "inspect/device_search.h"
#include "platform/sim/machine.h"

namespace {

namespace fs = std::filesystem;

std::string DevicesRegistry(int count) {
  std::string text = "REGEDIT4\r\n\r\n";
  for (int i = 0; i < count; ++i) {
    text += "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\PCI\\DEV_" +
            std::to_string(i % 50) + "\\" + std::to_string(i) + "]\r\n";
    text += "\"HardwareID\"=hex(7):50,43,49,5c,56,45,4e,5f,31,00,50,43,49,5c,43,43,00,00\r\n\r\n";
  }
  return text;
}

struct BenchMachine {
  explicit BenchMachine(int devices) {
    folder = fs::temp_directory_path() / ("talvex-bench-" + std::to_string(devices));
    fs::create_directories(folder);
    std::ofstream(folder / "machine.ini") << "[machine]\nprogram = D:\\Setup.exe\n";
    std::ofstream(folder / "registry.reg", std::ios::binary) << DevicesRegistry(devices);
    machine = talvex::sim::SimMachine::Load(folder, out);
  }
  ~BenchMachine() { fs::remove_all(folder); }
  fs::path folder;
  std::ostringstream out;
  std::unique_ptr<talvex::sim::SimMachine> machine;
};

void BM_DeviceSearchWithoutMatch(benchmark::State& state) {
  BenchMachine bench(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    bench.out.str("");
    benchmark::DoNotOptimize(talvex::SearchDevices(bench.machine->platform(), "*KVE0515",
                                                   talvex::HardwareIdScope::kEveryEntry, false));
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_DeviceSearchWithoutMatch)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

void BM_RegistryParseAndWrite(benchmark::State& state) {
  std::string text = DevicesRegistry(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    talvex::sim::RegistryStore store = talvex::sim::RegistryStore::Parse(text);
    benchmark::DoNotOptimize(store.Serialize());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_RegistryParseAndWrite)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

}  // namespace

BENCHMARK_MAIN();
