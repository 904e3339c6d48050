#include "framework/win32/tree_view_peer.h"

#include <commctrl.h>

#include <exception>
#include <stdexcept>
#include <unordered_map>

#include "framework/application.h"
#include "framework/form.h"
#include "platform/win32/system_libraries.h"

namespace talvex::win32 {

namespace {

constexpr char kPeerProperty[] = "TalvexTreeViewPeer";

TForm* OwnerFormOf(TControl& control) {
  for (TControl* current = &control; current != nullptr; current = current->Parent())
    if (auto* form = dynamic_cast<TForm*>(current))
      return form;
  return nullptr;
}

class TreeViewWindowPeer final : public TreeViewPeer {
 public:
  TreeViewWindowPeer(TCustomTreeView& tree, HWND window) : tree_(tree), window_(window) {
    ::SetPropA(window_, kPeerProperty, this);
    original_proc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc)));
  }
  ~TreeViewWindowPeer() override {
    ::SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_proc_));
    ::RemovePropA(window_, kPeerProperty);
    for (TTreeNode* node = tree_.Items().GetFirstNode(); node; node = node->GetNext())
      node->SetPeerItem(nullptr);
    ::DestroyWindow(window_);
  }
  TreeViewWindowPeer(const TreeViewWindowPeer&) = delete;
  TreeViewWindowPeer& operator=(const TreeViewWindowPeer&) = delete;

  static TreeViewWindowPeer* FromWindow(HWND window) {
    return static_cast<TreeViewWindowPeer*>(::GetPropA(window, kPeerProperty));
  }

  WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(window_); }

  void StateChanged() override {
    ::MoveWindow(window_, tree_.Left(), tree_.Top(), tree_.Width(), tree_.Height(), TRUE);
    ::ShowWindow(window_, tree_.Visible() ? SW_SHOWNA : SW_HIDE);
    ::EnableWindow(window_, tree_.Enabled());
    auto images = reinterpret_cast<HIMAGELIST>(tree_.Images());
    if (images != images_) {
      images_ = images;
      TreeView_SetImageList(window_, images, TVSIL_NORMAL);
    }
    TreeView_SetIndent(window_, tree_.Indent());
  }

  // Inserts every node the control holds, in display order, with its state.
  void InsertExisting() {
    Applying applying(*this);
    for (TTreeNode* node = tree_.Items().GetFirstNode(); node; node = node->GetNext())
      Insert(*node);
    for (TTreeNode* node = tree_.Items().GetFirstNode(); node; node = node->GetNext())
      if (node->Expanded())
        TreeView_Expand(window_, Item(node), TVE_EXPAND);
    if (tree_.Selected() != nullptr)
      TreeView_SelectItem(window_, Item(tree_.Selected()));
    if (tree_.TopItem() != nullptr)
      TreeView_SelectSetFirstVisible(window_, Item(tree_.TopItem()));
  }

  void NodeInserted(TTreeNode& node) override {
    Applying applying(*this);
    Insert(node);
  }

  void NodeDeleting(TTreeNode& node) override {
    Applying applying(*this);
    if (node.PeerItem() != nullptr)
      TreeView_DeleteItem(window_, Item(&node));
    node.SetPeerItem(nullptr);
  }

  void NodeChanged(TTreeNode& node) override {
    if (node.PeerItem() == nullptr)
      return;
    Applying applying(*this);
    TVITEMA item = Describe(node);
    item.hItem = Item(&node);
    TreeView_SetItem(window_, &item);
  }

  void NodeExpandedChanged(TTreeNode& node) override {
    if (from_user_ || node.PeerItem() == nullptr)
      return;
    Applying applying(*this);
    TreeView_Expand(window_, Item(&node), node.Expanded() ? TVE_EXPAND : TVE_COLLAPSE);
  }

  void ChildrenReordered(TTreeNode* parent) override {
    std::unordered_map<const TTreeNode*, int> order;
    int index = 0;
    TTreeNode* first = parent ? parent->GetFirstChild() : tree_.Items().GetFirstNode();
    for (TTreeNode* child = first; child; child = child->getNextSibling())
      order[child] = index++;
    TVSORTCB sort{};
    sort.hParent = parent ? Item(parent) : TVI_ROOT;
    sort.lpfnCompare = CompareByOrder;
    sort.lParam = reinterpret_cast<LPARAM>(&order);
    Applying applying(*this);
    TreeView_SortChildrenCB(window_, &sort, FALSE);
  }

  void SelectionChanged(TTreeNode* node) override {
    if (from_user_)
      return;
    Applying applying(*this);
    TreeView_SelectItem(window_, node ? Item(node) : nullptr);
  }

  void TopItemChanged(TTreeNode* node) override {
    if (node != nullptr && node->PeerItem() != nullptr)
      TreeView_SelectSetFirstVisible(window_, Item(node));
  }

  void UpdatingChanged(bool updating) override {
    ::SendMessageA(window_, WM_SETREDRAW, updating ? FALSE : TRUE, 0);
    if (!updating)
      ::InvalidateRect(window_, nullptr, TRUE);
  }

  bool DefaultHandler(TMessage& message) override {
    message.Result =
        ::CallWindowProcA(original_proc_, window_, message.Msg, message.WParam, message.LParam);
    return true;
  }

  // A notification of the window, as its parent received it.
  LRESULT Notify(const NMHDR& header) {
    if (applying_ > 0)
      return 0;  // caused by the control's own change
    switch (header.code) {
      case TVN_ITEMEXPANDINGA: {
        const auto& view = reinterpret_cast<const NMTREEVIEWA&>(header);
        auto* node = reinterpret_cast<TTreeNode*>(view.itemNew.lParam);
        if (node == nullptr)
          return FALSE;
        FromUser user(*this);
        if (view.action & TVE_EXPAND)
          return node->Expand(false) ? FALSE : TRUE;
        node->Collapse(false);
        return node->Expanded() ? TRUE : FALSE;
      }
      case TVN_SELCHANGEDA: {
        const auto& view = reinterpret_cast<const NMTREEVIEWA&>(header);
        FromUser user(*this);
        tree_.SetSelected(reinterpret_cast<TTreeNode*>(view.itemNew.lParam));
        return 0;
      }
      case TVN_BEGINLABELEDITA:
        return tree_.ReadOnly() ? TRUE : FALSE;
      case NM_CLICK:
        tree_.Click();
        return 0;
      case NM_DBLCLK:
        tree_.DblClick();
        return 0;
      default:
        return 0;
    }
  }

  TCustomTreeView& Tree() const { return tree_; }

 private:
  // Changes the peer makes itself: the window's notifications about them are not the user's.
  struct Applying {
    explicit Applying(TreeViewWindowPeer& peer) : peer_(peer) { ++peer_.applying_; }
    ~Applying() { --peer_.applying_; }
    TreeViewWindowPeer& peer_;
  };
  // The user's change in progress: the control's state follows the window, not the reverse.
  struct FromUser {
    explicit FromUser(TreeViewWindowPeer& peer) : peer_(peer), was_(peer.from_user_) {
      peer_.from_user_ = true;
    }
    ~FromUser() { peer_.from_user_ = was_; }
    TreeViewWindowPeer& peer_;
    bool was_;
  };

  static HTREEITEM Item(const TTreeNode* node) {
    return node ? static_cast<HTREEITEM>(node->PeerItem()) : nullptr;
  }

  static int CALLBACK CompareByOrder(LPARAM a, LPARAM b, LPARAM data) {
    auto& order = *reinterpret_cast<std::unordered_map<const TTreeNode*, int>*>(data);
    return order[reinterpret_cast<const TTreeNode*>(a)] -
           order[reinterpret_cast<const TTreeNode*>(b)];
  }

  TVITEMA Describe(TTreeNode& node) {
    TVITEMA item{};
    item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_STATE;
    item.pszText = const_cast<char*>(node.Text().c_str());
    item.iImage = node.ImageIndex();
    item.iSelectedImage = node.SelectedIndex();
    item.cChildren = (node.HasChildren() || node.Count() > 0) ? 1 : 0;
    item.stateMask = TVIS_OVERLAYMASK;
    item.state = node.OverlayIndex() >= 0 ? INDEXTOOVERLAYMASK(node.OverlayIndex() + 1) : 0;
    return item;
  }

  void Insert(TTreeNode& node) {
    TVINSERTSTRUCTA insert{};
    insert.hParent = node.Parent() ? Item(node.Parent()) : TVI_ROOT;
    insert.hInsertAfter = node.getPrevSibling() ? Item(node.getPrevSibling()) : TVI_FIRST;
    insert.item = Describe(node);
    insert.item.mask |= TVIF_PARAM;
    insert.item.lParam = reinterpret_cast<LPARAM>(&node);
    node.SetPeerItem(TreeView_InsertItem(window_, &insert));
  }

  static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    TreeViewWindowPeer* peer = FromWindow(window);
    if (peer == nullptr)
      return ::DefWindowProcA(window, msg, wParam, lParam);
    TMessage message{msg, wParam, lParam, 0};
    try {
      peer->tree_.WndProc(message);
    } catch (const std::exception& error) {
      if (TForm* form = OwnerFormOf(peer->tree_))
        form->Application().ShowException(error);
    }
    return message.Result;
  }

  TCustomTreeView& tree_;
  HWND window_;
  WNDPROC original_proc_ = nullptr;
  HIMAGELIST images_ = nullptr;
  int applying_ = 0;
  bool from_user_ = false;
};

}  // namespace

void CreateTreeViewWindow(TCustomTreeView& tree, HWND parent, HINSTANCE instance, int id) {
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TREEVIEW_CLASSES};
  ProcessLibraries().RequireComctl32().InitCommonControlsEx(&classes);
  DWORD style = WS_CHILD | WS_TABSTOP | WS_BORDER | (tree.Visible() ? WS_VISIBLE : 0) |
                (tree.Enabled() ? 0 : WS_DISABLED);
  if (tree.ShowButtons())
    style |= TVS_HASBUTTONS;
  if (tree.ShowLines())
    style |= TVS_HASLINES;
  if (tree.ShowRoot())
    style |= TVS_LINESATROOT;
  if (!tree.HideSelection())
    style |= TVS_SHOWSELALWAYS;
  if (!tree.ReadOnly())
    style |= TVS_EDITLABELS;
  HWND window = ::CreateWindowExA(
      WS_EX_CLIENTEDGE, WC_TREEVIEWA, "", style, tree.Left(), tree.Top(), tree.Width(),
      tree.Height(), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (window == nullptr)
    throw std::runtime_error("cannot create the window of " + tree.Name());
  auto peer = std::make_unique<TreeViewWindowPeer>(tree, window);
  TreeViewWindowPeer* raw = peer.get();
  tree.AttachPeer(std::move(peer));
  raw->StateChanged();
  raw->InsertExisting();
}

bool HandleTreeViewNotify(const NMHDR& header, LRESULT& result) {
  TreeViewWindowPeer* peer = TreeViewWindowPeer::FromWindow(header.hwndFrom);
  if (peer == nullptr)
    return false;
  try {
    result = peer->Notify(header);
  } catch (const std::exception& error) {
    if (TForm* form = OwnerFormOf(peer->Tree()))
      form->Application().ShowException(error);
    result = 0;
  }
  return true;
}

}  // namespace talvex::win32
