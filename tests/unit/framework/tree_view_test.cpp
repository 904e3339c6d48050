// The framework's tree view: node collection, expansion, deletion, selection and sorting.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "framework/headless/headless_ui.h"
#include "framework/tree_view.h"
#include "platform/ascii_text.h"

namespace talvex {
namespace {

std::string Captions(TTreeNode* first) {
  std::string text;
  for (TTreeNode* node = first; node != nullptr; node = node->getNextSibling())
    text += node->Text() + ",";
  return text;
}

TEST(TreeViewTest, InsertsFirstAndLastAndWalksInDisplayOrder) {
  TCustomTreeView tree("Tree", nullptr);
  TTreeNodes& items = tree.Items();
  TTreeNode* root = items.AddChildObject(nullptr, "root", nullptr);
  TTreeNode* b = items.AddChildObject(root, "b", nullptr);
  items.AddChildObjectFirst(root, "a", nullptr);
  items.AddChildObject(b, "b1", nullptr);
  items.AddChildObject(root, "c", nullptr);
  TTreeNode* top = items.AddObjectFirst(root, "top", nullptr);
  EXPECT_TRUE(root->HasChildren());  // a child gives the parent its button
  EXPECT_EQ(items.Count(), 6);
  EXPECT_EQ(items.GetFirstNode(), top);
  std::string order;
  for (TTreeNode* node = items.GetFirstNode(); node; node = node->GetNext())
    order += node->Text() + "/" + std::to_string(node->Level()) + " ";
  EXPECT_EQ(order, "top/0 root/0 a/1 b/1 b1/2 c/1 ");
  EXPECT_EQ(items.Item(4)->Text(), "b1");
  EXPECT_EQ(items.Item(6), nullptr);
  EXPECT_EQ(root->Item(2)->Text(), "c");
  EXPECT_EQ(root->Item(2)->Index(), 2);
}

TEST(TreeViewTest, DeletionFiresForEveryDescendantAndMovesTheSelection) {
  TCustomTreeView tree("Tree", nullptr);
  TTreeNodes& items = tree.Items();
  TTreeNode* root = items.AddChildObject(nullptr, "root", nullptr);
  TTreeNode* a = items.AddChildObject(root, "a", nullptr);
  TTreeNode* a1 = items.AddChildObject(a, "a1", nullptr);
  items.AddChildObject(a1, "a11", nullptr);
  TTreeNode* b = items.AddChildObject(root, "b", nullptr);
  std::vector<std::string> deleted;
  std::vector<std::string> changes;
  tree.OnDeletion = [&](TObject*, TTreeNode* node) { deleted.push_back(node->Text()); };
  tree.OnChange = [&](TObject*, TTreeNode* node) {
    changes.push_back(node ? node->Text() : "nil");
  };
  tree.SetSelected(a1);
  a->Delete();
  EXPECT_EQ(deleted, (std::vector<std::string>{"a11", "a1", "a"}));
  // The selection leaves the branch before it goes: to the next sibling.
  EXPECT_EQ(changes, (std::vector<std::string>{"a1", "b"}));
  EXPECT_EQ(tree.Selected(), b);
  EXPECT_EQ(items.Count(), 2);
  b->Delete();
  EXPECT_EQ(tree.Selected(), root);  // no sibling left: the parent
  EXPECT_TRUE(root->HasChildren());  // the flag stays until the owner clears it
  items.Clear();
  EXPECT_EQ(tree.Selected(), nullptr);
  EXPECT_EQ(items.Count(), 0);
}

TEST(TreeViewTest, ExpandingAsksTheEventAndNeedsChildren) {
  TCustomTreeView tree("Tree", nullptr);
  TTreeNode* root = tree.Items().AddChildObject(nullptr, "root", nullptr);
  root->SetHasChildren(true);
  int asked = 0;
  bool allow = false;
  bool addChild = false;
  tree.OnExpanding = [&](TObject*, TTreeNode* node, bool& allowExpansion) {
    ++asked;
    if (addChild)
      tree.Items().AddChildObject(node, "child", nullptr);
    allowExpansion = allow;
  };
  EXPECT_FALSE(root->Expand(false));  // refused
  allow = true;
  EXPECT_FALSE(root->Expand(false));  // allowed, but nothing to show
  EXPECT_FALSE(root->Expanded());
  addChild = true;
  EXPECT_TRUE(root->Expand(false));
  EXPECT_TRUE(root->Expanded());
  EXPECT_EQ(asked, 3);
  EXPECT_TRUE(root->Expand(false));  // already open: not asked again
  EXPECT_EQ(asked, 3);

  // Collapsing a branch that holds the selection moves the selection up, as the tree window does.
  TTreeNode* child = root->GetFirstChild();
  tree.SetSelected(child);
  root->Collapse(true);
  EXPECT_FALSE(root->Expanded());
  EXPECT_EQ(tree.Selected(), root);

  // A node without children or button never asks.
  TTreeNode* leaf = tree.Items().AddChildObject(nullptr, "leaf", nullptr);
  EXPECT_FALSE(leaf->Expand(false));
  EXPECT_EQ(asked, 3);
}

// Every node once, whatever was deleted before: the walk over the node storage must agree with
// the walk through the tree, also across several storage blocks and reused places.
std::multiset<std::string> EveryNodeByStorage(const TTreeNodes& items) {
  std::multiset<std::string> seen;
  items.ForEachNode([&seen](TTreeNode& node) { seen.insert(node.Text()); });
  return seen;
}
std::multiset<std::string> EveryNodeByWalk(const TTreeNodes& items) {
  std::multiset<std::string> seen;
  for (TTreeNode* node = items.GetFirstNode(); node; node = node->GetNext())
    seen.insert(node->Text());
  return seen;
}

TEST(TreeViewTest, EveryNodeIsVisitedOnceAcrossDeletionsAndReuse) {
  TCustomTreeView tree("Tree", nullptr);
  TTreeNodes& items = tree.Items();
  int deleted = 0;
  tree.OnDeletion = [&deleted](TObject*, TTreeNode*) { ++deleted; };
  TTreeNode* root = items.AddChildObject(nullptr, "root", nullptr);
  std::vector<TTreeNode*> branches;
  for (int b = 0; b < 3; ++b) {
    branches.push_back(items.AddChildObject(root, "branch" + std::to_string(b), nullptr));
    for (int i = 0; i < 400; ++i)  // more than one storage block per branch
      items.AddChildObject(branches.back(), std::to_string(b) + "/" + std::to_string(i), nullptr);
  }
  EXPECT_EQ(EveryNodeByStorage(items).size(), 1204u);

  branches[1]->Delete();  // a hole in the middle of the storage
  branches[0]->Item(7)->Delete();
  EXPECT_EQ(deleted, 402);
  EXPECT_EQ(EveryNodeByStorage(items), EveryNodeByWalk(items));
  for (int i = 0; i < 500; ++i)  // reuses the freed places, then grows
    items.AddChildObject(root, "new" + std::to_string(i), nullptr);
  EXPECT_EQ(EveryNodeByStorage(items), EveryNodeByWalk(items));
  EXPECT_EQ(static_cast<int>(EveryNodeByStorage(items).size()), items.Count());

  items.Clear();
  EXPECT_TRUE(EveryNodeByStorage(items).empty());
  items.AddChildObject(nullptr, "again", nullptr);
  EXPECT_EQ(EveryNodeByStorage(items), std::multiset<std::string>{"again"});
}

int TALVEX_STDCALL ByLength(TTreeNode* a, TTreeNode* b, std::intptr_t data) {
  EXPECT_EQ(data, 42);
  return static_cast<int>(a->Text().size()) - static_cast<int>(b->Text().size());
}

TEST(TreeViewTest, CustomSortIsStableAndKeepsLinksConsistent) {
  TCustomTreeView tree("Tree", nullptr);
  TTreeNode* root = tree.Items().AddChildObject(nullptr, "root", nullptr);
  for (const char* text : {"ccc", "a", "bb", "b", "aa"})
    tree.Items().AddChildObject(root, text, nullptr);
  root->CustomSort(ByLength, 42);
  EXPECT_EQ(Captions(root->GetFirstChild()), "a,b,bb,aa,ccc,");
  // Backwards through the sibling links gives the same order reversed.
  std::string backwards;
  for (TTreeNode* node = root->GetLastChild(); node; node = node->getPrevSibling())
    backwards += node->Text() + ",";
  EXPECT_EQ(backwards, "ccc,aa,bb,b,a,");
  root->AlphaSort();
  EXPECT_EQ(Captions(root->GetFirstChild()), "a,aa,b,bb,ccc,");
}

TEST(TreeViewTest, DoubleClickTogglesTheSelectedNodeAndHandlersReplaceDefaults) {
  TCustomTreeView tree("Tree", nullptr);
  TTreeNode* root = tree.Items().AddChildObject(nullptr, "root", nullptr);
  tree.Items().AddChildObject(root, "child", nullptr);
  tree.SetSelected(root);
  int clicks = 0;
  tree.OnDblClick = [&](TObject*) { ++clicks; };
  tree.Perform(kWmLButtonDblClk);
  EXPECT_TRUE(root->Expanded());
  tree.Perform(kWmLButtonDblClk);
  EXPECT_FALSE(root->Expanded());
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(tree.Perform(kWmQueryEndSession), 1);
}

TEST(HeadlessUtilityWindowTest, PostedMessagesWaitForDispatchAndDieWithTheirWindow) {
  std::ostringstream boxes;
  HeadlessUi ui(boxes);
  std::vector<uint32_t> seen;
  WindowHandle window = ui.AllocateHWnd([&](TMessage& message) { seen.push_back(message.Msg); });
  ASSERT_NE(window, 0u);
  EXPECT_TRUE(ui.PostMessageA(window, 0x402, 0, 0));
  EXPECT_TRUE(ui.PostMessageA(window, 0x403, 0, 0));
  EXPECT_TRUE(seen.empty());
  EXPECT_TRUE(ui.DispatchPostedMessages());
  EXPECT_EQ(seen, (std::vector<uint32_t>{0x402, 0x403}));
  EXPECT_TRUE(ui.PostMessageA(window, 0x404, 0, 0));
  ui.DeallocateHWnd(window);
  EXPECT_FALSE(ui.DispatchPostedMessages());  // its window is gone
  EXPECT_FALSE(ui.PostMessageA(window, 0x405, 0, 0));
  EXPECT_EQ(seen.size(), 2u);
}

TEST(AsciiTextTest, CaseFoldedCompareOrdersBytesAfterRaisingLetters) {
  EXPECT_LT(CompareAsciiNoCase("apple", "Banana"), 0);
  EXPECT_EQ(CompareAsciiNoCase("Folder", "fOLDER"), 0);
  EXPECT_LT(CompareAsciiNoCase("9", "A"), 0);            // digits before letters
  EXPECT_GT(CompareAsciiNoCase("_x", "Z"), 0);           // underscore after the letters
  EXPECT_GT(CompareAsciiNoCase("\xE9t\xE9", "zzz"), 0);  // non-ASCII after all ASCII
  EXPECT_LT(CompareAsciiNoCase("ab", "abc"), 0);
  EXPECT_EQ(CompareAsciiNoCase("a", "A"), 0);
  EXPECT_EQ(CompareAsciiNoCase("x", "y"), 'X' - 'Y');  // the difference of the first pair
}

}  // namespace
}  // namespace talvex
