#include "platform/sim/sim_shell_namespace.h"

#include <algorithm>
#include <array>
#include <system_error>

#include "platform/ascii_text.h"
#include "platform/winconst.h"

namespace talvex::sim {

namespace fs = std::filesystem;

namespace {

// Item types, as the first byte after the size field.
constexpr uint8_t kRootItem = 0x1F;      // a special item directly below the desktop
constexpr uint8_t kVirtualItem = 0x2E;   // a special item below My Computer
constexpr uint8_t kDriveItem = 0x2F;     // "C:\"
constexpr uint8_t kFolderItem = 0x31;    // flags, name, NUL
constexpr uint8_t kComputerItem = 0x42;  // 0, name, NUL
constexpr uint8_t kShareItem = 0xC3;     // 0, name, NUL
constexpr size_t kDriveItemBytes = 23;   // after the size field, as Windows' drive IDs

struct SpecialFolder {
  ShellItemKind kind;
  const char* classId;
  const char* name;
};

constexpr SpecialFolder kSpecials[] = {
    {ShellItemKind::kMyComputer, "{20D04FE0-3AEA-1069-A2D8-08002B30309D}", "My Computer"},
    {ShellItemKind::kNetwork, "{208D2C60-3AEA-1069-A2D7-08002B30309D}", "My Network Places"},
    {ShellItemKind::kRecycleBin, "{645FF040-5081-101B-9F08-00AA002F954E}", "Recycle Bin"},
    {ShellItemKind::kControlPanel, "{21EC2020-3AEA-1069-A2DD-08002B30309D}", "Control Panel"},
    {ShellItemKind::kPrinters, "{2227A280-3AEA-1069-A2DE-08002B30309D}", "Printers and Faxes"},
};

const SpecialFolder* Special(ShellItemKind kind) {
  for (const SpecialFolder& special : kSpecials)
    if (special.kind == kind)
      return &special;
  return nullptr;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  return UpperAscii(c) - 'A' + 10;
}

// The 16 bytes of a class ID as a GUID stores them: the first three groups little-endian.
std::array<uint8_t, 16> ClassIdBytes(const char* text) {
  std::string hex;
  for (const char* c = text; *c; ++c)
    if (*c != '{' && *c != '}' && *c != '-')
      hex.push_back(*c);
  std::array<uint8_t, 16> raw{};
  for (size_t i = 0; i < 16; ++i)
    raw[i] = static_cast<uint8_t>(HexDigit(hex[2 * i]) * 16 + HexDigit(hex[2 * i + 1]));
  std::array<uint8_t, 16> bytes = raw;
  const int order[8] = {3, 2, 1, 0, 5, 4, 7, 6};
  for (int i = 0; i < 8; ++i)
    bytes[static_cast<size_t>(i)] = raw[static_cast<size_t>(order[i])];
  return bytes;
}

const SpecialFolder* SpecialByClassId(std::string_view bytes) {
  for (const SpecialFolder& special : kSpecials) {
    std::array<uint8_t, 16> id = ClassIdBytes(special.classId);
    if (bytes.size() == id.size() && std::equal(id.begin(), id.end(), bytes.begin(),
                                                [](uint8_t a, char b) { return a == uint8_t(b); }))
      return &special;
  }
  return nullptr;
}

// "<name>" NUL-terminated inside the bytes; nothing when the terminator or the name is missing.
std::optional<std::string> TerminatedName(std::string_view bytes) {
  size_t end = bytes.find('\0');
  if (end == std::string_view::npos || end == 0)
    return std::nullopt;
  return std::string(bytes.substr(0, end));
}

std::string Upper(std::string text) {
  for (char& c : text)
    c = UpperAscii(c);
  return text;
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto x = static_cast<uint8_t>(UpperAscii(a[i]));
    auto y = static_cast<uint8_t>(UpperAscii(b[i]));
    if (x != y)
      return x < y;
  }
  return a.size() < b.size();
}

std::string WithoutTrailingBackslashes(std::string path) {
  while (path.size() > 1 && path.back() == '\\' && !(path.size() == 3 && path[1] == ':'))
    path.pop_back();
  return path;
}

std::vector<uint8_t> OneItem(uint8_t type, std::string_view body) {
  std::string bytes(1, static_cast<char>(type));
  bytes.append(body);
  std::vector<uint8_t> list = ILFromItemBytes(bytes);
  list.resize(list.size() - kIdListTerminatorSize);
  return list;
}

std::string NamedBody(uint8_t lead, const std::string& name) {
  std::string body(1, static_cast<char>(lead));
  body += name;
  body.push_back('\0');
  return body;
}

}  // namespace

ShellNamespace::ShellNamespace(const IniFile& ini, const std::string& windowsFolder,
                               const fs::path& machineFolder, DrivePaths& paths)
    : paths_(paths) {
  std::string windows = windowsFolder.empty() ? std::string("C:\\WINDOWS") : windowsFolder;
  desktop_ = WithoutTrailingBackslashes(
      ini.Value("machine", "desktop").value_or(WithoutTrailingBackslashes(windows) + "\\Desktop"));

  drives_ = ReadMachineDrives(ini, machineFolder);

  if (const IniSection* section = ini.Section("network")) {
    for (const IniEntry& entry : section->entries) {
      SimComputer computer{Upper(entry.key), {}};
      for (const std::string& share : SplitOn(entry.value, '|'))
        if (!share.empty())
          computer.shares.push_back(share);
      computers_.push_back(computer);
    }
  }
  if (const IniSection* section = ini.Section("folders")) {
    for (const IniEntry& entry : section->entries) {
      uint8_t flags = 0;
      for (const std::string& word : Words(entry.value)) {
        if (EqualsIgnoreCase(word, "shared"))
          flags |= kFolderShared;
        else if (EqualsIgnoreCase(word, "shortcut"))
          flags |= kFolderShortcut;
        else if (EqualsIgnoreCase(word, "hidden"))
          flags |= kFolderHidden;
        else
          throw IniError("machine.ini line " + std::to_string(entry.line) +
                         ": a folder is marked shared, shortcut or hidden");
      }
      marks_.emplace_back(Upper(WithoutTrailingBackslashes(entry.key)), flags);
    }
  }
}

SimDrive* ShellNamespace::FindDrive(char letter) {
  for (SimDrive& drive : drives_)
    if (drive.letter == UpperAscii(letter))
      return &drive;
  return nullptr;
}

const SimDrive* ShellNamespace::FindDrive(char letter) const {
  return const_cast<ShellNamespace*>(this)->FindDrive(letter);
}

std::optional<ShellItem> ShellNamespace::Decode(PCIDL absolute) const {
  if (absolute == nullptr)
    return std::nullopt;
  ShellItem item;
  for (PCIDL p = absolute; ILItemSize(p) != 0; p += ILItemSize(p)) {
    std::string_view bytes = ILItemBytes(p);
    if (bytes.empty())
      return std::nullopt;
    auto type = static_cast<uint8_t>(bytes[0]);
    std::string_view body = bytes.substr(1);
    switch (item.kind) {
      case ShellItemKind::kDesktop:
        if (type == kRootItem && body.size() == 17) {
          const SpecialFolder* special = SpecialByClassId(body.substr(1));
          if (special == nullptr || special->kind == ShellItemKind::kControlPanel ||
              special->kind == ShellItemKind::kPrinters)
            return std::nullopt;
          item.kind = special->kind;
          continue;
        }
        if (type == kFolderItem && item.names.empty() && !item.onDesktop) {
          item.onDesktop = true;
          break;  // the folder itself is read below
        }
        return std::nullopt;
      case ShellItemKind::kMyComputer:
        if (type == kDriveItem && body.size() >= 3 && IsAsciiLetter(body[0]) && body[1] == ':') {
          item.kind = ShellItemKind::kDrive;
          item.drive = UpperAscii(body[0]);
          continue;
        }
        if (type == kVirtualItem && body.size() == 17) {
          const SpecialFolder* special = SpecialByClassId(body.substr(1));
          if (special == nullptr || (special->kind != ShellItemKind::kControlPanel &&
                                     special->kind != ShellItemKind::kPrinters))
            return std::nullopt;
          item.kind = special->kind;
          continue;
        }
        return std::nullopt;
      case ShellItemKind::kDrive:
      case ShellItemKind::kFolder:
        if (type != kFolderItem)
          return std::nullopt;
        break;
      case ShellItemKind::kNetwork:
        if (type != kComputerItem || body.size() < 2)
          return std::nullopt;
        if (auto name = TerminatedName(body.substr(1))) {
          item.kind = ShellItemKind::kComputer;
          item.computer = *name;
          continue;
        }
        return std::nullopt;
      case ShellItemKind::kComputer:
        if (type != kShareItem || body.size() < 2)
          return std::nullopt;
        if (auto name = TerminatedName(body.substr(1))) {
          item.kind = ShellItemKind::kShare;
          item.share = *name;
          continue;
        }
        return std::nullopt;
      default:
        return std::nullopt;
    }
    // A folder: flags, then its name.
    if (body.size() < 2)
      return std::nullopt;
    std::optional<std::string> name = TerminatedName(body.substr(1));
    if (!name)
      return std::nullopt;
    item.kind = ShellItemKind::kFolder;
    item.flags = static_cast<uint8_t>(body[0]);
    item.names.push_back(*name);
  }
  return item;
}

std::vector<uint8_t> ShellNamespace::EncodeLast(const ShellItem& item) const {
  switch (item.kind) {
    case ShellItemKind::kDesktop:
      return {};
    case ShellItemKind::kMyComputer:
    case ShellItemKind::kNetwork:
    case ShellItemKind::kRecycleBin:
    case ShellItemKind::kControlPanel:
    case ShellItemKind::kPrinters: {
      std::array<uint8_t, 16> id = ClassIdBytes(Special(item.kind)->classId);
      std::string body(1, '\x50');
      body.append(id.begin(), id.end());
      bool belowMyComputer =
          item.kind == ShellItemKind::kControlPanel || item.kind == ShellItemKind::kPrinters;
      return OneItem(belowMyComputer ? kVirtualItem : kRootItem, body);
    }
    case ShellItemKind::kDrive: {
      std::string body = std::string(1, item.drive) + ":\\";
      body.resize(kDriveItemBytes - 1, '\0');
      return OneItem(kDriveItem, body);
    }
    case ShellItemKind::kFolder:
      return OneItem(kFolderItem, NamedBody(static_cast<char>(item.flags), item.names.back()));
    case ShellItemKind::kComputer:
      return OneItem(kComputerItem, NamedBody('\0', item.computer));
    case ShellItemKind::kShare:
      return OneItem(kShareItem, NamedBody('\0', item.share));
  }
  return {};
}

std::vector<uint8_t> ShellNamespace::EncodeAbsolute(const ShellItem& item) const {
  // Rebuild the chain of parents from the item's own fields.
  std::vector<ShellItem> chain;
  auto push = [&](ShellItem next) { chain.push_back(next); };
  switch (item.kind) {
    case ShellItemKind::kDesktop:
      break;
    case ShellItemKind::kControlPanel:
    case ShellItemKind::kPrinters:
    case ShellItemKind::kDrive:
      push(ShellItem{ShellItemKind::kMyComputer});
      push(item);
      break;
    case ShellItemKind::kFolder: {
      if (!item.onDesktop) {
        push(ShellItem{ShellItemKind::kMyComputer});
        ShellItem drive{ShellItemKind::kDrive};
        drive.drive = item.drive;
        push(drive);
      }
      // A parent holds the item, so it has sub-folders; its marks are looked up again.
      ShellItem folder = item;
      for (size_t i = 0; i < item.names.size(); ++i) {
        folder.names.assign(item.names.begin(), item.names.begin() + static_cast<long>(i) + 1);
        folder.flags =
            (i + 1 == item.names.size())
                ? item.flags
                : static_cast<uint8_t>(kFolderHasSubfolders | MarksOf(*FileSystemPath(folder)));
        push(folder);
      }
      break;
    }
    case ShellItemKind::kComputer:
      push(ShellItem{ShellItemKind::kNetwork});
      push(item);
      break;
    case ShellItemKind::kShare: {
      push(ShellItem{ShellItemKind::kNetwork});
      ShellItem computer{ShellItemKind::kComputer};
      computer.computer = item.computer;
      push(computer);
      push(item);
      break;
    }
    default:
      push(item);
      break;
  }
  std::vector<uint8_t> list;
  for (const ShellItem& part : chain) {
    std::vector<uint8_t> bytes = EncodeLast(part);
    list.insert(list.end(), bytes.begin(), bytes.end());
  }
  list.insert(list.end(), kIdListTerminatorSize, 0);
  return list;
}

std::string ShellNamespace::NormalName(const ShellItem& item) const {
  switch (item.kind) {
    case ShellItemKind::kDesktop:
      return "Desktop";
    case ShellItemKind::kDrive: {
      const SimDrive* drive = FindDrive(item.drive);
      std::string suffix = std::string(" (") + item.drive + ":)";
      if (drive == nullptr)
        return "Local Disk" + suffix;
      // Windows reads the label of a floppy only when asked for the disk itself.
      bool showsLabel = drive->kind != DriveKind::kFloppy && drive->hasMedium;
      if (showsLabel && !drive->label.empty())
        return drive->label + suffix;
      switch (drive->kind) {
        case DriveKind::kFixed:
          return "Local Disk" + suffix;
        case DriveKind::kRemovable:
          return "Removable Disk" + suffix;
        case DriveKind::kFloppy:
          return "3\xBD Floppy" + suffix;
        case DriveKind::kCdrom:
          return "CD Drive" + suffix;
      }
      return "Local Disk" + suffix;
    }
    case ShellItemKind::kFolder:
      return item.names.back();
    case ShellItemKind::kComputer:
      return item.computer;
    case ShellItemKind::kShare:
      return item.share;
    default:
      return Special(item.kind)->name;
  }
}

std::string ShellNamespace::InFolderName(const ShellItem& item) const {
  return NormalName(item);
}

std::string ShellNamespace::ParsingName(const ShellItem& item) const {
  if (std::optional<std::string> path = FileSystemPath(item))
    return *path;
  switch (item.kind) {
    case ShellItemKind::kComputer:
      return "\\\\" + item.computer;
    case ShellItemKind::kControlPanel:
    case ShellItemKind::kPrinters:
      return std::string("::") + Special(ShellItemKind::kMyComputer)->classId +
             "\\::" + Special(item.kind)->classId;
    default:
      return std::string("::") + Special(item.kind)->classId;
  }
}

std::optional<std::string> ShellNamespace::FileSystemPath(const ShellItem& item) const {
  switch (item.kind) {
    case ShellItemKind::kDesktop:
      return desktop_;
    case ShellItemKind::kDrive:
      return std::string(1, item.drive) + ":\\";
    case ShellItemKind::kFolder: {
      std::string path = item.onDesktop ? desktop_ + "\\" : std::string(1, item.drive) + ":\\";
      for (size_t i = 0; i < item.names.size(); ++i)
        path += (i ? "\\" : "") + item.names[i];
      return path;
    }
    case ShellItemKind::kShare:
      return "\\\\" + item.computer + "\\" + item.share;
    default:
      return std::nullopt;
  }
}

uint32_t ShellNamespace::Attributes(const ShellItem& item) const {
  using namespace win;
  switch (item.kind) {
    case ShellItemKind::kDesktop:
      return SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER |
             SFGAO_HASPROPSHEET;
    case ShellItemKind::kMyComputer:
      return SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER | SFGAO_HASPROPSHEET |
             SFGAO_DROPTARGET | SFGAO_CANRENAME | SFGAO_CANLINK;
    case ShellItemKind::kNetwork:
      return SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER | SFGAO_HASPROPSHEET |
             SFGAO_CANRENAME | SFGAO_CANLINK;
    case ShellItemKind::kRecycleBin:
      return SFGAO_FOLDER | SFGAO_DROPTARGET | SFGAO_HASPROPSHEET | SFGAO_CANRENAME | SFGAO_CANLINK;
    case ShellItemKind::kControlPanel:
      return SFGAO_FOLDER | SFGAO_CANLINK;
    case ShellItemKind::kPrinters:
      return SFGAO_FOLDER | SFGAO_DROPTARGET | SFGAO_CANLINK;
    case ShellItemKind::kDrive: {
      // Drives always offer to expand: Windows does not look at the medium for this.
      uint32_t attributes = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR |
                            SFGAO_HASSUBFOLDER | SFGAO_HASPROPSHEET | SFGAO_DROPTARGET |
                            SFGAO_CANLINK;
      const SimDrive* drive = FindDrive(item.drive);
      if (drive != nullptr && drive->kind != DriveKind::kFixed)
        attributes |= SFGAO_REMOVABLE;
      return attributes;
    }
    case ShellItemKind::kFolder: {
      uint32_t attributes = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR |
                            SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANRENAME | SFGAO_CANDELETE |
                            SFGAO_CANLINK | SFGAO_HASPROPSHEET | SFGAO_DROPTARGET;
      if (item.flags & kFolderHasSubfolders)
        attributes |= SFGAO_HASSUBFOLDER;
      if (item.flags & kFolderHidden)
        attributes |= SFGAO_HIDDEN;
      if (item.flags & kFolderShared)
        attributes |= SFGAO_SHARE;
      if (item.flags & kFolderShortcut)
        attributes |= SFGAO_LINK;
      return attributes;
    }
    case ShellItemKind::kComputer:
      return SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_HASPROPSHEET | SFGAO_CANLINK;
    case ShellItemKind::kShare:
      return SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER |
             SFGAO_HASPROPSHEET | SFGAO_DROPTARGET | SFGAO_CANLINK;
  }
  return 0;
}

IconPair ShellNamespace::Icons(const ShellItem& item) const {
  switch (item.kind) {
    case ShellItemKind::kDesktop:
      return {34, 34};
    case ShellItemKind::kMyComputer:
      return {15, 15};
    case ShellItemKind::kNetwork:
      return {17, 17};
    case ShellItemKind::kRecycleBin:
      return {31, 31};
    case ShellItemKind::kControlPanel:
      return {35, 35};
    case ShellItemKind::kPrinters:
      return {16, 16};
    case ShellItemKind::kDrive: {
      const SimDrive* drive = FindDrive(item.drive);
      DriveKind kind = drive ? drive->kind : DriveKind::kFixed;
      int32_t icon = kind == DriveKind::kFloppy      ? 6
                     : kind == DriveKind::kRemovable ? 7
                     : kind == DriveKind::kCdrom     ? 11
                                                     : 8;
      return {icon, icon};
    }
    case ShellItemKind::kComputer:
      return {15, 15};
    case ShellItemKind::kFolder:
    case ShellItemKind::kShare:
      return {3, 4};
  }
  return {0, 0};
}

uint8_t ShellNamespace::MarksOf(const std::string& path) const {
  std::string wanted = Upper(path);
  uint8_t flags = 0;
  for (const auto& [markedPath, markFlags] : marks_)
    if (markedPath == wanted)
      flags |= markFlags;
  return flags;
}

ShellItem ShellNamespace::FolderItem(const ShellItem& parent, const std::string& name,
                                     const fs::path& host) const {
  ShellItem item = parent;
  if (parent.kind == ShellItemKind::kDesktop)
    item.onDesktop = true;
  if (parent.kind != ShellItemKind::kFolder)
    item.names.clear();
  item.kind = ShellItemKind::kFolder;
  item.names.push_back(name);
  item.flags = 0;
  std::error_code error;
  for (fs::directory_iterator it(host, error), end; !error && it != end; it.increment(error)) {
    if (it->is_directory(error)) {
      item.flags |= kFolderHasSubfolders;
      break;
    }
  }
  item.flags |= MarksOf(*FileSystemPath(item));
  return item;
}

std::optional<fs::path> ShellNamespace::HostFolder(const ShellItem& item) const {
  std::optional<std::string> path = FileSystemPath(item);
  if (!path || item.kind == ShellItemKind::kShare)
    return std::nullopt;
  char letter = (*path)[0];
  if (item.kind == ShellItemKind::kDesktop || item.onDesktop) {
    if (desktop_.size() < 2 || desktop_[1] != ':')
      return std::nullopt;
    letter = desktop_[0];
  }
  const SimDrive* drive = FindDrive(letter);
  if (drive == nullptr || !drive->hasMedium)
    return std::nullopt;
  std::optional<fs::path> host = paths_.FindExisting(*path);
  std::error_code error;
  if (!host || !fs::is_directory(*host, error))
    return std::nullopt;
  return host;
}

bool ShellNamespace::Children(const ShellItem& folder, bool includeHidden,
                              std::vector<ShellItem>* children, int32_t* error) const {
  children->clear();
  *error = win::S_OK;
  switch (folder.kind) {
    case ShellItemKind::kDesktop:
      children->push_back(ShellItem{ShellItemKind::kMyComputer});
      children->push_back(ShellItem{ShellItemKind::kNetwork});
      children->push_back(ShellItem{ShellItemKind::kRecycleBin});
      break;
    case ShellItemKind::kMyComputer:
      for (const SimDrive& drive : drives_) {
        ShellItem item{ShellItemKind::kDrive};
        item.drive = drive.letter;
        children->push_back(item);
      }
      children->push_back(ShellItem{ShellItemKind::kControlPanel});
      children->push_back(ShellItem{ShellItemKind::kPrinters});
      return true;
    case ShellItemKind::kNetwork:
      for (const SimComputer& computer : computers_) {
        ShellItem item{ShellItemKind::kComputer};
        item.computer = computer.name;
        children->push_back(item);
      }
      return true;
    case ShellItemKind::kComputer:
      for (const SimComputer& computer : computers_) {
        if (!EqualsIgnoreCase(computer.name, folder.computer))
          continue;
        for (const std::string& share : computer.shares) {
          ShellItem item{ShellItemKind::kShare};
          item.computer = computer.name;
          item.share = share;
          children->push_back(item);
        }
        return true;
      }
      *error = win::HResultFromWin32(win::ERROR_BAD_NETPATH);
      return false;
    case ShellItemKind::kDrive:
    case ShellItemKind::kFolder: {
      const SimDrive* drive = folder.onDesktop ? nullptr : FindDrive(folder.drive);
      if (!folder.onDesktop && (drive == nullptr || !drive->hasMedium)) {
        *error = win::HResultFromWin32(win::ERROR_NOT_READY);
        return false;
      }
      break;
    }
    default:
      return true;  // Recycle Bin, Control Panel, Printers, shares: no folders
  }

  std::optional<fs::path> host = HostFolder(folder);
  if (!host) {
    // A drive with a medium but no folder in the machine is an empty disk; the desktop lists
    // its special items even without a desktop folder.
    if (folder.kind == ShellItemKind::kDrive || folder.kind == ShellItemKind::kDesktop)
      return true;
    *error = win::HResultFromWin32(win::ERROR_PATH_NOT_FOUND);
    return false;
  }
  std::vector<std::pair<std::string, fs::path>> folders;
  std::error_code iterError;
  for (fs::directory_iterator it(*host, iterError), end; !iterError && it != end;
       it.increment(iterError)) {
    std::error_code typeError;
    if (it->is_directory(typeError))
      folders.emplace_back(it->path().filename().string(), it->path());
  }
  // Listed by name without regard to case, as NTFS keeps its folders.
  std::sort(folders.begin(), folders.end(),
            [](const auto& a, const auto& b) { return LessIgnoringCase(a.first, b.first); });
  for (const auto& [name, path] : folders) {
    ShellItem child = FolderItem(folder, name, path);
    if ((child.flags & kFolderHidden) && !includeHidden)
      continue;
    children->push_back(std::move(child));
  }
  return true;
}

std::optional<ShellItem> ShellNamespace::ChildByName(const ShellItem& folder,
                                                     const std::string& name) const {
  switch (folder.kind) {
    case ShellItemKind::kDesktop:
      if (name.rfind("::", 0) == 0)
        return ItemOfPath(name);
      break;
    case ShellItemKind::kMyComputer: {
      if (name.size() >= 2 && IsAsciiLetter(name[0]) && name[1] == ':' &&
          (name.size() == 2 || (name.size() == 3 && name[2] == '\\'))) {
        if (FindDrive(name[0]) == nullptr)
          return std::nullopt;
        ShellItem drive{ShellItemKind::kDrive};
        drive.drive = UpperAscii(name[0]);
        return drive;
      }
      for (ShellItemKind kind : {ShellItemKind::kControlPanel, ShellItemKind::kPrinters})
        if (EqualsIgnoreCase(name, std::string("::") + Special(kind)->classId))
          return ShellItem{kind};
      return std::nullopt;
    }
    case ShellItemKind::kDrive:
    case ShellItemKind::kFolder:
      break;
    case ShellItemKind::kNetwork:
      return ItemOfPath(name.rfind("\\\\", 0) == 0 ? name : "\\\\" + name);
    case ShellItemKind::kComputer:
      return ItemOfPath("\\\\" + folder.computer + "\\" + name);
    default:
      return std::nullopt;
  }
  // A folder by name, looked up without regard to case.
  if (name.empty() || name.find('\\') != std::string::npos || name == "." || name == "..")
    return std::nullopt;
  std::optional<fs::path> host = HostFolder(folder);
  if (!host)
    return std::nullopt;
  std::error_code error;
  for (fs::directory_iterator it(*host, error), end; !error && it != end; it.increment(error)) {
    std::string stored = it->path().filename().string();
    std::error_code typeError;
    if (EqualsIgnoreCase(stored, name) && it->is_directory(typeError))
      return FolderItem(folder, stored, it->path());
  }
  return std::nullopt;
}

std::optional<ShellItem> ShellNamespace::NetworkItem(const std::string& path) const {
  std::vector<std::string> parts = SplitOn(path.substr(2), '\\');
  if (parts.empty() || parts.size() > 2 || parts[0].empty())
    return std::nullopt;
  for (const SimComputer& computer : computers_) {
    if (!EqualsIgnoreCase(computer.name, parts[0]))
      continue;
    ShellItem item{ShellItemKind::kComputer};
    item.computer = computer.name;
    if (parts.size() == 1)
      return item;
    for (const std::string& share : computer.shares) {
      if (EqualsIgnoreCase(share, parts[1])) {
        item.kind = ShellItemKind::kShare;
        item.share = share;
        return item;
      }
    }
  }
  return std::nullopt;
}

std::optional<ShellItem> ShellNamespace::ItemOfPath(const std::string& windowsPath) const {
  std::string path = WithoutTrailingBackslashes(windowsPath);
  if (path.rfind("\\\\", 0) == 0)
    return NetworkItem(path);
  if (path.rfind("::", 0) == 0) {
    for (const SpecialFolder& special : kSpecials) {
      ShellItem item{special.kind};
      if (EqualsIgnoreCase(path, ParsingName(item)))
        return item;
    }
    return std::nullopt;
  }
  if (path.size() < 2 || !IsAsciiLetter(path[0]) || path[1] != ':')
    return std::nullopt;
  if (path.size() > 2 && path[2] != '\\')
    return std::nullopt;
  const SimDrive* drive = FindDrive(path[0]);
  if (drive == nullptr)
    return std::nullopt;
  ShellItem item{ShellItemKind::kDrive};
  item.drive = drive->letter;
  for (const std::string& name : SplitOn(path.size() > 3 ? path.substr(3) : "", '\\')) {
    if (name.empty())
      continue;
    std::optional<ShellItem> child = ChildByName(item, name);
    if (!child)
      return std::nullopt;
    item = *child;
  }
  return item;
}

}  // namespace talvex::sim
