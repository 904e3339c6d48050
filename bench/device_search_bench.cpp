// How the work grows with the machine.
//
// Without arguments: a table over realistic machines of 200 to 100,000 devices (the bundled
// Windows XP machine with the chip, plus generated devices in front of it, one enumerator holding
// 13% of them as device keys), giving for each size
//   - the start-up inspection (version detection and the six hardware-ID searches) against six
//     bare enumerations making the same platform calls (the class set, every device's hardware-ID
//     list, one diagnostic line per entry) without the search's own logic;
//   - a whole unattended run (load, "-s", registry.reg written) against its floor: loading the
//     machine, six bare enumerations and one write of registry.reg;
//   - the growth exponent of the unattended run between one size and the next.
// Times are processor time (user and system) of this process, the best of rounds that take every
// measurement of every size in turn (at least five per size, and more while that size's rounds
// took less than two seconds together); ratios and exponents are the medians of the rounds' own.
// The chip's devices come last in the enumeration, so every search walks every device.
//
// With --devices N: that size only; --machine N FOLDER writes that machine. With Google Benchmark
// arguments (--benchmark_filter=... or
// --micro): the micro benchmarks.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/setup_program.h"
#include "framework/headless/headless_ui.h"
#include "inspect/device_search.h"
#include "inspect/windows_version.h"
#include "platform/process.h"
#include "platform/sim/machine.h"
#include "platform/winconst.h"

namespace {

namespace fs = std::filesystem;
using talvex::sim::RegistryStore;
using talvex::sim::SimMachine;

constexpr char kEnumSection[] = "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum]\r\n\r\n";
const char* const kChipIds[] = {"*KVE0515", "*KVE0516", "*KVE0517",
                                "*KVE0518", "*KVE0513", "*KVE0519"};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Standard output that goes nowhere, as a console-less program's does, at the cost of a write.
class DiscardingBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c == EOF ? 0 : c; }
  std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

std::vector<uint8_t> MultiString(const std::vector<std::string>& entries) {
  std::vector<uint8_t> data;
  for (const std::string& entry : entries) {
    data.insert(data.end(), entry.begin(), entry.end());
    data.push_back(0);
  }
  data.push_back(0);
  return data;
}

std::vector<uint8_t> Text(const std::string& text) {
  std::vector<uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  return data;
}

std::vector<uint8_t> Dword(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

// One instance key with the values a Windows XP machine gives a device.
void AddInstance(RegistryStore& store, const std::string& path, const std::string& hardwareId,
                 int number) {
  talvex::sim::RegKeyNode* key = store.CreateKey(path);
  key->SetValue({"DeviceDesc", 1, Text("Generic device " + std::to_string(number))});
  key->SetValue({"Capabilities", 4, Dword(0x84)});
  key->SetValue({"HardwareID", 7, MultiString({hardwareId + "&REV_0100", hardwareId})});
  key->SetValue({"ClassGUID", 1, Text("{745A17A0-74D3-11D0-B6FE-00A0C90F57DA}")});
  key->SetValue({"Class", 1, Text("HIDClass")});
  key->SetValue(
      {"Driver", 1,
       Text("{745A17A0-74D3-11D0-B6FE-00A0C90F57DA}\\" + std::to_string(number % 10000))});
  key->SetValue({"ConfigFlags", 4, Dword(0)});
  if (number % 4 == 0)
    store.CreateKey(path + "\\Device Parameters")->SetValue({"FlipFlopWheel", 4, Dword(0)});
}

// registry.reg sections of `count` generated devices below Enum: 13% of them as one-instance
// device keys of one enumerator, the rest four instances per device key over twenty others.
std::string GeneratedDevices(int count) {
  RegistryStore store;
  const std::string enumKey = "SYSTEM\\CurrentControlSet\\Enum\\";
  const int crowded = count * 13 / 100;
  int made = 0;
  for (int i = 0; i < crowded; ++i, ++made) {
    char device[64];
    std::snprintf(device, sizeof device, "HID\\VID_%04X&PID_%04X", 0x1000 + i / 0x1000, i % 0x1000);
    AddInstance(store, enumKey + device + "\\7&1a2b3c4d&0&0000",
                std::string("HID\\VID_") + std::to_string(i), made);
  }
  const char* const enumerators[] = {"ACPI_HAL",
                                     "DISPLAY",
                                     "FDC",
                                     "HDAUDIO",
                                     "IDE",
                                     "ISAPNP",
                                     "LPTENUM",
                                     "MF",
                                     "PCIIDE",
                                     "SBP2",
                                     "SCSI",
                                     "STORAGE",
                                     "SW",
                                     "UMB",
                                     "USBPRINT",
                                     "V1394",
                                     "BTHENUM",
                                     "1394",
                                     "WPDBUSENUMROOT",
                                     "SWENUM"};
  for (int i = 0; made < count; ++i) {
    const std::string device = enumKey + enumerators[i % 20] + "\\DEV_" + std::to_string(i);
    for (int instance = 0; instance < 4 && made < count; ++instance, ++made) {
      AddInstance(store, device + "\\" + std::to_string(instance),
                  std::string(enumerators[i % 20]) + "\\DEV_" + std::to_string(i), made);
    }
  }
  const std::string text = store.Serialize();
  const size_t start = text.find(kEnumSection);
  return start == std::string::npos ? std::string() : text.substr(start + strlen(kEnumSection));
}

// The bundled Windows XP machine with the sample package and `devices` generated devices.
class BenchMachine {
 public:
  explicit BenchMachine(int devices, fs::path folder = {}, bool keep = false)
      : folder_(folder.empty()
                    ? fs::temp_directory_path() / ("talvex-bench-" + std::to_string(devices))
                    : std::move(folder)),
        keep_(keep) {
    fs::remove_all(folder_);
    const fs::path examples = fs::path(TALVEX_SOURCE_DIR) / "examples";
    fs::copy(examples / "machines" / "winxp", folder_, fs::copy_options::recursive);
    fs::create_directories(folder_ / "d" / "SETUP");
    fs::copy(examples / "package" / "auto", folder_ / "d" / "SETUP" / "auto",
             fs::copy_options::recursive);
    std::string registry = ReadFile(folder_ / "registry.reg");
    const size_t enumAt = registry.find(kEnumSection);
    if (enumAt == std::string::npos)
      throw std::runtime_error("the Windows XP machine has no Enum key");
    registry.insert(enumAt + strlen(kEnumSection), GeneratedDevices(devices));
    registry_ = std::move(registry);
    Reset();
  }
  ~BenchMachine() {
    std::error_code error;
    if (!keep_)
      fs::remove_all(folder_, error);
  }

  // registry.reg and the drives as before any run.
  void Reset() {
    std::ofstream(folder_ / "registry.reg", std::ios::binary | std::ios::trunc) << registry_;
    std::error_code error;
    fs::remove(folder_ / "d" / "SETUP" / "log.txt", error);
  }
  std::unique_ptr<SimMachine> Load() { return SimMachine::Load(folder_, out_); }
  const fs::path& folder() const { return folder_; }
  size_t registryBytes() const { return registry_.size(); }

 private:
  fs::path folder_;
  bool keep_;
  std::string registry_;
  DiscardingBuffer discard_;
  std::ostream out_{&discard_};
};

// The platform calls of one device search over every device, without its logic: the class set,
// each device's hardware-ID list (asked with the search's first size, again when too small) and,
// when `lines` is set, one diagnostic line per entry.
size_t BareEnumeration(talvex::Platform& platform, bool lines) {
  namespace win = talvex::win;
  const talvex::DevInfoSet set = platform.devices.SetupDiGetClassDevsA(
      nullptr, nullptr, 0, win::DIGCF_PRESENT | win::DIGCF_ALLCLASSES);
  std::vector<uint8_t> buffer(800, 0);
  talvex::DevInfoData device;
  device.cbSize = sizeof device;
  size_t entries = 0;
  for (uint32_t index = 0; platform.devices.SetupDiEnumDeviceInfo(set, index, &device); ++index) {
    uint32_t size = 200;
    bool read = false;
    while (!(read = platform.devices.SetupDiGetDeviceRegistryPropertyA(
                 set, &device, win::SPDRP_HARDWAREID, nullptr, buffer.data(), size, &size)) &&
           platform.errors.GetLastError() == win::ERROR_INSUFFICIENT_BUFFER) {
      buffer.resize(std::max<size_t>(buffer.size(), size));
    }
    if (!read)
      continue;
    const char* data = reinterpret_cast<const char*>(buffer.data());
    for (size_t offset = 0; offset < size && data[offset] != 0;) {
      const size_t length = strnlen(data + offset, size - offset);
      if (lines)
        platform.console.WriteStdout("Compare device ID: [" + std::string(data + offset, length) +
                                     "]\n");
      offset += length + 1;
      ++entries;
    }
  }
  platform.devices.SetupDiDestroyDeviceInfoList(set);
  return entries;
}

void SixBareEnumerations(SimMachine& machine, bool lines) {
  for (int i = 0; i < 6; ++i)
    benchmark::DoNotOptimize(BareEnumeration(machine.platform(), lines));
}

// What the wizard's construction inspects: the Windows version and the six hardware IDs.
void StartupInspection(SimMachine& machine) {
  benchmark::DoNotOptimize(talvex::DetectWindowsVersion(machine.platform().registry));
  for (const char* id : kChipIds)
    benchmark::DoNotOptimize(
        talvex::SearchDevices(machine.platform(), id, talvex::HardwareIdScope::kEveryEntry, false));
}

// The processor time (user and system) this process has used, in milliseconds. The benchmark
// runs on machines shared with other work, where the wall clock measures the others too.
double ProcessCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The processor time a piece of work takes, in milliseconds.
double TimedMs(const std::function<void()>& work) {
  const double start = ProcessCpuMs();
  work();
  return ProcessCpuMs() - start;
}

int UnattendedRun(BenchMachine& bench) {
  std::unique_ptr<SimMachine> machine = bench.Load();
  std::ostringstream boxes;
  talvex::HeadlessUi ui(boxes);
  int code = 0;
  try {
    code = talvex::RunSetupProgram(machine->platform(), ui, {"-s"});
  } catch (const talvex::ProcessExit& exit) {
    code = exit.code;
  }
  if (!machine->Flush())
    throw std::runtime_error("registry.reg cannot be written");
  return code;
}

// Every round takes each measurement once, one after the other, and every round measures every
// size. This machine's speed changes in phases of up to a few seconds (other guests, clock
// frequency): the best times of two measurements may come from different phases, the
// measurements of one round come from the same. So the table shows the best time of each
// measurement, and each ratio as the median of the rounds' own ratios; the growth exponent is the
// median over the rounds that measured both sizes.
struct Round {
  double read, load, bare, quietBare, inspect, write, run;
  double floor() const { return load + bare + write; }
};

struct Rounds {
  std::vector<Round> rounds;
  double total = 0;  // processor time of all rounds, untimed preparation included

  template <typename Of>
  double Best(Of of) const {
    double best = 1e300;
    for (const Round& round : rounds)
      best = std::min(best, of(round));
    return best;
  }
  template <typename Of>
  double Median(Of of) const {
    std::vector<double> values;
    for (const Round& round : rounds)
      values.push_back(of(round));
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
  }
};

// Each size gets at least kMinRounds rounds, and more while they took less than kMinTotalMs
// together.
constexpr size_t kMinRounds = 5;
constexpr size_t kMaxRounds = 100;
constexpr double kMinTotalMs = 2000;

void MeasureRound(BenchMachine& bench, Rounds& rounds) {
  const double roundStart = ProcessCpuMs();
  Round round{};
  bench.Reset();
  round.read =
      TimedMs([&] { benchmark::DoNotOptimize(ReadFile(bench.folder() / "registry.reg").size()); });
  round.load = TimedMs([&] { benchmark::DoNotOptimize(bench.Load()); });
  {
    std::unique_ptr<SimMachine> machine = bench.Load();
    // The first enumeration of a loaded machine also builds its device list; every timed one
    // finds it built, so that the bare enumerations and the inspection compare alike, and the
    // floor is the lowest it can be.
    BareEnumeration(machine->platform(), false);
    round.bare = TimedMs([&] { SixBareEnumerations(*machine, true); });
    round.quietBare = TimedMs([&] { SixBareEnumerations(*machine, false); });
    round.inspect = TimedMs([&] { StartupInspection(*machine); });
    // One write of the whole registry, as at the end of a run that changed it.
    machine->registry_store().root().SetValue({"Bench", 4, Dword(0)});
    round.write = TimedMs([&] { machine->Flush(); });
  }
  bench.Reset();
  round.run = TimedMs([&] { UnattendedRun(bench); });
  rounds.rounds.push_back(round);
  rounds.total += ProcessCpuMs() - roundStart;
}

void PrintTable(const std::vector<int>& sizes) {
  std::vector<std::unique_ptr<BenchMachine>> machines;
  for (int devices : sizes)
    machines.push_back(std::make_unique<BenchMachine>(devices));
  std::vector<Rounds> measured(sizes.size());
  for (bool more = true; more;) {
    more = false;
    for (size_t i = 0; i < sizes.size(); ++i) {
      Rounds& rounds = measured[i];
      const size_t count = rounds.rounds.size();
      if (count >= kMaxRounds || (count >= kMinRounds && rounds.total >= kMinTotalMs))
        continue;
      MeasureRound(*machines[i], rounds);
      more = true;
    }
  }

  std::printf(
      "devices  reg MB  read ms  load ms  bare6 ms  inspect ms  inspect/bare6  (no lines)"
      "  write ms  -s ms     floor ms  -s/floor  exponent\n");
  for (size_t i = 0; i < sizes.size(); ++i) {
    const Rounds& rounds = measured[i];
    std::string exponent = "-";
    if (i > 0) {
      // The first kMinRounds rounds of every size were taken in the same passes over the sizes.
      std::vector<double> exponents;
      for (size_t r = 0; r < kMinRounds; ++r)
        exponents.push_back(std::log(rounds.rounds[r].run / measured[i - 1].rounds[r].run) /
                            std::log(static_cast<double>(sizes[i]) / sizes[i - 1]));
      std::sort(exponents.begin(), exponents.end());
      exponent = std::to_string(exponents[kMinRounds / 2]);
      exponent.resize(4);
    }
    std::printf(
        "%7d  %6.1f  %7.1f  %7.1f  %8.2f  %10.2f  %13.2f  %10.2f  %8.1f  %8.1f  %8.1f  %8.2f  %s\n",
        sizes[i], static_cast<double>(machines[i]->registryBytes()) / 1e6,
        rounds.Best([](const Round& r) { return r.read; }),
        rounds.Best([](const Round& r) { return r.load; }),
        rounds.Best([](const Round& r) { return r.bare; }),
        rounds.Best([](const Round& r) { return r.inspect; }),
        rounds.Median([](const Round& r) { return r.inspect / r.bare; }),
        rounds.Median([](const Round& r) { return r.inspect / r.quietBare; }),
        rounds.Best([](const Round& r) { return r.write; }),
        rounds.Best([](const Round& r) { return r.run; }),
        rounds.Best([](const Round& r) { return r.floor(); }),
        rounds.Median([](const Round& r) { return r.run / r.floor(); }), exponent.c_str());
  }
}

// Micro benchmarks: one device search, and reading and writing the registry.

void BM_DeviceSearchWithoutMatch(benchmark::State& state) {
  BenchMachine bench(static_cast<int>(state.range(0)));
  std::unique_ptr<SimMachine> machine = bench.Load();
  for (auto _ : state) {
    benchmark::DoNotOptimize(talvex::SearchDevices(machine->platform(), "*KVE0599",
                                                   talvex::HardwareIdScope::kEveryEntry, false));
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_DeviceSearchWithoutMatch)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

void BM_RegistryParseAndWrite(benchmark::State& state) {
  const std::string text = "REGEDIT4\r\n\r\n" + std::string(kEnumSection) +
                           GeneratedDevices(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    RegistryStore store = RegistryStore::Parse(text);
    benchmark::DoNotOptimize(store.Serialize());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_RegistryParseAndWrite)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

}  // namespace

int main(int argc, char** argv) {
  const bool micro = std::any_of(argv + 1, argv + argc, [](const char* argument) {
    return std::strcmp(argument, "--micro") == 0 || std::strncmp(argument, "--benchmark", 11) == 0;
  });
  if (!micro) {
    // --devices N: one size only. --machine N FOLDER: that machine, to run or profile by hand.
    std::vector<int> sizes = {200, 1000, 5000, 20000, 100000};
    if (argc == 3 && std::strcmp(argv[1], "--devices") == 0)
      sizes = {std::atoi(argv[2])};
    if (argc == 4 && std::strcmp(argv[1], "--machine") == 0) {
      BenchMachine(std::atoi(argv[2]), argv[3], true);
      return 0;
    }
    PrintTable(sizes);
    return 0;
  }
  std::vector<char*> arguments;
  for (int i = 0; i < argc; ++i)
    if (std::strcmp(argv[i], "--micro") != 0)
      arguments.push_back(argv[i]);
  int count = static_cast<int>(arguments.size());
  benchmark::Initialize(&count, arguments.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
