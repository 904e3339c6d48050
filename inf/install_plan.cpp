#include "inf/install_plan.h"

#include <charconv>

#include "platform/ascii_text.h"

namespace talvex::inf {
namespace {

// FLG_ADDREG_* and FLG_DELREG_* bits the plan looks at.
constexpr uint32_t kDelRegBit = 0x8000;

// Directives of an install section that Windows knows and the plan does not carry out.
const char* const kKnownDirectives[] = {
    "DelFiles",     "RenFiles",     "Include",      "Needs",          "Reboot",
    "Restart",      "BitReg",       "LogConfig",    "UpdateInis",     "UpdateIniFields",
    "Ini2Reg",      "ProfileItems", "RegisterDlls", "UnregisterDlls", "CopyINF",
    "FeatureScore", "AddProperty",  "DelProperty",  "AddInterface",   "DelService",
};

// A decimal number, or a hexadecimal one after "0x", with an optional minus.
std::optional<int64_t> Integer(std::string_view text) {
  bool negative = !text.empty() && text[0] == '-';
  if (negative)
    text.remove_prefix(1);
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size())
    return std::nullopt;
  return negative ? -value : value;
}

std::string WithoutBackslashes(std::string text) {
  while (!text.empty() && text.front() == '\\')
    text.erase(text.begin());
  while (!text.empty() && text.back() == '\\')
    text.pop_back();
  return text;
}

std::string Join(std::string folder, const std::string& below) {
  std::string part = WithoutBackslashes(below);
  if (part.empty())
    return folder;
  if (folder.empty() || folder.back() != '\\')
    folder += '\\';
  return folder + part;
}

class Planner {
 public:
  Planner(const InfFile& file, const TargetOs& os, const Folders& folders)
      : file_(file), os_(os), folders_(folders) {
    file_.set_dirids([this](int dirid) { return folders_.Folder(dirid); });
  }

  PlanResult Plan(const std::vector<std::string>& ids) {
    if (uint32_t error = CheckSignature(file_, os_)) {
      std::string signature = SignatureOf(file_);
      return Fail(error, {"Version", 0},
                  signature.empty() ? "no [Version] signature"
                                    : "signature " + signature + " is not for this Windows");
    }
    std::optional<DriverMatch> driver = FindDriver(file_, os_, ids);
    if (!driver)
      return Fail(ERROR_NO_MORE_ITEMS, {"Manufacturer", LineOfSection("Manufacturer")},
                  "no models line for the device's IDs");
    result_.plan.driver = *driver;
    std::optional<std::string> section =
        ActualInstallSection(file_, os_, driver->installSection, &result_.plan.extension);
    if (!section)
      return Fail(ERROR_SECTION_NOT_FOUND, {driver->modelsSection, driver->modelsLine},
                  "no install section " + driver->installSection);
    InstallPlan& plan = result_.plan;
    plan.section = *section;
    plan.provider = file_.Value("Version", "Provider").value_or("");
    plan.className = file_.Value("Version", "Class").value_or("");
    plan.classGuid = file_.Value("Version", "ClassGuid").value_or("");
    ReadDriverVer("Version");

    if (!ReadInstallSection(*section, RegistryRoot::kDriverKey, true))
      return result_;
    if (file_.Section(*section + ".HW") &&
        !ReadInstallSection(*section + ".HW", RegistryRoot::kHardwareKey, false))
      return result_;
    if (os_.nt) {
      if (!ReadServices(*section + ".Services"))
        return result_;
      bool associated = false;
      for (const PlannedService& service : plan.services)
        associated = associated || (service.flags & SPSVCINST_ASSOCSERVICE) != 0;
      if (!associated)
        return Fail(ERROR_NO_ASSOCIATED_SERVICE, {*section, LineOfSection(*section)},
                    "no AddService with flag 2 in [" + *section + ".Services]");
    }
    return result_;
  }

 private:
  PlanResult Fail(uint32_t error, InfPlace at, std::string what) {
    result_.error = error;
    result_.at = std::move(at);
    result_.what = std::move(what);
    return result_;
  }

  int LineOfSection(const std::string& name) const {
    const InfSection* section = file_.Section(name);
    return section ? section->number : 0;
  }

  void ReadDriverVer(const std::string& sectionName) {
    const InfSection* section = file_.Section(sectionName);
    const InfLine* line = section ? file_.FindLine(*section, "DriverVer") : nullptr;
    if (line == nullptr)
      return;
    result_.plan.driverDate = file_.Field(*line, 1);
    result_.plan.driverVersion = file_.Field(*line, 2);
  }

  bool ReadInstallSection(const std::string& name, RegistryRoot hkr, bool mainSection) {
    const InfSection* section = file_.Section(name);
    for (const InfLine& line : section->lines) {
      std::string directive = file_.Key(line);
      InfPlace place{name, line.number};
      if (EqualsIgnoreCase(directive, "CopyFiles") && mainSection) {
        for (size_t n = 1; n <= line.fields.size(); ++n)
          if (!ReadCopyFiles(file_.Field(line, n), place))
            return false;
      } else if (EqualsIgnoreCase(directive, "AddReg") || EqualsIgnoreCase(directive, "DelReg")) {
        bool deletion = EqualsIgnoreCase(directive, "DelReg");
        for (size_t n = 1; n <= line.fields.size(); ++n)
          if (!ReadRegistrySection(file_.Field(line, n), place, hkr, deletion,
                                   result_.plan.registry))
            return false;
      } else if (EqualsIgnoreCase(directive, "DriverVer") && mainSection) {
        ReadDriverVer(name);
      } else if (!directive.empty()) {
        bool known = false;
        for (const char* knownDirective : kKnownDirectives)
          known = known || EqualsIgnoreCase(directive, knownDirective);
        result_.plan.notCarriedOut.push_back(directive + (known ? "" : " (unknown)") + " (line " +
                                             std::to_string(line.number) + ")");
      }
    }
    return true;
  }

  // The folder files of a file-list section ("" for a single file) are copied to, and whether
  // [DestinationDirs] gives it (for the section, or as its default); false, with the error set,
  // for a DIRID no Windows knows.
  bool Destination(const std::string& fileList, std::string* folder, bool* listed) {
    const InfSection* dirs = file_.Section("DestinationDirs");
    const InfLine* line = nullptr;
    if (dirs != nullptr) {
      line = fileList.empty() ? nullptr : file_.FindLine(*dirs, fileList);
      if (line == nullptr)
        line = file_.FindLine(*dirs, "DefaultDestDir");
    }
    *listed = line != nullptr;
    if (line == nullptr) {
      *folder = folders_.system;  // no destination given: the system folder
      return true;
    }
    std::string dirid = file_.Field(*line, 1);
    std::optional<int64_t> number = Integer(TrimBlanks(dirid));
    std::optional<std::string> base;
    if (number == -1)
      base = std::string();  // the subfolder is an absolute path
    else if (number && *number >= INT32_MIN && *number <= INT32_MAX)
      base = folders_.Folder(static_cast<int>(*number));
    if (!base) {
      Fail(ERROR_INVALID_PARAMETER, {"DestinationDirs", line->number},
           "DIRID " + dirid + " is no folder Windows knows");
      return false;
    }
    std::string subfolder = file_.Field(*line, 2);
    *folder = number == -1 ? subfolder : Join(*base, subfolder);
    return true;
  }

  // Where the package holds a file: the INF's folder, the disk's path of [SourceDisksNames] and
  // the file's subfolder of [SourceDisksFiles] (the .x86 sections first on NT).
  std::string SourceFolder(const std::string& name, bool* listed) const {
    const InfLine* fileLine = FindInDecorated("SourceDisksFiles", name);
    *listed = fileLine != nullptr;
    if (fileLine == nullptr)
      return folders_.infFolder;
    std::string disk = TrimBlanks(file_.Field(*fileLine, 1));
    std::string folder = folders_.infFolder;
    if (const InfLine* diskLine = FindInDecorated("SourceDisksNames", disk))
      folder = Join(folder, file_.Field(*diskLine, 4));
    return Join(folder, file_.Field(*fileLine, 2));
  }

  const InfLine* FindInDecorated(const std::string& section, const std::string& key) const {
    if (os_.nt)
      if (const InfSection* x86 = file_.Section(section + ".x86"))
        if (const InfLine* line = file_.FindLine(*x86, key))
          return line;
    const InfSection* plain = file_.Section(section);
    return plain ? file_.FindLine(*plain, key) : nullptr;
  }

  void AddCopy(InfPlace place, const std::string& target, std::string source,
               const std::string& targetFolder, bool destinationListed, uint32_t flags) {
    PlannedCopy copy;
    copy.place = std::move(place);
    copy.targetName = target;
    copy.sourceName = source.empty() ? target : std::move(source);
    copy.sourceFolder = SourceFolder(copy.sourceName, &copy.listedInSourceDisks);
    copy.targetFolder = targetFolder;
    copy.flags = flags;
    copy.destinationListed = destinationListed;
    result_.plan.copies.push_back(std::move(copy));
  }

  bool ReadCopyFiles(const std::string& entry, const InfPlace& place) {
    std::string name = TrimBlanks(entry);
    if (name.empty())
      return true;
    std::string folder;
    bool listed = false;
    if (name[0] == '@') {
      if (!Destination("", &folder, &listed))
        return false;
      AddCopy(place, name.substr(1), "", folder, listed, 0);
      return true;
    }
    const InfSection* list = file_.Section(name);
    if (list == nullptr) {
      Fail(ERROR_SECTION_NOT_FOUND, place, "no file list section [" + name + "]");
      return false;
    }
    if (!Destination(name, &folder, &listed))
      return false;
    for (const InfLine& line : list->lines) {
      std::string target = TrimBlanks(file_.Field(line, 1));
      if (target.empty())
        continue;
      uint32_t flags = static_cast<uint32_t>(Integer(TrimBlanks(file_.Field(line, 4))).value_or(0));
      AddCopy({list->name, line.number}, target, TrimBlanks(file_.Field(line, 2)), folder, listed,
              flags);
    }
    return true;
  }

  bool ReadRegistrySection(const std::string& entry, const InfPlace& place, RegistryRoot hkr,
                           bool deletion, std::vector<PlannedRegistry>& out) {
    std::string name = TrimBlanks(entry);
    if (name.empty())
      return true;
    const InfSection* section = file_.Section(name);
    if (section == nullptr) {
      Fail(ERROR_SECTION_NOT_FOUND, place, "no registry section [" + name + "]");
      return false;
    }
    for (const InfLine& line : section->lines) {
      std::string rootName = TrimBlanks(file_.Field(line, 1));
      std::optional<RegistryRoot> root;
      if (EqualsIgnoreCase(rootName, "HKR"))
        root = hkr;
      else if (EqualsIgnoreCase(rootName, "HKLM"))
        root = RegistryRoot::kLocalMachine;
      else if (EqualsIgnoreCase(rootName, "HKCR"))
        root = RegistryRoot::kClassesRoot;
      else if (EqualsIgnoreCase(rootName, "HKCU"))
        root = RegistryRoot::kCurrentUser;
      else if (EqualsIgnoreCase(rootName, "HKU"))
        root = RegistryRoot::kUsers;
      if (!root)
        continue;  // no root Windows knows: the line is skipped
      auto flags = static_cast<uint32_t>(Integer(TrimBlanks(file_.Field(line, 4))).value_or(0));
      if (deletion && flags == 0)
        flags = kDelRegBit;
      bool deletes = (flags & kDelRegBit) != 0;
      if (deletes != deletion)
        continue;  // an AddReg line of DelReg's kind, or the reverse: Windows ignores it
      PlannedRegistry change;
      change.place = {section->name, line.number};
      change.deletion = deletion;
      change.root = *root;
      change.subkey = file_.Field(line, 2);
      if (line.fields.size() >= 3)
        change.valueName = file_.Field(line, 3);
      change.flags = flags;
      for (size_t n = 5; n <= line.fields.size(); ++n)
        change.data.push_back(file_.Field(line, n));
      out.push_back(std::move(change));
    }
    return true;
  }

  bool ReadServices(const std::string& name) {
    const InfSection* section = file_.Section(name);
    if (section == nullptr)
      return true;
    for (const InfLine& line : section->lines) {
      if (!EqualsIgnoreCase(file_.Key(line), "AddService")) {
        if (!file_.Key(line).empty())
          result_.plan.notCarriedOut.push_back(file_.Key(line) + " (line " +
                                               std::to_string(line.number) + ")");
        continue;
      }
      PlannedService service;
      service.place = {section->name, line.number};
      service.name = TrimBlanks(file_.Field(line, 1));
      service.flags = static_cast<uint32_t>(Integer(TrimBlanks(file_.Field(line, 2))).value_or(0));
      if (!service.name.empty() && !ReadServiceSection(file_.Field(line, 3), service))
        return false;
      result_.plan.services.push_back(std::move(service));
    }
    return true;
  }

  bool ReadServiceSection(const std::string& entry, PlannedService& service) {
    std::string name = TrimBlanks(entry);
    const InfSection* section = name.empty() ? nullptr : file_.Section(name);
    if (section == nullptr) {
      Fail(ERROR_SECTION_NOT_FOUND, service.place,
           "no service install section for " + service.name);
      return false;
    }
    auto number = [&](const char* key) -> std::optional<uint32_t> {
      const InfLine* line = file_.FindLine(*section, key);
      std::optional<int64_t> value =
          line ? Integer(TrimBlanks(file_.Field(*line, 1))) : std::nullopt;
      if (!value)
        return std::nullopt;
      return static_cast<uint32_t>(*value);
    };
    std::optional<uint32_t> type = number("ServiceType");
    std::optional<uint32_t> start = number("StartType");
    std::optional<uint32_t> errorControl = number("ErrorControl");
    const InfLine* binary = file_.FindLine(*section, "ServiceBinary");
    if (!type || !start || !errorControl || binary == nullptr) {
      Fail(ERROR_BAD_SERVICE_INSTALLSECT, {section->name, section->number},
           "ServiceType, StartType, ErrorControl or ServiceBinary missing");
      return false;
    }
    service.type = *type;
    service.start = *start;
    service.errorControl = *errorControl;
    service.binary = file_.Field(*binary, 1);
    if (const InfLine* line = file_.FindLine(*section, "DisplayName"))
      service.displayName = file_.Field(*line, 1);
    if (const InfLine* line = file_.FindLine(*section, "LoadOrderGroup"))
      service.group = file_.Field(*line, 1);
    for (const InfLine& line : section->lines) {
      if (!EqualsIgnoreCase(file_.Key(line), "AddReg"))
        continue;
      for (size_t n = 1; n <= line.fields.size(); ++n)
        if (!ReadRegistrySection(file_.Field(line, n), {section->name, line.number},
                                 RegistryRoot::kServiceKey, false, service.registry))
          return false;
    }
    return true;
  }

  InfFile file_;
  TargetOs os_;
  Folders folders_;
  PlanResult result_;
};

}  // namespace

std::optional<std::string> Folders::Folder(int dirid) const {
  const std::string root = windows.size() >= 2 ? windows.substr(0, 2) + "\\" : "C:\\";
  switch (dirid) {
    case 1:
      return infFolder;
    case 10:
    case 25:
      return windows;
    case 11:
      return system;
    case 12:
      return system + (nt ? "\\drivers" : "\\IOSUBSYS");
    case 17:
      return windows + "\\inf";
    case 18:
      return windows + "\\help";
    case 20:
      return windows + "\\fonts";
    case 21:
      return system + "\\viewers";
    case 23:
      return system + (nt ? "\\spool\\drivers\\color" : "\\COLOR");
    case 24:
    case 30:
      return root;
    case 16422:
      return root + "Program Files";
    case 16427:
      return root + "Program Files\\Common Files";
    default:
      break;
  }
  if (!nt) {
    if (dirid == 13)
      return windows + "\\COMMAND";
    if (dirid == 22)
      return system + "\\VMM32";
    return std::nullopt;
  }
  switch (dirid) {
    case 50:
      return windows + "\\system";
    case 51:
      return system + "\\spool";
    case 52:
      return system + "\\spool\\drivers\\w32x86";
    case 54:
      return root;
    case 55:
      return system + "\\spool\\prtprocs\\w32x86";
    default:
      return std::nullopt;
  }
}

PlanResult PlanInstall(const InfFile& file, const TargetOs& os, const Folders& folders,
                       const std::vector<std::string>& deviceIds) {
  return Planner(file, os, folders).Plan(deviceIds);
}

}  // namespace talvex::inf
