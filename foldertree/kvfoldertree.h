// TKvFolderTree: a tree view of the shell namespace. The desktop is its one top-level node; below
// it stand My Computer with the drives and their folders, the desktop's own folders, and on request
// Network Neighborhood and the Recycle Bin. Folders are read when their node first expands, paths
// map to nodes and back, and folder and media changes reported by the shell refresh the nodes they
// touch.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/component_registry.h"
#include "framework/messages.h"
#include "framework/tree_view.h"
#include "platform/platform.h"
#include "platform/shell.h"

namespace talvex {

enum TDisplayMode : uint8_t { dmAsis = 0, dmUppercase = 1, dmLowercase = 2 };

enum TFolderType : uint8_t {
  ftFolder = 0,
  ftNetworkNeighborhood = 1,
  ftRecycleBin = 2,
  ftMyComputer = 3,
  ftDesktop = 4,
  ftNetNode = 5,
  ftNone = 6
};

enum TFolderOption : uint8_t { foNetworkNeighborhood = 0, foRecycleBin = 1, foVirtualFirst = 2 };

// A set of a small enumeration, one bit per ordinal.
template <class E>
class TSmallSet {
 public:
  constexpr TSmallSet() = default;
  constexpr TSmallSet(std::initializer_list<E> items) {
    for (E item : items)
      bits_ = static_cast<uint8_t>(bits_ | Bit(item));
  }
  static constexpr TSmallSet FromBits(uint8_t bits) {
    TSmallSet set;
    set.bits_ = bits;
    return set;
  }
  constexpr bool Contains(E item) const { return (bits_ & Bit(item)) != 0; }
  constexpr void Include(E item) { bits_ = static_cast<uint8_t>(bits_ | Bit(item)); }
  constexpr void Exclude(E item) { bits_ = static_cast<uint8_t>(bits_ & ~Bit(item)); }
  constexpr uint8_t Bits() const { return bits_; }
  constexpr bool operator==(const TSmallSet&) const = default;

 private:
  static constexpr uint8_t Bit(E item) { return static_cast<uint8_t>(1u << item); }
  uint8_t bits_ = 0;
};

using SFolderTypes = TSmallSet<TFolderType>;
using SFolderOption = TSmallSet<TFolderOption>;

// The record of every node (its data pointer).
struct TFolderNode {
  std::string Path;  // parsing path used by lookups
  std::string Name;  // display name; the caption is made from it by the display mode
  bool HasParent = false;
  ComPtr<IShellFolder> ShellFolder;  // the item's own folder
  TFolderType FolderType = ftFolder;
  uint16_t IdListSize = 0;  // bytes of IdList without its terminator
  PIDL IdList = nullptr;    // absolute list, allocated with the task allocator, owned here
};

// What the special-folder lookup gives.
struct TPathInfo {
  std::string Path;
  std::string DisplayName;
  int32_t ImageIndex = 0;
  int32_t SelectedIndex = 0;
  PIDL IdList = nullptr;  // as the shell allocated it
};

// The three display names of one shell item.
struct TFilePathList {
  std::string NormalName;
  std::string ParsingName;
  std::string InFolderName;
};

using TEndSessionQueryEvent = std::function<void(TObject* sender, bool& canEndSession)>;
// The two change-notification calls bound from shell32 by ordinal.
using TSHChangeNotifyRegister =
    std::function<uint32_t(WindowHandle window, int32_t sources, int32_t events, uint32_t message,
                           int32_t entryCount, const SHChangeNotifyEntry* entries)>;
using TSHChangeNotifyDeregister = std::function<bool(uint32_t handle)>;

// Message the shell posts change notifications with.
inline constexpr uint32_t kChangeNotifyMessage = kWmUser + 2;
// Folder created, removed or renamed; medium inserted or removed.
inline constexpr int32_t kChangeNotifyEvents = 0x00020078;

// The path components FindPath walks: the lower-case path (its trailing backslash already
// removed) split from the end, a drive, a lone backslash (network) or the whole desktop
// directory standing as one first component.
std::vector<std::string> SplitFolderPath(const std::string& lowerPath,
                                         const std::string& lowerDesktopPath);
// The part of a path after its last backslash or colon.
std::string LastPathName(const std::string& path);

class TKvFolderTree : public TCustomTreeView {
 public:
  // owner must be a windowed control (EInvalidCast otherwise); null gives no parent.
  TKvFolderTree(TApplication& application, Platform& platform, TControl* owner,
                std::string name = "KvFolderTree");
  ~TKvFolderTree() override;
  const char* ClassName() const override { return "TKvFolderTree"; }

  // Published properties.
  bool Active() const { return FActive; }
  void SetActive(bool value);
  SFolderOption FolderOptions() const { return FFolderOptions; }
  void SetFolderOptions(SFolderOption options);
  TDisplayMode DisplayMode() const { return FDisplayMode; }
  void SetDisplayMode(TDisplayMode mode);
  TEndSessionQueryEvent OnEndSessionQuery() const { return FOnEndSessionQuery; }
  void SetOnEndSessionQuery(TEndSessionQueryEvent handler) {
    FOnEndSessionQuery = std::move(handler);
  }
  void ApplyProperty(const DesignProperty& property) override;

  // Node creation and the shell's names and icons.
  void ShowRecycleBin();
  void ShowNetHood();
  TPathInfo fGetSpecialFolder(int32_t csidl);
  TPathInfo fGetNetHood();
  void RetrieveSysImageList();
  std::string GetPathName(PCIDL idList, uint32_t flags, IShellFolder* folder);
  TFilePathList GetLongFilePath(PCIDL idList, IShellFolder* folder);
  TTreeNode* CreateFolderNode(PCIDL idList, TTreeNode* parent, bool forced);

  // Node lookups and accessors.
  TTreeNode* GetDesktopNode() const;
  TTreeNode* GetSpecialNode(TFolderType type) const;
  TTreeNode* GetMyComputerNode() const { return GetSpecialNode(ftMyComputer); }
  TTreeNode* GetNetHoodNode() const { return GetSpecialNode(ftNetworkNeighborhood); }
  TTreeNode* GetBitBucketNode() const { return GetSpecialNode(ftRecycleBin); }
  ComPtr<IShellFolder> NodeShellFolder(TTreeNode* node) const;
  TFolderType NodeType(TTreeNode* node) const;
  PCIDL NodeItemIdList(TTreeNode* node) const;

  // Building, expansion, ordering and release.
  void ShowDesktop();
  void TFolderTreeExpanding(TObject* sender, TTreeNode* node, bool& allowExpansion);
  bool AttachFolders(TTreeNode*& node);
  static int TALVEX_STDCALL CustomSortProc(TTreeNode* node1, TTreeNode* node2, std::intptr_t data);
  void FreeNode(TObject* sender, TTreeNode* node);
  void FreeChildren(TTreeNode* node);
  void FreePidl(PIDL idList);
  std::string ParsePidl(PCIDL idList);

  // Paths and navigation.
  std::string GetPath(TTreeNode* node) const;
  std::string GetDirectory() const;
  TTreeNode* FindPath(const std::string& path, bool exact);
  TTreeNode* SetDirectory(const std::string& path);
  void CheckPath();
  void TFolderTreeDblClick(TMessage& message);
  void DriveChanged(TObject* sender, char drive, bool force);
  // The letter of the lowest set bit; 0 (no letter) for an empty mask.
  static char GetFirstDriveLetter(uint32_t mask);

  // Activation and change notification.
  void Activate();
  void Deactivate();
  void RegisterChangeNotify();
  void DeregisterChangeNotify();
  void MessageProc(TMessage& message);
  void WndProc(TMessage& message) override;
  void QueryEndSession(TMessage& message);

  // The hidden window that receives the shell's notifications.
  WindowHandle NotifyWindow() const { return FNotifyWindow; }
  uint32_t NotifyHandle() const { return FNotifyHandle; }
  const std::string& DesktopPath() const { return FDesktopPath; }

 private:
  TFolderNode* Record(TTreeNode* node) const;
  std::string CaptionByMode(const std::string& name) const;
  // The same into a buffer the caller keeps, so that a pass over many nodes reuses it.
  void CaptionByMode(const std::string& name, std::string& caption) const;
  void ApplyDisplayMode(TTreeNode* node);
  void RefreshFolderNode(TTreeNode* node);
  // Orders the node's children as CustomSort with CustomSortProc does.
  void SortChildren(TTreeNode* node);
  void ReleaseNotifyEntry();

  TApplication& application_;
  Platform& platform_;
  // The nodes' records, side by side in memory (see FreeNode).
  NodeStore<TFolderNode> records_;

  std::unique_ptr<Shell32Module> FShellModule;
  // Bound from FShellModule by ordinal; empty when the library does not export them. Kept per
  // control, so that no control calls through the module of another one that is gone.
  TSHChangeNotifyRegister SHChangeNotifyRegister;
  TSHChangeNotifyDeregister SHChangeNotifyDeregister;
  std::uintptr_t FImageList = 0;  // the shared system small-icon list
  std::string FDesktopPath;
  WindowHandle FNotifyWindow = 0;
  TDisplayMode FDisplayMode = dmAsis;
  SFolderOption FFolderOptions;
  ComPtr<IMalloc> FMalloc;
  std::unique_ptr<SHChangeNotifyEntry> FNotifyEntry;
  uint32_t FNotifyHandle = 0;
  TEndSessionQueryEvent FOnEndSessionQuery;
  bool FActive = false;
};

// Puts TKvFolderTree on the palette page "Korvane" of the form framework's class registry: a
// design naming it gets one, working on the application's platform.
void Register(TComponentRegistry& registry);

}  // namespace talvex
