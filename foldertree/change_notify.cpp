// Activation and deactivation, the shell's change notifications and the end-of-session query.
#include <cstring>

#include "foldertree/drawing_suspended.h"
#include "foldertree/kvfoldertree.h"
#include "framework/exceptions.h"
#include "platform/winconst.h"

namespace talvex {

namespace {

constexpr int32_t kNotifySources = win::SHCNRF_InterruptLevel | win::SHCNRF_ShellLevel;
constexpr std::intptr_t kInterruptBit = static_cast<std::intptr_t>(0x80000000u);

}  // namespace

void TKvFolderTree::SetActive(bool value) {
  if (value)
    Activate();
  else
    Deactivate();
}

void TKvFolderTree::Activate() {
  if (FActive)
    return;
  FActive = true;
  ShowDesktop();
  SetFolderOptions(FFolderOptions);
  SetDisplayMode(FDisplayMode);
  RegisterChangeNotify();
}

void TKvFolderTree::Deactivate() {
  DeregisterChangeNotify();
  if (TTreeNode* first = Items().GetFirstNode())
    first->Delete();
  FActive = false;
}

void TKvFolderTree::RegisterChangeNotify() {
  if (Designing())
    return;
  FNotifyEntry = std::make_unique<SHChangeNotifyEntry>();
  FNotifyEntry->pidl = nullptr;  // the desktop: the whole namespace
  FNotifyEntry->fRecursive = 1;
  // A library without the export gives no function: that is a failed registration too.
  FNotifyHandle = SHChangeNotifyRegister
                      ? SHChangeNotifyRegister(FNotifyWindow, kNotifySources, kChangeNotifyEvents,
                                               kChangeNotifyMessage, 1, FNotifyEntry.get())
                      : 0;
  if (FNotifyHandle == 0)
    throw Exception("Could not register SHChangeNotify");
}

void TKvFolderTree::DeregisterChangeNotify() {
  FNotifyEntry.reset();
  if (FNotifyHandle != 0 && SHChangeNotifyDeregister)
    SHChangeNotifyDeregister(FNotifyHandle);
  FNotifyHandle = 0;
}

void TKvFolderTree::RefreshFolderNode(TTreeNode* node) {
  bool wasExpanded = node->Expanded();
  if (wasExpanded) {
    DrawingSuspended suspended(platform_.shell, Handle());
    node->Collapse(true);
  }
  FreeChildren(node);
  if (node == GetDesktopNode()) {
    TTreeNode* reading = node;
    AttachFolders(reading);
  }
  bool allow = true;
  TFolderTreeExpanding(this, node, allow);
  if (wasExpanded)
    node->Expand(false);
}

void TKvFolderTree::MessageProc(TMessage& message) {
  bool handled = false;
  if (message.Msg == kChangeNotifyMessage) {
    auto* items = reinterpret_cast<PIDL*>(message.WParam);
    PIDL first = items != nullptr ? items[0] : nullptr;
    PIDL second = items != nullptr ? items[1] : nullptr;
    std::string path;
    try {
      path = ParsePidl(first);
      path.resize(std::strlen(path.c_str()));
    } catch (const std::exception&) {
      path.clear();
    }
    FreePidl(first);
    FreePidl(second);
    int32_t event = static_cast<int32_t>(message.LParam & ~kInterruptBit);
    if (event == win::SHCNE_MKDIR || event == win::SHCNE_RMDIR ||
        event == win::SHCNE_RENAMEFOLDER) {
      TTreeNode* node = nullptr;
      if (event == win::SHCNE_MKDIR) {
        node = FindPath(path, false);
      } else {
        node = FindPath(path, true);
        if (node != nullptr)
          node = node->Parent();
      }
      if (node != nullptr)
        RefreshFolderNode(node);
      handled = true;
    } else if (event == win::SHCNE_MEDIAINSERTED || event == win::SHCNE_MEDIAREMOVED) {
      // An item without a file-system path names no drive.
      if (!path.empty())
        DriveChanged(this, path[0], false);
      handled = true;
    }
  }
  if (!handled)
    message.Result = application_.Ui().DefWindowProcA(FNotifyWindow, message.Msg, message.WParam,
                                                      message.LParam);
}

void TKvFolderTree::WndProc(TMessage& message) {
  if (message.Msg != kWmQueryEndSession) {
    TCustomTreeView::WndProc(message);
    return;
  }
  QueryEndSession(message);
  // The window's own handling must not turn the control's answer (a veto included) around.
  std::intptr_t answer = message.Result;
  TCustomTreeView::WndProc(message);
  message.Result = answer;
}

void TKvFolderTree::QueryEndSession(TMessage& message) {
  bool canEndSession = true;
  if (FOnEndSessionQuery)
    FOnEndSessionQuery(this, canEndSession);
  if (canEndSession) {
    DeregisterChangeNotify();
    message.Result = 1;
  } else {
    message.Result = 0;
  }
}

}  // namespace talvex
