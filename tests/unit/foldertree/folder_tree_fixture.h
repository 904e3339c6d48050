// A folder tree on a shell namespace built by the test, inside a form of a headless application.
// Every test ends with the task allocator balanced: every list and name the shell handed out and
// every list the tree allocated was freed exactly once.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "foldertree/kvfoldertree.h"
#include "framework/application.h"
#include "framework/form.h"
#include "framework/headless/headless_ui.h"
#include "tests/unit/support/fake_shell.h"
#include "tests/unit/support/test_machine.h"

namespace talvex::testing {

class FolderTreeTest : public ::testing::Test {
 protected:
  FolderTreeTest()
      : files(shell),
        platform(MakePlatform()),
        ui(boxes),
        application(ui, "Test"),
        form(application, "Host", "") {
    standard = shell.BuildStandard();
  }

  void TearDown() override {
    tree.reset();
    EXPECT_EQ(shell.allocator().LiveBlocks(), 0u) << "blocks of the task allocator leaked";
    EXPECT_EQ(shell.allocator().BadFrees(), 0u) << "a block was freed twice or was not its own";
    EXPECT_EQ(shell.LockedWindow(), 0u) << "drawing stays suspended";
    EXPECT_EQ(application.Screen().Cursor(), crDefault);
  }

  TKvFolderTree& Tree() {
    if (!tree)
      tree = std::make_unique<TKvFolderTree>(application, platform, &form);
    return *tree;
  }
  TKvFolderTree& Active(SFolderOption options = {}) {
    Tree().SetFolderOptions(options);
    Tree().SetActive(true);
    return *tree;
  }

  // The children's captions, comma-separated.
  static std::string Children(TTreeNode* node) {
    std::string text;
    for (TTreeNode* child = node ? node->GetFirstChild() : nullptr; child;
         child = child->getNextSibling())
      text += (text.empty() ? "" : ",") + child->Text();
    return text;
  }
  TFolderNode& Record(TTreeNode* node) { return *static_cast<TFolderNode*>(node->Data()); }
  TTreeNode* Child(TTreeNode* node, const std::string& caption) {
    for (TTreeNode* child = node->GetFirstChild(); child; child = child->getNextSibling())
      if (child->Text() == caption)
        return child;
    return nullptr;
  }
  void DeliverNotifications() { ui.DispatchPostedMessages(); }

  FakeShell shell;
  FakeFiles files;
  FakeShell::Standard standard{};
  TestMachine machine;
  Platform platform;
  std::ostringstream boxes;
  HeadlessUi ui;
  TApplication application;
  TForm form;
  std::unique_ptr<TKvFolderTree> tree;

 private:
  Platform MakePlatform() {
    Platform& base = machine.Machine().platform();
    return Platform{base.registry,  base.devices, base.newdev, files,
                    base.folders,   base.process, base.errors, base.console,
                    base.processes, base.windows, shell,       base.session};
  }
};

}  // namespace talvex::testing
