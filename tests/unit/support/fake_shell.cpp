#include "tests/unit/support/fake_shell.h"

#include <cstring>
#include <iterator>

#include "platform/ascii_text.h"
#include "platform/winconst.h"

namespace talvex::testing {

namespace {

constexpr size_t kIdOffset = 2;
constexpr size_t kNameOffset = 6;

uint32_t ItemId(PCIDL item) {
  uint32_t id = 0;
  std::memcpy(&id, item + kIdOffset, sizeof id);
  return id;
}

class FakeEnum : public ComObject<IEnumIDList> {
 public:
  FakeEnum(FakeShell& shell, std::vector<uint32_t> ids) : shell_(shell), ids_(std::move(ids)) {}
  int32_t Next(uint32_t count, PIDL* items, uint32_t* fetched) override {
    uint32_t done = 0;
    while (done < count && next_ < ids_.size()) {
      FakeItem* item = nullptr;
      for (; next_ < ids_.size() && item == nullptr; ++next_)
        item = Find(ids_[next_]);
      if (item == nullptr)
        break;
      items[done++] = shell_.AllocItem(*item);
    }
    if (fetched != nullptr)
      *fetched = done;
    return done == count ? win::S_OK : win::S_FALSE;
  }
  int32_t Skip(uint32_t count) override {
    next_ += count;
    return win::S_OK;
  }
  int32_t Reset() override {
    next_ = 0;
    return win::S_OK;
  }

 private:
  FakeItem* Find(uint32_t id);
  FakeShell& shell_;
  std::vector<uint32_t> ids_;
  size_t next_ = 0;
};

FakeItem* FakeEnum::Find(uint32_t id) {
  return shell_.Find(id);
}

class FakeFolder : public ComObject<IShellFolder> {
 public:
  FakeFolder(FakeShell& shell, uint32_t id) : shell_(shell), id_(id) {}

  int32_t ParseDisplayName(WindowHandle, const char16_t* displayName, uint32_t* eaten, PIDL* pidl,
                           uint32_t*) override {
    *pidl = nullptr;
    FakeItem* self = Self();
    if (self == nullptr || displayName == nullptr)
      return win::E_FAIL;
    std::string name;
    for (const char16_t* c = displayName; *c != 0; ++c)
      name.push_back(static_cast<char>(*c));
    for (auto& child : self->children)
      if (EqualsIgnoreCase(child->parsing, name)) {
        *pidl = shell_.AllocItem(*child);
        if (eaten != nullptr)
          *eaten = static_cast<uint32_t>(name.size());
        return win::S_OK;
      }
    return win::E_INVALIDARG;
  }

  int32_t EnumObjects(WindowHandle, uint32_t flags, ComPtr<IEnumIDList>* enumerator) override {
    *enumerator = nullptr;
    FakeItem* self = Self();
    if (self == nullptr)
      return win::E_FAIL;
    ++self->enumerations;
    if (self->enumFails)
      return win::HResultFromWin32(win::ERROR_NOT_READY);
    std::vector<uint32_t> ids;
    for (auto& child : self->children) {
      bool folder = (child->attributes & win::SFGAO_FOLDER) != 0;
      bool hidden = (child->attributes & win::SFGAO_HIDDEN) != 0;
      if (folder && (flags & win::SHCONTF_FOLDERS) == 0)
        continue;
      if (!folder && (flags & win::SHCONTF_NONFOLDERS) == 0)
        continue;
      if (hidden && (flags & win::SHCONTF_INCLUDEHIDDEN) == 0)
        continue;
      ids.push_back(child->id);
    }
    *enumerator = MakeComObject<IEnumIDList, FakeEnum>(shell_, std::move(ids));
    return win::S_OK;
  }

  int32_t BindToObject(PCIDL pidl, ComPtr<IShellFolder>* folder) override {
    *folder = nullptr;
    FakeItem* self = Self();
    FakeItem* item = self ? shell_.Resolve(*self, pidl) : nullptr;
    if (item == nullptr || item->bindFails)
      return win::E_FAIL;
    *folder = shell_.FolderOf(*item);
    return win::S_OK;
  }

  int32_t GetAttributesOf(uint32_t count, const PCIDL* items, uint32_t* inOut) override {
    FakeItem* self = Self();
    if (self == nullptr || count != 1)
      return win::E_FAIL;
    FakeItem* item = shell_.Resolve(*self, items[0]);
    if (item == nullptr || item->attributesFail)
      return win::E_FAIL;
    *inOut &= item->attributes;
    return win::S_OK;
  }

  int32_t GetDisplayNameOf(PCIDL pidl, uint32_t flags, STRRET* name) override {
    FakeItem* self = Self();
    FakeItem* item = self ? shell_.Resolve(*self, pidl) : nullptr;
    if (item == nullptr)
      return win::E_FAIL;
    const std::string& text = flags == win::SHGDN_FORPARSING ? item->parsing
                              : flags == win::SHGDN_INFOLDER ? item->name
                                                             : item->display;
    if (flags == win::SHGDN_NORMAL && item->nullWideNormalName) {
      name->uType = win::STRRET_WSTR;
      name->pOleStr = nullptr;
      return win::S_OK;
    }
    switch (item->nameForm) {
      case win::STRRET_WSTR: {
        auto* wide = static_cast<char16_t*>(shell_.allocator().Alloc((text.size() + 1) * 2));
        for (size_t i = 0; i < text.size(); ++i)
          wide[i] = static_cast<unsigned char>(text[i]);
        wide[text.size()] = 0;
        name->uType = win::STRRET_WSTR;
        name->pOleStr = wide;
        return win::S_OK;
      }
      case win::STRRET_OFFSET:
        // The in-folder name lies in the item's own bytes; other names come as a copy.
        if (flags == win::SHGDN_INFOLDER && pidl != nullptr && ILItemSize(pidl) > 0) {
          name->uType = win::STRRET_OFFSET;
          name->uOffset = static_cast<uint32_t>(kNameOffset);
          return win::S_OK;
        }
        [[fallthrough]];
      case win::STRRET_CSTR:
        name->uType = win::STRRET_CSTR;
        std::strncpy(name->cStr, text.c_str(), sizeof name->cStr - 1);
        return win::S_OK;
      default:
        name->uType = item->nameForm;
        return win::E_FAIL;
    }
  }

 private:
  FakeItem* Self() { return shell_.Find(id_); }
  FakeShell& shell_;
  uint32_t id_;
};

class FakeModule : public Shell32Module {
 public:
  explicit FakeModule(FakeShell& shell) : shell_(shell) {}
  bool GetProcAddress(uint16_t ordinal) override {
    if (ordinal == win::kShChangeNotifyRegisterOrdinal && shell_.exportsRegister)
      return bound_register_ = true;
    if (ordinal == win::kShChangeNotifyDeregisterOrdinal && shell_.exportsDeregister)
      return bound_deregister_ = true;
    return false;
  }
  uint32_t SHChangeNotifyRegister(WindowHandle window, int32_t sources, int32_t events,
                                  uint32_t message, int32_t entryCount,
                                  const SHChangeNotifyEntry* entries) override {
    if (!bound_register_ || shell_.registerFails || entryCount != 1 || entries == nullptr)
      return 0;
    shell_.registrations.push_back(FakeRegistration{window, sources, events, message, entries[0]});
    return static_cast<uint32_t>(shell_.registrations.size());
  }
  bool SHChangeNotifyDeregister(uint32_t handle) override {
    if (!bound_deregister_ || handle == 0 || handle > shell_.registrations.size())
      return false;
    shell_.registrations[handle - 1].active = false;
    ++shell_.deregistrations;
    return true;
  }

 private:
  FakeShell& shell_;
  bool bound_register_ = false;
  bool bound_deregister_ = false;
};

}  // namespace

FakeShell::FakeShell() : desktop_(std::make_unique<FakeItem>()) {
  desktop_->id = 0;
  index_[0] = desktop_.get();
  desktop_->name = desktop_->display = "Desktop";
  desktop_->parsing = "C:\\WINDOWS\\Desktop";
  desktop_->attributes = win::SFGAO_FOLDER | win::SFGAO_FILESYSTEM | win::SFGAO_HASSUBFOLDER;
  locations_[win::CSIDL_DESKTOP] = desktop_.get();
  locations_[win::CSIDL_DESKTOPDIRECTORY] = desktop_.get();
}

FakeShell::~FakeShell() = default;

FakeItem& FakeShell::Item(FakeItem& parent, const std::string& name, const std::string& display,
                          const std::string& parsing, uint32_t attributes) {
  auto item = std::make_unique<FakeItem>();
  item->name = name;
  item->display = display;
  item->parsing = parsing;
  item->attributes = attributes;
  item->id = next_id_++;
  item->icon = static_cast<int>(item->id) * 2;
  item->openIcon = item->icon + 1;
  item->parent = &parent;
  index_[item->id] = item.get();
  if ((attributes & win::SFGAO_FILESYSTEM) != 0)
    paths_[item->id] = parsing;
  FakeItem* raw = item.get();
  parent.children.push_back(std::move(item));
  if ((parent.attributes & win::SFGAO_FOLDER) != 0)
    parent.attributes |= win::SFGAO_HASSUBFOLDER;
  return *raw;
}

FakeItem& FakeShell::Folder(FakeItem& parent, const std::string& name, uint32_t extra) {
  std::string path = parent.parsing;
  if (!path.empty() && path.back() != '\\')
    path += "\\";
  return Item(parent, name, name, path + name, win::SFGAO_FOLDER | win::SFGAO_FILESYSTEM | extra);
}

void FakeShell::Remove(FakeItem& item) {
  std::vector<FakeItem*> pending{&item};
  while (!pending.empty()) {
    FakeItem* current = pending.back();
    pending.pop_back();
    index_.erase(current->id);
    for (auto& child : current->children)
      pending.push_back(child.get());
  }
  auto& siblings = item.parent->children;
  for (auto it = siblings.begin(); it != siblings.end(); ++it)
    if (it->get() == &item) {
      siblings.erase(it);
      return;
    }
}

FakeShell::Standard FakeShell::BuildStandard() {
  constexpr uint32_t kVirtualFolder = win::SFGAO_FOLDER | win::SFGAO_HASSUBFOLDER;
  Standard s{};
  s.myComputer = &Item(*desktop_, "My Computer", "My Computer",
                       "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", kVirtualFolder);
  s.recycleBin = &Item(*desktop_, "Recycle Bin", "Recycle Bin",
                       "::{645FF040-5081-101B-9F08-00AA002F954E}", win::SFGAO_FOLDER);
  s.netHood = &Item(*desktop_, "Network Neighborhood", "Network Neighborhood",
                    "::{208D2C60-3AEA-1069-A2D7-08002B30309D}", kVirtualFolder);
  s.driveA = &Item(*s.myComputer, "3\xBD Floppy (A:)", "3\xBD Floppy (A:)", "A:\\",
                   win::SFGAO_FOLDER | win::SFGAO_FILESYSTEM | win::SFGAO_HASSUBFOLDER);
  s.driveC = &Item(*s.myComputer, "Local Disk (C:)", "Local Disk (C:)", "C:\\",
                   win::SFGAO_FOLDER | win::SFGAO_FILESYSTEM);
  s.driveD = &Item(*s.myComputer, "CD Drive (D:)", "CD Drive (D:)", "D:\\",
                   win::SFGAO_FOLDER | win::SFGAO_FILESYSTEM | win::SFGAO_HASSUBFOLDER);
  s.driveA->enumFails = true;
  s.driveD->enumFails = true;
  s.controlPanel = &Item(*s.myComputer, "Control Panel", "Control Panel",
                         "::{21EC2020-3AEA-1069-A2DD-08002B30309D}", kVirtualFolder);
  locations_[win::CSIDL_DRIVES] = s.myComputer;
  locations_[win::CSIDL_BITBUCKET] = s.recycleBin;
  locations_[win::CSIDL_NETWORK] = s.netHood;
  return s;
}

namespace {
size_t ItemSize(const FakeItem& item) {
  return kNameOffset + item.name.size() + 1;
}
// One item's bytes: its size, its id and its in-folder name with a NUL.
void WriteItem(uint8_t* out, const FakeItem& item) {
  size_t size = ItemSize(item);
  out[0] = static_cast<uint8_t>(size & 0xFF);
  out[1] = static_cast<uint8_t>(size >> 8);
  std::memcpy(out + kIdOffset, &item.id, sizeof item.id);
  std::memcpy(out + kNameOffset, item.name.data(), item.name.size());
  out[size - 1] = 0;
}
}  // namespace

std::vector<uint8_t> FakeShell::AbsoluteList(const FakeItem& item) const {
  std::vector<const FakeItem*> chain;
  for (const FakeItem* current = &item; current != nullptr && current != desktop_.get();
       current = current->parent)
    chain.push_back(current);
  std::vector<uint8_t> bytes;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    size_t start = bytes.size();
    bytes.resize(start + ItemSize(**it));
    WriteItem(bytes.data() + start, **it);
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

FakeItem* FakeShell::Find(uint32_t id) const {
  auto it = index_.find(id);
  return it == index_.end() ? nullptr : it->second;
}

FakeItem* FakeShell::Resolve(const FakeItem& folder, PCIDL relative) const {
  FakeItem* current = Find(folder.id);
  if (current == nullptr || ILItemSize(relative) == 0)
    return current;
  // The item of the list's last id, then its parents checked against the list's ids from the end
  // back to the folder: one lookup instead of one per level.
  PCIDL ids[64];
  size_t count = 0;
  for (PCIDL item = relative; ILItemSize(item) != 0; item = ILNext(item)) {
    if (count == std::size(ids))
      return ResolveByLevel(*current, relative);
    ids[count++] = item;
  }
  FakeItem* found = Find(ItemId(ids[count - 1]));
  const FakeItem* level = found;
  for (size_t i = count; i-- > 0;) {
    if (level == nullptr || level->id != ItemId(ids[i]))
      return nullptr;
    level = level->parent;
  }
  return level == current ? found : nullptr;
}

FakeItem* FakeShell::ResolveByLevel(FakeItem& folder, PCIDL relative) const {
  FakeItem* current = &folder;
  for (PCIDL item = relative; current != nullptr && ILItemSize(item) != 0; item = ILNext(item)) {
    FakeItem* next = Find(ItemId(item));
    current = next != nullptr && next->parent == current ? next : nullptr;
  }
  return current;
}

PIDL FakeShell::AllocList(const std::vector<uint8_t>& bytes) {
  auto* block = static_cast<PIDL>(allocator_.Alloc(bytes.size()));
  std::memcpy(block, bytes.data(), bytes.size());
  return block;
}

PIDL FakeShell::AllocItem(const FakeItem& item) {
  // A relative one-item list, written straight into its block.
  size_t size = ItemSize(item);
  auto* block = static_cast<PIDL>(allocator_.Alloc(size + kIdListTerminatorSize));
  WriteItem(block, item);
  block[size] = 0;
  block[size + 1] = 0;
  return block;
}

ComPtr<IShellFolder> FakeShell::FolderOf(FakeItem& item) {
  return MakeComObject<IShellFolder, FakeFolder>(*this, item.id);
}

void FakeShell::Notify(UiBackend& ui, int32_t event, const FakeItem* first,
                       const FakeItem* second) {
  for (const FakeRegistration& registration : registrations) {
    if (!registration.active || (registration.events & event) == 0)
      continue;
    auto block = std::make_unique<PIDL[]>(2);
    block[0] = first ? AllocList(AbsoluteList(*first)) : nullptr;
    block[1] = second ? AllocList(AbsoluteList(*second)) : nullptr;
    ui.PostMessageA(registration.window, registration.message,
                    reinterpret_cast<std::uintptr_t>(block.get()),
                    static_cast<std::intptr_t>(static_cast<uint32_t>(event)));
    notification_blocks_.push_back(std::move(block));
  }
}

std::unique_ptr<Shell32Module> FakeShell::LoadShell32() {
  if (loadFails)
    return nullptr;
  return std::make_unique<FakeModule>(*this);
}

int32_t FakeShell::CoGetMalloc(uint32_t, ComPtr<IMalloc>* allocator) {
  *allocator = allocator_.Get();
  return win::S_OK;
}

int32_t FakeShell::SHGetMalloc(ComPtr<IMalloc>* allocator) {
  return CoGetMalloc(win::MEMCTX_TASK, allocator);
}

int32_t FakeShell::SHGetDesktopFolder(ComPtr<IShellFolder>* folder) {
  *folder = FolderOf(*desktop_);
  return win::S_OK;
}

int32_t FakeShell::SHGetSpecialFolderLocation(WindowHandle, int32_t csidl, PIDL* pidl) {
  *pidl = nullptr;
  auto it = locations_.find(csidl);
  if (it == locations_.end() || failingLocations.count(csidl) != 0)
    return win::E_FAIL;
  *pidl = AllocList(AbsoluteList(*it->second));
  return win::S_OK;
}

bool FakeShell::SHGetPathFromIDListA(PCIDL pidl, char* path) {
  path[0] = '\0';
  std::string found;
  if (ILIsEmpty(pidl)) {
    found = desktop_->parsing;
  } else {
    auto it = paths_.find(ItemId(ILFindLastID(pidl)));
    if (it == paths_.end())
      return false;
    found = it->second;
  }
  std::strncpy(path, found.c_str(), win::MAX_PATH - 1);
  path[win::MAX_PATH - 1] = '\0';
  return true;
}

std::uintptr_t FakeShell::SHGetFileInfoA(PCIDL pidl, uint32_t, SHFILEINFOA* info, uint32_t,
                                         uint32_t flags) {
  FakeItem* item = Resolve(*desktop_, pidl);
  if (item == nullptr)
    return 0;
  info->iIcon = (flags & win::SHGFI_OPENICON) != 0 ? item->openIcon : item->icon;
  return (flags & win::SHGFI_SMALLICON) != 0 ? kSmallImageList : 1;
}

bool FakeShell::LockWindowUpdate(WindowHandle window) {
  if (window == 0) {
    locked_ = 0;
    return true;
  }
  if (locked_ != 0) {
    ++lockFailures;
    return false;
  }
  locked_ = window;
  return true;
}

int FakeShell::CompareStringA(uint32_t, uint32_t flags, const char* string1, int length1,
                              const char* string2, int length2) {
  std::string a = length1 < 0 ? std::string(string1) : std::string(string1, length1);
  std::string b = length2 < 0 ? std::string(string2) : std::string(string2, length2);
  int result = (flags & win::NORM_IGNORECASE) != 0 ? CompareAsciiNoCase(a, b) : a.compare(b);
  return result < 0 ? win::CSTR_LESS_THAN : result == 0 ? win::CSTR_EQUAL : win::CSTR_GREATER_THAN;
}

int FakeShell::WideCharToMultiByte(uint32_t, uint32_t, const char16_t* wide, int, char* buffer,
                                   int size) {
  size_t count = 0;
  while (wide[count] != 0)
    ++count;
  ++count;
  if (size == 0)
    return static_cast<int>(count);
  if (count > static_cast<size_t>(size))
    return 0;
  for (size_t i = 0; i < count; ++i)
    buffer[i] = static_cast<char>(wide[i] < 0x100 ? wide[i] : '?');
  return static_cast<int>(count);
}

}  // namespace talvex::testing

namespace talvex::testing {

namespace {
const FakeItem* FindByPath(const FakeItem& root, const std::string& path) {
  if ((root.attributes & win::SFGAO_FILESYSTEM) != 0 && EqualsIgnoreCase(root.parsing, path))
    return &root;
  for (const auto& child : root.children)
    if (const FakeItem* found = FindByPath(*child, path))
      return found;
  return nullptr;
}
}  // namespace

uint32_t FakeFiles::GetFileAttributesA(const std::string& path) {
  std::string trimmed = path;
  if (trimmed.size() > 3 && trimmed.back() == '\\')
    trimmed.pop_back();
  return FindByPath(shell_.Desktop(), trimmed) ? win::FILE_ATTRIBUTE_DIRECTORY
                                               : win::INVALID_FILE_ATTRIBUTES;
}

}  // namespace talvex::testing
