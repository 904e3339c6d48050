#include "framework/win32/control_windows.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "framework/application.h"
#include "framework/picture.h"
#include "framework/resources.h"
#include "framework/win32/design_font.h"
#include "framework/win32/design_look.h"
#include "framework/win32/tree_view_peer.h"
#include "framework/win32/window_peer.h"

namespace talvex::win32 {

namespace {

constexpr char kFormClass[] = "TalvexForm";
constexpr char kPictureClass[] = "TalvexPicture";

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

bool StoredBool(const TControl& control, const char* property, bool fallback) {
  const DesignValue* stored = control.StoredProperty(property);
  const auto* flag = stored != nullptr ? std::get_if<bool>(stored) : nullptr;
  return flag != nullptr ? *flag : fallback;
}

// WM_COMMAND from a control: its peer handles the notification.
void ForwardCommand(WPARAM wParam, LPARAM lParam) {
  HWND child = reinterpret_cast<HWND>(lParam);
  WindowPeer* peer = WindowPeer::FromWindow(child);
  if (peer != nullptr)
    peer->Command(HIWORD(wParam));
}

// WM_CTLCOLOR*: a control is drawn on the background and in the text colour of its design.
LRESULT ControlColors(HDC dc, HWND child) {
  WindowPeer* peer = WindowPeer::FromWindow(child);
  if (peer == nullptr)
    return 0;
  DesignColor background = BackgroundOf(peer->Control());
  ::SetTextColor(dc, TextColorOf(peer->Control()).Value());
  ::SetBkColor(dc, background.Value());
  return reinterpret_cast<LRESULT>(BrushOf(background));
}

bool IsColorMessage(UINT message) {
  return message == WM_CTLCOLORSTATIC || message == WM_CTLCOLOREDIT || message == WM_CTLCOLORBTN;
}

// The form window a control window belongs to: the nearest form window among its ancestors.
HWND FormWindowAbove(HWND window) {
  for (HWND parent = ::GetParent(window); parent != nullptr; parent = ::GetParent(parent)) {
    if (IsFormWindow(parent))
      return parent;
  }
  return nullptr;
}

// Controls aligned to the client area follow the form's size.
void AlignClientControls(TForm& form, int width, int height) {
  for (const auto& control : form.Controls()) {
    if (control->Parent() != &form || IdentifierOf(*control, "Align") != "alClient")
      continue;
    if (auto* peer = dynamic_cast<WindowPeer*>(control->Peer()))
      ::MoveWindow(peer->Window(), 0, 0, width, height, TRUE);
  }
}

LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowPeer* peer = WindowPeer::FromWindow(window);
  if (IsColorMessage(message))
    return ControlColors(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
  if (peer == nullptr)
    return ::DefWindowProcA(window, message, wParam, lParam);
  TForm& form = peer->OwnerForm();
  switch (message) {
    case WM_COMMAND:
      if (lParam != 0)
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
      return Guarded(peer, 0, [&] {
        form.Close();
        return LRESULT{0};
      });
    case WM_ERASEBKGND: {
      RECT client{};
      ::GetClientRect(window, &client);
      ::FillRect(reinterpret_cast<HDC>(wParam), &client, BrushOf(BackgroundOf(form)));
      return 1;
    }
    case WM_SIZE:
      AlignClientControls(form, LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_GETMINMAXINFO:
      // A form that sizes itself to its controls keeps that size, whatever its frame allows.
      if (KeepsItsSize(form)) {
        RECT rect{};
        ::GetWindowRect(window, &rect);
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize = POINT{rect.right - rect.left, rect.bottom - rect.top};
        limits->ptMaxTrackSize = limits->ptMinTrackSize;
        return 0;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) {
        LRESULT result = ::DefWindowProcA(window, message, wParam, lParam);
        return Guarded(peer, result, [&] {
          form.Activate();
          FocusDefaultControl(form);
          return result;
        });
      }
      break;
    case WM_QUERYENDSESSION:
      // The application window asks every form, hidden ones and those inside others included.
      return TRUE;
    case WM_ENDSESSION:
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

// A group box is the parent of its controls but, as a BUTTON, drops their notifications and
// colour questions; they go on to the form window instead.
LRESULT CALLBACK GroupBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowPeer* peer = WindowPeer::FromWindow(window);
  if ((message == WM_COMMAND && lParam != 0) || IsColorMessage(message)) {
    HWND form = FormWindowAbove(window);
    if (form != nullptr)
      return ::SendMessageA(form, message, wParam, lParam);
  }
  if (peer == nullptr || peer->OriginalProc() == nullptr)
    return ::DefWindowProcA(window, message, wParam, lParam);
  return ::CallWindowProcA(peer->OriginalProc(), window, message, wParam, lParam);
}

// A picture: stretched over the whole window when its design says Stretch, else at its own size
// in the top left corner, on the background of the control.
LRESULT CALLBACK PictureWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND)
    return 1;  // the paint covers everything
  if (message != WM_PAINT)
    return ::DefWindowProcA(window, message, wParam, lParam);
  PAINTSTRUCT paint{};
  HDC dc = ::BeginPaint(window, &paint);
  RECT client{};
  ::GetClientRect(window, &client);
  WindowPeer* peer = WindowPeer::FromWindow(window);
  const WindowPeer::Dib* picture = peer != nullptr ? peer->Picture() : nullptr;
  if (peer != nullptr)
    ::FillRect(dc, &client, BrushOf(BackgroundOf(peer->Control())));
  if (picture != nullptr) {
    const int width = picture->header.biWidth;
    const int height = picture->header.biHeight;
    const bool stretch = StoredBool(peer->Control(), "Stretch", false);
    const int targetWidth = stretch ? client.right : width;
    const int targetHeight = stretch ? client.bottom : height;
    // Halftone gives the smoothest reduction; systems without it take colour-on-colour.
    if (::SetStretchBltMode(dc, HALFTONE) != 0) {
      ::SetBrushOrgEx(dc, 0, 0, nullptr);
    } else {
      ::SetStretchBltMode(dc, COLORONCOLOR);
    }
    ::StretchDIBits(dc, 0, 0, targetWidth, targetHeight, 0, 0, width, height, picture->bits.data(),
                    reinterpret_cast<const BITMAPINFO*>(&picture->header), DIB_RGB_COLORS, SRCCOPY);
  }
  ::EndPaint(window, &paint);
  return 0;
}

struct WindowKind {
  const char* windowClass;
  DWORD style;
  DWORD exStyle;
};

DWORD EditAlignment(const TControl& control) {
  const std::string alignment = IdentifierOf(control, "Alignment");
  if (alignment == "taCenter")
    return ES_CENTER;
  if (alignment == "taRightJustify")
    return ES_RIGHT;
  return ES_LEFT;
}

// The window class and styles for a framework control class; windowClass is null for a class
// that has no window of its own here.
WindowKind KindOf(const TControl& control) {
  const std::string name = control.ClassName();
  const DWORD tabStop = StoredBool(control, "TabStop", true) ? WS_TABSTOP : 0;
  if (name == "TButton" || name == "TBitBtn")
    return {"BUTTON", tabStop | BS_PUSHBUTTON, 0};
  if (name == "TCheckBox")
    return {"BUTTON", tabStop | BS_AUTOCHECKBOX, 0};
  if (name == "TGroupBox")
    return {"BUTTON", BS_GROUPBOX, WS_EX_CONTROLPARENT};
  if (name == "TMemo") {
    const std::string scrollBars = IdentifierOf(control, "ScrollBars");
    DWORD scroll = 0;
    if (scrollBars == "ssVertical" || scrollBars == "ssBoth")
      scroll |= WS_VSCROLL;
    if (scrollBars == "ssHorizontal" || scrollBars == "ssBoth")
      scroll |= WS_HSCROLL;
    // Without word wrap, lines run on to the right instead of breaking at the edge.
    const DWORD wrap = StoredBool(control, "WordWrap", true) ? 0 : ES_AUTOHSCROLL;
    const DWORD edge = IdentifierOf(control, "BorderStyle") == "bsNone" ? 0 : WS_EX_CLIENTEDGE;
    return {"EDIT",
            tabStop | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | wrap | scroll |
                EditAlignment(control),
            edge};
  }
  if (name == "TEdit")
    return {"EDIT", tabStop | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
  if (name == "TLabel") {
    const std::string alignment = IdentifierOf(control, "Alignment");
    const DWORD align = alignment == "taCenter"         ? SS_CENTER
                        : alignment == "taRightJustify" ? SS_RIGHT
                                                        : SS_LEFT;
    return {"STATIC", align | SS_NOTIFY, 0};
  }
  if (name == "TImage")
    return {kPictureClass, WS_CLIPSIBLINGS, 0};
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

// The image's picture, decoded once, as the bottom-up bitmap StretchDIBits takes.
std::unique_ptr<WindowPeer::Dib> PictureDib(const TImage& image) {
  const TJpegImage* picture = image.Picture();
  if (picture == nullptr)
    return nullptr;
  auto dib = std::make_unique<WindowPeer::Dib>();
  const auto width = static_cast<std::size_t>(picture->Width());
  const auto height = static_cast<std::size_t>(picture->Height());
  const std::size_t stride = (width * 3 + 3) & ~std::size_t{3};
  dib->bits.assign(stride * height, 0);
  for (std::size_t y = 0; y < height; ++y) {
    const uint8_t* in = picture->Row(static_cast<int>(y));
    uint8_t* out = dib->bits.data() + (height - 1 - y) * stride;
    for (std::size_t x = 0; x < width; ++x, in += 3, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
  dib->header.biSize = sizeof dib->header;
  dib->header.biWidth = picture->Width();
  dib->header.biHeight = picture->Height();
  dib->header.biPlanes = 1;
  dib->header.biBitCount = 24;
  dib->header.biCompression = BI_RGB;
  dib->header.biSizeImage = static_cast<DWORD>(dib->bits.size());
  return dib;
}

// The form's window icon from the icon file its design names: the 32 x 32 image for the title
// bar's big icon and Alt+Tab, the 16 x 16 one for the title bar.
void SetFormIcons(const TForm& form, WindowPeer& peer) {
  const DesignValue* stored = form.StoredProperty("Icon");
  const auto* name = stored != nullptr ? std::get_if<std::string>(stored) : nullptr;
  if (name == nullptr)
    return;
  std::optional<std::string> bytes = FindEmbeddedResource(*name);
  if (!bytes)
    return;  // the form's loading has already refused such a design
  std::vector<IconEntry> entries = ParseIconDirectory(*bytes);
  const struct {
    int size;
    WPARAM which;
  } kWanted[] = {{32, ICON_BIG}, {16, ICON_SMALL}};
  for (const auto& wanted : kWanted) {
    auto entry = std::find_if(entries.begin(), entries.end(), [&](const IconEntry& e) {
      return e.width == wanted.size && e.height == wanted.size;
    });
    if (entry == entries.end())
      entry = entries.begin();
    auto* image = reinterpret_cast<PBYTE>(bytes->data() + entry->offset);
    HICON icon = ::CreateIconFromResourceEx(image, static_cast<DWORD>(entry->size), TRUE,
                                            0x00030000, wanted.size, wanted.size, LR_DEFAULTCOLOR);
    if (icon == nullptr)
      continue;
    peer.AddIcon(icon);
    ::SendMessageA(peer.Window(), WM_SETICON, wanted.which, reinterpret_cast<LPARAM>(icon));
  }
}

void CreateFormWindow(TForm& form, HWND owner, HINSTANCE instance) {
  FormFrame frame = FrameOf(form);
  SIZE size = OuterSizeOf(form, frame);
  HWND window = ::CreateWindowExA(frame.exStyle, kFormClass, form.Caption().c_str(),
                                  frame.style | WS_CLIPCHILDREN, form.Left(), form.Top(), size.cx,
                                  size.cy, owner, nullptr, instance, nullptr);
  if (window == nullptr)
    throw std::runtime_error("cannot create the window of " + form.Name());
  WindowPeer* peer = AttachWindow(form, window);
  SetFormIcons(form, *peer);
}

// A label that sizes itself (the default) is as large as its text.
void FitLabelToText(const TControl& control, HWND window) {
  if (!StoredBool(control, "AutoSize", true) || control.Caption().empty())
    return;
  HDC dc = ::GetDC(window);
  if (dc == nullptr)
    return;
  HGDIOBJ previous =
      ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(window, WM_GETFONT, 0, 0)));
  SIZE text{};
  const BOOL measured = ::GetTextExtentPoint32A(dc, control.Caption().c_str(),
                                                static_cast<int>(control.Caption().size()), &text);
  ::SelectObject(dc, previous);
  ::ReleaseDC(window, dc);
  if (measured)
    ::SetWindowPos(window, nullptr, 0, 0, text.cx, std::max<LONG>(text.cy, control.Height()),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
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
  HWND parent = ParentWindowOf(control, formWindow);
  int left = control.Left();
  int top = control.Top();
  int width = control.Width();
  int height = control.Height();
  if (IdentifierOf(control, "Align") == "alClient") {
    RECT client{};
    ::GetClientRect(parent, &client);
    left = top = 0;
    width = client.right;
    height = client.bottom;
  }
  HWND window =
      ::CreateWindowExA(kind.exStyle, kind.windowClass, "", style, left, top, width, height, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (window == nullptr)
    throw std::runtime_error("cannot create the window of " + control.Name());
  WindowPeer* peer = AttachWindow(control, window);
  const std::string className = control.ClassName();
  if (className == "TGroupBox") {
    peer->SetOriginalProc(reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GroupBoxProc))));
  }
  if (auto* image = dynamic_cast<TImage*>(&control))
    peer->SetPicture(PictureDib(*image));
  peer->StateChanged();  // text, check mark and memo lines
  if (className == "TLabel")
    FitLabelToText(control, window);
}

// Tab order: the children of each window in the order of their TabOrder (those without one after
// them, in design order). Dialog navigation follows the windows' Z order.
void ApplyTabOrder(const TControl& parent) {
  std::vector<const TControl*> children(parent.Children().begin(), parent.Children().end());
  std::stable_sort(children.begin(), children.end(), [](const TControl* a, const TControl* b) {
    const int left = a->TabOrder() < 0 ? INT_MAX : a->TabOrder();
    const int right = b->TabOrder() < 0 ? INT_MAX : b->TabOrder();
    return left < right;
  });
  HWND after = HWND_TOP;
  for (const TControl* child : children) {
    auto* peer = dynamic_cast<WindowPeer*>(child->Peer());
    if (peer == nullptr)
      continue;
    ::SetWindowPos(peer->Window(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = peer->Window();
    ApplyTabOrder(*child);
  }
}

HWND WindowOfPeer(const TControl& control) {
  auto* peer = dynamic_cast<WindowPeer*>(control.Peer());
  return peer != nullptr ? peer->Window() : nullptr;
}

}  // namespace

void RegisterFormClass(HINSTANCE instance) {
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = FormWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(1));
  windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kFormClass;
  if (::RegisterClassA(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw std::runtime_error("cannot register the form window class");

  WNDCLASSA pictureClass{};
  pictureClass.lpfnWndProc = PictureWindowProc;
  pictureClass.hInstance = instance;
  pictureClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  pictureClass.lpszClassName = kPictureClass;
  if (::RegisterClassA(&pictureClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw std::runtime_error("cannot register the picture window class");
}

void CreateFormWindows(TForm& form, HWND owner) {
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  CreateFormWindow(form, owner, instance);
  HWND formWindow = WindowOfPeer(form);
  int id = 100;
  for (const auto& control : form.Controls())
    CreateControlWindow(*control, formWindow, instance, id++);
  ApplyTabOrder(form);
  form.Peer()->StateChanged();
}

bool IsFormWindow(HWND window) {
  char name[32] = {};
  return ::GetClassNameA(window, name, sizeof name) > 0 && std::string(name) == kFormClass;
}

HWND FormWindowOf(HWND window) {
  return IsFormWindow(window) ? window : FormWindowAbove(window);
}

void FocusDefaultControl(TForm& form) {
  HWND window = WindowOfPeer(form);
  if (window == nullptr || !::IsWindowVisible(window))
    return;
  // Focus stays where the user put it inside this form.
  HWND focus = ::GetFocus();
  if (focus != nullptr && focus != window && FormWindowOf(focus) == window)
    return;
  // A visible form living inside this one takes the focus in its stead.
  for (const auto& other : form.Application().Forms()) {
    if (other->ParentForm() == &form && other->Visible()) {
      FocusDefaultControl(*other);
      return;
    }
  }
  HWND target = nullptr;
  const std::string active = IdentifierOf(form, "ActiveControl");
  if (TControl* control = active.empty() ? nullptr : form.FindControl(active))
    target = WindowOfPeer(*control);
  if (target == nullptr || !::IsWindowVisible(target) || !::IsWindowEnabled(target))
    target = ::GetNextDlgTabItem(window, nullptr, FALSE);
  if (target != nullptr)
    ::SetFocus(target);
}

void ShowFormWindow(TForm& form, HWND window) {
  // The program may have changed the extended style itself; the frame is drawn anew.
  ::SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  const std::string position = IdentifierOf(form, "Position");
  if (position == "poDesktopCenter" || position == "poScreenCenter" ||
      position == "poMainFormCenter") {
    RECT area{};
    HWND parent = ::GetParent(window);
    if ((::GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0 && parent != nullptr) {
      ::GetClientRect(parent, &area);
    } else if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0)) {
      area = RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    }
    RECT rect{};
    ::GetWindowRect(window, &rect);
    const LONG width = rect.right - rect.left;
    const LONG height = rect.bottom - rect.top;
    ::SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
                   area.top + (area.bottom - area.top - height) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (IdentifierOf(form, "FormStyle") == "fsStayOnTop")
    ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ::ShowWindow(window, IdentifierOf(form, "WindowState") == "wsMaximized" ? SW_SHOWMAXIMIZED
                                                                          : SW_SHOWNORMAL);
  FocusDefaultControl(form);
  // Painted at once: the program may go on working or pausing before it reads messages again.
  ::RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

}  // namespace talvex::win32
