// The framework's tree view: nodes with a caption, a data pointer, images and an expand button,
// and the view's selection, expansion, deletion and sorting with their events. The state lives
// here; a backend peer (SysTreeView32 in the Windows build) shows it and reports what the user
// does.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/controls.h"
#include "framework/messages.h"
#include "framework/node_store.h"
#include "platform/handles.h"

#if defined(_WIN32)
#define TALVEX_STDCALL __stdcall
#else
#define TALVEX_STDCALL
#endif

namespace talvex {

class TCustomTreeView;
class TTreeNodes;

class TTreeNode {
 public:
  TTreeNode(const TTreeNode&) = delete;
  TTreeNode& operator=(const TTreeNode&) = delete;

  TCustomTreeView& TreeView() const { return tree_; }

  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);
  void* Data() const { return data_; }
  void SetData(void* data) { data_ = data; }
  // Shows the expand button also while the node holds no child nodes.
  bool HasChildren() const { return has_children_; }
  void SetHasChildren(bool value);
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int index);
  int SelectedIndex() const { return selected_index_; }
  void SetSelectedIndex(int index);
  // -1: no overlay image.
  int OverlayIndex() const { return overlay_index_; }
  void SetOverlayIndex(int index);

  bool Expanded() const { return expanded_; }
  void SetExpanded(bool expanded) {
    if (expanded)
      Expand(false);
    else
      Collapse(false);
  }
  bool Selected() const;
  // 0 for a top-level node.
  int Level() const;
  int Count() const { return count_; }
  // The child at index (0-based), or null.
  TTreeNode* Item(int index) const;
  int Index() const;
  TTreeNode* Parent() const { return parent_; }
  TTreeNode* GetFirstChild() const { return first_child_; }
  TTreeNode* GetLastChild() const { return last_child_; }
  TTreeNode* getNextSibling() const { return next_; }
  TTreeNode* getPrevSibling() const { return prev_; }
  // The next node in display order (depth first, expanded or not), or null.
  TTreeNode* GetNext() const;
  bool HasAsParent(const TTreeNode* ancestor) const;

  // Expanding asks the view's OnExpanding first; true when the node is expanded afterwards.
  bool Expand(bool recurse);
  void Collapse(bool recurse);
  // Deletes the node and its descendants, firing OnDeletion for each (children first).
  void Delete();
  void DeleteChildren();
  // Orders the children by the comparison function (stable). recurse sorts every level below.
  using TTVCompare = int(TALVEX_STDCALL*)(TTreeNode* node1, TTreeNode* node2, std::intptr_t data);
  bool CustomSort(TTVCompare compare, std::intptr_t data, bool recurse = false);
  // Orders the children by caption, ignoring case.
  bool AlphaSort(bool recurse = false);
  // Puts the children into the given order, which must hold each child once; one notice to the
  // backend. For callers that sort by keys of their own instead of a comparison per pair.
  void ReorderChildren(const std::vector<TTreeNode*>& order);

  // The backend's own handle of the node (an HTREEITEM in the Windows build).
  void* PeerItem() const { return peer_item_; }
  void SetPeerItem(void* item) { peer_item_ = item; }

 private:
  friend class TTreeNodes;
  friend class TCustomTreeView;
  TTreeNode(TCustomTreeView& tree, TTreeNode* parent, std::string text, void* data)
      : tree_(tree), parent_(parent), text_(std::move(text)), data_(data) {}
  void Changed();

  TCustomTreeView& tree_;
  TTreeNode* parent_;
  TTreeNode* first_child_ = nullptr;
  TTreeNode* last_child_ = nullptr;
  TTreeNode* next_ = nullptr;
  TTreeNode* prev_ = nullptr;
  int count_ = 0;
  std::string text_;
  void* data_;
  bool has_children_ = false;
  bool expanded_ = false;
  bool deleting_ = false;
  int image_index_ = -1;
  int selected_index_ = -1;
  int overlay_index_ = -1;
  void* peer_item_ = nullptr;
};

// The tree's nodes.
class TTreeNodes {
 public:
  explicit TTreeNodes(TCustomTreeView& tree) : tree_(tree) {}
  ~TTreeNodes();
  TTreeNodes(const TTreeNodes&) = delete;
  TTreeNodes& operator=(const TTreeNodes&) = delete;

  // Every node in the tree.
  int Count() const { return total_; }
  // The node at an absolute index in display order, or null.
  TTreeNode* Item(int absoluteIndex) const;
  TTreeNode* GetFirstNode() const { return first_; }
  // Calls visit(TTreeNode&) for every node in the tree, in storage order rather than display
  // order: for work on every node that does not depend on their order, without walking the tree.
  template <class Visit>
  void ForEachNode(Visit&& visit) const {
    store_.ForEachInUse(visit);
  }

  // A new node as the parent's first / last child (top level for a null parent).
  TTreeNode* AddChildObjectFirst(TTreeNode* parent, const std::string& text, void* data);
  TTreeNode* AddChildObject(TTreeNode* parent, const std::string& text, void* data);
  // A new node as the first / last node of the level of sibling (top level for a null sibling).
  TTreeNode* AddObjectFirst(TTreeNode* sibling, const std::string& text, void* data);
  TTreeNode* AddObject(TTreeNode* sibling, const std::string& text, void* data);
  void Delete(TTreeNode* node);
  void Clear();

  // Bulk changes: the backend redraws once at the outermost EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return update_count_ > 0; }

 private:
  friend class TTreeNode;
  TTreeNode* Insert(TTreeNode* parent, bool first, const std::string& text, void* data);
  void Unlink(TTreeNode& node);
  void DestroySubtree(TTreeNode* node);
  void Destroy(TTreeNode* node);
  TTreeNode* FirstOfLevel(TTreeNode* parent) const {
    return parent ? parent->first_child_ : first_;
  }

  TCustomTreeView& tree_;
  NodeStore<TTreeNode> store_;
  TTreeNode* first_ = nullptr;  // top level
  TTreeNode* last_ = nullptr;
  int top_count_ = 0;
  int total_ = 0;
  int update_count_ = 0;
};

using TTVChangedEvent = std::function<void(TObject* sender, TTreeNode* node)>;
using TTVExpandingEvent = std::function<void(TObject* sender, TTreeNode* node, bool& allow)>;
using TTVExpandedEvent = std::function<void(TObject* sender, TTreeNode* node)>;

// What a backend attaches to a tree view: told of every change of a node.
class TreeViewPeer : public ControlPeer {
 public:
  virtual void NodeInserted(TTreeNode& node) = 0;
  // Before the node goes; its children are gone already.
  virtual void NodeDeleting(TTreeNode& node) = 0;
  // Caption, images, overlay or expand button.
  virtual void NodeChanged(TTreeNode& node) = 0;
  virtual void NodeExpandedChanged(TTreeNode& node) = 0;
  virtual void ChildrenReordered(TTreeNode* parent) = 0;
  virtual void SelectionChanged(TTreeNode* node) = 0;
  virtual void TopItemChanged(TTreeNode* node) = 0;
  virtual void UpdatingChanged(bool updating) = 0;
  // The window's own handling of a message; false when the window does not handle it.
  virtual bool DefaultHandler(TMessage& message) = 0;
};

class TCustomTreeView : public TControl {
 public:
  TCustomTreeView(std::string name, TControl* parent);
  ~TCustomTreeView() override;
  const char* ClassName() const override { return "TTreeView"; }

  TTreeNodes& Items() { return items_; }
  const TTreeNodes& Items() const { return items_; }
  TTreeNode* Selected() const { return selected_; }
  // Fires OnChange when the selection changes.
  void SetSelected(TTreeNode* node);
  TTreeNode* TopItem() const { return top_item_; }
  void SetTopItem(TTreeNode* node);

  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value) { read_only_ = value; }
  // The image list the node images index (a system image list handle in the Windows build).
  std::uintptr_t Images() const { return images_; }
  void SetImages(std::uintptr_t images);
  int Indent() const { return indent_; }
  bool ShowButtons() const { return show_buttons_; }
  bool ShowLines() const { return show_lines_; }
  bool ShowRoot() const { return show_root_; }
  bool HideSelection() const { return hide_selection_; }

  // The control's window; the parent form's window for the owner of shell dialogs.
  WindowHandle Handle() const;
  WindowHandle ParentWindow() const;

  // Sends a message to the control's window procedure; returns its result.
  std::intptr_t Perform(uint32_t msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
  // The window procedure: message handlers first, then the window's default handling.
  virtual void WndProc(TMessage& message);

  void ApplyProperty(const DesignProperty& property) override;

  // What the user does, as the backend reports it (and the headless host and tests do it).
  void Click();
  void DblClick();
  // A user's expand or collapse: the same events as Expand/Collapse.
  bool UserToggle(TTreeNode& node);

  TTVChangedEvent OnChange;
  TTVExpandingEvent OnExpanding;
  TTVExpandingEvent OnCollapsing;
  TTVExpandedEvent OnDeletion;
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;

  TreeViewPeer* TreePeer() const { return dynamic_cast<TreeViewPeer*>(Peer()); }
  // While the view is being destroyed it fires no OnChange: the handlers' form is going too.
  void BeginDestroy() { destroying_ = true; }

 protected:
  // A handler for one message number, replacing the default handling; it may call DefaultHandler.
  void SetMessageHandler(uint32_t msg, TWndMethod handler);
  // The normal handling of a message: the window's own, or the state-only equivalent.
  void DefaultHandler(TMessage& message);

 private:
  friend class TTreeNode;
  friend class TTreeNodes;
  bool ExpandNode(TTreeNode& node);
  void CollapseNode(TTreeNode& node, bool recurse);
  void NodeRemoving(TTreeNode& node);

  TTreeNodes items_;
  TTreeNode* selected_ = nullptr;
  TTreeNode* top_item_ = nullptr;
  bool read_only_ = false;
  std::uintptr_t images_ = 0;
  int indent_ = 19;
  bool show_buttons_ = true, show_lines_ = true, show_root_ = true, hide_selection_ = true;
  std::vector<std::pair<uint32_t, TWndMethod>> handlers_;
  bool destroying_ = false;
};

}  // namespace talvex
