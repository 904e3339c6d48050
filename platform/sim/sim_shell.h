// The simulated machine's shell: the namespace of sim_shell_namespace.h behind the Windows-shaped
// calls, the counting task allocator, change notification, and what the person at the machine
// does to folders and drives (each change is announced to every registered window, as Explorer
// and the system announce it).
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/shell.h"
#include "platform/sim/drive_paths.h"
#include "platform/sim/failure_plan.h"
#include "platform/sim/ini_file.h"
#include "platform/sim/journal.h"
#include "platform/sim/sim_shell_namespace.h"
#include "platform/sim/sim_task_allocator.h"
#include "platform/system_folders.h"

namespace talvex::sim {

// What the shell objects share; they keep it alive, and fail once the machine is gone.
struct SimShellCore {
  SimShellCore(ShellNamespace shellNames, FailurePlan& failurePlan, SimTaskAllocator& taskAllocator)
      : names(std::move(shellNames)), failures(failurePlan), allocator(taskAllocator) {}
  // A copy of the list in a task allocator block.
  PIDL ToTask(const std::vector<uint8_t>& list);
  // The failure injected into the operation, as an HRESULT: a Windows error code in the rule
  // becomes HRESULT_FROM_WIN32 of it.
  std::optional<int32_t> Failure(const std::string& operation, const std::string& argument,
                                 int32_t defaultResult);
  // Whether the program's calls are written to the machine's journal (never once the machine is
  // gone), and an item ID list as the journal shows it: the item's parsing name.
  bool journaling() const { return alive && journal != nullptr && journal->on(); }
  std::string ItemName(PCIDL absolute) const;

  bool alive = true;
  Journal* journal = nullptr;
  ShellNamespace names;
  FailurePlan& failures;
  SimTaskAllocator& allocator;
};

// Delivers a posted window message to the program; false when the window does not take it.
using MessagePoster = std::function<bool(WindowHandle, uint32_t, std::uintptr_t, std::intptr_t)>;

struct ShellRegistration {
  uint32_t handle = 0;
  WindowHandle window = 0;
  int32_t sources = 0;
  int32_t events = 0;
  uint32_t message = 0;
  bool recursive = false;
  std::vector<std::vector<uint8_t>> watched;  // absolute lists; the empty list is the desktop
};

// One notification as it was posted.
struct ShellNotification {
  WindowHandle window = 0;
  uint32_t message = 0;
  std::intptr_t lParam = 0;  // the event, SHCNE_INTERRUPT set for events of the system
  std::string path1;         // file-system paths of the two items ("" when none)
  std::string path2;
  bool delivered = false;
};

class SimShell : public Shell {
 public:
  // The handles SHGetFileInfoA gives for the system image lists.
  static constexpr std::uintptr_t kSmallIconList = 0x51C1;
  static constexpr std::uintptr_t kLargeIconList = 0x51C2;

  // Throws IniError for shell sections of machine.ini it cannot read.
  SimShell(const IniFile& ini, const std::string& windowsFolder,
           const std::filesystem::path& machineFolder, DrivePaths& paths, FailurePlan& failures,
           SystemFolders& folders, Journal& journal);
  ~SimShell() override;
  SimShell(const SimShell&) = delete;
  SimShell& operator=(const SimShell&) = delete;

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

  // What shell32's two bound entry points do.
  uint32_t Register(WindowHandle window, int32_t sources, int32_t events, uint32_t message,
                    int32_t entryCount, const SHChangeNotifyEntry* entries);
  bool Deregister(uint32_t handle);

  // Where posted notifications go; without a poster they are only recorded.
  void SetMessagePoster(MessagePoster poster) { poster_ = std::move(poster); }
  // Announces a change (SHChangeNotify with item ID lists) to every registration that watches it.
  void Notify(int32_t event, const std::vector<uint8_t>& item1, const std::vector<uint8_t>& item2,
              bool fromSystem);
  // The absolute item ID list of an existing folder, drive or share; empty when there is none.
  std::vector<uint8_t> IdListOfPath(const std::string& path) const;

  // The person at the machine. Each returns an empty string when done, or what went wrong.
  std::string MakeFolder(const std::string& path);
  // What stops a change of the folder at path: that it is on a CD ("" when nothing does).
  std::string ReadOnlyProblem(const std::string& path) const;
  std::string RemoveFolder(const std::string& path);
  std::string RenameFolder(const std::string& oldPath, const std::string& newPath);
  // drive: "D:"; the label replaces the medium's label (none when empty).
  std::string InsertMedium(const std::string& drive, const std::string& label);
  std::string EjectMedium(const std::string& drive);
  // What keeps the drive from taking a medium (no such drive, a fixed disk), or "" when it can.
  std::string CheckRemovableDrive(const std::string& drive);

  SimTaskAllocator& allocator() { return allocator_; }
  ShellNamespace& names() { return core_->names; }
  const std::vector<ShellRegistration>& registrations() const { return registrations_; }
  const std::vector<ShellNotification>& notifications() const { return notifications_; }
  // The window whose drawing is suspended, 0 when none.
  WindowHandle LockedWindow() const { return locked_; }
  int LoadedModules() const { return loaded_modules_; }

 private:
  friend class SimShell32Module;
  bool Watches(const ShellRegistration& registration, const std::vector<uint8_t>& item) const;
  // The calls themselves; the public ones add their journal line.
  int32_t GetMalloc(uint32_t memoryContext, ComPtr<IMalloc>* allocator);
  int32_t GetSpecialFolderLocation(int32_t csidl, PIDL* pidl);
  bool PathFromIdList(PCIDL pidl, char* path);
  std::uintptr_t FileInfo(PCIDL pidl, SHFILEINFOA* info, uint32_t infoSize, uint32_t flags);
  int CompareStrings(uint32_t flags, const char* string1, int length1, const char* string2,
                     int length2);
  int ToMultiByte(uint32_t codePage, const char16_t* wide, int wideLength, char* buffer, int size);
  SimDrive* RemovableDrive(const std::string& drive, std::string* problem);

  SimTaskAllocator allocator_;
  std::shared_ptr<SimShellCore> core_;
  FailurePlan& failures_;
  DrivePaths& paths_;
  SystemFolders& folders_;
  Journal& journal_;
  MessagePoster poster_;
  std::vector<ShellRegistration> registrations_;
  std::vector<ShellNotification> notifications_;
  // The two-pointer blocks that posted notifications point to; kept as long as the shell.
  std::deque<std::array<PIDL, 2>> posted_pairs_;
  uint32_t next_handle_ = 1;
  WindowHandle locked_ = 0;
  int loaded_modules_ = 0;
};

}  // namespace talvex::sim
