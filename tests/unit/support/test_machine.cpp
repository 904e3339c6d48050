#include "tests/unit/support/test_machine.h"

#include "entry/native_run.h"

#include <unistd.h>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "app/setup_program.h"
#include "framework/headless/headless_ui.h"

namespace talvex::testing {

namespace fs = std::filesystem;

namespace {

std::string HexBytes(const std::vector<std::string>& ids) {
  std::string hex;
  char byte[4];
  auto add = [&](unsigned char c) {
    std::snprintf(byte, sizeof byte, "%02x", c);
    if (!hex.empty())
      hex += ",";
    hex += byte;
  };
  for (const std::string& id : ids) {
    for (char c : id)
      add(static_cast<unsigned char>(c));
    add(0);
  }
  add(0);
  return hex;
}

std::string Escape(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '\\' || c == '"')
      escaped += '\\';
    escaped += c;
  }
  return escaped;
}

}  // namespace

std::string StringValuesKey(const std::string& path,
                            std::initializer_list<std::pair<std::string, std::string>> values) {
  std::string text = "[HKEY_LOCAL_MACHINE\\" + path + "]\r\n";
  for (const auto& [name, value] : values)
    text += "\"" + Escape(name) + "\"=\"" + Escape(value) + "\"\r\n";
  return text + "\r\n";
}

std::string Windows98Keys() {
  return StringValuesKey("Software\\Microsoft\\Windows\\CurrentVersion",
                         {{"Version", "Windows 98"}, {"VersionNumber", "4.10.1998"}});
}

std::string WindowsMeKeys() {
  return StringValuesKey("Software\\Microsoft\\Windows\\CurrentVersion",
                         {{"Version", "Windows Millennium Edition"}});
}

std::string Windows2000Keys() {
  return StringValuesKey("Software\\Microsoft\\Windows\\CurrentVersion",
                         {{"ProgramFilesDir", "C:\\Program Files"}}) +
         StringValuesKey("Software\\Microsoft\\Windows NT\\CurrentVersion",
                         {{"CurrentVersion", "5.0"}, {"ProductName", "Microsoft Windows 2000"}});
}

std::string WindowsXpKeys() {
  return StringValuesKey("Software\\Microsoft\\Windows\\CurrentVersion",
                         {{"ProgramFilesDir", "C:\\Program Files"}}) +
         StringValuesKey("Software\\Microsoft\\Windows NT\\CurrentVersion",
                         {{"CurrentVersion", "5.1"}, {"ProductName", "Microsoft Windows XP"}});
}

std::string WindowsNt4Keys() {
  return StringValuesKey("Software\\Microsoft\\Windows\\CurrentVersion", {}) +
         StringValuesKey("Software\\Microsoft\\Windows NT\\CurrentVersion",
                         {{"CurrentVersion", "4.0"}});
}

std::string DeviceKeyWithIds(const std::string& instancePath, const std::vector<std::string>& ids) {
  std::string text =
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\" + instancePath + "]\r\n";
  if (!ids.empty())
    text += "\"HardwareID\"=hex(7):" + HexBytes(ids) + "\r\n";
  return text + "\r\n";
}

std::string DeviceKey(const std::string& instancePath, std::initializer_list<std::string> ids) {
  return DeviceKeyWithIds(instancePath, std::vector<std::string>(ids));
}

TestMachine::TestMachine() {
  static std::atomic<int> counter{0};
  folder_ = fs::temp_directory_path() /
            ("talvex-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  fs::remove_all(folder_);
  fs::create_directories(folder_ / "c" / "WINDOWS");
  fs::create_directories(folder_ / "d" / "SETUP");
}

TestMachine::~TestMachine() {
  machine_.reset();
  std::error_code error;
  fs::remove_all(folder_, error);
}

TestMachine& TestMachine::Ini(const std::string& extra) {
  ini_extra_ += extra;
  return *this;
}

TestMachine& TestMachine::RawIni(const std::string& text) {
  raw_ini_ = text;
  raw_ = true;
  return *this;
}

TestMachine& TestMachine::Registry(const std::string& sections) {
  registry_ += sections;
  return *this;
}

TestMachine& TestMachine::RegistryFile(const std::string& bytes) {
  registry_file_ = bytes;
  return *this;
}

TestMachine& TestMachine::File(const std::string& relativePath, const std::string& bytes) {
  Write(relativePath, bytes);
  return *this;
}

TestMachine& TestMachine::Folder(const std::string& relativePath) {
  fs::create_directories(folder_ / relativePath);
  return *this;
}

TestMachine& TestMachine::Package(const std::string& folder) {
  // The sample package's real INFs and their files; Windows installs them into its own folders.
  const fs::path package = fs::path(TALVEX_SOURCE_DIR) / "examples/package/auto";
  for (const char* version : {"win2k", "winxp", "winme"}) {
    fs::path target = folder_ / folder / "auto" / version;
    fs::create_directories(target);
    fs::copy(package / version, target,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  }
  fs::create_directories(folder_ / "c/WINDOWS");
  return *this;
}

TestMachine& TestMachine::Windows98Package() {
  for (const char* file : {"kvms.inf", "kvms.pdr", "kvmsicon.ico", "kvsd.inf", "kvsd.pdr",
                           "kvsdicon.ico", "kvscr.inf", "kvscr.sys"})
    Write(std::string("d/SETUP/auto/win98/") + file, file);
  for (const char* folder :
       {"c/WINDOWS/inf", "c/WINDOWS/system/IOSUBSYS", "c/WINDOWS/system32/drivers"})
    fs::create_directories(folder_ / folder);
  return *this;
}

void TestMachine::Write(const std::string& relativePath, const std::string& bytes) {
  fs::path path = folder_ / relativePath;
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

void TestMachine::WriteMachineFiles() {
  if (written_)
    return;
  written_ = true;
  Write("machine.ini",
        raw_ ? raw_ini_ : "[machine]\r\nprogram = D:\\SETUP\\Setup.exe\r\n" + ini_extra_);
  Write("registry.reg", registry_file_.value_or("REGEDIT4\r\n\r\n" + registry_));
}

sim::SimMachine& TestMachine::Machine() {
  if (!machine_) {
    WriteMachineFiles();
    machine_ = sim::SimMachine::Load(folder_, out_);
  }
  return *machine_;
}

RunResult TestMachine::Run(const std::vector<std::string>& arguments) {
  // The run loads the machine afresh from its folder, as talvex-setup does.
  WriteMachineFiles();
  machine_.reset();
  out_.str("");
  std::ostringstream err;
  RunResult result;
  result.exitCode = RunNativeProgram(folder_, arguments, out_, err, &machine_);
  result.out = out_.str();
  result.err = err.str();
  return result;
}

std::string TestMachine::ReadFile(const std::string& relativePath) const {
  if (machine_)
    machine_->Flush();  // looking at the machine
  std::ifstream in(folder_ / relativePath, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool TestMachine::Exists(const std::string& relativePath) const {
  return fs::exists(folder_ / relativePath);
}

sim::RegistryStore TestMachine::SavedRegistry() const {
  if (machine_)
    machine_->Flush();
  return sim::RegistryStore::Parse(ReadFile("registry.reg"));
}

std::vector<std::string> JournalLines(const std::string& journal,
                                      std::initializer_list<std::string> operations) {
  std::vector<std::string> lines;
  std::istringstream in(journal);
  std::string line;
  while (std::getline(in, line)) {
    std::string operation = line.substr(0, line.find(' '));
    bool wanted = operations.size() == 0;
    for (const std::string& name : operations)
      wanted = wanted || operation == name;
    if (wanted)
      lines.push_back(line);
  }
  return lines;
}

std::string StringValue(sim::RegistryStore& store, const std::string& path,
                        const std::string& name) {
  sim::RegKeyNode* key = store.FindKey(path);
  if (key == nullptr)
    return "<no key>";
  const sim::RegValue* value = key->FindValue(name);
  if (value == nullptr)
    return "<missing>";
  std::string text(value->data.begin(), value->data.end());
  return text.substr(0, text.find('\0'));
}

}  // namespace talvex::testing
