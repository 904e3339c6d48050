#include "framework/tree_view.h"

#include <algorithm>
#include <vector>

#include "framework/form.h"
#include "platform/ascii_text.h"

namespace talvex {

// ---- TTreeNode ----

void TTreeNode::Changed() {
  if (TreeViewPeer* peer = tree_.TreePeer())
    peer->NodeChanged(*this);
}

void TTreeNode::SetText(const std::string& text) {
  if (text_ == text)
    return;
  text_ = text;
  Changed();
}

void TTreeNode::SetHasChildren(bool value) {
  if (has_children_ == value)
    return;
  has_children_ = value;
  Changed();
}

void TTreeNode::SetImageIndex(int index) {
  image_index_ = index;
  Changed();
}

void TTreeNode::SetSelectedIndex(int index) {
  selected_index_ = index;
  Changed();
}

void TTreeNode::SetOverlayIndex(int index) {
  overlay_index_ = index;
  Changed();
}

bool TTreeNode::Selected() const {
  return tree_.Selected() == this;
}

int TTreeNode::Level() const {
  int level = 0;
  for (const TTreeNode* node = parent_; node != nullptr; node = node->parent_)
    ++level;
  return level;
}

TTreeNode* TTreeNode::Item(int index) const {
  if (index < 0 || index >= count_)
    return nullptr;
  TTreeNode* child = first_child_;
  while (index-- > 0)
    child = child->next_;
  return child;
}

int TTreeNode::Index() const {
  int index = 0;
  for (const TTreeNode* node = prev_; node != nullptr; node = node->prev_)
    ++index;
  return index;
}

TTreeNode* TTreeNode::GetNext() const {
  if (first_child_ != nullptr)
    return first_child_;
  for (const TTreeNode* node = this; node != nullptr; node = node->parent_)
    if (node->next_ != nullptr)
      return node->next_;
  return nullptr;
}

bool TTreeNode::HasAsParent(const TTreeNode* ancestor) const {
  if (ancestor == nullptr)
    return false;
  for (const TTreeNode* node = parent_; node != nullptr; node = node->parent_)
    if (node == ancestor)
      return true;
  return false;
}

bool TTreeNode::Expand(bool recurse) {
  bool expanded = tree_.ExpandNode(*this);
  if (recurse)
    for (TTreeNode* child = first_child_; child != nullptr; child = child->next_)
      child->Expand(true);
  return expanded;
}

void TTreeNode::Collapse(bool recurse) {
  tree_.CollapseNode(*this, recurse);
}

void TTreeNode::Delete() {
  tree_.items_.Delete(this);
}

void TTreeNode::DeleteChildren() {
  while (last_child_ != nullptr)
    tree_.items_.Delete(last_child_);
}

bool TTreeNode::CustomSort(TTVCompare compare, std::intptr_t data, bool recurse) {
  if (count_ > 1) {
    std::vector<TTreeNode*> children;
    children.reserve(static_cast<size_t>(count_));
    for (TTreeNode* child = first_child_; child != nullptr; child = child->next_)
      children.push_back(child);
    std::stable_sort(children.begin(), children.end(),
                     [&](TTreeNode* a, TTreeNode* b) { return compare(a, b, data) < 0; });
    ReorderChildren(children);
  }
  if (recurse)
    for (TTreeNode* child = first_child_; child != nullptr; child = child->next_)
      child->CustomSort(compare, data, true);
  return true;
}

void TTreeNode::ReorderChildren(const std::vector<TTreeNode*>& order) {
  if (order.size() != static_cast<size_t>(count_) || order.empty())
    return;
  TTreeNode* previous = nullptr;
  for (TTreeNode* child : order) {
    child->prev_ = previous;
    child->next_ = nullptr;
    if (previous != nullptr)
      previous->next_ = child;
    previous = child;
  }
  first_child_ = order.front();
  last_child_ = order.back();
  if (TreeViewPeer* peer = tree_.TreePeer())
    peer->ChildrenReordered(this);
}

namespace {
int TALVEX_STDCALL CompareCaptions(TTreeNode* node1, TTreeNode* node2, std::intptr_t) {
  return CompareAsciiNoCase(node1->Text(), node2->Text());
}
}  // namespace

bool TTreeNode::AlphaSort(bool recurse) {
  return CustomSort(CompareCaptions, 0, recurse);
}

// ---- TTreeNodes ----

TTreeNodes::~TTreeNodes() {
  // The view is going: release the nodes without events, which would reach a half-destroyed view.
  while (first_ != nullptr) {
    TTreeNode* next = first_->next_;
    DestroySubtree(first_);
    first_ = next;
  }
}

void TTreeNodes::DestroySubtree(TTreeNode* node) {
  TTreeNode* child = node->first_child_;
  while (child != nullptr) {
    TTreeNode* next = child->next_;
    DestroySubtree(child);
    child = next;
  }
  Destroy(node);
}

void TTreeNodes::Destroy(TTreeNode* node) {
  node->~TTreeNode();
  store_.Give(node);
}

TTreeNode* TTreeNodes::Item(int absoluteIndex) const {
  if (absoluteIndex < 0)
    return nullptr;
  TTreeNode* node = first_;
  while (node != nullptr && absoluteIndex-- > 0)
    node = node->GetNext();
  return node;
}

TTreeNode* TTreeNodes::Insert(TTreeNode* parent, bool first, const std::string& text, void* data) {
  void* storage = store_.Take();
  TTreeNode* node;
  try {
    node = new (storage) TTreeNode(tree_, parent, text, data);
  } catch (...) {
    store_.Give(storage);
    throw;
  }
  TTreeNode*& head = parent ? parent->first_child_ : first_;
  TTreeNode*& tail = parent ? parent->last_child_ : last_;
  if (head == nullptr) {
    head = tail = node;
  } else if (first) {
    node->next_ = head;
    head->prev_ = node;
    head = node;
  } else {
    node->prev_ = tail;
    tail->next_ = node;
    tail = node;
  }
  if (parent != nullptr) {
    ++parent->count_;
    parent->SetHasChildren(true);
  } else {
    ++top_count_;
  }
  ++total_;
  if (TreeViewPeer* peer = tree_.TreePeer())
    peer->NodeInserted(*node);
  return node;
}

TTreeNode* TTreeNodes::AddChildObjectFirst(TTreeNode* parent, const std::string& text, void* data) {
  return Insert(parent, true, text, data);
}

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* parent, const std::string& text, void* data) {
  return Insert(parent, false, text, data);
}

TTreeNode* TTreeNodes::AddObjectFirst(TTreeNode* sibling, const std::string& text, void* data) {
  return Insert(sibling ? sibling->parent_ : nullptr, true, text, data);
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* sibling, const std::string& text, void* data) {
  return Insert(sibling ? sibling->parent_ : nullptr, false, text, data);
}

void TTreeNodes::Unlink(TTreeNode& node) {
  TTreeNode*& head = node.parent_ ? node.parent_->first_child_ : first_;
  TTreeNode*& tail = node.parent_ ? node.parent_->last_child_ : last_;
  if (node.prev_ != nullptr)
    node.prev_->next_ = node.next_;
  else
    head = node.next_;
  if (node.next_ != nullptr)
    node.next_->prev_ = node.prev_;
  else
    tail = node.prev_;
  if (node.parent_ != nullptr) {
    --node.parent_->count_;
    if (node.parent_->count_ == 0 && node.parent_->expanded_) {
      node.parent_->expanded_ = false;
      if (TreeViewPeer* peer = tree_.TreePeer())
        peer->NodeExpandedChanged(*node.parent_);
    }
  } else {
    --top_count_;
  }
  --total_;
}

void TTreeNodes::Delete(TTreeNode* node) {
  if (node == nullptr || node->deleting_)
    return;
  node->deleting_ = true;
  tree_.NodeRemoving(*node);
  while (node->last_child_ != nullptr)
    Delete(node->last_child_);
  if (tree_.OnDeletion)
    tree_.OnDeletion(&tree_, node);
  if (TreeViewPeer* peer = tree_.TreePeer())
    peer->NodeDeleting(*node);
  Unlink(*node);
  Destroy(node);
}

void TTreeNodes::Clear() {
  BeginUpdate();
  while (last_ != nullptr)
    Delete(last_);
  EndUpdate();
}

void TTreeNodes::BeginUpdate() {
  if (update_count_++ == 0)
    if (TreeViewPeer* peer = tree_.TreePeer())
      peer->UpdatingChanged(true);
}

void TTreeNodes::EndUpdate() {
  if (update_count_ > 0 && --update_count_ == 0)
    if (TreeViewPeer* peer = tree_.TreePeer())
      peer->UpdatingChanged(false);
}

// ---- TCustomTreeView ----

TCustomTreeView::TCustomTreeView(std::string name, TControl* parent)
    : TControl(std::move(name), parent), items_(*this) {}

TCustomTreeView::~TCustomTreeView() = default;

void TCustomTreeView::SetSelected(TTreeNode* node) {
  if (selected_ == node)
    return;
  selected_ = node;
  if (TreeViewPeer* peer = TreePeer())
    peer->SelectionChanged(node);
  if (OnChange && !destroying_)
    OnChange(this, node);
}

void TCustomTreeView::SetTopItem(TTreeNode* node) {
  top_item_ = node;
  if (TreeViewPeer* peer = TreePeer())
    peer->TopItemChanged(node);
}

void TCustomTreeView::SetImages(std::uintptr_t images) {
  images_ = images;
  Changed();
}

WindowHandle TCustomTreeView::Handle() const {
  if (Peer() != nullptr && Peer()->Handle() != 0)
    return Peer()->Handle();
  // Without a real window the control's address stands for it: unique and never 0.
  return reinterpret_cast<WindowHandle>(this);
}

WindowHandle TCustomTreeView::ParentWindow() const {
  if (Parent() == nullptr)
    return 0;
  if (auto* form = dynamic_cast<TForm*>(Parent()))
    return form->Handle();
  return Parent()->Peer() != nullptr ? Parent()->Peer()->Handle() : 0;
}

std::intptr_t TCustomTreeView::Perform(uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  TMessage message{msg, wParam, lParam, 0};
  WndProc(message);
  return message.Result;
}

void TCustomTreeView::SetMessageHandler(uint32_t msg, TWndMethod handler) {
  for (auto& [number, existing] : handlers_)
    if (number == msg) {
      existing = std::move(handler);
      return;
    }
  handlers_.emplace_back(msg, std::move(handler));
}

void TCustomTreeView::WndProc(TMessage& message) {
  for (auto& [number, handler] : handlers_)
    if (number == message.Msg) {
      handler(message);
      return;
    }
  DefaultHandler(message);
}

void TCustomTreeView::DefaultHandler(TMessage& message) {
  if (TreeViewPeer* peer = TreePeer())
    if (peer->DefaultHandler(message))
      return;
  switch (message.Msg) {
    case kWmLButtonDblClk:
      // A double click on a node toggles it, as the tree window does.
      DblClick();
      if (selected_ != nullptr)
        UserToggle(*selected_);
      message.Result = 0;
      break;
    case kWmQueryEndSession:
      message.Result = 1;
      break;
    default:
      message.Result = 0;
      break;
  }
}

void TCustomTreeView::Click() {
  if (Enabled() && OnClick)
    OnClick(this);
}

void TCustomTreeView::DblClick() {
  if (Enabled() && OnDblClick)
    OnDblClick(this);
}

bool TCustomTreeView::UserToggle(TTreeNode& node) {
  if (node.Expanded()) {
    node.Collapse(false);
    return false;
  }
  return node.Expand(false);
}

bool TCustomTreeView::ExpandNode(TTreeNode& node) {
  if (node.expanded_)
    return true;
  if (!node.has_children_ && node.count_ == 0)
    return false;
  bool allow = true;
  if (OnExpanding)
    OnExpanding(this, &node, allow);
  // The handler may have read the node's children, or found none.
  if (!allow || node.count_ == 0)
    return false;
  node.expanded_ = true;
  if (TreeViewPeer* peer = TreePeer())
    peer->NodeExpandedChanged(node);
  return true;
}

void TCustomTreeView::CollapseNode(TTreeNode& node, bool recurse) {
  if (recurse)
    for (TTreeNode* child = node.first_child_; child != nullptr; child = child->next_)
      CollapseNode(*child, true);
  if (!node.expanded_)
    return;
  bool allow = true;
  if (OnCollapsing)
    OnCollapsing(this, &node, allow);
  if (!allow)
    return;
  node.expanded_ = false;
  if (TreeViewPeer* peer = TreePeer())
    peer->NodeExpandedChanged(node);
  // A selection hidden by the collapse moves to the collapsed node, as the tree window does.
  if (selected_ != nullptr && selected_->HasAsParent(&node))
    SetSelected(&node);
}

void TCustomTreeView::NodeRemoving(TTreeNode& node) {
  if (top_item_ == &node || (top_item_ != nullptr && top_item_->HasAsParent(&node)))
    top_item_ = nullptr;
  if (selected_ != &node && (selected_ == nullptr || !selected_->HasAsParent(&node)))
    return;
  // The selection leaves the deleted branch: to the next sibling, else the previous one, else the
  // parent.
  TTreeNode* next = node.next_ ? node.next_ : node.prev_ ? node.prev_ : node.parent_;
  if (next != nullptr && next->deleting_)
    next = nullptr;
  SetSelected(next);
}

void TCustomTreeView::ApplyProperty(const DesignProperty& property) {
  const std::string& name = property.name;
  if (name == "Indent") {
    indent_ = AsInt(property);
  } else if (name == "ShowButtons") {
    show_buttons_ = AsBool(property);
  } else if (name == "ShowLines") {
    show_lines_ = AsBool(property);
  } else if (name == "ShowRoot") {
    show_root_ = AsBool(property);
  } else if (name == "HideSelection") {
    hide_selection_ = AsBool(property);
  } else if (name == "ReadOnly") {
    read_only_ = AsBool(property);
  } else {
    TControl::ApplyProperty(property);
    return;
  }
  Changed();
}

}  // namespace talvex
