#include "platform/sim/machine.h"

#include <fstream>
#include <iterator>

#include "platform/ascii_text.h"
#include "platform/sim/machine_drives.h"
#include "platform/sim/machine_os.h"

namespace talvex::sim {

namespace fs = std::filesystem;

namespace {

std::string ReadWholeFile(const fs::path& path, const char* what) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw MachineError(std::string("cannot read ") + what + " (" + path.string() + ")");
  // One read of the whole file where its size is known (registry.reg may be tens of
  // megabytes); byte by byte where it is not (a pipe).
  std::string bytes;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.fail() ? -1 : static_cast<std::streamoff>(in.tellg());
  in.clear();
  in.seekg(0, std::ios::beg);
  if (size >= 0 && !in.fail()) {
    bytes.resize(static_cast<size_t>(size));
    in.read(bytes.data(), size);
    bytes.resize(static_cast<size_t>(in.gcount()));
  } else {
    in.clear();
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (in.bad())
    throw MachineError(std::string("cannot read ") + what);
  return bytes;
}

std::string WindowsFolder(const IniFile& ini) {
  // Absent: the usual folder. Present but empty: the machine has none to report.
  return ini.Value("machine", "windows").value_or("C:\\WINDOWS");
}

// Windows 98 and Me keep their system files in the Windows folder's SYSTEM, the NT family in
// system32.
std::string SystemFolder(const IniFile& ini, RegistryStore& store) {
  if (auto system = ini.Value("machine", "system"))
    return *system;
  std::string windows = WindowsFolder(ini);
  if (windows.empty())
    return std::string();
  return windows + (IsNtFamily(store) ? "\\system32" : "\\SYSTEM");
}

// The program runs with its own folder as the current folder, as when it is started from there.
std::string ProgramFolder(const IniFile& ini) {
  std::string program = ini.Value("machine", "program").value_or("");
  size_t slash = program.find_last_of('\\');
  return slash == std::string::npos ? std::string() : program.substr(0, slash + 1);
}

uint64_t TimeLimit(const IniFile& ini) {
  std::optional<std::string> limit = ini.Value("machine", "time limit");
  if (!limit)
    return kDefaultTimeLimitMs;
  try {
    size_t used = 0;
    uint64_t value = std::stoull(*limit, &used);
    if (used != limit->size())
      throw std::invalid_argument(*limit);
    return value;
  } catch (const std::logic_error&) {
    throw IniError("machine.ini: 'time limit' takes milliseconds");
  }
}

}  // namespace

std::unique_ptr<SimMachine> SimMachine::Load(const fs::path& folder, std::ostream& out,
                                             bool startJournal) {
  std::error_code error;
  if (!fs::is_directory(folder, error))
    throw MachineError("no machine folder at " + folder.string());
  IniFile ini;
  try {
    ini = IniFile::Parse(ReadWholeFile(folder / "machine.ini", "machine.ini"));
  } catch (const IniError& e) {
    throw MachineError(e.what());
  }
  std::optional<std::string> program = ini.Value("machine", "program");
  if (!program || program->empty())
    throw MachineError("machine.ini names no program");
  RegistryStore store;
  try {
    store = RegistryStore::Parse(ReadWholeFile(folder / "registry.reg", "registry.reg"));
  } catch (const RegFileError& e) {
    throw MachineError(std::string("registry.reg ") + e.what());
  }
  std::unique_ptr<SimMachine> machine;
  try {
    machine = std::make_unique<SimMachine>(folder, ini, std::move(store), out);
  } catch (const IniError& e) {
    throw MachineError(e.what());
  }
  if (startJournal)
    machine->StartJournal();
  return machine;
}

void SimMachine::StartJournal() {
  if (!journal_file_ || journal_.on())
    return;
  if (TrimBlanks(*journal_file_).empty())
    throw MachineError("machine.ini: 'journal' names no file");
  fs::path file(*journal_file_);
  if (file.is_relative())
    file = folder_ / file;
  if (!journal_.Open(file))
    throw MachineError("the journal " + file.string() + " cannot be written");
}

SimMachine::SimMachine(const fs::path& folder, const IniFile& ini, RegistryStore store,
                       std::ostream& out)
    : folder_(folder),
      journal_file_(ini.Value("machine", "journal")),
      failures_(FailurePlan::FromIni(ini)),
      store_(std::move(store)),
      journal_(errors_),
      paths_(folder, ProgramFolder(ini), ReadOnlyDriveLetters(ReadMachineDrives(ini, folder))),
      registry_(store_, folder / "registry.reg", failures_, journal_),
      devices_(store_, errors_, failures_, journal_),
      newdev_(store_, devices_, paths_, errors_, failures_, folders_, journal_),
      files_(paths_, errors_, failures_, journal_),
      folders_(WindowsFolder(ini), SystemFolder(ini, store_), errors_, failures_, journal_),
      process_(ini.Value("machine", "program").value_or(""), out, journal_),
      console_(out, journal_),
      clock_(TimeLimit(ini)),
      windows_(errors_, journal_),
      processes_(ini.Value("machine", "program").value_or(""), ReadProgramScripts(ini), clock_,
                 windows_, store_, registry_, paths_, errors_, failures_, journal_),
      shell_(ini, WindowsFolder(ini), folder, paths_, failures_, folders_, journal_),
      session_(store_, errors_, failures_, journal_),
      platform_{registry_, devices_, newdev_,    files_,   folders_, process_,
                errors_,   console_, processes_, windows_, shell_,   session_} {
  errors_.SetJournal(&journal_);
  if (const IniSection* user = ini.Section("user"))
    user_lines_ = user->entries;
  for (const PresetWindow& window : ReadPresetWindows(ini))
    windows_.Open(window.className, window.title, -1);
}

}  // namespace talvex::sim
