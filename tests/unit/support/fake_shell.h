// A shell namespace built item by item inside a test: folders with their names, attributes and
// icons, special folder locations, the counting task allocator, change-notification registration
// through a shell32 module whose exports a test can take away, and the failures a test asks for.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/ui_backend.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/sim/sim_task_allocator.h"

namespace talvex::testing {

struct FakeItem {
  std::string name;     // SHGDN_INFOLDER
  std::string display;  // SHGDN_NORMAL
  std::string parsing;  // SHGDN_FORPARSING; the file-system path of a file-system item
  uint32_t attributes = 0;
  int icon = 0;
  int openIcon = 0;
  uint32_t id = 0;
  FakeItem* parent = nullptr;
  std::vector<std::unique_ptr<FakeItem>> children;
  // How GetDisplayNameOf answers: STRRET_CSTR, STRRET_OFFSET, STRRET_WSTR, or 99 (unusable).
  uint32_t nameForm = 2;
  bool nullWideNormalName = false;  // SHGDN_NORMAL gives STRRET_WSTR with no string
  bool enumFails = false;
  bool bindFails = false;
  bool attributesFail = false;
  int enumerations = 0;
};

struct FakeRegistration {
  WindowHandle window = 0;
  int32_t sources = 0;
  int32_t events = 0;
  uint32_t message = 0;
  SHChangeNotifyEntry entry;
  bool active = true;
};

class FakeShell : public Shell {
 public:
  FakeShell();
  ~FakeShell() override;

  FakeItem& Desktop() { return *desktop_; }
  // A file-system folder: its parsing name is the parent's path joined with the name.
  FakeItem& Folder(FakeItem& parent, const std::string& name, uint32_t extraAttributes = 0);
  // Any item, attributes as given.
  FakeItem& Item(FakeItem& parent, const std::string& name, const std::string& display,
                 const std::string& parsing, uint32_t attributes);
  void Remove(FakeItem& item);
  void SetLocation(int32_t csidl, FakeItem* item) { locations_[csidl] = item; }

  // A typical machine: desktop C:\WINDOWS\Desktop with folders, My Computer with drives A:, C:,
  // D: (a CD drive without a medium) and Control Panel, the Recycle Bin, Network Neighborhood.
  struct Standard {
    FakeItem* myComputer;
    FakeItem* driveA;
    FakeItem* driveC;
    FakeItem* driveD;
    FakeItem* controlPanel;
    FakeItem* recycleBin;
    FakeItem* netHood;
  };
  Standard BuildStandard();

  // Posts a change notification to every active registration that asks for the event, as the
  // shell does: wParam points at the absolute lists of the two items (null for none), allocated
  // with the task allocator.
  void Notify(UiBackend& ui, int32_t event, const FakeItem* first,
              const FakeItem* second = nullptr);

  // The absolute item ID list of an item (a copy, not allocated with the task allocator).
  std::vector<uint8_t> AbsoluteList(const FakeItem& item) const;
  FakeItem* Resolve(const FakeItem& folder, PCIDL relative) const;
  // The item of an id, null once it is removed.
  FakeItem* Find(uint32_t id) const;

  sim::SimTaskAllocator& allocator() { return allocator_; }
  WindowHandle LockedWindow() const { return locked_; }
  int lockFailures = 0;

  // Failure switches.
  bool exportsRegister = true;
  bool exportsDeregister = true;
  bool loadFails = false;
  bool registerFails = false;
  std::set<int32_t> failingLocations;
  std::vector<FakeRegistration> registrations;
  int deregistrations = 0;

  std::unique_ptr<Shell32Module> LoadShell32() override;
  int32_t CoGetMalloc(uint32_t memoryContext, ComPtr<IMalloc>* allocator) override;
  int32_t SHGetMalloc(ComPtr<IMalloc>* allocator) override;
  int32_t SHGetDesktopFolder(ComPtr<IShellFolder>* folder) override;
  int32_t SHGetSpecialFolderLocation(WindowHandle owner, int32_t csidl, PIDL* pidl) override;
  bool SHGetPathFromIDListA(PCIDL pidl, char* path) override;
  std::uintptr_t SHGetFileInfoA(PCIDL pidl, uint32_t fileAttributes, SHFILEINFOA* info,
                                uint32_t infoSize, uint32_t flags) override;
  bool LockWindowUpdate(WindowHandle window) override;
  int CompareStringA(uint32_t locale, uint32_t flags, const char* string1, int length1,
                     const char* string2, int length2) override;
  int WideCharToMultiByte(uint32_t codePage, uint32_t flags, const char16_t* wide, int wideLength,
                          char* buffer, int size) override;

  static constexpr std::uintptr_t kSmallImageList = 0x5150;

  // Internal: a one-item list for an item, allocated with the task allocator.
  PIDL AllocItem(const FakeItem& item);
  PIDL AllocList(const std::vector<uint8_t>& bytes);
  ComPtr<IShellFolder> FolderOf(FakeItem& item);

 private:
  sim::SimTaskAllocator allocator_;
  std::unique_ptr<FakeItem> desktop_;
  std::map<int32_t, FakeItem*> locations_;
  uint32_t next_id_ = 1;
  std::unordered_map<uint32_t, FakeItem*> index_;
  FakeItem* ResolveByLevel(FakeItem& folder, PCIDL relative) const;
  // The file-system path of every file-system item ever made, by id: a list still names its
  // folder's path after the folder is gone or renamed, as the shell's file-system lists do.
  std::map<uint32_t, std::string> paths_;
  WindowHandle locked_ = 0;
  // The two-pointer blocks of posted notifications; the shell keeps them.
  std::deque<std::unique_ptr<PIDL[]>> notification_blocks_;
};

}  // namespace talvex::testing

namespace talvex::testing {

// The file system as the fake namespace shows it: an item's parsing name is a folder.
class FakeFiles : public Files {
 public:
  explicit FakeFiles(FakeShell& shell) : shell_(shell) {}
  bool WriteNewFile(const std::string&, const std::string&) override { return false; }
  bool CanOpenForReading(const std::string&) override { return false; }
  bool CreateDirectoryA(const std::string&) override { return false; }
  uint32_t GetFileAttributesA(const std::string& path) override;
  bool SetupInstallFileA(const std::string&, const std::string&, const std::string&,
                         uint32_t) override {
    return false;
  }

 private:
  FakeShell& shell_;
};

}  // namespace talvex::testing
