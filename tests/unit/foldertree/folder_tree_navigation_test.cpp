// The folder tree's paths and lookups, drive refresh, change notification, activation, the
// end-of-session query and the design loader.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "foldertree/folder_tree_host.h"
#include "framework/exceptions.h"
#include "platform/process.h"
#include "platform/winconst.h"
#include "tests/unit/foldertree/folder_tree_fixture.h"

namespace talvex::testing {
namespace {

class Navigation : public FolderTreeTest {
 protected:
  Navigation() {
    windows = &shell.Folder(*standard.driveC, "WINDOWS");
    system = &shell.Folder(*windows, "System");
    shell.Folder(*windows, "Fonts");
    shell.Folder(*windows, "Desktop");  // the desktop directory itself, also on its drive
    data = &shell.Folder(*standard.driveC, "Data");
    onDesktop = &shell.Folder(shell.Desktop(), "Projects");
    shell.Folder(*onDesktop, "Old");
  }
  FakeItem* windows;
  FakeItem* system;
  FakeItem* data;
  FakeItem* onDesktop;
};

TEST_F(Navigation, FindPathSplitsDrivesFoldersAndTheDesktopDirectory) {
  TKvFolderTree& t = Active();
  TTreeNode* c = t.GetMyComputerNode()->Item(1);
  t.SetSelected(c);
  EXPECT_EQ(t.FindPath("C:", false), nullptr);  // too short
  EXPECT_EQ(t.Selected(), nullptr);             // and the selection is cleared
  EXPECT_EQ(t.FindPath("C:\\", false), c);
  EXPECT_EQ(t.FindPath("c:", true), nullptr);
  TTreeNode* win = t.FindPath("c:\\windows", false);
  ASSERT_NE(win, nullptr);
  EXPECT_EQ(t.FindPath("c:\\windows\\", false), win);
  EXPECT_EQ(t.GetPath(win), "C:\\WINDOWS");
  EXPECT_EQ(t.GetPath(c), "C:\\");
  // Inside the desktop directory the lookup starts at the desktop node, never at drive C.
  EXPECT_EQ(t.FindPath("C:\\WINDOWS\\Desktop", true), t.GetDesktopNode());
  TTreeNode* old = t.FindPath("c:\\windows\\desktop\\projects\\old", false);
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(old->Parent()->Parent(), t.GetDesktopNode());
  EXPECT_EQ(t.GetPath(t.GetDesktopNode()), "C:\\WINDOWS\\Desktop");
  // No Network Neighborhood node: a network path is not found.
  t.SetSelected(c);
  EXPECT_EQ(t.FindPath("\\\\server\\share", false), nullptr);
  EXPECT_EQ(t.Selected(), nullptr);
  EXPECT_EQ(t.FindPath("Q:\\nowhere", false), nullptr);
  EXPECT_EQ(t.GetPath(t.GetMyComputerNode()), "");
  EXPECT_EQ(t.GetPath(nullptr), "");
}

TEST_F(Navigation, MissingFoldersGiveTheDeepestAncestorOrNilWhenExact) {
  TKvFolderTree& t = Active();
  // Exact lookups never read: nothing below drive C is in the tree yet.
  EXPECT_EQ(t.FindPath("c:\\windows\\system", true), nullptr);
  EXPECT_EQ(standard.driveC->enumerations, 0);
  TTreeNode* found = t.FindPath("c:\\windows\\system\\missing", false);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(t.GetPath(found), "C:\\WINDOWS\\System");
  EXPECT_FALSE(found->Parent()->Expanded());  // read, not opened on screen
  EXPECT_EQ(t.FindPath("c:\\windows\\system\\missing", true), nullptr);
  EXPECT_EQ(t.FindPath("c:\\windows\\system", true), found);
  // Deeper levels compare ASCII-lowered paths: a non-ASCII letter in another case differs.
  shell.Folder(*data, "\xC9t\xE9");
  EXPECT_EQ(t.GetPath(t.FindPath("c:\\data\\\xE9t\xE9", false)), "C:\\Data");
  EXPECT_EQ(t.GetPath(t.FindPath("c:\\DATA\\\xC9T\xE9", false)), "C:\\Data\\\xC9t\xE9");
}

TEST_F(Navigation, FindPathReadsOnlyTheFoldersOnItsWay) {
  FakeItem* level = data;
  std::string path = "C:\\Data";
  for (int i = 0; i < 20; ++i) {
    shell.Folder(*level, "side" + std::to_string(i));
    level = &shell.Folder(*level, "L" + std::to_string(i));
    path += "\\L" + std::to_string(i);
  }
  TKvFolderTree& t = Active();
  TTreeNode* deep = t.FindPath(path, false);
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(t.GetPath(deep), path);
  EXPECT_EQ(windows->enumerations, 0);
  int reads = 0;
  for (FakeItem* item = level; item != standard.myComputer; item = item->parent) {
    reads += item->enumerations;
    EXPECT_LE(item->enumerations, 1);
  }
  EXPECT_EQ(reads, 21);  // drive C, Data and L0 to L18; the last level is not read
}

TEST_F(Navigation, SetDirectorySelectsAndRefreshesTheDriveOfAVanishedFolder) {
  TKvFolderTree& t = Active();
  std::vector<std::string> seen;
  t.OnChange = [&](TObject*, TTreeNode*) { seen.push_back(t.GetDirectory()); };
  TTreeNode* node = t.SetDirectory("c:\\WINDOWS\\fonts");
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(t.Selected(), node);
  EXPECT_EQ(t.GetDirectory(), "C:\\WINDOWS\\Fonts");
  EXPECT_EQ(seen, (std::vector<std::string>{"C:\\WINDOWS\\Fonts"}));
  EXPECT_EQ(t.SetDirectory(""), nullptr);
  EXPECT_EQ(t.GetDirectory(), "");

  // The folder is gone, but the tree still has it: the drive is read afresh.
  t.SetDirectory("c:\\data");
  shell.Remove(*data);
  EXPECT_EQ(t.SetDirectory("c:\\data"), nullptr);
  TTreeNode* c = t.GetMyComputerNode()->Item(1);
  EXPECT_EQ(c->Count(), 0);
  EXPECT_TRUE(c->HasChildren());
  EXPECT_EQ(t.Selected(), c);  // the selection left the deleted nodes
}

TEST_F(Navigation, DoubleClickChecksTheSelectedFolder) {
  TKvFolderTree& t = Active();
  int dblClicks = 0;
  t.OnDblClick = [&](TObject*) { ++dblClicks; };
  TTreeNode* fonts = t.SetDirectory("c:\\windows\\fonts");
  ASSERT_NE(fonts, nullptr);
  shell.Remove(*windows);
  t.Perform(win::WM_LBUTTONDBLCLK);
  EXPECT_EQ(dblClicks, 1);
  // The drive was read afresh; the selection moved to it and the double click opened it.
  TTreeNode* c = t.GetMyComputerNode()->Item(1);
  EXPECT_EQ(t.Selected(), c);
  EXPECT_EQ(Children(c), "Data");
  // A drive root only gets its button back.
  t.SetSelected(t.GetMyComputerNode()->Item(2));
  t.Selected()->SetHasChildren(false);
  t.CheckPath();
  EXPECT_TRUE(t.Selected()->HasChildren());
}

TEST_F(Navigation, DriveChangedFollowsTheShellsNameAndForceRereads) {
  TKvFolderTree& t = Active();
  TTreeNode* c = t.GetMyComputerNode()->Item(1);
  c->Expand(false);
  ASSERT_GT(c->Count(), 0);
  t.DriveChanged(&t, 'c', false);  // same name, not forced: nothing changes
  EXPECT_TRUE(c->Expanded());
  EXPECT_GT(c->Count(), 0);
  t.DriveChanged(&t, 'C', true);
  EXPECT_FALSE(c->Expanded());
  EXPECT_EQ(c->Count(), 0);
  EXPECT_TRUE(c->HasChildren());
  standard.driveC->display = "SYSTEM (C:)";
  t.DriveChanged(&t, 'c', false);
  EXPECT_EQ(c->Text(), "SYSTEM (C:)");
  EXPECT_EQ(Record(c).Name, "Local Disk (C:)");  // the stored name stays
  t.DriveChanged(&t, 'Q', true);                 // no such drive
  EXPECT_EQ(c->Text(), "SYSTEM (C:)");
}

TEST_F(Navigation, DriveChangedPassesOverADriveNodeWithoutPath) {
  FakeItem& odd =
      shell.Item(*standard.myComputer, "Odd", "Odd", "", win::SFGAO_FOLDER | win::SFGAO_FILESYSTEM);
  // Listed before the drives.
  auto& items = standard.myComputer->children;
  std::rotate(items.begin(), items.end() - 1, items.end());
  (void)odd;
  TKvFolderTree& t = Active();
  TTreeNode* computer = t.GetMyComputerNode();
  ASSERT_EQ(computer->GetFirstChild()->Text(), "Odd");
  standard.driveC->display = "New label (C:)";
  t.DriveChanged(&t, 'C', false);
  EXPECT_EQ(computer->Item(2)->Text(), "New label (C:)");
}

TEST_F(Navigation, AForcedRefreshOfADriveThatIsGoneDropsItsFoldersAndMovesTheSelection) {
  TKvFolderTree& t = Active();
  TTreeNode* c = t.GetMyComputerNode()->Item(1);
  TTreeNode* systemNode = t.SetDirectory("c:\\windows\\system");
  ASSERT_NE(systemNode, nullptr);
  ASSERT_EQ(t.FindPath("c:\\data", false)->Parent(), c);
  c->Expand(false);
  std::vector<TTreeNode*> seen;
  t.OnChange = [&](TObject*, TTreeNode* node) { seen.push_back(node); };
  size_t blocks = shell.allocator().LiveBlocks();
  const int nodes = t.Items().Count();

  // The whole drive goes (a disk taken away): its folders are gone and its root no longer parses.
  shell.Remove(*standard.driveC);
  EXPECT_EQ(t.SetDirectory("c:\\windows\\system"), nullptr);
  EXPECT_EQ(c->Count(), 0);  // WINDOWS, System, Fonts, Desktop and Data
  EXPECT_EQ(t.Items().Count(), nodes - 5);
  EXPECT_EQ(shell.allocator().LiveBlocks(), blocks - 5);  // their records' lists
  EXPECT_TRUE(c->HasChildren());
  EXPECT_FALSE(c->Expanded());
  EXPECT_EQ(c->Text(), "Local Disk (C:)");  // no new name to be had: the caption stays
  // The selection left the deleted nodes for the drive, and the host heard of it.
  EXPECT_EQ(t.Selected(), c);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), c);
  EXPECT_EQ(t.GetDirectory(), "C:\\");
  EXPECT_EQ(shell.LockedWindow(), 0u);
}

TEST_F(Navigation, ADoubleClickOnAFolderOfAVanishedDriveLeavesNoStaleNode) {
  TKvFolderTree& t = Active();
  TTreeNode* c = t.GetMyComputerNode()->Item(1);
  ASSERT_NE(t.SetDirectory("c:\\windows\\fonts"), nullptr);
  shell.Remove(*standard.driveC);
  t.Perform(win::WM_LBUTTONDBLCLK);
  EXPECT_EQ(t.Selected(), c);
  EXPECT_EQ(c->Count(), 0);  // and the double click could not read it again
  EXPECT_EQ(t.FindPath("c:\\windows\\fonts", true), nullptr);
  // Without force a drive that cannot be named is left alone: nothing to compare its caption
  // with.
  TTreeNode* a = t.GetMyComputerNode()->Item(0);
  standard.driveA->enumFails = false;  // a medium in it
  shell.Folder(*standard.driveA, "Disk");
  ASSERT_TRUE(a->Expand(false));
  shell.Remove(*standard.driveA);
  t.DriveChanged(&t, 'A', false);
  EXPECT_EQ(Children(a), "Disk");
  EXPECT_TRUE(a->Expanded());
  t.DriveChanged(&t, 'a', true);
  EXPECT_EQ(a->Count(), 0);
  EXPECT_EQ(a->Text(), "3\xBD Floppy (A:)");
}

TEST(FirstDriveLetter, LowestBitAndNoLetterForAnEmptyMask) {
  EXPECT_EQ(TKvFolderTree::GetFirstDriveLetter(0x1), 'A');
  EXPECT_EQ(TKvFolderTree::GetFirstDriveLetter(0x4 | 0x10), 'C');
  EXPECT_EQ(TKvFolderTree::GetFirstDriveLetter(1u << 25), 'Z');
  EXPECT_EQ(TKvFolderTree::GetFirstDriveLetter(0), '\0');
}

TEST_F(Navigation, RegistersForTheWholeNamespaceWithTheNotificationWindow) {
  TKvFolderTree& t = Active();
  ASSERT_EQ(shell.registrations.size(), 1u);
  const FakeRegistration& r = shell.registrations[0];
  EXPECT_EQ(r.window, t.NotifyWindow());
  EXPECT_EQ(r.sources, 0x0003);
  EXPECT_EQ(r.events, 0x00020078);
  EXPECT_EQ(r.message, 0x0402u);
  EXPECT_EQ(r.entry.pidl, nullptr);
  EXPECT_EQ(r.entry.fRecursive, 1);
  EXPECT_NE(t.NotifyHandle(), 0u);
  t.SetActive(true);  // twice: built once
  EXPECT_EQ(shell.registrations.size(), 1u);
  EXPECT_EQ(shell.Desktop().enumerations, 1);
}

TEST_F(Navigation, FolderChangesRefreshTheirParentInPlace) {
  FakeItem& fonts = *windows->children[1];
  shell.Folder(fonts, "Sub");
  TKvFolderTree& t = Active();
  TTreeNode* win = t.FindPath("c:\\windows", false);
  win->Parent()->Expand(false);
  win->Expand(false);
  TTreeNode* fontsNode = Child(win, "Fonts");
  fontsNode->Expand(false);
  ASSERT_TRUE(fontsNode->Expanded());

  FakeItem& added = shell.Folder(*windows, "Cursors");
  shell.Notify(ui, win::SHCNE_MKDIR, &added);
  DeliverNotifications();
  EXPECT_EQ(Children(win), "Cursors,Desktop,Fonts,System");
  EXPECT_TRUE(win->Expanded());
  EXPECT_FALSE(Child(win, "Fonts")->Expanded());  // created anew below the parent

  shell.Notify(ui, static_cast<int32_t>(win::SHCNE_RMDIR | win::SHCNE_INTERRUPT), system);
  shell.Remove(*system);
  DeliverNotifications();
  EXPECT_EQ(Children(win), "Cursors,Desktop,Fonts");

  shell.Notify(ui, win::SHCNE_RENAMEFOLDER, &fonts);
  fonts.name = fonts.display = "Glyphs";
  fonts.parsing = "C:\\WINDOWS\\Glyphs";
  DeliverNotifications();
  EXPECT_EQ(Children(win), "Cursors,Desktop,Glyphs");
}

TEST_F(Navigation, ChangesOutsideTheReadPartChangeNothing) {
  TKvFolderTree& t = Active();
  shell.Notify(ui, win::SHCNE_RMDIR, system);  // drive C was never read
  shell.Remove(*system);
  DeliverNotifications();
  EXPECT_EQ(t.GetMyComputerNode()->Item(1)->Count(), 0);
  EXPECT_EQ(standard.driveC->enumerations, 0);
  shell.Notify(ui, win::SHCNE_MKDIR, nullptr);  // no path at all
  DeliverNotifications();
  EXPECT_EQ(t.GetDesktopNode()->Count(), 2);
}

TEST_F(Navigation, ADesktopFolderChangeRereadsTheDesktopAndDropsTheRecycleBin) {
  TKvFolderTree& t = Active({foRecycleBin, foNetworkNeighborhood});
  TTreeNode* desktop = t.GetDesktopNode();
  EXPECT_EQ(Children(desktop), "My Computer,Projects,Recycle Bin,Network Neighborhood");
  FakeItem& added = shell.Folder(shell.Desktop(), "Archive");
  shell.Notify(ui, win::SHCNE_MKDIR, &added);
  DeliverNotifications();
  EXPECT_EQ(Children(desktop), "My Computer,Network Neighborhood,Archive,Projects");
  EXPECT_TRUE(desktop->Expanded());
  t.SetFolderOptions(t.FolderOptions());
  EXPECT_NE(t.GetBitBucketNode(), nullptr);
}

TEST_F(Navigation, MediaChangesRefreshTheDriveAndPathlessOnesAreIgnored) {
  TKvFolderTree& t = Active();
  TTreeNode* c = t.GetMyComputerNode()->Item(1);
  c->Expand(false);
  shell.Notify(ui, win::SHCNE_MEDIAINSERTED, standard.driveC);  // same name: unchanged
  DeliverNotifications();
  EXPECT_TRUE(c->Expanded());
  standard.driveC->display = "DATA (C:)";
  shell.Notify(ui, win::SHCNE_MEDIAREMOVED, standard.driveC);
  DeliverNotifications();
  EXPECT_EQ(c->Text(), "DATA (C:)");
  EXPECT_EQ(c->Count(), 0);
  // An item with no file-system path names no drive.
  standard.driveA->display = "changed";
  shell.Notify(ui, win::SHCNE_MEDIAINSERTED, standard.controlPanel);
  shell.Notify(ui, win::SHCNE_MEDIAINSERTED, nullptr, standard.driveA);
  DeliverNotifications();
  EXPECT_EQ(t.GetMyComputerNode()->Item(0)->Text(), "3\xBD Floppy (A:)");
}

TEST_F(Navigation, OtherMessagesGoToTheDefaultWindowProcedure) {
  TKvFolderTree& t = Active();
  TMessage message{0x0401, 7, 9, 55};
  t.MessageProc(message);
  EXPECT_EQ(message.Result, 0);
}

TEST_F(Navigation, DeactivationReleasesEverythingAndActivationBuildsAnew) {
  TKvFolderTree& t = Active();
  t.SetDirectory("c:\\windows");
  t.SetActive(false);
  EXPECT_FALSE(t.Active());
  EXPECT_EQ(t.Items().Count(), 0);
  EXPECT_EQ(t.GetDirectory(), "");
  EXPECT_EQ(shell.deregistrations, 1);
  EXPECT_EQ(t.NotifyHandle(), 0u);
  EXPECT_EQ(shell.allocator().LiveBlocks(), 0u);
  t.SetActive(true);
  EXPECT_EQ(shell.Desktop().enumerations, 2);
  EXPECT_EQ(shell.registrations.size(), 2u);
}

TEST_F(Navigation, RegistrationFailuresRaiseAndLeaveTheTreeBuilt) {
  shell.registerFails = true;
  TKvFolderTree& t = Tree();
  try {
    t.SetActive(true);
    ADD_FAILURE() << "no exception";
  } catch (const std::exception& error) {
    EXPECT_STREQ(error.what(), "Could not register SHChangeNotify");
  }
  EXPECT_TRUE(t.Active());
  EXPECT_NE(t.GetMyComputerNode(), nullptr);
  EXPECT_EQ(t.NotifyHandle(), 0u);
}

TEST_F(Navigation, MissingExportsAreAFailedRegistrationNeverACall) {
  for (int missing = 0; missing < 3; ++missing) {
    tree.reset();
    shell.exportsRegister = missing != 0;
    shell.exportsDeregister = missing != 1;
    shell.loadFails = missing == 2;
    shell.registrations.clear();
    if (missing == 1) {
      // Registering works; ending it cannot be called and is skipped.
      Active();
      EXPECT_EQ(shell.registrations.size(), 1u);
      tree.reset();
      EXPECT_EQ(shell.deregistrations, 0);
      continue;
    }
    EXPECT_THROW(Active(), Exception) << missing;
    EXPECT_TRUE(shell.registrations.empty());
    EXPECT_TRUE(tree->Active());
  }
}

TEST_F(Navigation, EndOfSessionQueryAsksTheHostAndItsAnswerStands) {
  TKvFolderTree& t = Active();
  bool allow = false;
  int asked = 0;
  t.SetOnEndSessionQuery([&](TObject* sender, bool& canEnd) {
    EXPECT_EQ(sender, &t);
    EXPECT_TRUE(canEnd);
    ++asked;
    canEnd = allow;
  });
  EXPECT_EQ(t.Perform(win::WM_QUERYENDSESSION), 0);
  EXPECT_EQ(asked, 1);
  EXPECT_NE(t.NotifyHandle(), 0u);
  allow = true;
  EXPECT_EQ(t.Perform(win::WM_QUERYENDSESSION), 1);
  EXPECT_EQ(t.NotifyHandle(), 0u);
  EXPECT_EQ(shell.deregistrations, 1);
  EXPECT_TRUE(t.Active());
  EXPECT_NE(t.GetMyComputerNode(), nullptr);
  t.SetOnEndSessionQuery(nullptr);
  EXPECT_EQ(t.Perform(win::WM_QUERYENDSESSION), 1);
}

// A machine on which Windows has been asked to restart.
class RestartAsked : public HeadlessMachine {
 public:
  uint64_t Now() override { return 0; }
  void Advance(uint64_t) override {}
  void Checkpoint() override {}
  bool TakeRestartRequest() override { return std::exchange(asked, false); }
  bool asked = true;
};

TEST_F(Navigation, TheRestartAsksTheTreeOfAHiddenWindowWhoseVetoKeepsTheProgramRunning) {
  RestartAsked restart;
  std::ostringstream restartBoxes;
  HeadlessUi restartUi(restartBoxes, {}, nullptr, &restart);
  TApplication program(restartUi, "Host");
  TKvFolderTree& t = *program.CreateForm<TFolderTreeForm>(platform)->KvFolderTree;
  t.SetActive(true);
  int asked = 0;
  t.SetOnEndSessionQuery([&](TObject*, bool& canEnd) {
    ++asked;
    canEnd = false;
  });
  program.ProcessMessages();
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(restartBoxes.str(), "");
  EXPECT_NE(t.NotifyHandle(), 0u);

  restart.asked = true;
  t.SetOnEndSessionQuery(nullptr);
  int code = -1;
  try {
    program.ProcessMessages();
  } catch (const ProcessExit& exit) {
    code = exit.code;
  }
  EXPECT_EQ(code, 0) << "Windows did not restart";
  EXPECT_EQ(restartBoxes.str(), "[Windows] restart\n");
  EXPECT_EQ(t.NotifyHandle(), 0u);
  EXPECT_EQ(shell.deregistrations, 1);
  t.SetActive(false);
}

TEST_F(Navigation, TheDesignLoaderCreatesTheRegisteredControl) {
  TComponentRegistry registry;
  Register(registry);
  const TComponentClass* entry = registry.Find("TKvFolderTree");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->palettePage, "Korvane");
  TFolderTreeForm host(application, platform);
  ASSERT_NE(host.KvFolderTree, nullptr);
  EXPECT_EQ(host.KvFolderTree->Indent(), 19);
  EXPECT_FALSE(host.KvFolderTree->Active());
  // Stored properties in order: options, then Active builds the tree while loading.
  host.KvFolderTree->ApplyProperty({"FolderOptions", DesignSet{{"foRecycleBin"}}});
  host.KvFolderTree->ApplyProperty({"Active", true});
  EXPECT_NE(host.KvFolderTree->GetBitBucketNode(), nullptr);
  EXPECT_THROW(host.KvFolderTree->ApplyProperty({"FolderOptions", DesignSet{{"foBogus"}}}),
               EDesignError);
  host.KvFolderTree->SetActive(false);
}

TEST(FolderPathSplit, ComponentsOfDrivesNetworkPathsAndTheDesktop) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitFolderPath("c:\\windows\\system", "c:\\windows\\desktop"),
            (V{"c:", "windows", "system"}));
  EXPECT_EQ(SplitFolderPath("\\\\server\\share", ""), (V{"\\", "server", "share"}));
  EXPECT_EQ(SplitFolderPath("c:\\windows\\desktop\\a", "c:\\windows\\desktop"),
            (V{"c:\\windows\\desktop", "a"}));
  EXPECT_EQ(SplitFolderPath("c:", ""), (V{"c:"}));
  EXPECT_EQ(SplitFolderPath("c:\\a\\\\b", ""), (V{"c:\\a\\", "b"}));
  EXPECT_EQ(LastPathName("c:\\a\\b"), "b");
  EXPECT_EQ(LastPathName("x:"), "");
}

}  // namespace
}  // namespace talvex::testing
