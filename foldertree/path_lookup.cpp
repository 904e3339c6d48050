// Paths of nodes and nodes of paths, selecting a folder by its path, and refreshing a drive.
#include <cstring>
#include <memory>
#include <optional>

#include "foldertree/drawing_suspended.h"
#include "foldertree/kvfoldertree.h"
#include "platform/ascii_text.h"
#include "platform/winconst.h"

namespace talvex {

std::string LastPathName(const std::string& path) {
  size_t separator = path.find_last_of("\\:");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::vector<std::string> SplitFolderPath(const std::string& lowerPath,
                                         const std::string& lowerDesktopPath) {
  std::vector<std::string> reversed;
  std::string left = lowerPath;
  while (!left.empty()) {
    std::string component;
    if (left == lowerDesktopPath) {
      component = left;
    } else {
      component = LastPathName(left);
      if (component.empty())
        component = left;
    }
    // Drop the component and the separator before it.
    size_t drop = component.size() + 1;
    left.resize(left.size() > drop ? left.size() - drop : 0);
    reversed.push_back(std::move(component));
  }
  return std::vector<std::string>(reversed.rbegin(), reversed.rend());
}

std::string TKvFolderTree::GetPath(TTreeNode* node) const {
  TFolderNode* record = Record(node);
  if (record == nullptr)
    return std::string();
  switch (record->FolderType) {
    case ftNetworkNeighborhood:
    case ftRecycleBin:
    case ftMyComputer:
    case ftNetNode:
      return std::string();
    default:
      break;
  }
  if (record->Path.size() == 1 || record->Path.size() == 2)
    return record->Path + "\\";
  return record->Path;
}

std::string TKvFolderTree::GetDirectory() const {
  if (Designing())
    return std::string();
  return GetPath(Selected());
}

TTreeNode* TKvFolderTree::FindPath(const std::string& path, bool exact) {
  std::string lower = LowerAsciiText(path);
  if (lower.size() < 3) {
    SetSelected(nullptr);
    return nullptr;
  }
  if (lower.back() == '\\')
    lower.pop_back();
  std::vector<std::string> components = SplitFolderPath(lower, LowerAsciiText(FDesktopPath));
  TTreeNode* desktop = GetDesktopNode();
  if (desktop == nullptr || components.empty()) {
    SetSelected(nullptr);
    return nullptr;
  }

  const std::string& first = components.front();
  TTreeNode* start = nullptr;
  if (first == LowerAsciiText(Record(desktop)->Path)) {
    start = desktop;
  } else if (first == "\\") {
    start = GetNetHoodNode();
  } else if (TTreeNode* myComputer = GetMyComputerNode()) {
    if (myComputer->Count() == 0)
      myComputer->Expand(false);
    start = myComputer->GetFirstChild();
  }
  TTreeNode* found = nullptr;
  for (TTreeNode* node = start; node != nullptr; node = node->getNextSibling()) {
    TFolderNode* record = Record(node);
    if (record == nullptr)
      continue;
    std::string candidate = record->Path;
    if (!candidate.empty() && candidate.back() == '\\')
      candidate.pop_back();
    if (platform_.shell.CompareStringA(win::LOCALE_USER_DEFAULT, win::NORM_IGNORECASE,
                                       candidate.c_str(), -1, first.c_str(),
                                       -1) == win::CSTR_EQUAL) {
      found = node;
      break;
    }
  }
  if (found == nullptr) {
    SetSelected(nullptr);
    return nullptr;
  }

  std::string accumulated = first;
  for (size_t i = 1; i < components.size(); ++i) {
    if (found->Count() == 0 && !exact) {
      TTreeNode* reading = found;
      AttachFolders(reading);
    }
    accumulated += "\\" + components[i];
    TTreeNode* match = nullptr;
    for (TTreeNode* child = found->GetFirstChild(); child != nullptr;
         child = child->getNextSibling()) {
      TFolderNode* record = Record(child);
      if (record != nullptr && LowerAsciiText(record->Path) == accumulated) {
        match = child;
        break;
      }
    }
    if (match == nullptr)
      return exact ? nullptr : found;
    found = match;
  }
  return found;
}

TTreeNode* TKvFolderTree::SetDirectory(const std::string& path) {
  TTreeNode* node = path.empty() ? nullptr : FindPath(path, false);
  SetSelected(node);
  TFolderNode* record = Record(node);
  if (record != nullptr && record->Path.size() > 3 &&
      platform_.files.GetFileAttributesA(record->Path) == win::INVALID_FILE_ATTRIBUTES) {
    CheckPath();
    return nullptr;
  }
  return node;
}

void TKvFolderTree::CheckPath() {
  TFolderNode* record = Record(Selected());
  if (record == nullptr)
    return;
  if (record->Path.size() <= 3 || record->Path[0] == '\\') {
    Selected()->SetHasChildren(true);
    return;
  }
  if (platform_.files.GetFileAttributesA(record->Path) == win::INVALID_FILE_ATTRIBUTES)
    DriveChanged(this, record->Path[0], true);
}

void TKvFolderTree::TFolderTreeDblClick(TMessage& message) {
  CheckPath();
  DefaultHandler(message);
}

void TKvFolderTree::DriveChanged(TObject*, char drive, bool force) {
  try {
    TTreeNode* myComputer = GetMyComputerNode();
    if (myComputer == nullptr)
      return;
    TTreeNode* node = myComputer->GetFirstChild();
    for (; node != nullptr; node = node->getNextSibling()) {
      TFolderNode* record = Record(node);
      // A node without a path names no drive; look on.
      if (record != nullptr && !record->Path.empty() &&
          UpperAscii(record->Path[0]) == UpperAscii(drive))
        break;
    }
    if (node == nullptr)
      return;
    // The drive's name as the shell gives it now. A root that no longer parses (the drive is
    // gone) gives none: there is nothing to compare the caption with.
    std::optional<std::string> normalName;
    TFolderNode* computer = Record(myComputer);
    if (computer->ShellFolder) {
      const char16_t root[4] = {static_cast<char16_t>(static_cast<unsigned char>(drive)), u':',
                                u'\\', 0};
      PIDL list = nullptr;
      computer->ShellFolder->ParseDisplayName(ParentWindow(), root, nullptr, &list, nullptr);
      if (list != nullptr) {
        auto freeList = [this](PIDL unused) { FreePidl(unused); };
        std::unique_ptr<uint8_t, decltype(freeList)> owned(list, freeList);
        normalName = GetLongFilePath(list, computer->ShellFolder.get()).NormalName;
      }
    }
    if (!force && (!normalName || node->Text() == *normalName))
      return;
    // A forced refresh drops the drive's folder nodes whether or not the drive can still be
    // named, so that no node of a folder that is gone stays in the tree (or selected).
    {
      DrawingSuspended suspended(platform_.shell, Handle());
      FreeChildren(node);
      node->Collapse(true);
    }
    if (normalName)
      node->SetText(*normalName);
  } catch (const std::exception&) {
    // The tree stays as it is at this point.
  }
}

char TKvFolderTree::GetFirstDriveLetter(uint32_t mask) {
  for (int bit = 0; bit < 26; ++bit)
    if ((mask & (1u << bit)) != 0)
      return static_cast<char>('A' + bit);
  return 0;
}

}  // namespace talvex
