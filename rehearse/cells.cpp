#include "rehearse/cells.h"

#include <deque>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "platform/ascii_text.h"

namespace talvex::rehearse {
namespace {

namespace fs = std::filesystem;

const char kSmartcardBaseKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SmartcardBase";

void Write(const fs::path& path, const std::string& bytes) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush())
    throw std::runtime_error("cannot write " + path.string());
}

void MakeFolder(const fs::path& path) {
  std::error_code error;
  fs::create_directories(path, error);
  if (error)
    throw std::runtime_error("cannot make " + path.string() + ": " + error.message());
}

// A REGEDIT4 string: backslashes and quotes escaped.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"')
      out += '\\';
    out += c;
  }
  return out + "\"";
}

// registry.reg's keys, written as regedit writes them: a section for every key, parents
// included, each key's sub-keys after it in the order they were added.
class RegistryText {
 public:
  void Add(const std::string& path,
           const std::vector<std::pair<std::string, std::string>>& values) {
    Node* node = &root_;
    size_t start = 0;
    while (start <= path.size()) {
      size_t end = path.find('\\', start);
      std::string name = path.substr(start, end == std::string::npos ? end : end - start);
      start = end == std::string::npos ? path.size() + 1 : end + 1;
      Node* child = nullptr;
      for (Node& existing : node->children)
        if (EqualsIgnoreCase(existing.name, name))
          child = &existing;
      if (child == nullptr) {
        node->children.push_back(Node{name, {}, {}});
        child = &node->children.back();
      }
      node = child;
    }
    for (const auto& [name, value] : values)
      node->values += Quoted(name) + "=" + value + "\r\n";
  }
  std::string Text() const {
    std::string text = "REGEDIT4\r\n\r\n";
    for (const Node& child : root_.children)
      Write(child, "HKEY_LOCAL_MACHINE", text);
    return text;
  }

 private:
  struct Node {
    std::string name;
    std::string values;
    std::deque<Node> children;
  };
  static void Write(const Node& node, const std::string& parent, std::string& text) {
    const std::string path = parent + "\\" + node.name;
    text += "[" + path + "]\r\n" + node.values + "\r\n";
    for (const Node& child : node.children)
      Write(child, path, text);
  }
  Node root_;
};

// A REG_MULTI_SZ of one text.
std::string MultiString(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "hex(7):";
  for (unsigned char c : text) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
    out += ',';
  }
  return out + "00,00";
}

void AddVersionKeys(WindowsVersion version, RegistryText& registry) {
  const char* current = "Software\\Microsoft\\Windows\\CurrentVersion";
  switch (version) {
    case WindowsVersion::k98:
      registry.Add(current, {{"ProductName", Quoted("Microsoft Windows 98")},
                             {"Version", Quoted("Windows 98")},
                             {"VersionNumber", Quoted("4.10.2222")},
                             {"SubVersionNumber", Quoted(" A ")},
                             {"SystemRoot", Quoted("C:\\WINDOWS")}});
      return;
    case WindowsVersion::kMe:
      registry.Add(current, {{"ProductName", Quoted("Microsoft Windows ME")},
                             {"Version", Quoted("Windows Millennium Edition")},
                             {"VersionNumber", Quoted("4.90.3000")},
                             {"SystemRoot", Quoted("C:\\WINDOWS")}});
      return;
    case WindowsVersion::k2000:
    case WindowsVersion::kXp:
      break;
  }
  bool xp = version == WindowsVersion::kXp;
  registry.Add(current, {{"ProgramFilesDir", Quoted("C:\\Program Files")}});
  registry.Add("Software\\Microsoft\\Windows NT\\CurrentVersion",
               {{"CurrentVersion", Quoted(xp ? "5.1" : "5.0")},
                {"CurrentBuildNumber", Quoted(xp ? "2600" : "2195")},
                {"ProductName", Quoted(xp ? "Microsoft Windows XP" : "Microsoft Windows 2000")},
                {"SystemRoot", Quoted("C:\\WINDOWS")}});
}

// What the smart card components' installers do, as the machine runs them: the library's writes
// its driver file and shows its final window; the base components' shows its readme, registers
// the components and shows its final window.
std::string InstallerScripts(const std::string& folder) {
  return "[program " + folder +
         "smclib.exe]\r\n"
         "file 1500 = C:\\WINDOWS\\system\\smclib.vxd\r\n"
         "window 2000 = #32770 | Microsoft Smart Card Driver Library\r\n\r\n"
         "[program " +
         folder +
         "scbase.exe]\r\n"
         "window 800 = notepad | README.TXT - Notepad\r\n"
         "key 2500 = " +
         std::string(kSmartcardBaseKey) +
         "\r\n"
         "window 3000 = #32770 | Microsoft Smart Card Base Components\r\n\r\n";
}

// The person: Welcome, Next, Next (the notice and the installers run by themselves), OK on the
// warning if it comes, Finish, Reboot.
const char kWizardSession[] =
    "[user]\r\n"
    "click = TForm2.Next\r\n"
    "click = TForm2.Next\r\n"
    "click if shown = TForm5.OK\r\n"
    "click = TForm2.Next\r\n"
    "click = TForm3.OK\r\n";

void CopyPackage(const Package& package, const fs::path& target) {
  std::error_code error;
  fs::copy(package.folder(), target, fs::copy_options::recursive, error);
  if (error)
    throw std::runtime_error("cannot copy the package to " + target.string() + ": " +
                             error.message());
}

}  // namespace

std::string Cell::Name() const {
  std::string name = std::string(VersionTag(version)) + "-id" + std::to_string(idIndex + 1);
  if (components == Components::kPresent)
    name += "-present";
  else if (components == Components::kMissing)
    name += "-missing";
  name += medium == Medium::kCd ? "-cd" : "-disk";
  name += unattended ? "-s" : "-wizard";
  return name;
}

std::string Cell::Description() const {
  std::string text =
      std::string(VersionName(version)) + (idIndex == 0 ? ", first IDs" : ", second IDs");
  if (components == Components::kPresent)
    text += ", components present";
  else if (components == Components::kMissing)
    text += ", components missing";
  text += medium == Medium::kCd ? ", CD" : ", hard disk";
  text += unattended ? ", unattended" : ", wizard";
  return text;
}

std::string Cell::ProgramFolder() const {
  return medium == Medium::kCd ? "E:\\SETUP\\" : "D:\\SETUP\\";
}

std::vector<std::string> Cell::HardwareIds() const {
  std::vector<std::string> ids;
  for (ChipFunction function : functions)
    ids.emplace_back(DriverOf(function).hardwareIds[static_cast<size_t>(idIndex)]);
  return ids;
}

std::vector<Cell> AllCells(const std::vector<ChipFunction>& functions) {
  std::vector<Cell> cells;
  for (WindowsVersion version : kVersions) {
    std::vector<Components> states{Components::kNotAsked};
    if (!IsNt(version))
      states = {Components::kPresent, Components::kMissing};
    for (int idIndex : {0, 1})
      for (Components components : states)
        for (Medium medium : {Medium::kDisk, Medium::kCd})
          for (bool unattended : {true, false})
            cells.push_back({version, idIndex, components, medium, unattended, functions});
  }
  return cells;
}

void BuildMachine(const Cell& cell, const Package& package, const fs::path& folder) {
  std::error_code error;
  if (fs::exists(folder, error))
    throw std::runtime_error(folder.string() + " exists already");
  const bool nt = IsNt(cell.version);
  MakeFolder(folder / "c/WINDOWS/inf");
  if (nt) {
    MakeFolder(folder / "c/WINDOWS/system32/drivers");
  } else {
    // Windows 9x keeps its system files in SYSTEM, its port drivers in SYSTEM\IOSUBSYS and its WDM
    // drivers in system32\drivers.
    MakeFolder(folder / "c/WINDOWS/system/IOSUBSYS");
    MakeFolder(folder / "c/WINDOWS/system32/drivers");
  }
  const char* drive = cell.medium == Medium::kCd ? "e" : "d";
  MakeFolder(folder / drive);
  CopyPackage(package, folder / drive / "SETUP");

  RegistryText registry;
  AddVersionKeys(cell.version, registry);
  if (cell.components == Components::kPresent) {
    registry.Add(kSmartcardBaseKey,
                 {{"DisplayName", Quoted("Microsoft Smart Card Base Components")}});
    Write(folder / "c/WINDOWS/system/smclib.vxd", "");
  }
  for (ChipFunction function : cell.functions) {
    const char* id = DriverOf(function).hardwareIds[static_cast<size_t>(cell.idIndex)];
    registry.Add(std::string("SYSTEM\\CurrentControlSet\\Enum\\Root\\") + id + "\\0000",
                 {{"DeviceDesc", Quoted(std::string("TALVEX ") + FunctionName(function))},
                  {"HardwareID", MultiString(id)}});
  }
  Write(folder / "registry.reg", registry.Text());

  std::string ini = "[machine]\r\nprogram = " + cell.ProgramFolder() +
                    "Setup.exe\r\nwindows = C:\\WINDOWS\r\njournal = journal.txt\r\n\r\n";
  if (cell.medium == Medium::kCd)
    ini += "[drives]\r\nE: = cdrom | TALVEX\r\n\r\n";
  if (cell.components == Components::kMissing)
    ini += InstallerScripts(cell.ProgramFolder());
  if (!cell.unattended)
    ini += kWizardSession;
  Write(folder / "machine.ini", ini);
}

}  // namespace talvex::rehearse
