#include "platform/sim/sim_driver_install.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/ascii_text.h"
#include "platform/winconst.h"

namespace talvex::sim {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kErrorCancelled = 1223;
// COPYFLG_* bits the copy looks at; newer-version checks are not simulated.
constexpr uint32_t kCopyNoOverwrite = 0x10;
constexpr uint32_t kCopyReplaceOnly = 0x400;
// FLG_ADDREG_* bits.
constexpr uint32_t kAddRegBinaryValue = 0x1;
constexpr uint32_t kAddRegNoClobber = 0x2;
constexpr uint32_t kAddRegAppend = 0x8;
constexpr uint32_t kAddRegKeyOnly = 0x10;
constexpr uint32_t kAddRegOverwriteOnly = 0x20;
constexpr uint32_t kRegKeyOnlyCommon = 0x2000;
constexpr uint32_t kAddRegTypeMask = 0xFFFF0001;
constexpr uint32_t kAddRegTypeMultiSz = 0x10000;
constexpr uint32_t kAddRegTypeExpandSz = 0x20000;
constexpr uint32_t kAddRegTypeDword = 0x10001;
constexpr uint32_t kAddRegTypeNone = 0x20001;

const char kNtClassKey[] = "SYSTEM\\CurrentControlSet\\Control\\Class";
const char k9xClassKey[] = "SYSTEM\\CurrentControlSet\\Services\\Class";
const char kServicesKey[] = "SYSTEM\\CurrentControlSet\\Services";

std::vector<uint8_t> TextData(const std::string& text) {
  std::vector<uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  return data;
}

void SetText(RegKeyNode& key, const std::string& name, const std::string& text,
             uint32_t type = win::REG_SZ) {
  key.SetValue({name, type, TextData(text)});
}

void SetDword(RegKeyNode& key, const std::string& name, uint32_t value) {
  key.SetValue({name,
                win::REG_DWORD,
                {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                 static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)}});
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string LowerAsciiCopy(std::string text) {
  for (char& c : text)
    c = LowerAscii(c);
  return text;
}

// The texts of a multi-string value, without their zeros.
std::vector<std::string> MultiStrings(const RegValue* value) {
  std::vector<std::string> texts;
  if (value == nullptr || value->type != win::REG_MULTI_SZ)
    return texts;
  std::string current;
  for (uint8_t byte : value->data) {
    if (byte != 0) {
      current.push_back(static_cast<char>(byte));
    } else if (!current.empty()) {
      texts.push_back(current);
      current.clear();
    } else {
      break;
    }
  }
  return texts;
}

std::vector<uint8_t> MultiStringData(const std::vector<std::string>& texts) {
  std::vector<uint8_t> data;
  for (const std::string& text : texts) {
    data.insert(data.end(), text.begin(), text.end());
    data.push_back(0);
  }
  data.push_back(0);
  return data;
}

}  // namespace

std::string DriverDateValue(const std::string& driverVer, bool nt) {
  unsigned month = 0, day = 0, year = 0;
  if (std::sscanf(driverVer.c_str(), "%u/%u/%u", &month, &day, &year) != 3)
    return driverVer;
  char text[32];
  std::snprintf(text, sizeof text, nt ? "%u-%u-%u" : "%2u-%u-%u", month, day, year);
  return text;
}

void SimDriverInstall::JournalStep(JournalLine line, bool ok) {
  if (journal_.on())
    journal_.Write(line.Result(ok));
}

bool SimDriverInstall::MakeFolders(const std::string& folder) {
  if (paths_.FindExisting(folder))
    return true;
  if (paths_.OnReadOnlyDrive(folder))
    return false;
  size_t slash = folder.find_last_of('\\');
  if (slash == std::string::npos || slash < 2)
    return false;
  if (slash > 2 && !MakeFolders(folder.substr(0, slash)))
    return false;
  std::optional<fs::path> host = paths_.ForCreate(folder);
  std::error_code error;
  return host && (fs::is_directory(*host, error) || fs::create_directory(*host, error));
}

uint32_t SimDriverInstall::CopyFiles(const inf::InstallPlan& plan) {
  for (const inf::PlannedCopy& copy : plan.copies) {
    const std::string source = copy.sourceFolder + "\\" + copy.sourceName;
    const std::string target = copy.targetFolder + "\\" + copy.targetName;
    std::optional<fs::path> from = paths_.FindExisting(source);
    std::error_code error;
    if (!from || !fs::is_regular_file(*from, error)) {
      // Windows asks for the disk that holds the file; here nobody can insert one.
      if (journal_.on())
        journal_.Write(JournalLine("newdev.DiskPrompt")
                           .Text("file", copy.sourceName)
                           .Text("folder", copy.sourceFolder)
                           .Text("section", copy.place.section)
                           .Number("line", copy.place.line)
                           .Result("cancelled"));
      return kErrorCancelled;
    }
    if (!MakeFolders(copy.targetFolder) || paths_.OnReadOnlyDrive(target)) {
      JournalStep(JournalLine("newdev.CopyFile").Text("source", source).Text("target", target),
                  false);
      return win::ERROR_ACCESS_DENIED;
    }
    std::optional<fs::path> to = paths_.ForCreate(target);
    bool exists = to && fs::exists(*to, error);
    if ((exists && (copy.flags & kCopyNoOverwrite)) ||
        (!exists && (copy.flags & kCopyReplaceOnly))) {
      if (journal_.on())
        journal_.Write(JournalLine("newdev.CopyFile")
                           .Text("source", source)
                           .Text("target", target)
                           .Result("skipped"));
      continue;
    }
    bool ok = to && !fs::is_directory(*to, error) &&
              fs::copy_file(*from, *to, fs::copy_options::overwrite_existing, error);
    JournalStep(JournalLine("newdev.CopyFile").Text("source", source).Text("target", target), ok);
    if (!ok)
      return win::ERROR_ACCESS_DENIED;
  }
  return 0;
}

uint32_t SimDriverInstall::KeepInf(const inf::InstallPlan& plan, const std::string& infPath,
                                   const std::string& infBytes) {
  const std::string folder = windows_ + (os_.nt ? "\\inf" : "\\inf\\other");
  if (!MakeFolders(folder))
    return win::ERROR_ACCESS_DENIED;
  std::string name;
  if (os_.nt) {
    // The next free oemN.inf, unless the same INF was kept before.
    for (int n = 0; name.empty(); ++n) {
      std::string candidate = "oem" + std::to_string(n) + ".inf";
      std::optional<fs::path> existing = paths_.FindExisting(folder + "\\" + candidate);
      if (!existing || ReadBytes(*existing) == infBytes)
        name = candidate;
    }
  } else {
    // Windows 9x keeps it under its provider's name followed by its own name in capitals.
    std::string base = BaseName(infPath);
    size_t dot = base.rfind('.');
    name = plan.provider + UpperAsciiText(base.substr(0, dot)) + ".inf";
  }
  const std::string target = folder + "\\" + name;
  std::optional<fs::path> host = paths_.ForCreate(target);
  bool ok = false;
  if (host) {
    std::ofstream out(*host, std::ios::binary | std::ios::trunc);
    out.write(infBytes.data(), static_cast<std::streamsize>(infBytes.size()));
    ok = static_cast<bool>(out.flush());
  }
  JournalStep(JournalLine("newdev.CopyInf").Text("inf", infPath).Text("kept", target), ok);
  if (!ok)
    return win::ERROR_ACCESS_DENIED;
  kept_inf_ = name;
  return 0;
}

RegKeyNode* SimDriverInstall::ClassKey(const inf::InstallPlan& plan, std::string* classPath,
                                       uint32_t* error) {
  *error = inf::ERROR_INVALID_CLASS;
  if (!os_.nt) {
    if (plan.className.empty())
      return nullptr;
    *classPath = std::string(k9xClassKey) + "\\" + plan.className;
  } else if (!plan.classGuid.empty()) {
    *classPath = std::string(kNtClassKey) + "\\" + plan.classGuid;
  } else {
    // No GUID: the class of that name the system knows.
    RegKeyNode* classes = store_.FindKey(kNtClassKey);
    if (classes == nullptr || plan.className.empty())
      return nullptr;
    for (const auto& key : classes->subkeys()) {
      const RegValue* name = key->FindValue("Class");
      if (name && EqualsIgnoreCase(std::string(name->data.begin(), name->data.end()).c_str(),
                                   plan.className)) {
        *classPath = std::string(kNtClassKey) + "\\" + key->name();
        break;
      }
    }
    if (classPath->empty())
      return nullptr;
  }
  RegKeyNode* key = store_.FindKey(*classPath);
  if (key == nullptr) {
    key = store_.CreateKey(*classPath);
    if (key == nullptr)
      return nullptr;
    SetText(*key, "", plan.className);
    SetText(*key, "Class", plan.className);
  }
  *error = 0;
  return key;
}

RegKeyNode* SimDriverInstall::DriverKey(RegKeyNode& classKey, const std::string& classPath,
                                        RegKeyNode& instance, std::string* driverValue) {
  const std::string className = BaseName(classPath);
  // The device's driver key of that class is used again; one of another class goes, as the
  // device leaves it; otherwise the next free number.
  if (const RegValue* driver = instance.FindValue("Driver")) {
    std::string value(driver->data.begin(), driver->data.end());
    value = value.substr(0, value.find('\0'));
    size_t slash = value.find('\\');
    if (slash != std::string::npos && EqualsIgnoreCase(value.substr(0, slash), className)) {
      if (RegKeyNode* key = classKey.FindSubkey(value.substr(slash + 1))) {
        while (!key->values().empty())
          key->RemoveValue(key->values().front().name);
        *driverValue = className + "\\" + key->name();
        return key;
      }
    } else if (slash != std::string::npos && !value.empty()) {
      store_.DeleteKey(classPath.substr(0, classPath.size() - className.size()) + value);
    }
  }
  for (int n = 0; n <= 9999; ++n) {
    char name[8];
    std::snprintf(name, sizeof name, "%04d", n);
    if (classKey.FindSubkey(name) == nullptr) {
      *driverValue = className + "\\" + name;
      return classKey.AddSubkey(name);
    }
  }
  return nullptr;
}

void SimDriverInstall::Apply(const inf::PlannedRegistry& change, RegKeyNode* hkr) {
  RegKeyNode* root = nullptr;
  std::string rootPath;
  switch (change.root) {
    case inf::RegistryRoot::kDriverKey:
    case inf::RegistryRoot::kHardwareKey:
    case inf::RegistryRoot::kServiceKey:
      root = hkr;
      break;
    case inf::RegistryRoot::kLocalMachine:
      root = &store_.root();
      break;
    case inf::RegistryRoot::kClassesRoot:
      root = store_.CreateKey("SOFTWARE\\Classes");
      break;
    case inf::RegistryRoot::kCurrentUser:
    case inf::RegistryRoot::kUsers:
      break;  // the machine keeps HKEY_LOCAL_MACHINE only
  }
  JournalLine line(change.deletion ? "newdev.DelReg" : "newdev.AddReg");
  line.Text("section", change.place.section).Number("line", change.place.line);
  line.Text("key", change.subkey);
  if (change.valueName)
    line.Text("name", *change.valueName);
  if (root == nullptr) {
    if (journal_.on())
      journal_.Write(line.Result("skipped"));
    return;
  }
  std::string subkey = change.subkey;
  while (!subkey.empty() && subkey.front() == '\\')
    subkey.erase(subkey.begin());
  RegKeyNode* key = subkey.empty() ? root : root->FindPath(subkey);
  if (change.deletion) {
    bool valueOnly =
        change.valueName && !change.valueName->empty() && !(change.flags & kRegKeyOnlyCommon);
    bool ok = false;
    if (key != nullptr && valueOnly) {
      ok = key->RemoveValue(*change.valueName);
    } else if (key != nullptr && key != root && key->parent() != nullptr) {
      ok = key->parent()->RemoveSubkey(key);
    }
    JournalStep(line, ok);
    return;
  }
  if (key == nullptr) {
    key = root;
    std::optional<std::vector<std::string>> names = SplitKeyPath(subkey);
    for (const std::string& name : names.value_or(std::vector<std::string>{}))
      key = key->AddSubkey(name);
  }
  const uint32_t flags = change.flags;
  if (!change.valueName || (flags & (kAddRegKeyOnly | kRegKeyOnlyCommon))) {
    JournalStep(line, true);
    return;
  }
  const std::string& name = *change.valueName;
  const RegValue* existing = key->FindValue(name);
  if ((existing && (flags & kAddRegNoClobber)) || (!existing && (flags & kAddRegOverwriteOnly))) {
    if (journal_.on())
      journal_.Write(line.Result("skipped"));
    return;
  }
  uint32_t typeBits = flags & kAddRegTypeMask;
  uint32_t type = typeBits == 0                     ? win::REG_SZ
                  : typeBits == kAddRegBinaryValue  ? win::REG_BINARY
                  : typeBits == kAddRegTypeMultiSz  ? win::REG_MULTI_SZ
                  : typeBits == kAddRegTypeExpandSz ? win::REG_EXPAND_SZ
                  : typeBits == kAddRegTypeDword    ? win::REG_DWORD
                  : typeBits == kAddRegTypeNone     ? 0
                                                    : flags >> 16;
  RegValue value{name, type, {}};
  const std::vector<std::string>& data = change.data;
  if (!(flags & kAddRegBinaryValue) || (type == win::REG_DWORD && data.size() == 1)) {
    if (type == win::REG_MULTI_SZ) {
      std::vector<std::string> texts;
      if (flags & kAddRegAppend)
        texts = MultiStrings(existing);
      for (const std::string& text : data) {
        bool known = false;
        for (const std::string& had : texts)
          known = known || EqualsIgnoreCase(had, text);
        if (!text.empty() && !((flags & kAddRegAppend) && known))
          texts.push_back(text);
      }
      value.data = MultiStringData(texts);
    } else if (type == win::REG_DWORD) {
      auto number =
          static_cast<uint32_t>(std::strtoul(data.empty() ? "0" : data[0].c_str(), nullptr, 0));
      value.data = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                    static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)};
    } else {
      value.data = TextData(data.empty() ? std::string() : data[0]);
    }
  } else {
    for (const std::string& byte : data)
      value.data.push_back(static_cast<uint8_t>(std::strtoul(byte.c_str(), nullptr, 16)));
  }
  key->SetValue(std::move(value));
  JournalStep(line, true);
}

void SimDriverInstall::InstallService(const inf::PlannedService& service) {
  RegKeyNode* key = store_.CreateKey(std::string(kServicesKey) + "\\" + service.name);
  if (key == nullptr)
    return;
  SetDword(*key, "Type", service.type);
  SetDword(*key, "Start", service.start);
  SetDword(*key, "ErrorControl", service.errorControl);
  // A driver below the Windows folder is named from it, as Windows writes its services.
  std::string image = service.binary;
  if (image.size() > windows_.size() + 1 &&
      EqualsIgnoreCase(image.substr(0, windows_.size()), windows_) &&
      image[windows_.size()] == '\\')
    image = image.substr(windows_.size() + 1);
  SetText(*key, "ImagePath", image, win::REG_EXPAND_SZ);
  if (!service.displayName.empty())
    SetText(*key, "DisplayName", service.displayName);
  if (!service.group.empty())
    SetText(*key, "Group", service.group);
  JournalStep(JournalLine("newdev.AddService")
                  .Text("name", service.name)
                  .Text("section", service.place.section)
                  .Number("line", service.place.line),
              true);
  for (const inf::PlannedRegistry& change : service.registry)
    Apply(change, key);
}

uint32_t SimDriverInstall::Install(const inf::InstallPlan& plan, const std::string& infPath,
                                   const std::string& infBytes, const std::string& instancePath) {
  if (uint32_t error = CopyFiles(plan))
    return error;
  if (uint32_t error = KeepInf(plan, infPath, infBytes))
    return error;
  RegKeyNode* instance = store_.FindKey(instancePath);
  if (instance == nullptr)
    return win::ERROR_NO_SUCH_DEVINST;
  std::string classPath;
  uint32_t error = 0;
  RegKeyNode* classKey = ClassKey(plan, &classPath, &error);
  if (classKey == nullptr)
    return error;
  std::string driverValue;
  RegKeyNode* driver = DriverKey(*classKey, classPath, *instance, &driverValue);
  if (driver == nullptr)
    return win::ERROR_ACCESS_DENIED;
  const inf::DriverMatch& match = plan.driver;
  SetText(*driver, "InfPath", kept_inf_);
  SetText(*driver, "InfSection", match.installSection);
  if (!plan.extension.empty())
    SetText(*driver, "InfSectionExt", plan.extension);
  SetText(*driver, "ProviderName", plan.provider);
  SetText(*driver, "DriverDate", DriverDateValue(plan.driverDate, os_.nt));
  SetText(*driver, "DriverVersion", plan.driverVersion);
  SetText(*driver, "MatchingDeviceId", LowerAsciiCopy(match.matchingId));
  SetText(*driver, "DriverDesc", match.description);

  RegKeyNode* hardware = instance;
  for (const inf::PlannedRegistry& change : plan.registry) {
    if (change.root == inf::RegistryRoot::kHardwareKey && os_.nt && hardware == instance)
      hardware = instance->AddSubkey("Device Parameters");
    Apply(change, change.root == inf::RegistryRoot::kHardwareKey ? hardware : driver);
  }
  std::string service;
  for (const inf::PlannedService& planned : plan.services) {
    if (!planned.name.empty())
      InstallService(planned);
    if (planned.flags & inf::SPSVCINST_ASSOCSERVICE)
      service = planned.name;
  }
  SetText(*instance, "Driver", driverValue);
  SetText(*instance, "Class", plan.className);
  if (!plan.classGuid.empty())
    SetText(*instance, "ClassGUID", plan.classGuid);
  SetText(*instance, "Mfg", match.manufacturer);
  SetText(*instance, "DeviceDesc", match.description);
  if (os_.nt) {
    if (service.empty())
      instance->RemoveValue("Service");  // the null service: no function driver
    else
      SetText(*instance, "Service", service);
  }
  // The machine's own record of the update, for tests and rehearsals: the INF as it was passed.
  SetText(*instance, "InfPath", infPath);
  return 0;
}

}  // namespace talvex::sim
