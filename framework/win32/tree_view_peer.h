// The tree view's real window: a SysTreeView32 kept in step with the control's nodes, reporting
// the user's expansions, selections and clicks back to the control.
#pragma once

#include "framework/tree_view.h"
#include "platform/win32/windows_support.h"

namespace talvex::win32 {

// Creates the control's window as a child of parent and attaches its peer; the nodes the control
// holds already are inserted. Throws std::runtime_error when Windows refuses the window.
void CreateTreeViewWindow(TCustomTreeView& tree, HWND parent, HINSTANCE instance, int id);

// A WM_NOTIFY that a tree view window sent to its parent: handled (result set) when it came from
// one of ours.
bool HandleTreeViewNotify(const NMHDR& header, LRESULT& result);

}  // namespace talvex::win32
