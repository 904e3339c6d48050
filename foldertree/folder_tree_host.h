// The host program of the folder tree: one window holding the control, the command-line arguments
// that drive it (applied in order), and the text form of the tree that the native host prints.
#pragma once

#include <exception>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "foldertree/kvfoldertree.h"
#include "framework/form.h"

namespace talvex {

struct HostArgument {
  std::string option;  // "--options", "--mode", "--expand", "--select", "--find", "--find-exact"
  std::string value;
};

struct HostCommandLine {
  std::vector<HostArgument> arguments;
  bool screenshotAndExit = false;
};

class EHostUsage : public std::runtime_error {
 public:
  explicit EHostUsage(const std::string& what) : std::runtime_error(what) {}
};

// Throws EHostUsage for an unknown option, a missing value or an unknown letter or mode.
HostCommandLine ParseHostCommandLine(const std::vector<std::string>& arguments);
extern const char kHostUsage[];

// The window: the control fills it. Registers the control's class and loads FolderTree.design.
class TFolderTreeForm : public TForm {
 public:
  TFolderTreeForm(TApplication& application, Platform& platform);
  TKvFolderTree* KvFolderTree = nullptr;
};

// Applies the arguments in order. The tree is activated before the first argument that needs its
// nodes (and at the end at the latest), so --options and --mode given first act before it.
// --find and --find-exact print the found node's path or "nil" on out. An exception raised by one
// argument (a failed change registration) goes to showError, and the next argument follows.
void ApplyHostArguments(TKvFolderTree& tree, const std::vector<HostArgument>& arguments,
                        std::ostream& out,
                        const std::function<void(const std::exception&)>& showError);

// One line per node in display order: two spaces per level, the caption, " [+]" for an expand
// button over no child nodes, " *" on the selected node; then "directory: <GetDirectory>".
std::string TreeText(TKvFolderTree& tree);

}  // namespace talvex
