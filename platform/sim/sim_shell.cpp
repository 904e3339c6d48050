#include "platform/sim/sim_shell.h"

#include <cstring>
#include <optional>
#include <system_error>

#include "platform/ascii_text.h"
#include "platform/sim/reg_store.h"
#include "platform/sim/sim_shell_folder.h"
#include "platform/winconst.h"

namespace talvex::sim {

namespace fs = std::filesystem;

namespace {

// Upper case of a Windows-1252 character as the English locale folds it: a to z, the accented
// letters of 0xE0 to 0xFE (not the division sign), and the three letters with a capital elsewhere.
uint8_t FoldCp1252(uint8_t c) {
  if (c >= 'a' && c <= 'z')
    return static_cast<uint8_t>(c - 'a' + 'A');
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
    return static_cast<uint8_t>(c - 0x20);
  switch (c) {
    case 0x9A:  // s caron
      return 0x8A;
    case 0x9C:  // oe
      return 0x8C;
    case 0x9E:  // z caron
      return 0x8E;
    case 0xFF:  // y diaeresis
      return 0x9F;
    default:
      return c;
  }
}

// The folder that holds a path, and the path's last name.
bool SplitParent(const std::string& path, std::string* parent, std::string* name) {
  std::string trimmed = path;
  while (trimmed.size() > 3 && trimmed.back() == '\\')
    trimmed.pop_back();
  size_t slash = trimmed.rfind('\\');
  if (slash == std::string::npos || slash + 1 >= trimmed.size())
    return false;
  *name = trimmed.substr(slash + 1);
  *parent = trimmed.substr(0, slash);
  if (parent->size() == 2 && (*parent)[1] == ':')
    *parent += '\\';
  return true;
}

constexpr JournalName kCsidls[] = {
    {win::CSIDL_DESKTOP, "CSIDL_DESKTOP"},
    {win::CSIDL_CONTROLS, "CSIDL_CONTROLS"},
    {win::CSIDL_PRINTERS, "CSIDL_PRINTERS"},
    {win::CSIDL_BITBUCKET, "CSIDL_BITBUCKET"},
    {win::CSIDL_DESKTOPDIRECTORY, "CSIDL_DESKTOPDIRECTORY"},
    {win::CSIDL_DRIVES, "CSIDL_DRIVES"},
    {win::CSIDL_NETWORK, "CSIDL_NETWORK"},
};
constexpr JournalName kFileInfoFlags[] = {
    {win::SHGFI_SMALLICON, "SHGFI_SMALLICON"},
    {win::SHGFI_OPENICON, "SHGFI_OPENICON"},
    {win::SHGFI_PIDL, "SHGFI_PIDL"},
    {win::SHGFI_ICON, "SHGFI_ICON"},
    {win::SHGFI_DISPLAYNAME, "SHGFI_DISPLAYNAME"},
    {win::SHGFI_TYPENAME, "SHGFI_TYPENAME"},
    {win::SHGFI_ATTRIBUTES, "SHGFI_ATTRIBUTES"},
    {win::SHGFI_SYSICONINDEX, "SHGFI_SYSICONINDEX"},
};
constexpr JournalName kCompareFlags[] = {{win::NORM_IGNORECASE, "NORM_IGNORECASE"}};
constexpr JournalName kSources[] = {
    {win::SHCNRF_InterruptLevel, "SHCNRF_InterruptLevel"},
    {win::SHCNRF_ShellLevel, "SHCNRF_ShellLevel"},
    {win::SHCNRF_RecursiveInterrupt, "SHCNRF_RecursiveInterrupt"},
    {win::SHCNRF_NewDelivery, "SHCNRF_NewDelivery"},
};
constexpr JournalName kEvents[] = {
    {win::SHCNE_ALLEVENTS, "SHCNE_ALLEVENTS"},
    {win::SHCNE_RENAMEITEM, "SHCNE_RENAMEITEM"},
    {win::SHCNE_CREATE, "SHCNE_CREATE"},
    {win::SHCNE_DELETE, "SHCNE_DELETE"},
    {win::SHCNE_MKDIR, "SHCNE_MKDIR"},
    {win::SHCNE_RMDIR, "SHCNE_RMDIR"},
    {win::SHCNE_MEDIAINSERTED, "SHCNE_MEDIAINSERTED"},
    {win::SHCNE_MEDIAREMOVED, "SHCNE_MEDIAREMOVED"},
    {win::SHCNE_DRIVEREMOVED, "SHCNE_DRIVEREMOVED"},
    {win::SHCNE_DRIVEADD, "SHCNE_DRIVEADD"},
    {win::SHCNE_UPDATEDIR, "SHCNE_UPDATEDIR"},
    {win::SHCNE_RENAMEFOLDER, "SHCNE_RENAMEFOLDER"},
    {win::SHCNE_INTERRUPT, "SHCNE_INTERRUPT"},
};

}  // namespace

std::string SimShellCore::ItemName(PCIDL absolute) const {
  if (absolute == nullptr)
    return "null";
  std::optional<ShellItem> item = names.Decode(absolute);
  return item ? JournalText(names.ParsingName(*item)) : std::string("invalid");
}

PIDL SimShellCore::ToTask(const std::vector<uint8_t>& list) {
  auto* block = static_cast<uint8_t*>(allocator.Alloc(list.size()));
  std::memcpy(block, list.data(), list.size());
  return block;
}

std::optional<int32_t> SimShellCore::Failure(const std::string& operation,
                                             const std::string& argument, int32_t defaultResult) {
  std::optional<uint32_t> code =
      failures.Check(operation, argument, static_cast<uint32_t>(defaultResult));
  if (!code)
    return std::nullopt;
  if (*code & 0x80000000u)
    return static_cast<int32_t>(*code);
  return win::HResultFromWin32(*code == 0 ? win::ERROR_GEN_FAILURE : *code);
}

// shell32.dll of the machine: both change notification ordinals are exported unless a failure is
// injected into their GetProcAddress.
class SimShell32Module final : public Shell32Module {
 public:
  explicit SimShell32Module(SimShell& shell) : shell_(shell) { ++shell_.loaded_modules_; }
  ~SimShell32Module() override {
    --shell_.loaded_modules_;
    if (shell_.journal_.on())
      shell_.journal_.Write(JournalLine("FreeLibrary").Text("module", "shell32.dll").Result(true));
  }

  bool GetProcAddress(uint16_t ordinal) override {
    bool found = Bind(ordinal);
    if (shell_.journal_.on())
      shell_.journal_.Write(JournalLine("GetProcAddress")
                                .Text("module", "shell32.dll")
                                .Number("ordinal", ordinal)
                                .Result(found ? "found" : "null"));
    return found;
  }

  uint32_t SHChangeNotifyRegister(WindowHandle window, int32_t sources, int32_t events,
                                  uint32_t message, int32_t entryCount,
                                  const SHChangeNotifyEntry* entries) override {
    uint32_t handle = register_bound_
                          ? shell_.Register(window, sources, events, message, entryCount, entries)
                          : 0;
    if (shell_.journal_.on()) {
      JournalLine line("SHChangeNotifyRegister");
      line.Handle("window", window)
          .Flags("sources", static_cast<uint32_t>(sources), kSources)
          .Flags("events", static_cast<uint32_t>(events), kEvents)
          .Code("message", message)
          .Number("entries", entryCount);
      if (entries != nullptr && entryCount > 0)
        line.Raw("item", entries[0].pidl == nullptr ? std::string("desktop")
                                                    : shell_.core_->ItemName(entries[0].pidl))
            .Raw("recursive", entries[0].fRecursive ? "TRUE" : "FALSE");
      shell_.journal_.Write(line.ResultNumber(handle));
    }
    return handle;
  }

  bool SHChangeNotifyDeregister(uint32_t handle) override {
    bool ok = deregister_bound_ && shell_.Deregister(handle);
    if (shell_.journal_.on())
      shell_.journal_.Write(
          JournalLine("SHChangeNotifyDeregister").Number("handle", handle).Result(ok));
    return ok;
  }

 private:
  bool Bind(uint16_t ordinal) {
    if (shell_.failures_.Check("GetProcAddress", std::to_string(ordinal),
                               win::ERROR_PROC_NOT_FOUND))
      return false;
    if (ordinal == win::kShChangeNotifyRegisterOrdinal)
      register_bound_ = true;
    else if (ordinal == win::kShChangeNotifyDeregisterOrdinal)
      deregister_bound_ = true;
    else
      return false;
    return true;
  }

  SimShell& shell_;
  bool register_bound_ = false;
  bool deregister_bound_ = false;
};

SimShell::SimShell(const IniFile& ini, const std::string& windowsFolder,
                   const fs::path& machineFolder, DrivePaths& paths, FailurePlan& failures,
                   SystemFolders& folders, Journal& journal)
    : core_(std::make_shared<SimShellCore>(ShellNamespace(ini, windowsFolder, machineFolder, paths),
                                           failures, allocator_)),
      failures_(failures),
      paths_(paths),
      folders_(folders),
      journal_(journal) {
  core_->journal = &journal;
  allocator_.SetJournal(&journal);
}

SimShell::~SimShell() {
  core_->alive = false;
  core_->journal = nullptr;
}

std::unique_ptr<Shell32Module> SimShell::LoadShell32() {
  // By its full path in the system folder, as the Windows build loads it: a machine without a
  // system folder has no shell32.dll to give.
  std::optional<std::string> system = SystemFolderPath(folders_);
  if (!system)
    return nullptr;  // the call left its last error
  const std::string path = JoinPath(*system, "shell32.dll");
  std::unique_ptr<Shell32Module> module;
  if (!failures_.Check("LoadLibraryA", "shell32.dll", win::ERROR_MOD_NOT_FOUND))
    module = std::make_unique<SimShell32Module>(*this);
  if (journal_.on())
    journal_.Write(
        JournalLine("LoadLibraryA").Text("path", path).Result(module ? "loaded" : "null"));
  return module;
}

int32_t SimShell::CoGetMalloc(uint32_t memoryContext, ComPtr<IMalloc>* allocator) {
  int32_t result = GetMalloc(memoryContext, allocator);
  if (journal_.on())
    journal_.Write(JournalLine("CoGetMalloc")
                       .Code("context", memoryContext)
                       .ResultCode(static_cast<uint32_t>(result)));
  return result;
}

int32_t SimShell::SHGetMalloc(ComPtr<IMalloc>* allocator) {
  int32_t result = GetMalloc(win::MEMCTX_TASK, allocator);
  if (journal_.on())
    journal_.Write(JournalLine("SHGetMalloc").ResultCode(static_cast<uint32_t>(result)));
  return result;
}

int32_t SimShell::SHGetSpecialFolderLocation(WindowHandle owner, int32_t csidl, PIDL* pidl) {
  int32_t result = GetSpecialFolderLocation(csidl, pidl);
  if (journal_.on()) {
    JournalLine line("SHGetSpecialFolderLocation");
    line.Handle("owner", owner).Named("csidl", static_cast<uint32_t>(csidl), kCsidls);
    line.ResultCode(static_cast<uint32_t>(result));
    if (result == win::S_OK && pidl != nullptr)
      line.Raw("item", core_->ItemName(*pidl));
    journal_.Write(line);
  }
  return result;
}

bool SimShell::SHGetPathFromIDListA(PCIDL pidl, char* path) {
  bool ok = PathFromIdList(pidl, path);
  if (journal_.on()) {
    JournalLine line("SHGetPathFromIDListA");
    line.Raw("item", core_->ItemName(pidl)).Result(ok);
    if (ok)
      line.Text("path", path);
    journal_.Write(line);
  }
  return ok;
}

std::uintptr_t SimShell::SHGetFileInfoA(PCIDL pidl, uint32_t fileAttributes, SHFILEINFOA* info,
                                        uint32_t infoSize, uint32_t flags) {
  std::uintptr_t result = FileInfo(pidl, info, infoSize, flags);
  if (journal_.on()) {
    JournalLine line("SHGetFileInfoA");
    line.Raw("item", (flags & win::SHGFI_PIDL) ? core_->ItemName(pidl) : std::string("path"));
    line.Handle("attributes", fileAttributes).Flags("flags", flags, kFileInfoFlags);
    line.ResultHandle(result);
    if (result != 0 && info != nullptr && infoSize >= sizeof *info) {
      line.Number("icon", info->iIcon);
      if (flags & win::SHGFI_DISPLAYNAME)
        line.Text("name", info->szDisplayName);
    }
    journal_.Write(line);
  }
  return result;
}

bool SimShell::LockWindowUpdate(WindowHandle window) {
  bool ok = window == 0 || locked_ == 0;
  // One window at a time, as on Windows: locking while any window is locked fails; 0 resumes.
  if (ok)
    locked_ = window;
  if (journal_.on())
    journal_.Write(JournalLine("LockWindowUpdate").Handle("window", window).Result(ok));
  return ok;
}

int SimShell::CompareStringA(uint32_t locale, uint32_t flags, const char* string1, int length1,
                             const char* string2, int length2) {
  int result = CompareStrings(flags, string1, length1, string2, length2);
  if (journal_.on()) {
    JournalLine line("CompareStringA");
    line.Code("locale", locale).Flags("flags", flags, kCompareFlags);
    if (string1 != nullptr && string2 != nullptr)
      line.Text("string1", length1 < 0 ? std::string_view(string1)
                                       : std::string_view(string1, static_cast<size_t>(length1)))
          .Text("string2", length2 < 0 ? std::string_view(string2)
                                       : std::string_view(string2, static_cast<size_t>(length2)));
    line.Result(result == win::CSTR_LESS_THAN      ? "CSTR_LESS_THAN"
                : result == win::CSTR_EQUAL        ? "CSTR_EQUAL"
                : result == win::CSTR_GREATER_THAN ? "CSTR_GREATER_THAN"
                                                   : "0");
    journal_.Write(line);
  }
  return result;
}

int SimShell::WideCharToMultiByte(uint32_t codePage, uint32_t flags, const char16_t* wide,
                                  int wideLength, char* buffer, int size) {
  int result = ToMultiByte(codePage, wide, wideLength, buffer, size);
  if (journal_.on()) {
    JournalLine line("WideCharToMultiByte");
    line.Code("codepage", codePage).Code("flags", flags).Number("length", wideLength);
    line.Number("size", size).ResultNumber(result);
    if (result > 0 && size > 0 && buffer != nullptr)
      line.Text("text", std::string_view(buffer, static_cast<size_t>(result)));
    journal_.Write(line);
  }
  return result;
}

int32_t SimShell::GetMalloc(uint32_t memoryContext, ComPtr<IMalloc>* allocator) {
  if (allocator == nullptr)
    return win::E_INVALIDARG;
  *allocator = nullptr;
  if (memoryContext != win::MEMCTX_TASK)
    return win::E_INVALIDARG;
  if (auto failure = core_->Failure("CoGetMalloc", "", win::E_OUTOFMEMORY))
    return *failure;
  *allocator = allocator_.Get();
  return win::S_OK;
}

int32_t SimShell::SHGetDesktopFolder(ComPtr<IShellFolder>* folder) {
  int32_t result = win::E_INVALIDARG;
  if (folder != nullptr) {
    *folder = nullptr;
    if (auto failure = core_->Failure("SHGetDesktopFolder", "", win::E_FAIL)) {
      result = *failure;
    } else {
      *folder =
          MakeSimShellFolder(core_, ShellItem{}, std::vector<uint8_t>(kIdListTerminatorSize, 0));
      result = win::S_OK;
    }
  }
  if (journal_.on())
    journal_.Write(JournalLine("SHGetDesktopFolder").ResultCode(static_cast<uint32_t>(result)));
  return result;
}

int32_t SimShell::GetSpecialFolderLocation(int32_t csidl, PIDL* pidl) {
  if (pidl == nullptr)
    return win::E_INVALIDARG;
  *pidl = nullptr;
  if (auto failure =
          core_->Failure("SHGetSpecialFolderLocation", std::to_string(csidl), win::E_FAIL))
    return *failure;
  ShellNamespace& names = core_->names;
  std::vector<uint8_t> list;
  switch (csidl) {
    case win::CSIDL_DESKTOP:
      list = names.EncodeAbsolute(ShellItem{ShellItemKind::kDesktop});
      break;
    case win::CSIDL_DRIVES:
      list = names.EncodeAbsolute(ShellItem{ShellItemKind::kMyComputer});
      break;
    case win::CSIDL_NETWORK:
      list = names.EncodeAbsolute(ShellItem{ShellItemKind::kNetwork});
      break;
    case win::CSIDL_BITBUCKET:
      list = names.EncodeAbsolute(ShellItem{ShellItemKind::kRecycleBin});
      break;
    case win::CSIDL_CONTROLS:
      list = names.EncodeAbsolute(ShellItem{ShellItemKind::kControlPanel});
      break;
    case win::CSIDL_PRINTERS:
      list = names.EncodeAbsolute(ShellItem{ShellItemKind::kPrinters});
      break;
    case win::CSIDL_DESKTOPDIRECTORY: {
      // A real folder: it has a location only when it exists.
      std::optional<ShellItem> desktop = names.ItemOfPath(names.desktopFolder());
      if (!desktop)
        return win::HResultFromWin32(win::ERROR_FILE_NOT_FOUND);
      list = names.EncodeAbsolute(*desktop);
      break;
    }
    default:
      return win::E_INVALIDARG;
  }
  *pidl = core_->ToTask(list);
  return win::S_OK;
}

bool SimShell::PathFromIdList(PCIDL pidl, char* path) {
  if (path == nullptr)
    return false;
  path[0] = '\0';
  std::optional<ShellItem> item = core_->names.Decode(pidl);
  if (!item)
    return false;
  std::optional<std::string> fsPath = core_->names.FileSystemPath(*item);
  if (!fsPath || fsPath->size() >= win::MAX_PATH)
    return false;
  if (core_->Failure("SHGetPathFromIDListA", *fsPath, win::E_FAIL))
    return false;
  std::memcpy(path, fsPath->c_str(), fsPath->size() + 1);
  return true;
}

std::uintptr_t SimShell::FileInfo(PCIDL pidl, SHFILEINFOA* info, uint32_t infoSize,
                                  uint32_t flags) {
  if ((flags & win::SHGFI_PIDL) == 0)
    return 0;
  std::optional<ShellItem> item = core_->names.Decode(pidl);
  if (!item)
    return 0;
  const ShellNamespace& names = core_->names;
  if (core_->Failure("SHGetFileInfoA", names.ParsingName(*item), win::E_FAIL))
    return 0;
  if (info != nullptr && infoSize >= sizeof *info) {
    IconPair icons = names.Icons(*item);
    info->iIcon = (flags & win::SHGFI_OPENICON) ? icons.open : icons.normal;
    if (flags & win::SHGFI_ATTRIBUTES)
      info->dwAttributes = names.Attributes(*item);
    if (flags & win::SHGFI_DISPLAYNAME) {
      std::string name = names.NormalName(*item).substr(0, sizeof info->szDisplayName - 1);
      std::memcpy(info->szDisplayName, name.c_str(), name.size() + 1);
    }
  }
  if (flags & win::SHGFI_SYSICONINDEX)
    return (flags & win::SHGFI_SMALLICON) ? kSmallIconList : kLargeIconList;
  return 1;
}

int SimShell::CompareStrings(uint32_t flags, const char* string1, int length1, const char* string2,
                             int length2) {
  if (string1 == nullptr || string2 == nullptr)
    return 0;
  size_t size1 = length1 < 0 ? std::strlen(string1) : static_cast<size_t>(length1);
  size_t size2 = length2 < 0 ? std::strlen(string2) : static_cast<size_t>(length2);
  bool ignoreCase = (flags & win::NORM_IGNORECASE) != 0;
  for (size_t i = 0; i < size1 && i < size2; ++i) {
    auto a = static_cast<uint8_t>(string1[i]);
    auto b = static_cast<uint8_t>(string2[i]);
    if (ignoreCase) {
      a = FoldCp1252(a);
      b = FoldCp1252(b);
    }
    if (a != b)
      return a < b ? win::CSTR_LESS_THAN : win::CSTR_GREATER_THAN;
  }
  if (size1 == size2)
    return win::CSTR_EQUAL;
  return size1 < size2 ? win::CSTR_LESS_THAN : win::CSTR_GREATER_THAN;
}

int SimShell::ToMultiByte(uint32_t codePage, const char16_t* wide, int wideLength, char* buffer,
                          int size) {
  if (wide == nullptr || codePage != win::CP_ACP || size < 0)
    return 0;
  size_t count = 0;
  if (wideLength < 0) {
    while (wide[count] != 0)
      ++count;
    ++count;  // the terminating zero is converted too
  } else {
    count = static_cast<size_t>(wideLength);
  }
  if (size == 0)
    return static_cast<int>(count);
  if (buffer == nullptr || count > static_cast<size_t>(size))
    return 0;  // ERROR_INSUFFICIENT_BUFFER
  for (size_t i = 0; i < count; ++i)
    buffer[i] = static_cast<char>(Utf16ToCp1252(wide[i]));
  return static_cast<int>(count);
}

uint32_t SimShell::Register(WindowHandle window, int32_t sources, int32_t events, uint32_t message,
                            int32_t entryCount, const SHChangeNotifyEntry* entries) {
  if (failures_.Check("SHChangeNotifyRegister", "", 0))
    return 0;
  if (window == 0 || entryCount <= 0 || entries == nullptr)
    return 0;
  ShellRegistration registration;
  registration.handle = next_handle_++;
  registration.window = window;
  registration.sources = sources;
  registration.events = events;
  registration.message = message;
  registration.recursive = entries[0].fRecursive != 0;
  for (int32_t i = 0; i < entryCount; ++i)
    registration.watched.push_back(ILCombine(nullptr, entries[i].pidl));
  registrations_.push_back(std::move(registration));
  return registrations_.back().handle;
}

bool SimShell::Deregister(uint32_t handle) {
  for (auto it = registrations_.begin(); it != registrations_.end(); ++it) {
    if (it->handle == handle) {
      registrations_.erase(it);
      return true;
    }
  }
  return false;
}

bool SimShell::Watches(const ShellRegistration& registration,
                       const std::vector<uint8_t>& item) const {
  const ShellNamespace& names = core_->names;
  size_t itemLevels = ILItemCount(item.data());
  for (const std::vector<uint8_t>& watched : registration.watched) {
    size_t levels = ILItemCount(watched.data());
    bool deepEnough = registration.recursive ? itemLevels >= levels
                                             : (itemLevels == levels || itemLevels == levels + 1);
    if (!deepEnough)
      continue;
    if (levels == 0)
      return true;  // the desktop: the whole namespace
    // Compared by name, so attributes remembered in the IDs do not matter.
    std::vector<uint8_t> prefix;
    PCIDL p = item.data();
    for (size_t i = 0; i < levels; ++i, p = ILNext(p))
      prefix.insert(prefix.end(), p, p + ILItemSize(p));
    prefix.insert(prefix.end(), kIdListTerminatorSize, 0);
    std::optional<ShellItem> a = names.Decode(prefix.data());
    std::optional<ShellItem> b = names.Decode(watched.data());
    if (a && b && EqualsIgnoreCase(names.ParsingName(*a), names.ParsingName(*b)))
      return true;
  }
  return false;
}

void SimShell::Notify(int32_t event, const std::vector<uint8_t>& item1,
                      const std::vector<uint8_t>& item2, bool fromSystem) {
  int32_t level = fromSystem ? win::SHCNRF_InterruptLevel : win::SHCNRF_ShellLevel;
  std::vector<ShellRegistration> current = registrations_;  // a delivery may deregister
  for (const ShellRegistration& registration : current) {
    if ((registration.events & event) == 0 || (registration.sources & level) == 0)
      continue;
    if (!Watches(registration, item1) && (item2.empty() || !Watches(registration, item2)))
      continue;
    ShellNotification notification;
    notification.window = registration.window;
    notification.message = registration.message;
    uint32_t lParam = static_cast<uint32_t>(event) | (fromSystem ? win::SHCNE_INTERRUPT : 0u);
    notification.lParam = static_cast<std::intptr_t>(static_cast<int32_t>(lParam));
    char path[win::MAX_PATH];
    if (PathFromIdList(item1.data(), path))
      notification.path1 = path;
    if (!item2.empty() && PathFromIdList(item2.data(), path))
      notification.path2 = path;
    // Each window gets its own copies; the receiver frees them with the task allocator.
    std::array<PIDL, 2>& pair = posted_pairs_.emplace_back();
    pair[0] = core_->ToTask(item1);
    pair[1] = item2.empty() ? nullptr : core_->ToTask(item2);
    notification.delivered =
        poster_ && poster_(registration.window, registration.message,
                           reinterpret_cast<std::uintptr_t>(pair.data()), notification.lParam);
    if (!notification.delivered) {
      allocator_.Free(pair[0]);
      allocator_.Free(pair[1]);
      pair = {nullptr, nullptr};
    }
    notifications_.push_back(notification);
  }
}

std::vector<uint8_t> SimShell::IdListOfPath(const std::string& path) const {
  std::optional<ShellItem> item = core_->names.ItemOfPath(path);
  return item ? core_->names.EncodeAbsolute(*item) : std::vector<uint8_t>{};
}

std::string SimShell::ReadOnlyProblem(const std::string& path) const {
  return paths_.OnReadOnlyDrive(path) ? path + " is on a CD, which cannot be written to" : "";
}

std::string SimShell::MakeFolder(const std::string& path) {
  if (std::string problem = ReadOnlyProblem(path); !problem.empty())
    return problem;
  std::string parentPath, name;
  if (!SplitParent(path, &parentPath, &name))
    return "no folder name in " + path;
  ShellNamespace& names = core_->names;
  std::optional<ShellItem> parent = names.ItemOfPath(parentPath);
  std::optional<fs::path> host = parent ? names.HostFolder(*parent) : std::nullopt;
  if (!host)
    return "no folder " + parentPath + " to make " + name + " in";
  if (names.ChildByName(*parent, name))
    return path + " exists already";
  std::error_code error;
  if (!fs::create_directory(*host / name, error))
    return "cannot make " + path + ": " + error.message();
  Notify(win::SHCNE_MKDIR, IdListOfPath(path), {}, false);
  return "";
}

std::string SimShell::RemoveFolder(const std::string& path) {
  if (std::string problem = ReadOnlyProblem(path); !problem.empty())
    return problem;
  ShellNamespace& names = core_->names;
  std::optional<ShellItem> item = names.ItemOfPath(path);
  if (!item || item->kind != ShellItemKind::kFolder)
    return "no folder " + path + " to remove";
  std::optional<fs::path> host = names.HostFolder(*item);
  if (!host)
    return "no folder " + path + " to remove";
  std::vector<uint8_t> list = names.EncodeAbsolute(*item);
  std::error_code error;
  fs::remove_all(*host, error);
  if (error)
    return "cannot remove " + path + ": " + error.message();
  Notify(win::SHCNE_RMDIR, list, {}, false);
  return "";
}

std::string SimShell::RenameFolder(const std::string& oldPath, const std::string& newPath) {
  for (const std::string* path : {&oldPath, &newPath})
    if (std::string problem = ReadOnlyProblem(*path); !problem.empty())
      return problem;
  ShellNamespace& names = core_->names;
  std::optional<ShellItem> item = names.ItemOfPath(oldPath);
  std::optional<fs::path> host = item ? names.HostFolder(*item) : std::nullopt;
  if (!host || item->kind != ShellItemKind::kFolder)
    return "no folder " + oldPath + " to rename";
  std::string parentPath, name;
  if (!SplitParent(newPath, &parentPath, &name))
    return "no new name in " + newPath;
  std::optional<ShellItem> parent = names.ItemOfPath(parentPath);
  std::optional<fs::path> parentHost = parent ? names.HostFolder(*parent) : std::nullopt;
  if (!parentHost)
    return "no folder " + parentPath + " to move " + oldPath + " to";
  std::optional<ShellItem> existing = names.ChildByName(*parent, name);
  // A new name that differs only in letter case renames the folder itself.
  if (existing && !EqualsIgnoreCase(*names.FileSystemPath(*existing), *names.FileSystemPath(*item)))
    return newPath + " exists already";
  std::vector<uint8_t> oldList = names.EncodeAbsolute(*item);
  std::error_code error;
  fs::rename(*host, *parentHost / name, error);
  if (error)
    return "cannot rename " + oldPath + ": " + error.message();
  Notify(win::SHCNE_RENAMEFOLDER, oldList, IdListOfPath(newPath), false);
  return "";
}

SimDrive* SimShell::RemovableDrive(const std::string& drive, std::string* problem) {
  std::string letter = TrimBlanks(drive);
  if (!(letter.size() == 2 && letter[1] == ':')) {
    *problem = "a drive is named as its letter and a colon (D:), not " + drive;
    return nullptr;
  }
  SimDrive* found = core_->names.FindDrive(letter[0]);
  if (found == nullptr) {
    *problem = "no drive " + letter;
    return nullptr;
  }
  if (found->kind == DriveKind::kFixed) {
    *problem = "drive " + letter + " takes no medium";
    return nullptr;
  }
  return found;
}

std::string SimShell::CheckRemovableDrive(const std::string& drive) {
  std::string problem;
  RemovableDrive(drive, &problem);
  return problem;
}

std::string SimShell::InsertMedium(const std::string& drive, const std::string& label) {
  std::string problem;
  SimDrive* found = RemovableDrive(drive, &problem);
  if (found == nullptr)
    return problem;
  found->hasMedium = true;
  found->label = label;
  ShellItem item{ShellItemKind::kDrive};
  item.drive = found->letter;
  Notify(win::SHCNE_MEDIAINSERTED, core_->names.EncodeAbsolute(item), {}, true);
  return "";
}

std::string SimShell::EjectMedium(const std::string& drive) {
  std::string problem;
  SimDrive* found = RemovableDrive(drive, &problem);
  if (found == nullptr)
    return problem;
  found->hasMedium = false;
  ShellItem item{ShellItemKind::kDrive};
  item.drive = found->letter;
  Notify(win::SHCNE_MEDIAREMOVED, core_->names.EncodeAbsolute(item), {}, true);
  return "";
}

}  // namespace talvex::sim
