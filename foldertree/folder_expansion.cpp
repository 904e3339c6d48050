// Building the desktop, reading a folder's children on its first expansion, their order, and the
// release of nodes and item ID lists.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "foldertree/drawing_suspended.h"
#include "foldertree/kvfoldertree.h"
#include "framework/exceptions.h"
#include "platform/ascii_text.h"
#include "platform/winconst.h"

namespace talvex {

namespace {

constexpr uint32_t kEnumFlags = win::SHCONTF_FOLDERS | win::SHCONTF_INCLUDEHIDDEN;  // 0xA0

bool IsSpecial(TFolderType type) {
  return type == ftNetworkNeighborhood || type == ftRecycleBin || type == ftMyComputer;
}

// The busy cursor for as long as it lives, the default one afterwards.
class BusyCursor {
 public:
  explicit BusyCursor(TScreen& screen) : screen_(screen) { screen_.SetCursor(crHourGlass); }
  ~BusyCursor() { screen_.SetCursor(crDefault); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  TScreen& screen_;
};

// The sign of CompareAsciiNoCase for two captions already raised to upper case: unsigned bytes,
// the end of a caption counting as a NUL byte.
int CompareRaisedCaptions(const char* a, size_t aLength, const char* b, size_t bLength) {
  size_t common = aLength < bLength ? aLength : bLength;
  if (int difference = std::memcmp(a, b, common); difference != 0)
    return difference;
  if (aLength == bLength)
    return 0;
  return aLength < bLength ? -static_cast<unsigned char>(b[common])
                           : static_cast<unsigned char>(a[common]);
}

}  // namespace

void TKvFolderTree::ShowDesktop() {
  DrawingSuspended suspended(platform_.shell, Handle());
  TPathInfo desktopInfo = fGetSpecialFolder(win::CSIDL_DESKTOP);
  FDesktopPath = desktopInfo.Path;
  if (desktopInfo.IdList == nullptr)
    return;  // no desktop, no tree
  TTreeNode* root = CreateFolderNode(desktopInfo.IdList, nullptr, true);
  if (root == nullptr) {
    FreePidl(desktopInfo.IdList);
    return;
  }
  TFolderNode* rootRecord = Record(root);
  std::string caption =
      GetLongFilePath(desktopInfo.IdList, rootRecord->ShellFolder.get()).NormalName;
  FreePidl(desktopInfo.IdList);
  root->SetText(caption);
  rootRecord->Path = FDesktopPath;
  rootRecord->Name = caption;
  rootRecord->FolderType = ftDesktop;

  TPathInfo drives = fGetSpecialFolder(win::CSIDL_DRIVES);
  TTreeNode* myComputer = nullptr;
  if (drives.IdList != nullptr) {
    myComputer = CreateFolderNode(drives.IdList, root, true);
    std::string name = GetLongFilePath(drives.IdList, rootRecord->ShellFolder.get()).NormalName;
    FreePidl(drives.IdList);
    if (myComputer != nullptr) {
      myComputer->SetText(name);
      TFolderNode* record = Record(myComputer);
      record->Path.clear();
      record->Name = name;
      record->FolderType = ftMyComputer;
    }
  }

  if (Designing()) {
    root->SetHasChildren(true);
  } else {
    TTreeNode* node = root;
    AttachFolders(node);
    root->SetHasChildren(root->GetFirstChild() != nullptr);
  }
  root->Expand(false);
  if (myComputer != nullptr)
    myComputer->Expand(false);
}

void TKvFolderTree::TFolderTreeExpanding(TObject*, TTreeNode* node, bool& allowExpansion) {
  if (Designing() && node->Level() >= 2) {
    allowExpansion = false;
    return;
  }
  try {
    if (node->Count() > 0) {
      allowExpansion = true;
      return;
    }
    DrawingSuspended suspended(platform_.shell, Handle());
    allowExpansion = AttachFolders(node);
  } catch (const std::exception&) {
    allowExpansion = false;
  }
}

bool TKvFolderTree::AttachFolders(TTreeNode*& node) {
  // Cursor and drawing come back however the reading ends.
  BusyCursor busy(application_.Screen());
  DrawingSuspended suspended(platform_.shell, Handle());
  bool result = false;
  bool hasChildren = true;
  TFolderNode* record = Record(node);
  if (record == nullptr || !record->ShellFolder)
    throw Exception("The folder " + (record ? record->Path : std::string()) + " cannot be read");
  ComPtr<IEnumIDList> enumerator;
  if (record->ShellFolder->EnumObjects(ParentWindow(), kEnumFlags, &enumerator) == win::S_OK &&
      enumerator) {
    hasChildren = false;
    enumerator->Reset();
    Items().BeginUpdate();
    PIDL item = nullptr;
    while (enumerator->Next(1, &item, nullptr) == win::S_OK) {
      TTreeNode* child = nullptr;
      try {
        child = CreateFolderNode(item, node, false);
      } catch (...) {
        FreePidl(item);
        Items().EndUpdate();
        throw;
      }
      FreePidl(item);
      item = nullptr;
      if (child != nullptr) {
        hasChildren = true;
        result = true;
      }
    }
    Items().EndUpdate();
  }
  node->SetHasChildren(hasChildren);
  if (record->FolderType != ftNetworkNeighborhood && record->FolderType != ftMyComputer &&
      hasChildren)
    SortChildren(node);
  return result;
}

void TKvFolderTree::SortChildren(TTreeNode* node) {
  if (node->Count() < 2)
    return;
  // The keys CustomSortProc compares, gathered side by side: the captions raised to upper case in
  // one buffer, so that a comparison looks at that buffer instead of two nodes and their records.
  // Each entry also carries the eight key bytes that follow the prefix all captions share, as one
  // number, so that most comparisons are a compare of two numbers; equal numbers fall back to the
  // whole captions, and equal captions to the order of enumeration, which keeps the sort stable.
  struct Entry {
    uint64_t head;
    uint32_t offset;
    uint32_t length;
    uint32_t index;
    uint32_t special;
  };
  std::vector<TTreeNode*> children;
  children.reserve(static_cast<size_t>(node->Count()));
  std::vector<Entry> entries;
  entries.reserve(static_cast<size_t>(node->Count()));
  std::string keys;
  for (TTreeNode* child = node->GetFirstChild(); child != nullptr;
       child = child->getNextSibling()) {
    TFolderNode* record = Record(child);
    bool special = record != nullptr && IsSpecial(record->FolderType);
    size_t offset = keys.size();
    if (!special) {
      keys += child->Text();
      for (size_t i = offset; i < keys.size(); ++i)
        keys[i] = UpperAscii(keys[i]);
    }
    entries.push_back(Entry{0, static_cast<uint32_t>(offset),
                            static_cast<uint32_t>(keys.size() - offset),
                            static_cast<uint32_t>(children.size()), special ? 1u : 0u});
    children.push_back(child);
  }
  if (keys.size() > UINT32_MAX) {
    node->CustomSort(CustomSortProc, 0);  // offsets would not fit: the plain comparison
    return;
  }
  const char* text = keys.data();

  const Entry* first = nullptr;
  size_t shared = 0;
  for (const Entry& entry : entries) {
    if (entry.special != 0)
      continue;
    if (first == nullptr) {
      first = &entry;
      shared = entry.length;
      continue;
    }
    size_t limit = std::min<size_t>(shared, entry.length);
    size_t same = 0;
    while (same < limit && text[first->offset + same] == text[entry.offset + same])
      ++same;
    shared = same;
  }
  for (Entry& entry : entries) {
    if (entry.special != 0)
      continue;
    uint64_t head = 0;
    for (size_t i = 0; i < 8; ++i) {
      size_t at = shared + i;
      unsigned char byte =
          at < entry.length ? static_cast<unsigned char>(text[entry.offset + at]) : 0;
      head = (head << 8) | byte;
    }
    entry.head = head;
  }

  auto before = [text](const Entry& a, const Entry& b) {
    if (a.special != b.special)
      return a.special > b.special;
    if (a.special == 0) {
      if (a.head != b.head)
        return a.head < b.head;
      if (int difference =
              CompareRaisedCaptions(text + a.offset, a.length, text + b.offset, b.length);
          difference != 0)
        return difference < 0;
    }
    return a.index < b.index;
  };
  if (std::is_sorted(entries.begin(), entries.end(), before))
    return;  // already in order, as folders often come from the file system
  std::sort(entries.begin(), entries.end(), before);
  std::vector<TTreeNode*> order;
  order.reserve(entries.size());
  for (const Entry& entry : entries)
    order.push_back(children[entry.index]);
  node->ReorderChildren(order);
}

int TALVEX_STDCALL TKvFolderTree::CustomSortProc(TTreeNode* node1, TTreeNode* node2,
                                                 std::intptr_t) {
  auto* record1 = static_cast<TFolderNode*>(node1->Data());
  auto* record2 = static_cast<TFolderNode*>(node2->Data());
  bool special1 = record1 != nullptr && IsSpecial(record1->FolderType);
  bool special2 = record2 != nullptr && IsSpecial(record2->FolderType);
  if (special1 || special2)
    return special1 == special2 ? 0 : (special1 ? -1 : 1);
  return CompareAsciiNoCase(node1->Text(), node2->Text());
}

void TKvFolderTree::FreeNode(TObject*, TTreeNode* node) {
  TFolderNode* record = Record(node);
  if (record == nullptr)
    return;
  if (record->IdList != nullptr && FMalloc)
    FMalloc->Free(record->IdList);
  record->IdList = nullptr;
  record->~TFolderNode();
  records_.Give(record);
  node->SetData(nullptr);
}

void TKvFolderTree::FreeChildren(TTreeNode* node) {
  if (node == nullptr)
    return;
  Items().BeginUpdate();
  for (TTreeNode* child = node->GetLastChild(); child != nullptr;) {
    TTreeNode* previous = child->getPrevSibling();
    TFolderNode* record = Record(child);
    TFolderType type = record ? record->FolderType : ftFolder;
    if (type != ftNetworkNeighborhood && type != ftMyComputer)
      child->Delete();
    child = previous;
  }
  Items().EndUpdate();
  node->SetHasChildren(true);
}

void TKvFolderTree::FreePidl(PIDL idList) {
  if (idList == nullptr || !FMalloc)
    return;
  if (FMalloc->DidAlloc(idList) > 0)
    FMalloc->Free(idList);
}

std::string TKvFolderTree::ParsePidl(PCIDL idList) {
  std::string path(win::MAX_PATH, '\0');
  if (idList == nullptr || !platform_.shell.SHGetPathFromIDListA(idList, path.data()))
    return std::string();
  return path;
}

}  // namespace talvex
