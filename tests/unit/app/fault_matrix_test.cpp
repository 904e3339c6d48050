// Every injectable operation made to fail at each of its calls in turn, on every bundled machine,
// unattended and (where the machine has a person at it) interactively: whatever fails, the program
// ends with one of its own exit codes, never claims a whole installation (the success result, or
// the finished page without the box that tells what failed) after a failed driver update, copy or
// device search that left the machine otherwise than a clean run does, does not hang, and changes
// nothing that a clean run of the machine leaves alone. Each machine and mode is one test, so the
// test runner spreads them over its jobs.
#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "entry/native_run.h"
#include "platform/sim/failure_plan.h"
#include "platform/sim/machine.h"
#include "tests/unit/support/machine_snapshot.h"

namespace talvex {
namespace {

namespace fs = std::filesystem;
using testing::ChangesBetween;
using testing::MachineSnapshot;

const char kSuccessResult[] = "error = 0\r\nrestart = 1\r\n";
const char kFailureResult[] = "error = 1\r\nrestart = 0\r\n";
const char kFinishedText[] = "Setup complete!";
// The box that tells the person which searches or copies failed.
const char kFailureBox[] = "message box [Setup] Setup could not ";

// Calls 1 to kDenseCalls of an operation are each made to fail; beyond them only every further
// half again (12, 18, 27, ...), so that an operation called hundreds of times stays cheap.
constexpr int kDenseCalls = 8;
// Pairs of rules drawn, with a fixed seed, from the single rules that fired.
constexpr int kSampledPairs = 24;
// A run that takes longer than this (real time) has hung.
constexpr auto kHangLimit = std::chrono::seconds(60);

struct MatrixMachine {
  const char* name;     // the test's name
  const char* machine;  // examples/machines/<machine>
  const char* overlay;  // a scenario case's overlay over it, or null
  bool unattended;      // -s, or the person's [user] script
};

const MatrixMachine kMachines[] = {
    {"winxp", "winxp", nullptr, true},
    {"win2000", "win2000", nullptr, true},
    {"win98", "win98", nullptr, true},
    {"winme", "winme", nullptr, true},
    {"nt4", "nt4", nullptr, true},
    {"nochip", "nochip", nullptr, true},
    {"winme_wizard_unattended", "winme-wizard", nullptr, true},
    {"winxp_wizard", "winxp-wizard", nullptr, false},
    {"winme_wizard", "winme-wizard", nullptr, false},
    {"win98_wizard_reboot", "win98", "win98-wizard-reboot", false},
    {"nt4_wizard", "nt4", "nt4-wizard", false},
};

// One line of machine.ini's [failures].
struct Rule {
  std::string operation;
  std::string when;   // "call 3", "from call 2", "always"
  std::string error;  // "" for the operation's own code

  std::string Line() const {
    return operation + " = " + when + (error.empty() ? "" : " error " + error);
  }
  // Whether a failure of this rule means a driver update, a file copy or a device search failed.
  // The enumeration's own code is the end of the list, and the property read's is a device
  // without hardware IDs: both are ordinary answers, only another code is a failed search. An
  // unattended run loads no library but newdev.dll, so there a failed load, entry point or system
  // folder means the driver update could not be made.
  bool HitsInstallation(bool unattended) const {
    if (operation == "UpdateDriverForPlugAndPlayDevicesA" || operation == "SetupInstallFileA" ||
        operation == "SetupDiGetClassDevsA")
      return true;
    if (unattended && (operation == "LoadLibraryA" || operation == "GetProcAddress" ||
                       operation == "GetSystemDirectoryA"))
      return true;
    return !error.empty() && (operation == "SetupDiEnumDeviceInfo" ||
                              operation == "SetupDiGetDeviceRegistryPropertyA");
  }
};

struct Outcome {
  int exitCode = -1;
  std::string err;
  std::vector<int> fired;  // per rule
  std::set<std::string> changes;
  std::optional<std::string> log;
  std::string screen;
  bool FiredAny() const {
    return std::any_of(fired.begin(), fired.end(), [](int n) { return n > 0; });
  }
};

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Thousands of machine folders are copied and removed: in memory where the system offers a
// memory file system, else in the temporary folder.
fs::path ScratchFolder() {
  std::error_code error;
  if (fs::is_directory("/dev/shm", error) && access("/dev/shm", W_OK) == 0)
    return "/dev/shm";
  return fs::temp_directory_path();
}

// Ends the test program, naming the run, when a run does not end in time: a hang must fail the
// test rather than stall the whole test command.
class HangWatch {
 public:
  HangWatch() : thread_([this] { Watch(); }) {}
  ~HangWatch() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  void Start(std::string run) {
    std::lock_guard<std::mutex> lock(mutex_);
    run_ = std::move(run);
    deadline_ = std::chrono::steady_clock::now() + kHangLimit;
    armed_ = true;
    changed_.notify_all();
  }
  void Stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    armed_ = false;
  }

 private:
  void Watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
      if (armed_ && std::chrono::steady_clock::now() >= deadline_) {
        std::fprintf(stderr, "fault matrix: the run %s did not end within %lld s\n", run_.c_str(),
                     static_cast<long long>(kHangLimit.count()));
        std::fflush(stderr);
        std::_Exit(1);
      }
      if (armed_)
        changed_.wait_until(lock, deadline_);
      else
        changed_.wait(lock);
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  bool stop_ = false;
  bool armed_ = false;
  std::string run_;
  std::chrono::steady_clock::time_point deadline_;
  std::thread thread_;
};

class FaultMatrix {
 public:
  explicit FaultMatrix(const MatrixMachine& machine) : machine_(machine) {
    static std::atomic<int> counter{0};
    root_ = ScratchFolder() /
            ("talvex-fault-matrix-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(root_);
    fs::create_directories(root_);
    Prepare(root_ / "template");
    before_ = MachineSnapshot::Take(root_ / "template");
  }
  ~FaultMatrix() {
    std::error_code error;
    fs::remove_all(root_, error);
  }

  // The clean runs (unattended and, for a person at the machine, interactive): what they change is
  // what a run with failures may change.
  void RunClean() {
    if (!machine_.unattended) {
      Outcome unattended = Run({}, {"-s"});
      allowed_.insert(unattended.changes.begin(), unattended.changes.end());
    }
    Outcome clean = Run({}, Arguments());
    allowed_.insert(clean.changes.begin(), clean.changes.end());
    clean_changes_ = clean.changes;
    Judge({}, clean);
  }

  // Every operation, each of its calls in turn, then always; with the codes that make a search
  // fail for the two device operations whose own code is an ordinary answer.
  void RunSingleRules() {
    for (const sim::FailureOperation& operation : sim::FailureOperations()) {
      std::vector<std::string> errors = {""};
      std::string name = operation.name;
      if (name == "SetupDiEnumDeviceInfo" || name == "SetupDiGetDeviceRegistryPropertyA")
        errors.push_back("31");
      bool firedOnce = false;
      for (const std::string& error : errors) {
        int call = 1;
        for (;;) {
          Rule rule{name, "call " + std::to_string(call), error};
          Outcome outcome = Run({rule}, Arguments());
          Judge({rule}, outcome);
          if (!outcome.FiredAny())
            break;
          fired_.push_back(rule);
          firedOnce = true;
          call = call < kDenseCalls ? call + 1 : call + call / 2;
        }
        if (!firedOnce)
          break;  // never called on this machine
        Rule always{name, "always", error};
        Judge({always}, Run({always}, Arguments()));
      }
      if (firedOnce)
        operations_.push_back(name);
    }
  }

  // A fixed sample of two rules together, and two rules on one operation that overlap.
  void RunPairs() {
    if (fired_.size() < 2)
      return;
    std::mt19937 random(20261208);
    for (int i = 0; i < kSampledPairs; ++i) {
      const Rule& first = fired_[random() % fired_.size()];
      const Rule& second = fired_[random() % fired_.size()];
      if (first.Line() == second.Line())
        continue;
      Judge({first, second}, Run({first, second}, Arguments()));
    }
    // Two rules of one operation: a single call and every call from another on.
    for (size_t i = 0; i + 1 < fired_.size(); i += 7) {
      const Rule& rule = fired_[i];
      Rule from{rule.operation, "from call 2", rule.error};
      Judge({rule, from}, Run({rule, from}, Arguments()));
    }
  }

  int runs() const { return runs_; }
  // The operations that the machine's runs call (and so could be made to fail).
  const std::vector<std::string>& operations() const { return operations_; }
  const std::vector<std::string>& bad() const { return bad_; }

 private:
  std::vector<std::string> Arguments() const {
    return machine_.unattended ? std::vector<std::string>{"-s"} : std::vector<std::string>{};
  }

  // The bundled machine with the sample driver package beside the program, and the scenario's
  // overlay.
  void Prepare(const fs::path& folder) const {
    fs::path source = fs::path(TALVEX_SOURCE_DIR);
    fs::copy(source / "examples/machines" / machine_.machine, folder, fs::copy_options::recursive);
    std::vector<fs::path> placeholders;  // .keep files hold empty folders in the repository
    for (const auto& entry : fs::recursive_directory_iterator(folder))
      if (entry.path().filename() == ".keep")
        placeholders.push_back(entry.path());
    for (const fs::path& placeholder : placeholders)
      fs::remove(placeholder);
    fs::copy(source / "examples/package/auto", folder / "d/SETUP/auto",
             fs::copy_options::recursive);
    if (machine_.overlay != nullptr)
      fs::copy(source / "tests/scenario/cases" / machine_.overlay / "overlay", folder,
               fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  }

  Outcome Run(const std::vector<Rule>& rules, const std::vector<std::string>& arguments) {
    ++runs_;
    fs::path folder = root_ / "run";
    fs::remove_all(folder);
    fs::copy(root_ / "template", folder, fs::copy_options::recursive);
    if (!rules.empty()) {
      std::ofstream ini(folder / "machine.ini", std::ios::binary | std::ios::app);
      ini << "\r\n[failures]\r\n";
      for (const Rule& rule : rules)
        ini << rule.Line() << "\r\n";
    }
    Outcome outcome;
    std::ostringstream out, err;
    std::unique_ptr<sim::SimMachine> kept;
    watch_.Start(std::string(machine_.name) + " " + Describe(rules));
    try {
      outcome.exitCode = RunNativeProgram(folder, arguments, out, err, &kept);
    } catch (const std::exception& error) {
      err << "exception out of the run: " << error.what() << "\n";
      outcome.exitCode = -1;
    }
    watch_.Stop();
    outcome.err = err.str();
    for (size_t i = 0; i < rules.size(); ++i)
      outcome.fired.push_back(kept ? kept->failures().FiredBy(i) : 0);
    kept.reset();
    outcome.changes = ChangesBetween(before_, MachineSnapshot::Take(folder));
    if (fs::exists(folder / "d/SETUP/log.txt"))
      outcome.log = ReadBytes(folder / "d/SETUP/log.txt");
    outcome.screen = ReadBytes(folder / "screen.txt");
    return outcome;
  }

  static std::string Describe(const std::vector<Rule>& rules) {
    if (rules.empty())
      return "(no failure)";
    std::string text;
    for (const Rule& rule : rules)
      text += (text.empty() ? "[" : "; ") + rule.Line();
    return text + "]";
  }

  void Judge(const std::vector<Rule>& rules, const Outcome& outcome) {
    bool hit = false;
    std::vector<Rule> ordinary;  // rules that fired without making anything fail
    for (size_t i = 0; i < rules.size(); ++i) {
      if (outcome.fired[i] == 0)
        continue;
      if (rules[i].HitsInstallation(machine_.unattended))
        hit = true;
      else
        ordinary.push_back(rules[i]);
    }
    std::string why;
    // Exit code 0 is the end of a run that Windows restarted, or of one that an exception reached
    // the entry of (the exception box): either way the last line on standard error says so.
    std::string err = outcome.err;
    while (!err.empty() && err.back() == '\n')
      err.pop_back();
    bool endedByBox =
        !err.empty() && err[err.rfind('\n') == std::string::npos ? 0 : err.rfind('\n') + 1] == '[';
    int code = outcome.exitCode;
    bool codeAllowed = code == 1 || code == 6 || (code == 0 && endedByBox) ||
                       (!machine_.unattended && (code == 4 || code == 5));
    if (!codeAllowed)
      why += " exit code " + std::to_string(code) + ";";
    if (outcome.log && *outcome.log != kSuccessResult && *outcome.log != kFailureResult)
      why += " log.txt holds '" + *outcome.log + "';";
    // A failure that cost nothing (the run changed what a clean run changes) may pass unsaid. An
    // ordinary rule that fired too (an early end of the device list, which looks like absent
    // devices) can cost something on its own, unseen by the program, and renumbers the calls of
    // the other rule: then any claim stands.
    bool costSomething = hit && ordinary.empty() && outcome.changes != clean_changes_;
    if (hit && costSomething && outcome.log == kSuccessResult)
      why += " success in log.txt after a failed update, copy or search;";
    if (hit && costSomething && outcome.screen.find(kFinishedText) != std::string::npos &&
        outcome.screen.find(kFailureBox) == std::string::npos)
      why += " the wizard says it finished, with no word of a failed update, copy or search;";
    for (const std::string& change : outcome.changes)
      if (allowed_.count(change) == 0)
        why += " changed " + change + ";";
    if (!why.empty())
      bad_.push_back(std::string(machine_.name) + " " + Describe(rules) + ":" + why +
                     " standard error: " + outcome.err.substr(0, 400));
  }

  const MatrixMachine& machine_;
  fs::path root_;
  MachineSnapshot before_;
  std::set<std::string> allowed_;
  std::set<std::string> clean_changes_;
  std::vector<Rule> fired_;
  std::vector<std::string> bad_;
  int runs_ = 0;
  std::vector<std::string> operations_;
  HangWatch watch_;
};

// The test's name in the test runner's list.
void PrintTo(const MatrixMachine& machine, std::ostream* out) {
  *out << machine.name;
}

class FaultMatrixTest : public ::testing::TestWithParam<MatrixMachine> {};

TEST_P(FaultMatrixTest, EveryFailureEndsSafely) {
  FaultMatrix matrix(GetParam());
  matrix.RunClean();
  matrix.RunSingleRules();
  matrix.RunPairs();
  std::string operations;
  for (const std::string& name : matrix.operations())
    operations += " " + name;
  std::printf("fault matrix %s: %d runs, %zu bad outcomes; operations that fired:%s\n",
              GetParam().name, matrix.runs(), matrix.bad().size(), operations.c_str());
  // Every machine's run makes failable calls: a matrix that fires nothing tests nothing.
  EXPECT_GE(matrix.operations().size(), 3u);
  for (size_t i = 0; i < matrix.bad().size() && i < 25; ++i)
    ADD_FAILURE() << matrix.bad()[i];
}

std::string MachineName(const ::testing::TestParamInfo<MatrixMachine>& param) {
  return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(Machines, FaultMatrixTest, ::testing::ValuesIn(kMachines), MachineName);

}  // namespace
}  // namespace talvex
