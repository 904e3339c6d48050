// The folder tree's nodes: building the desktop, records, names, icons and overlays, the special
// nodes and options, display modes, expansion and its node states, ordering, design mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "framework/exceptions.h"
#include "platform/ascii_text.h"
#include "platform/winconst.h"
#include "tests/unit/foldertree/folder_tree_fixture.h"
#include "tests/unit/support/allocation_failures.h"

namespace talvex::testing {
namespace {

using Model = FolderTreeTest;

TEST_F(Model, ActivationBuildsDesktopMyComputerDrivesAndSortedDesktopFolders) {
  shell.Folder(shell.Desktop(), "zeta");
  shell.Folder(shell.Desktop(), "Alpha");
  TKvFolderTree& t = Active();
  TTreeNode* desktop = t.GetDesktopNode();
  ASSERT_NE(desktop, nullptr);
  EXPECT_EQ(t.Items().GetFirstNode()->getNextSibling(), nullptr);  // one top-level node
  EXPECT_EQ(desktop->Text(), "Desktop");
  EXPECT_EQ(Children(desktop), "My Computer,Alpha,zeta");  // no Recycle Bin, no network
  EXPECT_TRUE(desktop->Expanded());
  TTreeNode* computer = t.GetMyComputerNode();
  EXPECT_TRUE(computer->Expanded());
  // Drives in the shell's order; the control panel is no file-system folder and gets no node.
  EXPECT_EQ(Children(computer), "3\xBD Floppy (A:),Local Disk (C:),CD Drive (D:)");

  TFolderNode& root = Record(desktop);
  EXPECT_EQ(root.FolderType, ftDesktop);
  EXPECT_EQ(root.Path, "C:\\WINDOWS\\Desktop");
  EXPECT_EQ(t.DesktopPath(), "C:\\WINDOWS\\Desktop");
  EXPECT_FALSE(root.HasParent);
  EXPECT_EQ(root.IdListSize, 0);  // the desktop's list is the terminator alone
  EXPECT_EQ(root.IdList[0] | root.IdList[1], 0);

  TFolderNode& drive = Record(computer->Item(1));
  EXPECT_EQ(drive.FolderType, ftFolder);
  EXPECT_EQ(drive.Path, "C:\\");
  EXPECT_EQ(drive.Name, "Local Disk (C:)");
  EXPECT_TRUE(drive.HasParent);
  std::vector<uint8_t> expected = shell.AbsoluteList(*standard.driveC);  // My Computer + drive
  ASSERT_EQ(drive.IdListSize + 2u, expected.size());
  EXPECT_EQ(std::memcmp(drive.IdList, expected.data(), expected.size()), 0);
  EXPECT_EQ(t.NodeItemIdList(computer->Item(1)), drive.IdList);
  EXPECT_EQ(Record(computer).FolderType, ftMyComputer);
  EXPECT_EQ(Record(computer).Path, "");
  EXPECT_EQ(t.Images(), FakeShell::kSmallImageList);
}

TEST_F(Model, IconsOverlaysAndButtonsComeFromTheShell) {
  FakeItem& shared = shell.Folder(shell.Desktop(), "Shared", win::SFGAO_SHARE);
  shell.Folder(shell.Desktop(), "Link", win::SFGAO_LINK);
  shell.Folder(shell.Desktop(), "Both", win::SFGAO_SHARE | win::SFGAO_LINK);
  shell.Folder(shared, "Inside");
  TKvFolderTree& t = Active();
  TTreeNode* desktop = t.GetDesktopNode();
  EXPECT_EQ(Child(desktop, "Shared")->OverlayIndex(), 0);
  EXPECT_EQ(Child(desktop, "Link")->OverlayIndex(), 1);
  EXPECT_EQ(Child(desktop, "Both")->OverlayIndex(), 0);  // the share wins
  EXPECT_EQ(Child(desktop, "Inside"), nullptr);
  TTreeNode* node = Child(desktop, "Shared");
  EXPECT_EQ(node->ImageIndex(), shared.icon);
  // The attributes asked of the shell do not include SFGAO_FOLDER, so the open-state icon is
  // never looked up: the selected image is the image.
  EXPECT_EQ(node->SelectedIndex(), shared.icon);
  EXPECT_TRUE(node->HasChildren());
  EXPECT_FALSE(Child(desktop, "Link")->HasChildren());
  EXPECT_EQ(Record(node).Path, "C:\\WINDOWS\\Desktop\\Shared");
}

TEST_F(Model, DisplayNamesInEveryFormOfTheShell) {
  FakeItem& wide = shell.Folder(shell.Desktop(), "Wide");
  wide.nameForm = win::STRRET_WSTR;  // the shell's wide strings are freed (allocator balance)
  FakeItem& offset = shell.Folder(shell.Desktop(), "Offset");
  offset.nameForm = win::STRRET_OFFSET;
  FakeItem& noNormal = shell.Folder(shell.Desktop(), "Parsed");
  noNormal.nullWideNormalName = true;
  FakeItem& broken = shell.Folder(shell.Desktop(), "Broken");
  broken.nameForm = 99;
  TKvFolderTree& t = Active();
  TTreeNode* desktop = t.GetDesktopNode();
  ASSERT_NE(Child(desktop, "Wide"), nullptr);
  EXPECT_EQ(Record(Child(desktop, "Wide")).Path, "C:\\WINDOWS\\Desktop\\Wide");
  ASSERT_NE(Child(desktop, "Offset"), nullptr);
  ComPtr<IShellFolder> desktopFolder = t.NodeShellFolder(desktop);
  std::vector<uint8_t> list = shell.AbsoluteList(noNormal);
  // No normal name: the parsing name stands in for it.
  EXPECT_EQ(t.GetPathName(list.data(), win::SHGDN_NORMAL, desktopFolder.get()),
            "C:\\WINDOWS\\Desktop\\Parsed");
  EXPECT_EQ(t.GetPathName(list.data(), win::SHGDN_INFOLDER, desktopFolder.get()), "Parsed");
  TFilePathList names = t.GetLongFilePath(shell.AbsoluteList(broken).data(), nullptr);
  EXPECT_EQ(names.NormalName, "");
  EXPECT_EQ(names.ParsingName, "");
  EXPECT_EQ(names.InFolderName, "");
}

TEST_F(Model, SpecialNodesFollowTheOptions) {
  shell.Folder(shell.Desktop(), "Folder");
  TKvFolderTree& t = Active({foRecycleBin, foNetworkNeighborhood});
  TTreeNode* desktop = t.GetDesktopNode();
  // Not sorted in: appended after the folders.
  EXPECT_EQ(Children(desktop), "My Computer,Folder,Recycle Bin,Network Neighborhood");
  EXPECT_EQ(Record(t.GetBitBucketNode()).FolderType, ftRecycleBin);
  EXPECT_EQ(Record(t.GetBitBucketNode()).Path, "");
  EXPECT_EQ(Record(t.GetNetHoodNode()).Path, "\\\\");

  t.SetFolderOptions({foNetworkNeighborhood});
  EXPECT_EQ(t.GetBitBucketNode(), nullptr);
  t.SetFolderOptions({foNetworkNeighborhood, foRecycleBin});
  t.SetFolderOptions({foNetworkNeighborhood, foRecycleBin});
  EXPECT_EQ(Children(desktop), "My Computer,Folder,Network Neighborhood,Recycle Bin");
  t.SetFolderOptions({});
  EXPECT_EQ(Children(desktop), "My Computer,Folder");
}

TEST_F(Model, VirtualFirstPutsSpecialNodesFirstAndMissingOnesAreLeftOut) {
  shell.Folder(shell.Desktop(), "Folder");
  shell.failingLocations.insert(win::CSIDL_NETWORK);
  TKvFolderTree& t = Active({foRecycleBin, foNetworkNeighborhood, foVirtualFirst});
  EXPECT_EQ(Children(t.GetDesktopNode()), "Recycle Bin,My Computer,Folder");
  EXPECT_EQ(t.GetNetHoodNode(), nullptr);
}

TEST_F(Model, VirtualFirstWithBothSpecialNodesPutsTheLaterCreatedOneFirst) {
  shell.Folder(shell.Desktop(), "Folder");
  TKvFolderTree& t = Active({foRecycleBin, foNetworkNeighborhood, foVirtualFirst});
  TTreeNode* desktop = t.GetDesktopNode();
  // Each special node goes in as the desktop's first child: the network's, made after the Recycle
  // Bin's, stands before it, and both before My Computer.
  EXPECT_EQ(Children(desktop), "Network Neighborhood,Recycle Bin,My Computer,Folder");
  EXPECT_EQ(t.GetNetHoodNode(), desktop->Item(0));
  EXPECT_EQ(t.GetBitBucketNode(), desktop->Item(1));
  // A refresh of the desktop keeps the special nodes in front, in their order, and drops the
  // Recycle Bin until the options are set again, which puts it first.
  FakeItem& another = shell.Folder(shell.Desktop(), "Another");
  shell.Notify(ui, win::SHCNE_MKDIR, &another);
  DeliverNotifications();
  EXPECT_EQ(Children(desktop), "Network Neighborhood,My Computer,Another,Folder");
  t.SetFolderOptions({foRecycleBin, foNetworkNeighborhood, foVirtualFirst});
  EXPECT_EQ(Children(desktop), "Recycle Bin,Network Neighborhood,My Computer,Another,Folder");
  // Without the option a new special node goes last; the nodes already there stay where they are.
  t.SetFolderOptions({foNetworkNeighborhood});
  t.SetFolderOptions({foNetworkNeighborhood, foRecycleBin});
  EXPECT_EQ(Children(desktop), "Network Neighborhood,My Computer,Another,Folder,Recycle Bin");
}

TEST_F(Model, GetPathOfTheSpecialNodesAndTheNetworkIsEmptyBelowTheComputersItIsTheShare) {
  FakeItem& server =
      shell.Item(*standard.netHood, "SERVER", "SERVER", "\\\\SERVER", win::SFGAO_FOLDER);
  shell.Item(server, "public", "public", "\\\\SERVER\\public",
             win::SFGAO_FOLDER | win::SFGAO_FILESYSTEM);
  TKvFolderTree& t = Active({foRecycleBin, foNetworkNeighborhood, foVirtualFirst});
  TTreeNode* bin = t.GetBitBucketNode();
  TTreeNode* hood = t.GetNetHoodNode();
  ASSERT_NE(bin, nullptr);
  ASSERT_NE(hood, nullptr);
  EXPECT_EQ(t.GetPath(bin), "");
  EXPECT_EQ(t.GetPath(hood), "");  // although its record's path is two backslashes
  EXPECT_EQ(Record(hood).Path, "\\\\");
  ASSERT_TRUE(hood->Expand(false));
  TTreeNode* computer = hood->GetFirstChild();
  EXPECT_EQ(t.GetPath(computer), "");
  ASSERT_TRUE(computer->Expand(false));
  EXPECT_EQ(t.GetPath(computer->GetFirstChild()), "\\\\SERVER\\public");
  // Selected, each shows the same path to the host.
  t.SetSelected(bin);
  EXPECT_EQ(t.GetDirectory(), "");
  t.SetSelected(hood);
  EXPECT_EQ(t.GetDirectory(), "");
  // The share's path leads back to its node through the network node.
  EXPECT_EQ(t.FindPath("\\\\server\\PUBLIC", true), computer->GetFirstChild());
}

TEST_F(Model, NodeCreationThatRunsOutOfMemoryLeavesNothingBehind) {
  // Names longer than a string keeps in itself, so that each copy of them allocates.
  FakeItem& server =
      shell.Item(*standard.netHood, "FILESERVER OF THE OFFICE", "FILESERVER OF THE OFFICE",
                 "\\\\FILESERVER OF THE OFFICE", win::SFGAO_FOLDER);
  TKvFolderTree& t = Active({foNetworkNeighborhood});
  ASSERT_TRUE(t.GetNetHoodNode()->Expand(false));
  TTreeNode* c = t.GetMyComputerNode()->Item(1);
  // New items the tree has not read: on the desktop (names as wide strings that the shell hands
  // over), on a drive (below a parent's list) and on the network (a path of its own).
  FakeItem& desk = shell.Folder(shell.Desktop(), "Wide names of a desktop folder");
  desk.nameForm = win::STRRET_WSTR;
  shell.Folder(desk, "Inner");
  FakeItem& onDrive = shell.Folder(*standard.driveC, "Data of the local disk", win::SFGAO_SHARE);
  struct Case {
    FakeItem* item;
    TTreeNode* parent;
  } cases[] = {{&desk, t.GetDesktopNode()}, {&onDrive, c}, {&server, t.GetNetHoodNode()}};
  for (const Case& test : cases) {
    const std::string& caption = test.item->name;
    PIDL item = shell.AllocItem(*test.item);
    const size_t blocks = shell.allocator().LiveBlocks();
    const int nodes = t.Items().Count();
    const int children = test.parent->Count();
    TTreeNode* node = nullptr;
    int failures = 0;
    for (int failing = 1; failing < 10000; ++failing) {
      bool threw = false;
      bool fired = false;
      {
        FailingAllocation failure(failing);
        try {
          node = t.CreateFolderNode(item, test.parent, false);
        } catch (const std::bad_alloc&) {
          threw = true;
        }
        fired = failure.Fired();
      }
      if (!fired)
        break;
      ++failures;
      // Thrown out, or (when the list itself could not be had) no node: either way the tree
      // and the allocator are as they were.
      EXPECT_TRUE(threw || node == nullptr) << caption << ", allocation " << failing;
      EXPECT_EQ(shell.allocator().LiveBlocks(), blocks) << caption << ", allocation " << failing;
      EXPECT_EQ(t.Items().Count(), nodes) << caption << ", allocation " << failing;
      EXPECT_EQ(test.parent->Count(), children) << caption << ", allocation " << failing;
      node = nullptr;
    }
    // The names, the record's list, the item's folder, the node: each allocates.
    EXPECT_GE(failures, 6) << caption;
    ASSERT_NE(node, nullptr) << caption;
    EXPECT_EQ(node->Text(), caption);
    EXPECT_EQ(node->Parent(), test.parent);
    EXPECT_EQ(shell.allocator().LiveBlocks(), blocks + 1) << caption;  // the new record's list
    t.FreePidl(item);
  }
}

TEST_F(Model, NetworkNeighborhoodGivesEveryItemANodeKeepingTheShellsOrder) {
  FakeItem& server =
      shell.Item(*standard.netHood, "Zserver", "Zserver", "\\\\Zserver", win::SFGAO_FOLDER);
  shell.Item(*standard.netHood, "Aserver", "Aserver", "\\\\Aserver", win::SFGAO_FOLDER);
  shell.Item(server, "share2", "share2", "\\\\Zserver\\share2", win::SFGAO_FOLDER);
  shell.Item(server, "Share1", "Share1", "\\\\Zserver\\Share1", win::SFGAO_FOLDER);
  TKvFolderTree& t = Active({foNetworkNeighborhood});
  TTreeNode* hood = t.GetNetHoodNode();
  ASSERT_TRUE(hood->Expand(false));
  EXPECT_EQ(Children(hood), "Zserver,Aserver");
  TTreeNode* z = hood->GetFirstChild();
  EXPECT_EQ(Record(z).FolderType, ftNetNode);
  EXPECT_EQ(Record(z).Path, "\\\\Zserver");
  EXPECT_EQ(t.GetPath(z), "");
  ASSERT_TRUE(z->Expand(false));
  EXPECT_EQ(Children(z), "Share1,share2");  // below the servers: sorted, and virtual items too
  EXPECT_EQ(Record(z->GetFirstChild()).FolderType, ftFolder);
}

TEST_F(Model, DisplayModeRecaptionsFromStoredNamesWithoutChangingLookups) {
  FakeItem& folder = shell.Folder(shell.Desktop(), "MiXed \xC4");
  shell.Folder(folder, "Sub");
  TKvFolderTree& t = Active();
  TTreeNode* node = Child(t.GetDesktopNode(), "MiXed \xC4");
  node->Expand(false);
  t.SetDisplayMode(dmUppercase);
  EXPECT_EQ(node->Text(), "MIXED \xC4");  // only a to z change
  EXPECT_EQ(node->GetFirstChild()->Text(), "SUB");
  EXPECT_EQ(t.GetMyComputerNode()->Item(1)->Text(), "LOCAL DISK (C:)");
  EXPECT_EQ(t.FindPath("c:\\windows\\desktop\\mixed \xC4\\sub", true), node->GetFirstChild());
  t.SetDisplayMode(dmLowercase);
  EXPECT_EQ(node->Text(), "mixed \xC4");
  t.SetDisplayMode(dmAsis);
  EXPECT_EQ(node->Text(), "MiXed \xC4");
  EXPECT_EQ(t.GetDesktopNode()->Text(), "Desktop");
}

TEST_F(Model, ExpansionReadsOnceAndKeepsTheButtonOfAFailedRead) {
  FakeItem& empty = shell.Folder(*standard.driveC, "Empty");
  FakeItem& hidden = shell.Folder(*standard.driveC, "Hidden", win::SFGAO_HIDDEN);
  shell.Item(*standard.driveC, "file.txt", "file.txt", "C:\\file.txt", win::SFGAO_FILESYSTEM);
  empty.attributes |= win::SFGAO_HASSUBFOLDER;  // claims subfolders it does not have
  (void)hidden;
  TKvFolderTree& t = Active();
  TTreeNode* computer = t.GetMyComputerNode();
  TTreeNode* c = computer->Item(1);
  EXPECT_TRUE(c->HasChildren());  // unread: the shell says it has folders
  EXPECT_EQ(c->Count(), 0);
  ASSERT_TRUE(c->Expand(false));
  EXPECT_EQ(Children(c), "Empty,Hidden");  // folders only, hidden ones included
  c->Collapse(false);
  c->Expand(false);
  EXPECT_EQ(standard.driveC->enumerations, 1);  // read once

  TTreeNode* emptyNode = Child(c, "Empty");
  EXPECT_TRUE(emptyNode->HasChildren());
  EXPECT_FALSE(emptyNode->Expand(false));
  EXPECT_FALSE(emptyNode->HasChildren());  // read, nothing found: the button goes

  TTreeNode* d = computer->Item(2);  // no medium: the read fails
  EXPECT_FALSE(d->Expand(false));
  EXPECT_TRUE(d->HasChildren());
  EXPECT_FALSE(d->Expand(false));
  EXPECT_EQ(standard.driveD->enumerations, 2);  // tried again
}

TEST_F(Model, AFolderThatCannotBeBoundRefusesExpansionAndRestoresCursorAndDrawing) {
  FakeItem& locked = shell.Folder(shell.Desktop(), "Locked");
  shell.Folder(locked, "Inner");
  locked.bindFails = true;
  TKvFolderTree& t = Active();
  TTreeNode* node = Child(t.GetDesktopNode(), "Locked");
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(Record(node).ShellFolder.get(), nullptr);
  EXPECT_FALSE(node->Expand(false));
  EXPECT_EQ(application.Screen().Cursor(), crDefault);
  EXPECT_EQ(shell.LockedWindow(), 0u);
  TTreeNode* reading = node;
  EXPECT_THROW(t.AttachFolders(reading), std::exception);
  EXPECT_EQ(application.Screen().Cursor(), crDefault);
  EXPECT_EQ(shell.LockedWindow(), 0u);
}

TEST_F(Model, NodesWithoutAttributesAreVirtualAndGetNoNode) {
  FakeItem& odd = shell.Folder(shell.Desktop(), "Odd");
  odd.attributesFail = true;
  TKvFolderTree& t = Active();
  EXPECT_EQ(Child(t.GetDesktopNode(), "Odd"), nullptr);
  ComPtr<IShellFolder> computer = t.NodeShellFolder(t.GetMyComputerNode());
  PIDL panel = shell.AllocItem(*standard.controlPanel);
  EXPECT_EQ(t.CreateFolderNode(panel, t.GetMyComputerNode(), false), nullptr);
  TTreeNode* forced = t.CreateFolderNode(panel, t.GetMyComputerNode(), true);
  ASSERT_NE(forced, nullptr);
  EXPECT_EQ(forced->Text(), "Control Panel");
  t.FreePidl(panel);
}

TEST_F(Model, OrderingFoldsOnlyAsciiLettersAndPutsSpecialNodesFirst) {
  for (const char* name : {"_under", "Banana", "apple", "9lives", "\xE9t\xE9", "APPLE", "zoo"})
    shell.Folder(*standard.driveC, name);
  shell.Folder(shell.Desktop(), "C");
  shell.Folder(shell.Desktop(), "b");
  TKvFolderTree& t = Active({foRecycleBin});
  TTreeNode* c = t.GetMyComputerNode()->Item(1);
  c->Expand(false);
  // Digits before letters, the underscore after them, bytes from 0x80 after all ASCII; equal
  // captions keep the shell's order.
  EXPECT_EQ(Children(c), "9lives,apple,APPLE,Banana,zoo,_under,\xE9t\xE9");
  TTreeNode* desktop = t.GetDesktopNode();
  EXPECT_EQ(Children(desktop), "My Computer,b,C,Recycle Bin");
  desktop->CustomSort(TKvFolderTree::CustomSortProc, 0);
  EXPECT_EQ(Children(desktop), "My Computer,Recycle Bin,b,C");
}

TEST_F(Model, ExpansionOrdersManyCaptionsAsAStableSortByStrIComp) {
  // Prefixes, names equal but for ASCII case (kept in the shell's order), digits, the underscore
  // and bytes from 0x80, in an order of their own.
  const char* const pieces[] = {"a", "A", "ab", "AB", "_", "0", "9", "\xE9", "\xC9", "z", "Z", " "};
  std::vector<std::string> names;
  for (int i = 0; i < 400; ++i) {
    std::string name;
    for (int at = i * 7 + 3; name.size() < 1 + static_cast<size_t>(i % 4); at = at * 5 + 1)
      name += pieces[at % 12];
    if (std::find(names.begin(), names.end(), name) == names.end())
      names.push_back(name);
  }
  for (const std::string& name : names)
    shell.Folder(*standard.driveC, name);
  TKvFolderTree& t = Active();
  TTreeNode* c = t.GetMyComputerNode()->Item(1);
  ASSERT_TRUE(c->Expand(false));
  std::vector<std::string> expected = names;
  std::stable_sort(
      expected.begin(), expected.end(),
      [](const std::string& a, const std::string& b) { return CompareAsciiNoCase(a, b) < 0; });
  std::vector<std::string> shown;
  for (TTreeNode* child = c->GetFirstChild(); child != nullptr; child = child->getNextSibling())
    shown.push_back(child->Text());
  EXPECT_EQ(shown, expected);
}

TEST_F(Model, CaptionsSharingALongPrefixOrderAsAStableSortByStrIComp) {
  // One prefix shared by every caption, then differences further in than a quick look reaches:
  // captions that are prefixes of others, equal but for case, and differing only at their end.
  const char* const pieces[] = {"x", "X", "_", "5", "\xE9", "x0", "~", " "};
  std::vector<std::string> names;
  for (int i = 0; i < 300; ++i) {
    std::string name = "Shared Prefix ";
    if (i % 3 == 0)
      name += "0123456789";  // a second shared stretch, longer than the quick look
    size_t length = name.size() + 1 + static_cast<size_t>(i % 9);
    for (int at = i * 11 + 5; name.size() < length; at = (at * 7 + 3) % 1009)
      name += pieces[at % 8];
    if (std::find(names.begin(), names.end(), name) == names.end())
      names.push_back(name);
  }
  FakeItem& mixed = shell.Folder(*standard.driveC, "mixed");
  for (const std::string& name : names)
    shell.Folder(mixed, name);
  // The same captions already in order: read as they come.
  std::vector<std::string> expected = names;
  std::stable_sort(
      expected.begin(), expected.end(),
      [](const std::string& a, const std::string& b) { return CompareAsciiNoCase(a, b) < 0; });
  FakeItem& ordered = shell.Folder(*standard.driveC, "ordered");
  for (const std::string& name : expected)
    shell.Folder(ordered, name);

  TKvFolderTree& t = Active();
  for (const char* folder : {"C:\\mixed", "C:\\ordered"}) {
    TTreeNode* node = t.FindPath(folder, false);
    ASSERT_NE(node, nullptr);
    ASSERT_TRUE(node->Expand(false));
    std::vector<std::string> shown;
    for (TTreeNode* child = node->GetFirstChild(); child; child = child->getNextSibling())
      shown.push_back(child->Text());
    EXPECT_EQ(shown, expected) << folder;
    // The sibling links agree backwards.
    std::vector<std::string> backwards;
    for (TTreeNode* child = node->GetLastChild(); child; child = child->getPrevSibling())
      backwards.insert(backwards.begin(), child->Text());
    EXPECT_EQ(backwards, expected) << folder;
  }
}

TEST_F(Model, DisplayModeReachesEveryNodeAfterRefreshesAndRereads) {
  FakeItem& top = shell.Folder(*standard.driveC, "Top");
  for (int i = 0; i < 300; ++i)
    shell.Folder(top, "Sub" + std::to_string(i));
  shell.Folder(shell.Desktop(), "Desk");
  TKvFolderTree& t = Active({foRecycleBin});
  TTreeNode* node = t.FindPath("C:\\Top", false);
  ASSERT_NE(node, nullptr);
  ASSERT_TRUE(node->Expand(false));
  t.FreeChildren(node);  // the records and nodes go; the next read takes their places again
  shell.Folder(top, "Late");
  ASSERT_TRUE(node->Expand(false));
  t.SetDisplayMode(dmLowercase);
  int nodes = 0;
  for (TTreeNode* at = t.GetDesktopNode(); at; at = at->GetNext(), ++nodes)
    EXPECT_EQ(at->Text(), LowerAsciiText(Record(at).Name));
  EXPECT_EQ(nodes, t.Items().Count());
  EXPECT_NE(Child(node, "late"), nullptr);
  EXPECT_EQ(t.GetBitBucketNode()->Text(), "recycle bin");
  t.SetDisplayMode(dmAsis);
  EXPECT_EQ(node->Text(), "Top");
  EXPECT_NE(Child(node, "Sub299"), nullptr);
}

TEST_F(Model, DeletingABranchReleasesEveryRecordAndFreeChildrenKeepsSpecialNodes) {
  FakeItem& a = shell.Folder(*standard.driveC, "a");
  FakeItem& b = shell.Folder(a, "b");
  shell.Folder(b, "c");
  TKvFolderTree& t = Active({foRecycleBin, foNetworkNeighborhood});
  TTreeNode* c = t.FindPath("C:\\a\\b\\c", false);
  ASSERT_NE(c, nullptr);
  size_t before = shell.allocator().LiveBlocks();
  t.GetMyComputerNode()->Item(1)->Delete();               // drive C with three levels below
  EXPECT_EQ(shell.allocator().LiveBlocks(), before - 4);  // four records' lists
  TTreeNode* desktop = t.GetDesktopNode();
  t.FreeChildren(desktop);
  EXPECT_EQ(Children(desktop), "My Computer,Network Neighborhood");
  EXPECT_TRUE(desktop->HasChildren());
}

TEST_F(Model, DesignModeShowsTheDesktopWithoutReadingAndStaysInert) {
  shell.Folder(shell.Desktop(), "Folder");
  form.SetDesigning(true);
  TKvFolderTree& t = Tree();  // activates itself in a designer
  EXPECT_TRUE(t.Active());
  TTreeNode* desktop = t.GetDesktopNode();
  ASSERT_NE(desktop, nullptr);
  EXPECT_EQ(t.TopItem(), desktop);
  EXPECT_TRUE(desktop->HasChildren());
  EXPECT_EQ(shell.Desktop().enumerations, 0);
  EXPECT_TRUE(shell.registrations.empty());
  TTreeNode* computer = t.Items().Item(1);
  ASSERT_NE(computer, nullptr);
  EXPECT_EQ(Children(computer), "3\xBD Floppy (A:),Local Disk (C:),CD Drive (D:)");
  EXPECT_FALSE(computer->Item(1)->Expand(false));  // level 2 never expands
  t.SetSelected(computer->Item(1));
  EXPECT_EQ(t.GetDirectory(), "");
  EXPECT_EQ(t.NodeType(desktop), ftNone);
  EXPECT_EQ(t.NodeItemIdList(desktop), nullptr);
  EXPECT_EQ(t.NodeShellFolder(desktop).get(), nullptr);
}

TEST_F(Model, OwnerMustBeAWindowedControl) {
  TLabel label("Label", &form);
  EXPECT_THROW({ TKvFolderTree t(application, platform, &label); }, EInvalidCast);
  TKvFolderTree orphan(application, platform, nullptr);
  EXPECT_EQ(orphan.Parent(), nullptr);
  EXPECT_FALSE(orphan.Active());
  EXPECT_EQ(orphan.Width(), 180);
  EXPECT_EQ(orphan.Height(), 120);
}

}  // namespace
}  // namespace talvex::testing
