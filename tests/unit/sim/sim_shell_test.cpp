#include "platform/sim/sim_shell.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/winconst.h"
#include "tests/unit/support/test_machine.h"

namespace talvex {
namespace {

using testing::TestMachine;

// The text of a display name in any of its forms; a wide name goes back to the task allocator.
std::string NameText(Shell& shell, PCIDL pidl, STRRET& name) {
  switch (name.uType) {
    case win::STRRET_CSTR:
      return name.cStr;
    case win::STRRET_OFFSET:
      return reinterpret_cast<const char*>(pidl) + name.uOffset;
    case win::STRRET_WSTR: {
      char buffer[win::MAX_PATH];
      int length =
          shell.WideCharToMultiByte(win::CP_ACP, 0, name.pOleStr, -1, buffer, sizeof buffer);
      ComPtr<IMalloc> malloc;
      shell.SHGetMalloc(&malloc);
      malloc->Free(name.pOleStr);
      return length > 0 ? std::string(buffer) : std::string("<too long>");
    }
  }
  return "<unknown form>";
}

std::string DisplayName(Shell& shell, IShellFolder& folder, PCIDL pidl, uint32_t flags) {
  STRRET name;
  if (folder.GetDisplayNameOf(pidl, flags, &name) != win::S_OK)
    return "<failed>";
  return NameText(shell, pidl, name);
}

// Owns a task allocator block holding an item ID list.
struct TaskList {
  TaskList(Shell& shell, PIDL list) : pidl(list) { shell.SHGetMalloc(&malloc); }
  ~TaskList() { malloc->Free(pidl); }
  TaskList(const TaskList&) = delete;
  TaskList& operator=(const TaskList&) = delete;
  PIDL pidl;
  ComPtr<IMalloc> malloc;
};

class SimShellTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (machine_loaded_) {
      // Whatever a test took from the shell, it gave back, and only once.
      EXPECT_EQ(0u, Shell().allocator().LiveBlocks());
      EXPECT_EQ(0u, Shell().allocator().BadFrees());
    }
  }

  sim::SimShell& Shell() {
    machine_loaded_ = true;
    return machine_.Machine().shell();
  }

  ComPtr<IShellFolder> Desktop() {
    ComPtr<IShellFolder> desktop;
    EXPECT_EQ(win::S_OK, Shell().SHGetDesktopFolder(&desktop));
    return desktop;
  }

  // The folder of a Windows path, bound from the desktop.
  ComPtr<IShellFolder> FolderOf(const std::string& path) {
    std::vector<uint8_t> list = Shell().IdListOfPath(path);
    EXPECT_FALSE(list.empty()) << path;
    ComPtr<IShellFolder> folder;
    EXPECT_EQ(win::S_OK, Desktop()->BindToObject(list.data(), &folder)) << path;
    return folder;
  }

  ComPtr<IShellFolder> SpecialFolder(int32_t csidl) {
    PIDL pidl = nullptr;
    EXPECT_EQ(win::S_OK, Shell().SHGetSpecialFolderLocation(0, csidl, &pidl));
    TaskList list(Shell(), pidl);
    ComPtr<IShellFolder> folder;
    EXPECT_EQ(win::S_OK, Desktop()->BindToObject(pidl, &folder));
    return folder;
  }

  // Each enumerated item as "<normal name>" (or the names of the flags given), in order.
  std::vector<std::string> Items(IShellFolder& folder, uint32_t flags = 0xA0,
                                 uint32_t nameFlags = win::SHGDN_NORMAL) {
    ComPtr<IEnumIDList> items;
    int32_t result = folder.EnumObjects(0, flags, &items);
    if (result != win::S_OK)
      return {"<EnumObjects " + std::to_string(result) + ">"};
    std::vector<std::string> names;
    items->Reset();
    PIDL item = nullptr;
    while (items->Next(1, &item, nullptr) == win::S_OK) {
      TaskList owned(Shell(), item);
      EXPECT_EQ(1u, ILItemCount(item));
      names.push_back(DisplayName(Shell(), folder, item, nameFlags));
    }
    return names;
  }

  uint32_t AttributesOf(IShellFolder& folder, PCIDL item, uint32_t asked = 0xFFFFFFFF) {
    uint32_t attributes = asked;
    EXPECT_EQ(win::S_OK, folder.GetAttributesOf(1, &item, &attributes));
    return attributes;
  }

  TestMachine machine_;
  bool machine_loaded_ = false;
};

// --- The namespace as the tree sees it ---------------------------------------------------------

TEST_F(SimShellTest, TheDesktopListsTheSpecialFoldersThenItsOwnFoldersByName) {
  machine_.Folder("c/WINDOWS/Desktop/zeta")
      .Folder("c/WINDOWS/Desktop/Alpha")
      .Folder("c/WINDOWS/Desktop/beta");
  machine_.File("c/WINDOWS/Desktop/notes.txt", "a file, not a folder");
  EXPECT_EQ((std::vector<std::string>{"My Computer", "My Network Places", "Recycle Bin", "Alpha",
                                      "beta", "zeta"}),
            Items(*Desktop()));
  // The desktop itself: its caption and its parsing name, the desktop folder.
  const uint8_t empty[] = {0, 0};
  EXPECT_EQ("Desktop", DisplayName(Shell(), *Desktop(), empty, win::SHGDN_NORMAL));
  EXPECT_EQ("C:\\WINDOWS\\Desktop", DisplayName(Shell(), *Desktop(), empty, win::SHGDN_FORPARSING));
}

TEST_F(SimShellTest, TheDesktopFolderComesFromMachineIniAndNeedNotExist) {
  machine_.Ini("desktop = C:\\Documents and Settings\\Kim\\Desktop\\\n")
      .Folder("c/Documents and Settings/Kim/Desktop/Work");
  char path[win::MAX_PATH];
  PIDL pidl = nullptr;
  ASSERT_EQ(win::S_OK, Shell().SHGetSpecialFolderLocation(0, win::CSIDL_DESKTOPDIRECTORY, &pidl));
  TaskList list(Shell(), pidl);
  ASSERT_TRUE(Shell().SHGetPathFromIDListA(pidl, path));
  EXPECT_STREQ("C:\\Documents and Settings\\Kim\\Desktop", path);
  EXPECT_EQ("Work", Items(*Desktop()).back());

  TestMachine bare;
  bare.Ini("desktop = C:\\Nowhere\n");
  sim::SimShell& shell = bare.Machine().shell();
  PIDL missing = nullptr;
  EXPECT_LT(shell.SHGetSpecialFolderLocation(0, win::CSIDL_DESKTOPDIRECTORY, &missing), 0);
  EXPECT_EQ(nullptr, missing);
  ComPtr<IShellFolder> desktop;
  shell.SHGetDesktopFolder(&desktop);
  ComPtr<IEnumIDList> items;
  ASSERT_EQ(win::S_OK, desktop->EnumObjects(0, 0xA0, &items));
  PIDL item[4] = {};
  uint32_t fetched = 0;
  EXPECT_EQ(win::S_FALSE, items->Next(4, item, &fetched));
  EXPECT_EQ(3u, fetched);  // the special folders only
  for (uint32_t i = 0; i < fetched; ++i)
    shell.allocator().Free(item[i]);
}

TEST_F(SimShellTest, MyComputerHoldsTheDrivesInLetterOrderWithTheirWindowsXpNames) {
  machine_.Ini(
      "[drives]\n"
      "A: = floppy\n"
      "E: = cdrom | TALVEX_1\n"
      "F: = removable empty\n"
      "G: = cdrom empty | OLD\n"
      "C: = fixed | SYSTEM\n");
  EXPECT_EQ((std::vector<std::string>{"3\xBD Floppy (A:)", "SYSTEM (C:)", "Local Disk (D:)",
                                      "TALVEX_1 (E:)", "Removable Disk (F:)", "CD Drive (G:)",
                                      "Control Panel", "Printers and Faxes"}),
            Items(*SpecialFolder(win::CSIDL_DRIVES)));
  EXPECT_EQ((std::vector<std::string>{"A:\\", "C:\\", "D:\\", "E:\\", "F:\\", "G:\\",
                                      "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\::{21EC2020-"
                                      "3AEA-1069-A2DD-08002B30309D}",
                                      "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\::{2227A280-"
                                      "3AEA-1069-A2DE-08002B30309D}"}),
            Items(*SpecialFolder(win::CSIDL_DRIVES), 0xA0, win::SHGDN_FORPARSING));
}

TEST_F(SimShellTest, OnlyDrivesAndFoldersAreFileSystemItems) {
  machine_.Ini("[drives]\nA: = floppy empty\n").Folder("c/Data/Sub");
  ComPtr<IShellFolder> myComputer = SpecialFolder(win::CSIDL_DRIVES);
  ComPtr<IEnumIDList> items;
  ASSERT_EQ(win::S_OK, myComputer->EnumObjects(0, 0xA0, &items));
  std::vector<uint32_t> attributes;
  PIDL item = nullptr;
  while (items->Next(1, &item, nullptr) == win::S_OK) {
    TaskList owned(Shell(), item);
    attributes.push_back(
        AttributesOf(*myComputer, item, 0xC0030000 | win::SFGAO_FOLDER | win::SFGAO_REMOVABLE));
  }
  ASSERT_EQ(5u, attributes.size());  // A:, C:, D:, Control Panel, Printers
  uint32_t drive = win::SFGAO_FOLDER | win::SFGAO_FILESYSTEM | win::SFGAO_HASSUBFOLDER;
  EXPECT_EQ(drive | win::SFGAO_REMOVABLE, attributes[0]);  // even without a medium
  EXPECT_EQ(drive, attributes[1]);
  EXPECT_EQ(win::SFGAO_FOLDER, attributes[3]);
  EXPECT_EQ(win::SFGAO_FOLDER, attributes[4]);

  // Folders have sub-folders only when they do.
  ComPtr<IShellFolder> c = FolderOf("C:\\");
  std::vector<uint8_t> data = Shell().IdListOfPath("C:\\Data");
  std::vector<uint8_t> sub = Shell().IdListOfPath("C:\\Data\\Sub");
  EXPECT_EQ(win::SFGAO_HASSUBFOLDER | win::SFGAO_FILESYSTEM,
            AttributesOf(*c, ILFindLastID(data.data()), 0xC0030000));
  EXPECT_EQ(win::SFGAO_FILESYSTEM,
            AttributesOf(*FolderOf("C:\\Data"), ILFindLastID(sub.data()), 0xC0030000));
}

TEST_F(SimShellTest, ADriveWithoutAMediumCannotBeEnumeratedUntilOneIsInserted) {
  machine_.Ini("[drives]\nE: = cdrom empty\n").Folder("e/TOOLS");
  EXPECT_EQ(
      std::vector<std::string>{"<EnumObjects " +
                               std::to_string(win::HResultFromWin32(win::ERROR_NOT_READY)) + ">"},
      Items(*FolderOf("E:\\")));
  EXPECT_EQ("", Shell().InsertMedium("E:", "TALVEX"));
  EXPECT_EQ(std::vector<std::string>{"TOOLS"}, Items(*FolderOf("E:\\")));
  EXPECT_EQ("", Shell().EjectMedium("e:"));
  EXPECT_EQ(1u, Items(*FolderOf("E:\\")).size());  // the failure again
  EXPECT_TRUE(Shell().IdListOfPath("E:\\TOOLS").empty());
}

TEST_F(SimShellTest, HiddenFoldersAreListedOnlyWhenAskedFor) {
  machine_.Ini("[folders]\nc:\\data\\SECRET = hidden\n")
      .Folder("c/Data/Secret")
      .Folder("c/Data/Open");
  EXPECT_EQ((std::vector<std::string>{"Open", "Secret"}), Items(*FolderOf("C:\\Data")));
  EXPECT_EQ(std::vector<std::string>{"Open"}, Items(*FolderOf("C:\\Data"), win::SHCONTF_FOLDERS));
  EXPECT_EQ(std::vector<std::string>{}, Items(*FolderOf("C:\\Data"), win::SHCONTF_NONFOLDERS));
}

TEST_F(SimShellTest, SharedFoldersAndFolderShortcutsCarryTheirOverlayAttributes) {
  machine_.Ini("[folders]\nC:\\Public = shared\nC:\\Links = shortcut\nC:\\Both = shared shortcut\n")
      .Folder("c/Public")
      .Folder("c/Links")
      .Folder("c/Both")
      .Folder("c/Plain");
  ComPtr<IShellFolder> c = FolderOf("C:\\");
  auto overlayBits = [&](const std::string& path) {
    std::vector<uint8_t> list = Shell().IdListOfPath(path);
    return AttributesOf(*c, ILFindLastID(list.data()), win::SFGAO_SHARE | win::SFGAO_LINK);
  };
  EXPECT_EQ(win::SFGAO_SHARE, overlayBits("C:\\PUBLIC"));
  EXPECT_EQ(win::SFGAO_LINK, overlayBits("C:\\Links"));
  EXPECT_EQ(win::SFGAO_SHARE | win::SFGAO_LINK, overlayBits("C:\\Both"));
  EXPECT_EQ(0u, overlayBits("C:\\Plain"));
}

TEST_F(SimShellTest, NetworkPlacesHoldTheComputersAndTheirShares) {
  machine_.Ini("[network]\nserver = public | tools\nlaptop =\n");
  ComPtr<IShellFolder> network = SpecialFolder(win::CSIDL_NETWORK);
  EXPECT_EQ((std::vector<std::string>{"SERVER", "LAPTOP"}), Items(*network));
  EXPECT_EQ((std::vector<std::string>{"\\\\SERVER", "\\\\LAPTOP"}),
            Items(*network, 0xA0, win::SHGDN_FORPARSING));
  ComPtr<IShellFolder> server = FolderOf("\\\\Server");
  EXPECT_EQ((std::vector<std::string>{"\\\\SERVER\\public", "\\\\SERVER\\tools"}),
            Items(*server, 0xA0, win::SHGDN_FORPARSING));
  // Computers are not file-system items; shares are, and list no folders.
  std::vector<uint8_t> computer = Shell().IdListOfPath("\\\\server");
  std::vector<uint8_t> share = Shell().IdListOfPath("\\\\server\\TOOLS");
  EXPECT_EQ(0u, AttributesOf(*network, ILFindLastID(computer.data()), win::SFGAO_FILESYSTEM));
  EXPECT_EQ(win::SFGAO_FILESYSTEM,
            AttributesOf(*server, ILFindLastID(share.data()), win::SFGAO_FILESYSTEM));
  EXPECT_EQ(std::vector<std::string>{}, Items(*FolderOf("\\\\SERVER\\tools")));
  EXPECT_EQ(std::vector<std::string>{}, Items(*FolderOf("\\\\laptop")));
  EXPECT_EQ(std::vector<std::string>{}, Items(*SpecialFolder(win::CSIDL_BITBUCKET)));
}

// --- Names, paths and item ID lists ------------------------------------------------------------

TEST_F(SimShellTest, DisplayNamesComeInTheFormsWindowsUses) {
  machine_.Folder("c/Program Files/Korvane");
  ComPtr<IShellFolder> programs = FolderOf("C:\\program files");
  std::vector<uint8_t> list = Shell().IdListOfPath("C:\\Program Files\\KORVANE");
  PCIDL item = ILFindLastID(list.data());
  STRRET name;
  ASSERT_EQ(win::S_OK, programs->GetDisplayNameOf(item, win::SHGDN_INFOLDER, &name));
  EXPECT_EQ(win::STRRET_OFFSET, name.uType);
  EXPECT_STREQ("Korvane", reinterpret_cast<const char*>(item) + name.uOffset);
  ASSERT_EQ(win::S_OK, programs->GetDisplayNameOf(item, win::SHGDN_FORPARSING, &name));
  EXPECT_EQ(win::STRRET_CSTR, name.uType);
  EXPECT_STREQ("C:\\Program Files\\Korvane", name.cStr);
  // A name inside a deeper relative list is found at its offset from the list's start.
  std::vector<uint8_t> drive = Shell().IdListOfPath("C:\\");
  std::vector<uint8_t> fromDrive(list.begin() + static_cast<long>(ILGetSize(drive.data()) - 2),
                                 list.end());
  EXPECT_EQ("Korvane",
            DisplayName(Shell(), *FolderOf("C:\\"), fromDrive.data(), win::SHGDN_NORMAL));
  EXPECT_EQ("Korvane", DisplayName(Shell(), *FolderOf("C:\\"), fromDrive.data(),
                                   win::SHGDN_INFOLDER | win::SHGDN_FORPARSING));
  // Drives as 8-bit text, special folders as wide strings from the task allocator.
  ComPtr<IShellFolder> myComputer = SpecialFolder(win::CSIDL_DRIVES);
  ASSERT_EQ(win::S_OK,
            myComputer->GetDisplayNameOf(ILFindLastID(drive.data()), win::SHGDN_NORMAL, &name));
  EXPECT_EQ(win::STRRET_CSTR, name.uType);
  EXPECT_STREQ("Local Disk (C:)", name.cStr);
  PIDL bin = nullptr;
  Shell().SHGetSpecialFolderLocation(0, win::CSIDL_BITBUCKET, &bin);
  TaskList binList(Shell(), bin);
  ASSERT_EQ(win::S_OK, Desktop()->GetDisplayNameOf(bin, win::SHGDN_NORMAL, &name));
  EXPECT_EQ(win::STRRET_WSTR, name.uType);
  EXPECT_EQ(2u, Shell().allocator().LiveBlocks());  // the list and the name
  EXPECT_EQ("Recycle Bin", NameText(Shell(), bin, name));
}

TEST_F(SimShellTest, SpecialFolderLocationsAndTheirFileSystemPaths) {
  machine_.Folder("c/WINDOWS/Desktop");
  struct Case {
    int32_t csidl;
    size_t levels;
    const char* path;  // null: no file-system path
  };
  for (Case c :
       {Case{win::CSIDL_DESKTOP, 0, "C:\\WINDOWS\\Desktop"}, Case{win::CSIDL_DRIVES, 1, nullptr},
        Case{win::CSIDL_NETWORK, 1, nullptr}, Case{win::CSIDL_BITBUCKET, 1, nullptr},
        Case{win::CSIDL_CONTROLS, 2, nullptr}, Case{win::CSIDL_PRINTERS, 2, nullptr},
        Case{win::CSIDL_DESKTOPDIRECTORY, 4, "C:\\WINDOWS\\Desktop"}}) {
    PIDL pidl = nullptr;
    ASSERT_EQ(win::S_OK, Shell().SHGetSpecialFolderLocation(0, c.csidl, &pidl)) << c.csidl;
    TaskList list(Shell(), pidl);
    EXPECT_EQ(c.levels, ILItemCount(pidl)) << c.csidl;
    EXPECT_EQ(ILGetSize(pidl), ILCheckedSize(pidl, ILGetSize(pidl))) << c.csidl;
    char path[win::MAX_PATH] = "junk";
    EXPECT_EQ(c.path != nullptr, Shell().SHGetPathFromIDListA(pidl, path)) << c.csidl;
    EXPECT_STREQ(c.path ? c.path : "", path) << c.csidl;
  }
  PIDL none = reinterpret_cast<PIDL>(1);
  EXPECT_LT(Shell().SHGetSpecialFolderLocation(0, 0x2B, &none), 0);
  EXPECT_EQ(nullptr, none);
}

TEST_F(SimShellTest, AbsoluteListsAreMyComputerThenTheDriveThenEachFolder) {
  machine_.Folder("c/A/B");
  std::vector<uint8_t> list = Shell().IdListOfPath("c:\\a\\b\\");
  ASSERT_EQ(4u, ILItemCount(list.data()));
  std::vector<uint8_t> myComputer =
      ILWithoutLastItem(ILWithoutLastItem(ILWithoutLastItem(list.data()).data()).data());
  PIDL pidl = nullptr;
  Shell().SHGetSpecialFolderLocation(0, win::CSIDL_DRIVES, &pidl);
  TaskList drives(Shell(), pidl);
  EXPECT_EQ(std::vector<uint8_t>(pidl, pidl + ILGetSize(pidl)), myComputer);
  char path[win::MAX_PATH];
  ASSERT_TRUE(Shell().SHGetPathFromIDListA(list.data(), path));
  EXPECT_STREQ("C:\\A\\B", path);  // the names as stored, not as asked for
  // The drive's item, parsed on My Computer as the tree parses a drive root.
  ComPtr<IShellFolder> myComputerFolder = SpecialFolder(win::CSIDL_DRIVES);
  PIDL drive = nullptr;
  uint32_t eaten = 0;
  ASSERT_EQ(win::S_OK, myComputerFolder->ParseDisplayName(0, u"c:\\", &eaten, &drive, nullptr));
  TaskList driveList(Shell(), drive);
  EXPECT_EQ(1u, ILItemCount(drive));
  EXPECT_EQ(3u, eaten);
  EXPECT_EQ("Local Disk (C:)", DisplayName(Shell(), *myComputerFolder, drive, 0));
  PIDL missing = reinterpret_cast<PIDL>(1);
  EXPECT_LT(myComputerFolder->ParseDisplayName(0, u"Q:\\", nullptr, &missing, nullptr), 0);
  EXPECT_EQ(nullptr, missing);
}

TEST_F(SimShellTest, ParsingFindsFoldersWithoutRegardToCaseAndRelativeToAFolder) {
  machine_.Folder("c/Data/Reports/2024");
  PIDL pidl = nullptr;
  uint32_t attributes = win::SFGAO_FILESYSTEM | win::SFGAO_HASSUBFOLDER | win::SFGAO_SHARE;
  ASSERT_EQ(win::S_OK,
            Desktop()->ParseDisplayName(0, u"C:\\DATA\\reports", nullptr, &pidl, &attributes));
  TaskList absolute(Shell(), pidl);
  EXPECT_EQ(win::SFGAO_FILESYSTEM | win::SFGAO_HASSUBFOLDER, attributes);
  EXPECT_EQ("C:\\Data\\Reports", DisplayName(Shell(), *Desktop(), pidl, win::SHGDN_FORPARSING));
  PIDL relative = nullptr;
  ASSERT_EQ(
      win::S_OK,
      FolderOf("C:\\Data")->ParseDisplayName(0, u"reports\\2024", nullptr, &relative, nullptr));
  TaskList relativeList(Shell(), relative);
  EXPECT_EQ(2u, ILItemCount(relative));
  PIDL none = nullptr;
  EXPECT_EQ(win::HResultFromWin32(win::ERROR_FILE_NOT_FOUND),
            Desktop()->ParseDisplayName(0, u"C:\\Data\\Missing", nullptr, &none, nullptr));
  EXPECT_LT(FolderOf("C:\\Data")->ParseDisplayName(0, u"", nullptr, &none, nullptr), 0);
  EXPECT_LT(FolderOf("C:\\Data")->ParseDisplayName(0, u"..\\Data", nullptr, &none, nullptr), 0);
}

TEST_F(SimShellTest, MalformedOrForeignListsAreRefusedNotFollowed) {
  const uint8_t unknownRoot[] = {4, 0, 0x77, 0, 0, 0};
  const uint8_t folderWithoutName[] = {4, 0, 0x31, 0, 0, 0};
  const uint8_t nameWithoutEnd[] = {5, 0, 0x31, 0, 'x', 0, 0};
  char path[win::MAX_PATH];
  for (PCIDL list : {static_cast<PCIDL>(unknownRoot), static_cast<PCIDL>(folderWithoutName),
                     static_cast<PCIDL>(nameWithoutEnd)}) {
    EXPECT_FALSE(Shell().SHGetPathFromIDListA(list, path));
    STRRET name;
    EXPECT_EQ(win::E_INVALIDARG, Desktop()->GetDisplayNameOf(list, 0, &name));
    ComPtr<IShellFolder> folder;
    EXPECT_EQ(win::E_INVALIDARG, Desktop()->BindToObject(list, &folder));
    uint32_t attributes = ~0u;
    EXPECT_EQ(win::E_INVALIDARG, Desktop()->GetAttributesOf(1, &list, &attributes));
    SHFILEINFOA info;
    EXPECT_EQ(0u, Shell().SHGetFileInfoA(list, 0, &info, sizeof info, 0x4008));
  }
  EXPECT_FALSE(Shell().SHGetPathFromIDListA(nullptr, path));
}

TEST_F(SimShellTest, IconsComeFromTheFixedTableAndTheSmallSystemList) {
  machine_.Ini("[drives]\nA: = floppy\nE: = cdrom\nF: = removable\n").Folder("c/Data");
  auto icons = [&](const std::vector<uint8_t>& list) {
    SHFILEINFOA info;
    Shell().SHGetFileInfoA(list.data(), 0, &info, sizeof info, 0x4008);
    int32_t normal = info.iIcon;
    Shell().SHGetFileInfoA(list.data(), 0, &info, sizeof info, 0x400A);
    return std::make_pair(normal, info.iIcon);
  };
  using Icons = std::pair<int32_t, int32_t>;
  EXPECT_EQ(Icons(3, 4), icons(Shell().IdListOfPath("C:\\Data")));
  EXPECT_EQ(Icons(8, 8), icons(Shell().IdListOfPath("C:\\")));
  EXPECT_EQ(Icons(6, 6), icons(Shell().IdListOfPath("A:\\")));
  EXPECT_EQ(Icons(11, 11), icons(Shell().IdListOfPath("E:\\")));
  EXPECT_EQ(Icons(7, 7), icons(Shell().IdListOfPath("F:\\")));
  EXPECT_EQ(Icons(34, 34), icons({0, 0}));
  SHFILEINFOA info;
  EXPECT_EQ(
      sim::SimShell::kSmallIconList,
      Shell().SHGetFileInfoA(Shell().IdListOfPath("C:\\").data(), 0, &info, sizeof info, 0x4009));
  // Only the item ID list form is offered.
  EXPECT_EQ(0u, Shell().SHGetFileInfoA(Shell().IdListOfPath("C:\\").data(), 0, &info, sizeof info,
                                       win::SHGFI_SYSICONINDEX));
}

// --- Change notification -----------------------------------------------------------------------

struct Posted {
  WindowHandle window;
  uint32_t message;
  std::vector<uint8_t> first;
  std::vector<uint8_t> second;
  std::intptr_t lParam;
};

class ShellNotificationTest : public SimShellTest {
 protected:
  // Registers the way the folder tree does: the whole namespace, recursive, both sources.
  uint32_t RegisterTree(Shell32Module& module, WindowHandle window, int32_t events = 0x00020078) {
    SHChangeNotifyEntry entry{nullptr, 1};
    return module.SHChangeNotifyRegister(window, 3, events, 0x402, 1, &entry);
  }

  std::unique_ptr<Shell32Module> BoundShell32() {
    std::unique_ptr<Shell32Module> module = Shell().LoadShell32();
    EXPECT_TRUE(module);
    EXPECT_TRUE(module->GetProcAddress(2));
    EXPECT_TRUE(module->GetProcAddress(4));
    return module;
  }

  // A poster that takes each message as the program's window would, freeing the lists the way
  // the tree does: only when the task allocator claims them.
  void Receive() {
    Shell().SetMessagePoster(
        [this](WindowHandle window, uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
          auto* lists = reinterpret_cast<PIDL*>(wParam);
          Posted posted{window, message, {}, {}, lParam};
          if (lists[0])
            posted.first.assign(lists[0], lists[0] + ILGetSize(lists[0]));
          if (lists[1])
            posted.second.assign(lists[1], lists[1] + ILGetSize(lists[1]));
          ComPtr<IMalloc> malloc;
          Shell().SHGetMalloc(&malloc);
          for (PIDL list : {lists[0], lists[1]})
            if (list && malloc->DidAlloc(list) > 0)
              malloc->Free(list);
          received_.push_back(posted);
          return true;
        });
  }

  std::string PathOf(const std::vector<uint8_t>& list) {
    char path[win::MAX_PATH];
    return !list.empty() && Shell().SHGetPathFromIDListA(list.data(), path) ? path : "<none>";
  }

  std::vector<Posted> received_;
};

TEST_F(ShellNotificationTest, EveryRegisteredWindowIsToldOfAFolderMadeAndRemoved) {
  machine_.Folder("c/Data");
  std::unique_ptr<Shell32Module> module = BoundShell32();
  Receive();
  uint32_t first = RegisterTree(*module, 0x1001);
  uint32_t second = RegisterTree(*module, 0x1002);
  EXPECT_NE(0u, first);
  EXPECT_NE(first, second);
  EXPECT_EQ("", Shell().MakeFolder("c:\\data\\New"));
  EXPECT_TRUE(machine_.Exists("c/Data/New"));
  ASSERT_EQ(2u, received_.size());
  EXPECT_EQ(0x1001u, received_[0].window);
  EXPECT_EQ(0x1002u, received_[1].window);
  EXPECT_EQ(0x402u, received_[0].message);
  EXPECT_EQ(win::SHCNE_MKDIR, received_[0].lParam);
  EXPECT_EQ("C:\\Data\\New", PathOf(received_[0].first));
  EXPECT_TRUE(received_[0].second.empty());

  EXPECT_TRUE(module->SHChangeNotifyDeregister(second));
  EXPECT_FALSE(module->SHChangeNotifyDeregister(second));
  EXPECT_EQ("", Shell().RemoveFolder("C:\\DATA\\NEW"));
  EXPECT_FALSE(machine_.Exists("c/Data/New"));
  ASSERT_EQ(3u, received_.size());
  EXPECT_EQ(win::SHCNE_RMDIR, received_[2].lParam);
  EXPECT_EQ("C:\\Data\\New", PathOf(received_[2].first));  // the path of what is gone
}

TEST_F(ShellNotificationTest, ARenameCarriesTheOldAndTheNewFolder) {
  machine_.Folder("c/Data/Old");
  std::unique_ptr<Shell32Module> module = BoundShell32();
  Receive();
  RegisterTree(*module, 0x1001);
  EXPECT_EQ("", Shell().RenameFolder("C:\\Data\\Old", "C:\\Data\\Renamed"));
  ASSERT_EQ(1u, received_.size());
  EXPECT_EQ(win::SHCNE_RENAMEFOLDER, received_[0].lParam);
  EXPECT_EQ("C:\\Data\\Old", PathOf(received_[0].first));
  EXPECT_EQ("C:\\Data\\Renamed", PathOf(received_[0].second));
  EXPECT_TRUE(machine_.Exists("c/Data/Renamed"));
  // A change of letter case only is a rename too.
  EXPECT_EQ("", Shell().RenameFolder("C:\\Data\\Renamed", "C:\\Data\\RENAMED"));
  EXPECT_TRUE(machine_.Exists("c/Data/RENAMED"));
}

TEST_F(ShellNotificationTest, MediaEventsComeFromTheSystemWithTheInterruptBit) {
  machine_.Ini("[drives]\nE: = cdrom empty\n");
  std::unique_ptr<Shell32Module> module = BoundShell32();
  Receive();
  RegisterTree(*module, 0x1001);
  EXPECT_EQ("", Shell().InsertMedium("E:", "DRIVERS"));
  EXPECT_EQ("", Shell().EjectMedium("E:"));
  ASSERT_EQ(2u, received_.size());
  EXPECT_EQ(static_cast<std::intptr_t>(static_cast<int32_t>(0x80000020u)), received_[0].lParam);
  EXPECT_EQ(static_cast<std::intptr_t>(static_cast<int32_t>(0x80000040u)), received_[1].lParam);
  EXPECT_EQ("E:\\", PathOf(received_[0].first));
  // The drive's name follows the medium.
  std::vector<uint8_t> drive = Shell().IdListOfPath("E:\\");
  ComPtr<IShellFolder> myComputer = SpecialFolder(win::CSIDL_DRIVES);
  EXPECT_EQ("CD Drive (E:)", DisplayName(Shell(), *myComputer, ILFindLastID(drive.data()), 0));
  Shell().InsertMedium("E:", "DRIVERS");
  EXPECT_EQ("DRIVERS (E:)", DisplayName(Shell(), *myComputer, ILFindLastID(drive.data()), 0));
}

TEST_F(ShellNotificationTest, OnlyWatchedEventsSourcesAndFoldersArePosted) {
  machine_.Ini("[drives]\nE: = cdrom empty\n").Folder("c/Watched/Deep").Folder("c/Other");
  std::unique_ptr<Shell32Module> module = BoundShell32();
  Receive();
  std::vector<uint8_t> watched = Shell().IdListOfPath("C:\\Watched");
  SHChangeNotifyEntry flat{watched.data(), 0};
  ASSERT_NE(0u, module->SHChangeNotifyRegister(0x2001, 3, win::SHCNE_MKDIR, 0x402, 1, &flat));
  SHChangeNotifyEntry tree{watched.data(), 1};
  ASSERT_NE(0u, module->SHChangeNotifyRegister(0x2002, 3, win::SHCNE_MKDIR, 0x402, 1, &tree));
  SHChangeNotifyEntry all{nullptr, 1};
  // Shell level only: media events from the system do not reach it.
  ASSERT_NE(0u, module->SHChangeNotifyRegister(0x2003, win::SHCNRF_ShellLevel,
                                               win::SHCNE_MEDIAINSERTED, 0x402, 1, &all));
  Shell().MakeFolder("C:\\Watched\\Child");        // both watchers
  Shell().MakeFolder("C:\\Watched\\Deep\\Inner");  // only the recursive one
  Shell().MakeFolder("C:\\Other\\Elsewhere");      // nobody
  Shell().InsertMedium("E:", "");                  // nobody
  std::vector<WindowHandle> windows;
  for (const Posted& posted : received_)
    windows.push_back(posted.window);
  EXPECT_EQ((std::vector<WindowHandle>{0x2001, 0x2002, 0x2002}), windows);
}

TEST_F(ShellNotificationTest, UndeliveredNotificationsAreRecordedAndTheirListsFreed) {
  machine_.Folder("c/Data");
  std::unique_ptr<Shell32Module> module = BoundShell32();
  RegisterTree(*module, 0x1001);
  Shell().MakeFolder("C:\\Data\\New");  // no poster
  Shell().SetMessagePoster([](WindowHandle, uint32_t, std::uintptr_t, std::intptr_t) {
    return false;  // the window is gone
  });
  Shell().RemoveFolder("C:\\Data\\New");
  ASSERT_EQ(2u, Shell().notifications().size());
  EXPECT_FALSE(Shell().notifications()[0].delivered);
  EXPECT_EQ("C:\\Data\\New", Shell().notifications()[1].path1);
  EXPECT_EQ(0u, Shell().allocator().LiveBlocks());
}

TEST_F(ShellNotificationTest, ThePersonAtTheMachineIsToldWhatCannotBeDone) {
  machine_.Ini("[drives]\nE: = cdrom\n").Folder("c/Data/Sub");
  EXPECT_NE("", Shell().MakeFolder("C:\\Data\\Sub"));     // exists
  EXPECT_NE("", Shell().MakeFolder("C:\\Missing\\New"));  // no parent
  EXPECT_NE("", Shell().MakeFolder("C:\\"));
  EXPECT_NE("", Shell().RemoveFolder("C:\\Data\\Nothing"));
  EXPECT_NE("", Shell().RemoveFolder("C:\\"));
  EXPECT_NE("", Shell().RenameFolder("C:\\Data\\Sub", "C:\\Data"));
  Shell().MakeFolder("C:\\Data\\Two");
  EXPECT_NE("", Shell().RenameFolder("C:\\Data\\Sub", "c:\\data\\two"));
  EXPECT_NE("", Shell().InsertMedium("C:", ""));  // a fixed disk
  EXPECT_NE("", Shell().InsertMedium("Q:", ""));
  EXPECT_NE("", Shell().EjectMedium("E"));
  EXPECT_TRUE(machine_.Exists("c/Data/Sub"));
}

TEST_F(ShellNotificationTest, RegistrationNeedsAWindowAndAnEntry) {
  std::unique_ptr<Shell32Module> module = BoundShell32();
  SHChangeNotifyEntry entry{nullptr, 1};
  EXPECT_EQ(0u, module->SHChangeNotifyRegister(0, 3, 0x20078, 0x402, 1, &entry));
  EXPECT_EQ(0u, module->SHChangeNotifyRegister(0x1001, 3, 0x20078, 0x402, 0, &entry));
  EXPECT_TRUE(Shell().registrations().empty());
}

// --- shell32 by ordinal, and failure injection ---------------------------------------------------

TEST_F(ShellNotificationTest, NothingIsCalledThroughAnOrdinalThatWasNotBound) {
  machine_.Ini("[failures]\nGetProcAddress 2 = always\n");
  std::unique_ptr<Shell32Module> module = Shell().LoadShell32();
  ASSERT_TRUE(module);
  EXPECT_EQ(1, Shell().LoadedModules());
  EXPECT_FALSE(module->GetProcAddress(2));
  EXPECT_TRUE(module->GetProcAddress(4));
  EXPECT_FALSE(module->GetProcAddress(3));
  EXPECT_EQ(0u, RegisterTree(*module, 0x1001));
  EXPECT_TRUE(Shell().registrations().empty());
  module.reset();
  EXPECT_EQ(0, Shell().LoadedModules());
}

TEST_F(SimShellTest, EachShellCallFailsWhereMachineIniSaysSo) {
  machine_
      .Ini(
          "[failures]\n"
          "LoadLibraryA shell32.dll = call 1\n"
          "SHGetSpecialFolderLocation 18 = always\n"
          "EnumObjects C:\\Data = always error 0x80070005\n"
          "BindToObject c:\\data\\sub = always\n"
          "GetAttributesOf C:\\Data = always\n"
          "SHChangeNotifyRegister = call 1\n"
          "GetDisplayNameOf C:\\Data\\Sub = always error 5\n")
      .Folder("c/Data/Sub");
  EXPECT_FALSE(Shell().LoadShell32());
  std::unique_ptr<Shell32Module> module = Shell().LoadShell32();
  ASSERT_TRUE(module);
  PIDL pidl = nullptr;
  EXPECT_EQ(win::E_FAIL, Shell().SHGetSpecialFolderLocation(0, win::CSIDL_NETWORK, &pidl));
  EXPECT_EQ(nullptr, pidl);
  ASSERT_EQ(win::S_OK, Shell().SHGetSpecialFolderLocation(0, win::CSIDL_DRIVES, &pidl));
  Shell().allocator().Free(pidl);

  ComPtr<IShellFolder> data = FolderOf("C:\\Data");
  ComPtr<IEnumIDList> items;
  EXPECT_EQ(static_cast<int32_t>(0x80070005u), data->EnumObjects(0, 0xA0, &items));
  EXPECT_FALSE(items);
  EXPECT_EQ(win::S_OK, FolderOf("C:\\")->EnumObjects(0, 0xA0, &items));

  std::vector<uint8_t> sub = Shell().IdListOfPath("C:\\Data\\Sub");
  ComPtr<IShellFolder> bound;
  EXPECT_EQ(win::E_FAIL, Desktop()->BindToObject(sub.data(), &bound));
  EXPECT_FALSE(bound);
  std::vector<uint8_t> dataList = Shell().IdListOfPath("C:\\Data");
  PCIDL dataItem = ILFindLastID(dataList.data());
  uint32_t attributes = 0xC0030000;
  EXPECT_EQ(win::E_FAIL, FolderOf("C:\\")->GetAttributesOf(1, &dataItem, &attributes));
  STRRET name;
  EXPECT_EQ(win::HResultFromWin32(5), data->GetDisplayNameOf(ILFindLastID(sub.data()), 0, &name));

  ASSERT_TRUE(module->GetProcAddress(2));
  SHChangeNotifyEntry entry{nullptr, 1};
  EXPECT_EQ(0u, module->SHChangeNotifyRegister(0x1001, 3, 0x20078, 0x402, 1, &entry));
  EXPECT_NE(0u, module->SHChangeNotifyRegister(0x1001, 3, 0x20078, 0x402, 1, &entry));
}

// --- Objects, the allocator and the other calls ------------------------------------------------

TEST_F(SimShellTest, FolderObjectsHeldPastTheMachineFailInsteadOfCrashing) {
  ComPtr<IShellFolder> desktop;
  ComPtr<IEnumIDList> items;
  ComPtr<IMalloc> malloc;
  {
    TestMachine machine;
    sim::SimShell& shell = machine.Machine().shell();
    shell.SHGetDesktopFolder(&desktop);
    desktop->EnumObjects(0, 0xA0, &items);
    shell.SHGetMalloc(&malloc);
  }
  PIDL item = nullptr;
  EXPECT_EQ(win::E_FAIL, items->Next(1, &item, nullptr));
  STRRET name;
  const uint8_t empty[] = {0, 0};
  EXPECT_EQ(win::E_FAIL, desktop->GetDisplayNameOf(empty, 0, &name));
  EXPECT_EQ(nullptr, malloc->Alloc(8));
  EXPECT_EQ(-1, malloc->DidAlloc(empty));
}

TEST(SimTaskAllocatorTest, CountsItsBlocksAndRefusesForeignOnes) {
  TestMachine machine;
  sim::SimShell& shell = machine.Machine().shell();
  ComPtr<IMalloc> malloc;
  ASSERT_EQ(win::S_OK, shell.CoGetMalloc(win::MEMCTX_TASK, &malloc));
  void* a = malloc->Alloc(10);
  void* b = malloc->Alloc(0);
  EXPECT_NE(a, b);
  EXPECT_EQ(2u, shell.allocator().LiveBlocks());
  int local = 0;
  EXPECT_EQ(1, malloc->DidAlloc(a));
  EXPECT_EQ(0, malloc->DidAlloc(&local));
  EXPECT_EQ(-1, malloc->DidAlloc(nullptr));
  malloc->Free(a);
  EXPECT_EQ(0, malloc->DidAlloc(a));
  malloc->Free(b);
  malloc->Free(nullptr);
  EXPECT_EQ(0u, shell.allocator().BadFrees());
  malloc->Free(b);  // twice
  malloc->Free(&local);
  EXPECT_EQ(2u, shell.allocator().BadFrees());
  ComPtr<IMalloc> other;
  EXPECT_EQ(win::E_INVALIDARG, shell.CoGetMalloc(2, &other));
  EXPECT_FALSE(other);
}

TEST_F(SimShellTest, LocaleComparisonIgnoresTheCaseOfAccentedLettersToo) {
  sim::SimShell& shell = Shell();
  EXPECT_EQ(win::CSTR_EQUAL, shell.CompareStringA(win::LOCALE_USER_DEFAULT, win::NORM_IGNORECASE,
                                                  "c:", -1, "C:", -1));
  EXPECT_EQ(win::CSTR_EQUAL, shell.CompareStringA(win::LOCALE_USER_DEFAULT, win::NORM_IGNORECASE,
                                                  "\xE9t\xE9", -1, "\xC9T\xC9", -1));
  EXPECT_EQ(win::CSTR_LESS_THAN,
            shell.CompareStringA(win::LOCALE_USER_DEFAULT, 0, "C:", -1, "c:", -1));
  EXPECT_EQ(win::CSTR_LESS_THAN,
            shell.CompareStringA(win::LOCALE_USER_DEFAULT, win::NORM_IGNORECASE, "ab", 1, "AB", 2));
  EXPECT_EQ(0, shell.CompareStringA(win::LOCALE_USER_DEFAULT, 0, nullptr, -1, "a", -1));
}

TEST_F(SimShellTest, WideNamesBecomeWindows1252AndAWindowLocksAtATime) {
  sim::SimShell& shell = Shell();
  char buffer[8];
  EXPECT_EQ(6, shell.WideCharToMultiByte(win::CP_ACP, 0, u"3\u00BD \u20AC\u4E00", -1, buffer,
                                         sizeof buffer));
  EXPECT_STREQ("3\xBD \x80?", buffer);
  EXPECT_EQ(4, shell.WideCharToMultiByte(win::CP_ACP, 0, u"abc", -1, nullptr, 0));
  EXPECT_EQ(0, shell.WideCharToMultiByte(win::CP_ACP, 0, u"abcdefghij", -1, buffer, sizeof buffer));
  EXPECT_TRUE(shell.LockWindowUpdate(0x10));
  EXPECT_FALSE(shell.LockWindowUpdate(0x10));
  EXPECT_FALSE(shell.LockWindowUpdate(0x20));
  EXPECT_EQ(0x10u, shell.LockedWindow());
  EXPECT_TRUE(shell.LockWindowUpdate(0));
  EXPECT_EQ(0u, shell.LockedWindow());
}

TEST_F(SimShellTest, MachineIniShellSectionsThatCannotBeReadStopTheMachine) {
  for (const char* bad : {"[drives]\nC = fixed\n", "[drives]\nE: = tape\n", "[drives]\nE: =\n",
                          "[drives]\nC: = fixed empty\n", "[folders]\nC:\\X = secret\n"}) {
    TestMachine machine;
    machine.Ini(bad);
    EXPECT_THROW(machine.Machine(), sim::MachineError) << bad;
  }
}

}  // namespace
}  // namespace talvex
