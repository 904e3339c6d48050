#include "framework/win32/win32_ui_backend.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <stdexcept>
#include <vector>

#include "framework/application.h"
#include "framework/form.h"
#include "framework/win32/control_windows.h"
#include "framework/win32/window_peer.h"
#include "platform/program_path.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/windows_support.h"

namespace talvex::win32 {

namespace {

constexpr char kApplicationClass[] = "TalvexApplication";

// Gives keyboard navigation (Tab, arrow keys, default buttons) to the form a message is for: the
// nearest form, also when it lives inside another form.
bool HandledByForm(MSG& message) {
  HWND form = message.hwnd != nullptr ? FormWindowOf(message.hwnd) : nullptr;
  if (form == nullptr)
    return false;
  return ::IsDialogMessageA(form, &message) != FALSE;
}

// The hidden application window answers Windows' questions at the end of a session for the whole
// program: every form is asked whether it may close, and a session that ends ends the program.
LRESULT CALLBACK ApplicationWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* application = reinterpret_cast<TApplication*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (application != nullptr && message == WM_QUERYENDSESSION) {
    try {
      return application->QueryEndSession() ? TRUE : FALSE;
    } catch (const std::exception& error) {
      application->ShowException(error);
      return TRUE;
    }
  }
  if (application != nullptr && message == WM_ENDSESSION) {
    if (wParam != FALSE) {
      // Windows ends the process once every program has answered; it ends here, as the end of
      // the message loop would, with its files flushed.
      application->Terminate();
      std::fflush(nullptr);
      std::exit(0);
    }
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

void Dispatch(MSG& message) {
  if (HandledByForm(message))
    return;
  ::TranslateMessage(&message);
  ::DispatchMessageA(&message);
}

}  // namespace

std::string ProgramBaseName() {
  return SplitProgramPath(Win32Process().GetModuleFileNameA()).baseName;
}

void ShowExceptionBox(WindowHandle owner, const std::string& caption, const std::string& text) {
  ::MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
}

Win32UiBackend::Win32UiBackend() {
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  RegisterFormClass(instance);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = ApplicationWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(1));
  windowClass.lpszClassName = kApplicationClass;
  if (::RegisterClassA(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw std::runtime_error("cannot register the application window class");
  HWND window = ::CreateWindowExA(0, kApplicationClass, ProgramBaseName().c_str(),
                                  WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0,
                                  nullptr, nullptr, instance, nullptr);
  if (window == nullptr)
    throw std::runtime_error("cannot create the application window");
  application_window_ = reinterpret_cast<WindowHandle>(window);
}

Win32UiBackend::~Win32UiBackend() {
  HWND window = reinterpret_cast<HWND>(application_window_);
  if (window != nullptr && ::IsWindow(window)) {
    ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    ::DestroyWindow(window);
  }
}

int Win32UiBackend::MessageBoxA(WindowHandle owner, const std::string& text,
                                const std::string& caption, uint32_t type) {
  return ::MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), type);
}

void Win32UiBackend::ShowException(const std::string& caption, const std::string& text) {
  ShowExceptionBox(application_window_, caption, text);
}

void Win32UiBackend::FormCreated(TForm& form) {
  HWND window = reinterpret_cast<HWND>(application_window_);
  ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&form.Application()));
  CreateFormWindows(form, window);
}

void Win32UiBackend::FormVisibilityChanged(TForm&) {}

void Win32UiBackend::ProcessMessages(TApplication& application) {
  MSG message{};
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      application.Terminate();
      return;
    }
    Dispatch(message);
  }
}

void Win32UiBackend::Run(TApplication& application) {
  MSG message{};
  // Terminate is called from inside a handler, so the loop looks again after every message.
  while (!application.Terminated()) {
    BOOL result = ::GetMessageA(&message, nullptr, 0, 0);
    if (result == 0) {
      application.Terminate();  // WM_QUIT
      return;
    }
    if (result == -1)
      return;
    Dispatch(message);
  }
}

void Win32UiBackend::RunModal(TApplication& application, TForm& form) {
  // The other top-level forms take no input meanwhile; forms inside them follow their parent.
  std::vector<HWND> disabled;
  for (const auto& other : application.Forms()) {
    HWND window = reinterpret_cast<HWND>(WindowOf(*other));
    if (other.get() == &form || other->ParentForm() != nullptr || window == nullptr)
      continue;
    if (::IsWindowEnabled(window)) {
      ::EnableWindow(window, FALSE);
      disabled.push_back(window);
    }
  }
  MSG message{};
  while (form.Visible() && !application.Terminated()) {
    BOOL result = ::GetMessageA(&message, nullptr, 0, 0);
    if (result == 0) {
      // The quit message belongs to the outer loop too.
      application.Terminate();
      ::PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (result == -1)
      break;
    Dispatch(message);
  }
  for (HWND window : disabled)
    ::EnableWindow(window, TRUE);
}

void Win32UiBackend::SetParentForm(TForm& child, TForm& parent) {
  HWND childWindow = reinterpret_cast<HWND>(WindowOf(child));
  HWND parentWindow = reinterpret_cast<HWND>(WindowOf(parent));
  if (childWindow == nullptr || parentWindow == nullptr || ::GetParent(childWindow) == parentWindow)
    return;
  // The window stays where it is on the screen, now in the parent's client coordinates.
  RECT rect{};
  ::GetWindowRect(childWindow, &rect);
  ::MapWindowPoints(HWND_DESKTOP, parentWindow, reinterpret_cast<POINT*>(&rect), 2);
  LONG style = ::GetWindowLongA(childWindow, GWL_STYLE);
  // A child window draws over its siblings (the parent's picture) only where they do not.
  ::SetWindowLongA(childWindow, GWL_STYLE,
                   (style & ~static_cast<LONG>(WS_POPUP)) | WS_CHILD | WS_CLIPSIBLINGS);
  ::SetParent(childWindow, parentWindow);
  ::SetWindowPos(childWindow, HWND_TOP, rect.left, rect.top, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

WindowHandle Win32UiBackend::FormHandle(TForm& form) {
  return WindowOf(form);
}

WindowHandle Win32UiBackend::WindowOf(const TControl& control) {
  if (auto* peer = dynamic_cast<WindowPeer*>(control.Peer()))
    return reinterpret_cast<WindowHandle>(peer->Window());
  // Controls with a peer of their own kind (the tree view) name their window themselves.
  return control.Peer() != nullptr ? control.Peer()->Handle() : 0;
}

}  // namespace talvex::win32
