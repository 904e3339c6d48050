// The simulated shell namespace: what lies below the desktop, how each item is written as an item
// ID, and each item's names, attributes and icons.
//
//   Desktop                        the desktop folder of the machine (its sub-folders)
//     My Computer                  one item per drive in letter order, then Control Panel, Printers
//       Local Disk (C:)            the drive's folders, and below them theirs
//     My Network Places            the computers of [network], each with its shares
//     Recycle Bin                  empty
//
// Item IDs carry what Windows' own carry: a class ID for the special items, the root "C:\" for a
// drive, and for a folder its name and its attributes at the time the ID was made.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/item_id_list.h"
#include "platform/sim/drive_paths.h"
#include "platform/sim/ini_file.h"
#include "platform/sim/machine_drives.h"

namespace talvex::sim {

struct SimComputer {
  std::string name;  // upper case, as browsing shows it
  std::vector<std::string> shares;
};

enum class ShellItemKind : uint8_t {
  kDesktop,
  kMyComputer,
  kRecycleBin,
  kNetwork,
  kControlPanel,
  kPrinters,
  kDrive,
  kFolder,
  kComputer,
  kShare,
};

// What a folder's item ID remembers about it.
enum FolderFlags : uint8_t {
  kFolderHidden = 0x01,
  kFolderHasSubfolders = 0x02,
  kFolderShared = 0x04,
  kFolderShortcut = 0x08,
};

// One item of the namespace, decoded from its absolute item ID list.
struct ShellItem {
  ShellItem() = default;
  explicit ShellItem(ShellItemKind itemKind) : kind(itemKind) {}

  ShellItemKind kind = ShellItemKind::kDesktop;
  char drive = 0;                  // kDrive, and a kFolder below a drive
  bool onDesktop = false;          // a kFolder below the desktop folder
  std::vector<std::string> names;  // kFolder: names from the drive root or the desktop folder down
  std::string computer;            // kComputer, kShare
  std::string share;               // kShare
  uint8_t flags = 0;               // kFolder: FolderFlags
};

struct IconPair {
  int32_t normal = 0;
  int32_t open = 0;
};

class ShellNamespace {
 public:
  // Reads [machine] desktop, [drives], [network] and [folders]; throws IniError for entries it
  // cannot read.
  ShellNamespace(const IniFile& ini, const std::string& windowsFolder,
                 const std::filesystem::path& machineFolder, DrivePaths& paths);

  // Throws nothing; nothing for a list that is not an item of this namespace.
  std::optional<ShellItem> Decode(PCIDL absolute) const;
  // The item ID of the item's last level (one item, no terminator).
  std::vector<uint8_t> EncodeLast(const ShellItem& item) const;
  // The absolute list, terminator included.
  std::vector<uint8_t> EncodeAbsolute(const ShellItem& item) const;
  // Byte offset of a folder's name inside its one-level item ID.
  static constexpr uint32_t kFolderNameOffset = 4;

  std::string NormalName(const ShellItem& item) const;
  std::string InFolderName(const ShellItem& item) const;
  std::string ParsingName(const ShellItem& item) const;
  // The file-system path; nothing for items without one.
  std::optional<std::string> FileSystemPath(const ShellItem& item) const;
  uint32_t Attributes(const ShellItem& item) const;
  IconPair Icons(const ShellItem& item) const;

  // The items of a folder in the order the shell lists them; false with an HRESULT when the folder
  // cannot be listed (a drive without a medium, a folder that is gone).
  bool Children(const ShellItem& folder, bool includeHidden, std::vector<ShellItem>* children,
                int32_t* error) const;
  // The child of a folder by its name as shown or parsed (without regard to letter case).
  std::optional<ShellItem> ChildByName(const ShellItem& folder, const std::string& name) const;
  // The item of an absolute Windows path: a drive root, a folder, a network computer or share, a
  // special item by its "::{class ID}" name. Existing folders only, with their names as stored. A
  // folder inside the desktop folder is named from its drive, as Windows names it.
  std::optional<ShellItem> ItemOfPath(const std::string& windowsPath) const;

  // The host folder of an existing folder item that can be read now.
  std::optional<std::filesystem::path> HostFolder(const ShellItem& item) const;

  const std::string& desktopFolder() const { return desktop_; }
  const std::vector<SimDrive>& drives() const { return drives_; }
  SimDrive* FindDrive(char letter);
  const SimDrive* FindDrive(char letter) const;

 private:
  ShellItem FolderItem(const ShellItem& parent, const std::string& name,
                       const std::filesystem::path& host) const;
  uint8_t MarksOf(const std::string& path) const;
  std::optional<ShellItem> NetworkItem(const std::string& path) const;

  std::string desktop_;
  std::vector<SimDrive> drives_;
  std::vector<SimComputer> computers_;
  std::vector<std::pair<std::string, uint8_t>> marks_;  // upper-cased path, flags
  DrivePaths& paths_;
};

}  // namespace talvex::sim
