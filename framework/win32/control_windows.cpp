#include "framework/win32/control_windows.h"

#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>

#include "framework/application.h"
#include "framework/win32/design_font.h"
#include "framework/win32/tree_view_peer.h"
#include "framework/win32/window_peer.h"

namespace talvex::win32 {

namespace {

constexpr char kFormClass[] = "TalvexForm";

// An exception must not travel through the system's frames of a window procedure: it is shown
// in the application's exception box, as an exception that reaches the message loop is.
template <class F>
LRESULT Guarded(WindowPeer* peer, LRESULT fallback, F&& body) {
  try {
    return body();
  } catch (const std::exception& error) {
    if (peer != nullptr)
      peer->OwnerForm().Application().ShowException(error);
  }
  return fallback;
}

// WM_COMMAND from a control: its peer handles the notification.
void ForwardCommand(WPARAM wParam, LPARAM lParam) {
  HWND child = reinterpret_cast<HWND>(lParam);
  WindowPeer* peer = WindowPeer::FromWindow(child);
  if (peer != nullptr)
    peer->Command(HIWORD(wParam));
}

LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowPeer* peer = WindowPeer::FromWindow(window);
  switch (message) {
    case WM_COMMAND:
      if (lParam != 0 && peer != nullptr)
        return Guarded(peer, 0, [&] {
          ForwardCommand(wParam, lParam);
          return LRESULT{0};
        });
      break;
    case WM_NOTIFY:
      if (lParam != 0) {
        LRESULT result = 0;
        if (HandleTreeViewNotify(*reinterpret_cast<const NMHDR*>(lParam), result))
          return result;
      }
      break;
    case WM_CLOSE:
      // The title bar's close button is a close request to the form, which decides; the window
      // itself lives as long as the form object.
      if (peer != nullptr)
        return Guarded(peer, 0, [&] {
          peer->OwnerForm().Close();
          return LRESULT{0};
        });
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

// A group box is the parent of its controls but, as a BUTTON, drops their notifications; they go
// on to the form window instead.
LRESULT CALLBACK GroupBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowPeer* peer = WindowPeer::FromWindow(window);
  if (message == WM_COMMAND && lParam != 0) {
    return ::SendMessageA(::GetAncestor(window, GA_ROOT), message, wParam, lParam);
  }
  if (peer == nullptr || peer->OriginalProc() == nullptr)
    return ::DefWindowProcA(window, message, wParam, lParam);
  return ::CallWindowProcA(peer->OriginalProc(), window, message, wParam, lParam);
}

struct WindowKind {
  const char* windowClass;
  DWORD style;
  DWORD exStyle;
};

bool IsIdentifier(const TControl& control, const char* property, const char* value) {
  const DesignValue* stored = control.StoredProperty(property);
  if (stored == nullptr)
    return false;
  const auto* identifier = std::get_if<DesignIdentifier>(stored);
  return identifier != nullptr && identifier->name == value;
}

// The window class and styles for a framework control class; windowClass is null for a class
// that has no window of its own here.
WindowKind KindOf(const TControl& control) {
  const std::string name = control.ClassName();
  if (name == "TButton" || name == "TBitBtn")
    return {"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0};
  if (name == "TCheckBox")
    return {"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, 0};
  if (name == "TGroupBox")
    return {"BUTTON", BS_GROUPBOX, WS_EX_CONTROLPARENT};
  if (name == "TMemo") {
    DWORD scroll = 0;
    if (IsIdentifier(control, "ScrollBars", "ssVertical"))
      scroll = WS_VSCROLL;
    if (IsIdentifier(control, "ScrollBars", "ssHorizontal"))
      scroll = WS_HSCROLL;
    if (IsIdentifier(control, "ScrollBars", "ssBoth"))
      scroll = WS_VSCROLL | WS_HSCROLL;
    DWORD edge = IsIdentifier(control, "BorderStyle", "bsNone") ? 0 : WS_EX_CLIENTEDGE;
    return {"EDIT", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | scroll, edge};
  }
  if (name == "TEdit")
    return {"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
  if (name == "TLabel" || name == "TImage")
    return {"STATIC", SS_LEFT, 0};
  if (name == "TBevel")
    return {"STATIC", SS_ETCHEDHORZ, 0};
  return {nullptr, 0, 0};
}

HFONT CreateDesignFont(const TControl& control) {
  FontSpec spec = ResolveFont(control);
  return ::CreateFontA(spec.height, 0, 0, 0, spec.bold ? FW_BOLD : FW_NORMAL, spec.italic,
                       spec.underline, spec.strikeOut, static_cast<DWORD>(spec.charset),
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, spec.name.c_str());
}

// A number stored for the control (ClientWidth, ...), or fallback.
int StoredInt(const TControl& control, const char* property, int fallback) {
  const DesignValue* stored = control.StoredProperty(property);
  if (stored == nullptr)
    return fallback;
  const auto* number = std::get_if<long long>(stored);
  return number != nullptr ? static_cast<int>(*number) : fallback;
}

HWND ParentWindowOf(const TControl& control, HWND formWindow) {
  if (control.Parent() == nullptr)
    return formWindow;
  auto* peer = dynamic_cast<WindowPeer*>(control.Parent()->Peer());
  return peer != nullptr ? peer->Window() : formWindow;
}

// Hands a new window and the font of its design to a peer attached to the control; nothing leaks
// if that fails.
WindowPeer* AttachWindow(TControl& control, HWND window) {
  ScopedWindow ownedWindow(window);
  ScopedGdiObject font(CreateDesignFont(control));
  auto peer = std::make_unique<WindowPeer>(control, window, static_cast<HFONT>(font.get()));
  ownedWindow.Release();
  font.Release();
  WindowPeer* raw = peer.get();
  control.AttachPeer(std::move(peer));
  return raw;
}

void CreateFormWindow(TForm& form, HWND owner, HINSTANCE instance) {
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_CONTROLPARENT;
  int width = form.Width();
  int height = form.Height();
  // Designs may give the size of the inside of the window instead of the outer size.
  if (width <= 0 || height <= 0) {
    RECT rect{0, 0, StoredInt(form, "ClientWidth", 320), StoredInt(form, "ClientHeight", 240)};
    ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
  }
  HWND window = ::CreateWindowExA(exStyle, kFormClass, form.Caption().c_str(), style, form.Left(),
                                  form.Top(), width, height, owner, nullptr, instance, nullptr);
  if (window == nullptr)
    throw std::runtime_error("cannot create the window of " + form.Name());
  AttachWindow(form, window);
}

void CreateControlWindow(TControl& control, HWND formWindow, HINSTANCE instance, int id) {
  if (auto* tree = dynamic_cast<TCustomTreeView*>(&control)) {
    CreateTreeViewWindow(*tree, ParentWindowOf(control, formWindow), instance, id);
    return;
  }
  WindowKind kind = KindOf(control);
  if (kind.windowClass == nullptr)
    return;
  DWORD style = WS_CHILD | kind.style | (control.Visible() ? WS_VISIBLE : 0) |
                (control.Enabled() ? 0 : WS_DISABLED);
  HWND window =
      ::CreateWindowExA(kind.exStyle, kind.windowClass, "", style, control.Left(), control.Top(),
                        control.Width(), control.Height(), ParentWindowOf(control, formWindow),
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (window == nullptr)
    throw std::runtime_error("cannot create the window of " + control.Name());
  WindowPeer* peer = AttachWindow(control, window);
  if (std::string(control.ClassName()) == "TGroupBox") {
    peer->SetOriginalProc(reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GroupBoxProc))));
  }
  peer->StateChanged();  // text, check mark and memo lines
}

}  // namespace

void RegisterFormClass(HINSTANCE instance) {
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = FormWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(1));
  windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = kFormClass;
  if (::RegisterClassA(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw std::runtime_error("cannot register the form window class");
}

void CreateFormWindows(TForm& form, HWND owner) {
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  CreateFormWindow(form, owner, instance);
  HWND formWindow = static_cast<WindowPeer*>(form.Peer())->Window();
  int id = 100;
  for (const auto& control : form.Controls())
    CreateControlWindow(*control, formWindow, instance, id++);
  form.Peer()->StateChanged();
}

bool IsFormWindow(HWND window) {
  char name[32] = {};
  return ::GetClassNameA(window, name, sizeof name) > 0 && std::string(name) == kFormClass;
}

}  // namespace talvex::win32
