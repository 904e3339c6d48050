#include "foldertree/folder_tree_host.h"

namespace talvex {

const char kHostUsage[] =
    "usage: FolderTree [--options <letters n r v>] [--mode asis|upper|lower] [--expand <path>]\n"
    "       [--select <path>] [--find <path>] [--find-exact <path>] [--screenshot-and-exit]\n";

HostCommandLine ParseHostCommandLine(const std::vector<std::string>& arguments) {
  HostCommandLine line;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    if (option == "--screenshot-and-exit") {
      line.screenshotAndExit = true;
      continue;
    }
    if (option != "--options" && option != "--mode" && option != "--expand" &&
        option != "--select" && option != "--find" && option != "--find-exact")
      throw EHostUsage("unknown argument " + option);
    if (i + 1 >= arguments.size())
      throw EHostUsage(option + " needs a value");
    const std::string& value = arguments[++i];
    if (option == "--options" && value.find_first_not_of("nrv") != std::string::npos)
      throw EHostUsage("--options takes the letters n, r and v");
    if (option == "--mode" && value != "asis" && value != "upper" && value != "lower")
      throw EHostUsage("--mode is asis, upper or lower");
    line.arguments.push_back(HostArgument{option, value});
  }
  return line;
}

TFolderTreeForm::TFolderTreeForm(TApplication& application, Platform& platform)
    : TForm(application, "FolderTreeForm", "FolderTree.design") {
  application.SetPlatformServices(&platform);
  Register(application.Components());
  BindControl("KvFolderTree", KvFolderTree);
  LoadDesign();
}

namespace {

SFolderOption OptionsOf(const std::string& letters) {
  SFolderOption options;
  for (char letter : letters) {
    if (letter == 'n')
      options.Include(foNetworkNeighborhood);
    else if (letter == 'r')
      options.Include(foRecycleBin);
    else if (letter == 'v')
      options.Include(foVirtualFirst);
  }
  return options;
}

TDisplayMode ModeOf(const std::string& mode) {
  if (mode == "upper")
    return dmUppercase;
  if (mode == "lower")
    return dmLowercase;
  return dmAsis;
}

void PrintFound(TKvFolderTree& tree, TTreeNode* node, std::ostream& out) {
  out << (node == nullptr ? std::string("nil") : tree.GetPath(node)) << "\n";
}

}  // namespace

namespace {

// A failed change registration leaves the tree built: it is reported and the host goes on.
void Activate(TKvFolderTree& tree, const std::function<void(const std::exception&)>& showError) {
  try {
    tree.SetActive(true);
  } catch (const std::exception& error) {
    showError(error);
  }
}

void ApplyHostArgument(TKvFolderTree& tree, const HostArgument& argument, std::ostream& out,
                       const std::function<void(const std::exception&)>& showError) {
  {
    if (argument.option == "--options") {
      tree.SetFolderOptions(OptionsOf(argument.value));
      return;
    }
    if (argument.option == "--mode") {
      tree.SetDisplayMode(ModeOf(argument.value));
      return;
    }
    Activate(tree, showError);
    if (argument.option == "--expand") {
      // The node and every folder above it open, as a user would open them to reach it.
      TTreeNode* node = tree.FindPath(argument.value, false);
      std::vector<TTreeNode*> chain;
      for (; node != nullptr; node = node->Parent())
        chain.push_back(node);
      for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        (*it)->Expand(false);
    } else if (argument.option == "--select") {
      tree.SetDirectory(argument.value);
    } else if (argument.option == "--find") {
      PrintFound(tree, tree.FindPath(argument.value, false), out);
    } else if (argument.option == "--find-exact") {
      PrintFound(tree, tree.FindPath(argument.value, true), out);
    }
  }
}

}  // namespace

void ApplyHostArguments(TKvFolderTree& tree, const std::vector<HostArgument>& arguments,
                        std::ostream& out,
                        const std::function<void(const std::exception&)>& showError) {
  for (const HostArgument& argument : arguments) {
    try {
      ApplyHostArgument(tree, argument, out, showError);
    } catch (const std::exception& error) {
      showError(error);
    }
  }
  Activate(tree, showError);
}

std::string TreeText(TKvFolderTree& tree) {
  std::string text;
  for (TTreeNode* node = tree.Items().GetFirstNode(); node != nullptr; node = node->GetNext()) {
    text.append(static_cast<size_t>(node->Level()) * 2, ' ');
    text += node->Text();
    if (node->HasChildren() && node->Count() == 0)
      text += " [+]";
    if (node->Selected())
      text += " *";
    text += "\n";
  }
  text += "directory: " + tree.GetDirectory() + "\n";
  return text;
}

}  // namespace talvex
