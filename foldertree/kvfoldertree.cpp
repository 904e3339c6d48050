// The control's construction, its properties, the shell's names and icons, node creation, the
// special nodes and the node lookups.
#include "foldertree/kvfoldertree.h"

#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "framework/exceptions.h"
#include "framework/form.h"
#include "platform/ascii_text.h"
#include "platform/winconst.h"

namespace talvex {

namespace {

constexpr uint32_t kIconFlags = win::SHGFI_PIDL | win::SHGFI_SYSICONINDEX;   // 0x4008
constexpr uint32_t kOpenIconFlags = kIconFlags | win::SHGFI_OPENICON;        // 0x400A
constexpr uint32_t kSmallIconListFlags = kIconFlags | win::SHGFI_SMALLICON;  // 0x4009
constexpr uint32_t kAskedAttributes =
    win::SFGAO_HASSUBFOLDER | win::SFGAO_FILESYSTEM | win::SFGAO_SHARE | win::SFGAO_LINK;

TControl* ParentOf(TControl* owner) {
  if (owner != nullptr && !owner->IsWindowed())
    throw EInvalidCast();
  return owner;
}

}  // namespace

TKvFolderTree::TKvFolderTree(TApplication& application, Platform& platform, TControl* owner,
                             std::string name)
    : TCustomTreeView(std::move(name), ParentOf(owner)),
      application_(application),
      platform_(platform) {
  Shell& shell = platform_.shell;
  FShellModule = shell.LoadShell32();
  if (FShellModule) {
    Shell32Module* module = FShellModule.get();
    if (module->GetProcAddress(win::kShChangeNotifyRegisterOrdinal))
      SHChangeNotifyRegister = [module](WindowHandle window, int32_t sources, int32_t events,
                                        uint32_t message, int32_t count,
                                        const SHChangeNotifyEntry* entries) {
        return module->SHChangeNotifyRegister(window, sources, events, message, count, entries);
      };
    if (module->GetProcAddress(win::kShChangeNotifyDeregisterOrdinal))
      SHChangeNotifyDeregister = [module](uint32_t handle) {
        return module->SHChangeNotifyDeregister(handle);
      };
  }
  Items().Clear();
  FFolderOptions = {};
  FDisplayMode = dmAsis;
  SetReadOnly(true);
  OnDeletion = [this](TObject* sender, TTreeNode* node) { FreeNode(sender, node); };
  FOnEndSessionQuery = nullptr;
  shell.CoGetMalloc(win::MEMCTX_TASK, &FMalloc);
  FNotifyWindow =
      application_.Ui().AllocateHWnd([this](TMessage& message) { MessageProc(message); });
  OnExpanding = [this](TObject* sender, TTreeNode* node, bool& allow) {
    TFolderTreeExpanding(sender, node, allow);
  };
  SetMessageHandler(kWmLButtonDblClk, [this](TMessage& message) { TFolderTreeDblClick(message); });
  RetrieveSysImageList();
  if (Designing()) {
    Activate();
    if (Items().GetFirstNode() != nullptr)
      SetTopItem(Items().GetFirstNode());
  }
  TControl::ApplyProperty(DesignProperty{"Font.Size", 10LL});
  SetBounds(Left(), Top(), 180, 120);
}

TKvFolderTree::~TKvFolderTree() {
  BeginDestroy();
  Deactivate();
  FShellModule.reset();
  application_.Ui().DeallocateHWnd(FNotifyWindow);
  FNotifyWindow = 0;
  FImageList = 0;  // the system list is shared, never destroyed
}

// ---- properties ----

void TKvFolderTree::ApplyProperty(const DesignProperty& property) {
  const std::string& name = property.name;
  if (name == "Active") {
    SetActive(AsBool(property));
  } else if (name == "FolderOptions") {
    const auto* set = std::get_if<DesignSet>(&property.value);
    if (set == nullptr)
      throw EDesignError("property FolderOptions needs a set");
    SFolderOption options;
    for (const std::string& item : set->items) {
      if (item == "foNetworkNeighborhood")
        options.Include(foNetworkNeighborhood);
      else if (item == "foRecycleBin")
        options.Include(foRecycleBin);
      else if (item == "foVirtualFirst")
        options.Include(foVirtualFirst);
      else
        throw EDesignError("unknown folder option " + item);
    }
    SetFolderOptions(options);
  } else if (name == "DisplayMode") {
    const auto* mode = std::get_if<DesignIdentifier>(&property.value);
    if (mode == nullptr)
      throw EDesignError("property DisplayMode needs a mode");
    if (mode->name == "dmAsis")
      SetDisplayMode(dmAsis);
    else if (mode->name == "dmUppercase")
      SetDisplayMode(dmUppercase);
    else if (mode->name == "dmLowercase")
      SetDisplayMode(dmLowercase);
    else
      throw EDesignError("unknown display mode " + mode->name);
  } else {
    TCustomTreeView::ApplyProperty(property);
  }
}

void TKvFolderTree::SetFolderOptions(SFolderOption options) {
  FFolderOptions = options;
  if (FActive) {
    ShowRecycleBin();
    ShowNetHood();
  }
}

std::string TKvFolderTree::CaptionByMode(const std::string& name) const {
  std::string caption;
  CaptionByMode(name, caption);
  return caption;
}

void TKvFolderTree::CaptionByMode(const std::string& name, std::string& caption) const {
  caption.assign(name);
  if (FDisplayMode == dmUppercase)
    for (char& c : caption)
      c = UpperAscii(c);
  else if (FDisplayMode == dmLowercase)
    for (char& c : caption)
      c = LowerAscii(c);
}

void TKvFolderTree::ApplyDisplayMode(TTreeNode* node) {
  if (node == nullptr)
    return;
  std::string caption;  // one buffer for every caption: no allocation per node
  auto apply = [this, &caption](TTreeNode& current) {
    if (TFolderNode* record = Record(&current)) {
      CaptionByMode(record->Name, caption);
      current.SetText(caption);
    }
  };
  // The desktop is normally the tree's one top-level node, so every node is below it: visit the
  // nodes as they lie in memory, which stays linear for very large trees where a walk in display
  // order jumps between scattered nodes.
  if (node == Items().GetFirstNode() && node->getNextSibling() == nullptr) {
    Items().ForEachNode(apply);
    return;
  }
  // Iterative walk: a folder may hold very many children.
  for (TTreeNode* current = node; current != nullptr;) {
    apply(*current);
    if (current->GetFirstChild() != nullptr) {
      current = current->GetFirstChild();
      continue;
    }
    while (current != nullptr && current != node && current->getNextSibling() == nullptr)
      current = current->Parent();
    if (current == nullptr || current == node)
      break;
    current = current->getNextSibling();
  }
}

void TKvFolderTree::SetDisplayMode(TDisplayMode mode) {
  FDisplayMode = mode;
  if (!FActive)
    return;
  Items().BeginUpdate();
  ApplyDisplayMode(GetDesktopNode());
  Items().EndUpdate();
}

// ---- names and icons ----

std::string TKvFolderTree::GetPathName(PCIDL idList, uint32_t flags, IShellFolder* folder) {
  std::string result;
  if (folder == nullptr)
    return result;
  for (int attempt = 0; attempt < 2; ++attempt) {
    STRRET name;
    folder->GetDisplayNameOf(idList, flags, &name);
    switch (name.uType) {
      case win::STRRET_OFFSET: {
        // The name lies inside the list; read it only within the list's bytes.
        size_t size = ILGetSize(idList);
        if (idList != nullptr && name.uOffset < size) {
          const char* start = reinterpret_cast<const char*>(idList) + name.uOffset;
          result.assign(start, strnlen(start, size - name.uOffset));
        }
        return result;
      }
      case win::STRRET_CSTR:
        result.assign(name.cStr, strnlen(name.cStr, sizeof name.cStr));
        return result;
      case win::STRRET_WSTR:
        if (name.pOleStr != nullptr) {
          // The shell hands the wide name over to the caller, which frees it however the
          // conversion ends (out of memory included).
          auto freeName = [this](char16_t* wide) {
            if (FMalloc)
              FMalloc->Free(wide);
          };
          std::unique_ptr<char16_t, decltype(freeName)> wide(name.pOleStr, freeName);
          int size =
              platform_.shell.WideCharToMultiByte(win::CP_ACP, 0, wide.get(), -1, nullptr, 0);
          if (size > 0) {
            std::string converted(static_cast<size_t>(size), '\0');
            platform_.shell.WideCharToMultiByte(win::CP_ACP, 0, wide.get(), -1, converted.data(),
                                                size);
            result.assign(converted.c_str());
          }
          return result;
        }
        if (flags != win::SHGDN_NORMAL)
          return result;
        flags = win::SHGDN_FORPARSING;  // no normal name: try the parsing name once
        break;
      default:
        return result;
    }
  }
  return result;
}

TFilePathList TKvFolderTree::GetLongFilePath(PCIDL idList, IShellFolder* folder) {
  ComPtr<IShellFolder> desktop;
  if (folder == nullptr) {
    platform_.shell.SHGetDesktopFolder(&desktop);
    folder = desktop.get();
  }
  TFilePathList names;
  names.NormalName = GetPathName(idList, win::SHGDN_NORMAL, folder);
  names.ParsingName = GetPathName(idList, win::SHGDN_FORPARSING, folder);
  names.InFolderName = GetPathName(idList, win::SHGDN_INFOLDER, folder);
  return names;
}

TPathInfo TKvFolderTree::fGetSpecialFolder(int32_t csidl) {
  TPathInfo info;
  PIDL list = nullptr;
  if (platform_.shell.SHGetSpecialFolderLocation(ParentWindow(), csidl, &list) < 0 ||
      list == nullptr)
    return info;
  info.IdList = list;
  char path[win::MAX_PATH] = {};
  if (platform_.shell.SHGetPathFromIDListA(list, path))
    info.Path.assign(path, strnlen(path, sizeof path));
  SHFILEINFOA file;
  platform_.shell.SHGetFileInfoA(list, 0, &file, sizeof file, kIconFlags);
  info.ImageIndex = file.iIcon;
  SHFILEINFOA open;
  platform_.shell.SHGetFileInfoA(list, 0, &open, sizeof open, kOpenIconFlags);
  info.SelectedIndex = open.iIcon;
  return info;
}

TPathInfo TKvFolderTree::fGetNetHood() {
  TPathInfo info = fGetSpecialFolder(win::CSIDL_NETWORK);
  if (info.IdList != nullptr)
    info.DisplayName = GetLongFilePath(info.IdList, nullptr).NormalName;
  return info;
}

void TKvFolderTree::RetrieveSysImageList() {
  PIDL list = nullptr;
  if (platform_.shell.SHGetSpecialFolderLocation(ParentWindow(), win::CSIDL_DESKTOPDIRECTORY,
                                                 &list) >= 0 &&
      list != nullptr) {
    SHFILEINFOA info;
    FImageList = platform_.shell.SHGetFileInfoA(list, 0, &info, sizeof info, kSmallIconListFlags);
    FreePidl(list);
  }
  SetImages(FImageList);
}

// ---- nodes ----

TFolderNode* TKvFolderTree::Record(TTreeNode* node) const {
  return node != nullptr ? static_cast<TFolderNode*>(node->Data()) : nullptr;
}

TTreeNode* TKvFolderTree::CreateFolderNode(PCIDL idList, TTreeNode* parent, bool forced) {
  TFolderNode* parentRecord = Record(parent);
  IShellFolder* parentFolder = parentRecord ? parentRecord->ShellFolder.get() : nullptr;
  TFilePathList names = GetLongFilePath(idList, parent ? parentFolder : nullptr);

  uint32_t attributes = 0;
  if (parent != nullptr && parentFolder != nullptr) {
    uint32_t asked = kAskedAttributes;
    if (parentFolder->GetAttributesOf(1, &idList, &asked) == win::S_OK)
      attributes = asked;
  }
  TFolderType parentType = parentRecord ? parentRecord->FolderType : ftNone;
  bool isVirtual = (attributes & win::SFGAO_FILESYSTEM) == 0;
  if (parentType == ftNetworkNeighborhood || parentType == ftNetNode)
    isVirtual = false;
  if (isVirtual && !forced)
    return nullptr;

  // The absolute list: the parent's list and the first item of the given one.
  uint16_t parentSize = parentRecord ? parentRecord->IdListSize : 0;
  uint16_t itemSize = ILItemSize(idList);
  size_t total = size_t{parentSize} + itemSize;
  if (total > 0xFFFF || !FMalloc)
    return nullptr;

  // Until a node holds it, the record goes back to the store, and its list to the allocator,
  // however this ends: a failure to allocate anything further on (a name, the node) leaves
  // nothing behind.
  auto giveBack = [this](TFolderNode* unused) {
    if (unused->IdList != nullptr)
      FMalloc->Free(unused->IdList);
    unused->~TFolderNode();
    records_.Give(unused);
  };
  std::unique_ptr<TFolderNode, decltype(giveBack)> record(new (records_.Take()) TFolderNode(),
                                                          giveBack);
  auto* absolute = static_cast<PIDL>(FMalloc->Alloc(total + kIdListTerminatorSize));
  if (absolute == nullptr)
    return nullptr;
  record->IdList = absolute;
  record->IdListSize = static_cast<uint16_t>(total);
  if (parentSize > 0)
    std::memcpy(absolute, parentRecord->IdList, parentSize);
  if (itemSize > 0)
    std::memcpy(absolute + parentSize, idList, itemSize);
  absolute[total] = 0;
  absolute[total + 1] = 0;

  PCIDL iconList = isVirtual ? idList : absolute;
  SHFILEINFOA icon;
  platform_.shell.SHGetFileInfoA(iconList, 0, &icon, sizeof icon, kIconFlags);
  int imageIndex = icon.iIcon;
  int selectedIndex = imageIndex;
  if ((attributes & win::SFGAO_FOLDER) != 0) {
    SHFILEINFOA open;
    platform_.shell.SHGetFileInfoA(iconList, 0, &open, sizeof open, kOpenIconFlags);
    selectedIndex = open.iIcon;
  }

  record->Path = std::move(names.ParsingName);
  record->Name = std::move(names.InFolderName);
  record->HasParent = parent != nullptr;
  record->FolderType = ftFolder;
  if (parent != nullptr) {
    if (parentFolder != nullptr) {
      ComPtr<IShellFolder> own;
      if (parentFolder->BindToObject(idList, &own) >= 0)
        record->ShellFolder = std::move(own);
    }
    if (parentType == ftNetworkNeighborhood) {
      record->FolderType = ftNetNode;
      record->Path = "\\\\" + record->Name;
    }
  } else {
    platform_.shell.SHGetDesktopFolder(&record->ShellFolder);
  }

  // The node starts with its caption in the display mode.
  std::string caption = CaptionByMode(record->Name);
  TTreeNode* node;
  if (parent == nullptr)
    node = Items().AddObjectFirst(Selected(), caption, record.get());
  else if (isVirtual && FFolderOptions.Contains(foVirtualFirst))
    node = Items().AddChildObjectFirst(parent, caption, record.get());
  else
    node = Items().AddChildObject(parent, caption, record.get());
  record.release();  // the node owns it now; FreeNode releases it

  node->SetImageIndex(imageIndex);
  node->SetSelectedIndex(selectedIndex);
  if ((attributes & win::SFGAO_SHARE) != 0)
    node->SetOverlayIndex(0);
  else if ((attributes & win::SFGAO_LINK) != 0)
    node->SetOverlayIndex(1);
  else
    node->SetOverlayIndex(-1);
  node->SetHasChildren((attributes & win::SFGAO_HASSUBFOLDER) != 0);
  return node;
}

void TKvFolderTree::ShowRecycleBin() {
  if (FFolderOptions.Contains(foRecycleBin)) {
    TTreeNode* desktop = GetDesktopNode();
    if (GetBitBucketNode() != nullptr || desktop == nullptr)
      return;
    TPathInfo info = fGetSpecialFolder(win::CSIDL_BITBUCKET);
    if (info.IdList == nullptr)
      return;  // the shell has no Recycle Bin: no node
    TTreeNode* node = CreateFolderNode(info.IdList, desktop, true);
    std::string caption =
        GetLongFilePath(info.IdList, Record(desktop)->ShellFolder.get()).NormalName;
    FreePidl(info.IdList);
    if (node == nullptr)
      return;
    node->SetText(caption);
    TFolderNode* record = Record(node);
    record->Path.clear();
    record->Name = caption;
    record->FolderType = ftRecycleBin;
  } else if (TTreeNode* node = GetBitBucketNode()) {
    node->Delete();
  }
}

void TKvFolderTree::ShowNetHood() {
  if (FFolderOptions.Contains(foNetworkNeighborhood)) {
    TTreeNode* desktop = GetDesktopNode();
    if (GetNetHoodNode() != nullptr || desktop == nullptr)
      return;
    TPathInfo info = fGetNetHood();
    if (info.IdList == nullptr)
      return;  // the shell has no Network Neighborhood: no node
    TTreeNode* node = CreateFolderNode(info.IdList, desktop, true);
    FreePidl(info.IdList);
    if (node == nullptr)
      return;
    node->SetText(info.DisplayName);
    TFolderNode* record = Record(node);
    record->Path = "\\\\";
    record->Name = info.DisplayName;
    record->FolderType = ftNetworkNeighborhood;
  } else if (TTreeNode* node = GetNetHoodNode()) {
    node->Delete();
  }
}

TTreeNode* TKvFolderTree::GetDesktopNode() const {
  return Items().GetFirstNode();
}

TTreeNode* TKvFolderTree::GetSpecialNode(TFolderType type) const {
  for (TTreeNode* node = Items().GetFirstNode(); node != nullptr; node = node->GetNext())
    if (TFolderNode* record = Record(node); record != nullptr && record->FolderType == type)
      return node;
  return nullptr;
}

ComPtr<IShellFolder> TKvFolderTree::NodeShellFolder(TTreeNode* node) const {
  TFolderNode* record = Record(node);
  if (record == nullptr || Designing())
    return nullptr;
  return record->ShellFolder;
}

TFolderType TKvFolderTree::NodeType(TTreeNode* node) const {
  TFolderNode* record = Record(node);
  if (record == nullptr || Designing())
    return ftNone;
  return record->FolderType;
}

PCIDL TKvFolderTree::NodeItemIdList(TTreeNode* node) const {
  TFolderNode* record = Record(node);
  if (record == nullptr || Designing())
    return nullptr;
  return record->IdList;
}

void Register(TComponentRegistry& registry) {
  registry.RegisterComponents(
      "Korvane", "TKvFolderTree",
      [](const std::string& name, TControl* parent, TForm& form) -> std::unique_ptr<TControl> {
        Platform* platform = form.Application().PlatformServices();
        if (platform == nullptr)
          throw EDesignError("TKvFolderTree " + name + " needs the machine's shell");
        return std::make_unique<TKvFolderTree>(form.Application(), *platform, parent, name);
      });
}

}  // namespace talvex
