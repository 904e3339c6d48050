// The real window behind one control or form, kept in step with the control's state.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/form.h"
#include "platform/win32/scoped_handle.h"

namespace talvex::win32 {

class WindowPeer final : public ControlPeer {
 public:
  // Takes ownership of the window and its font; the window was created at the control's bounds. The
  // window's user data points at the peer so that window procedures find it; it is cleared before
  // the window is destroyed.
  WindowPeer(TControl& control, HWND window, HFONT font);
  ~WindowPeer() override;
  WindowPeer(const WindowPeer&) = delete;
  WindowPeer& operator=(const WindowPeer&) = delete;

  HWND Window() const { return window_.get(); }
  TControl& Control() const { return control_; }
  // The form the control belongs to (the control itself for a form).
  TForm& OwnerForm() const;

  // Re-applies the control's text, bounds, enabled, visible and checked states and memo lines.
  void StateChanged() override;
  // A WM_COMMAND notification the control's window sent to its parent.
  void Command(unsigned notification);

  // Keeps the window procedure a group box had, which its replacement hands messages on to.
  void SetOriginalProc(WNDPROC proc) { original_proc_ = proc; }
  WNDPROC OriginalProc() const { return original_proc_; }

  // A picture's pixels as a bottom-up 24-bit device-independent bitmap, ready for StretchDIBits.
  struct Dib {
    BITMAPINFOHEADER header{};
    std::vector<uint8_t> bits;
  };
  void SetPicture(std::unique_ptr<Dib> picture) { picture_ = std::move(picture); }
  const Dib* Picture() const { return picture_.get(); }
  // The window icons (big and small) the peer owns while its window shows them.
  void AddIcon(HICON icon) { icons_.emplace_back(icon); }

  // The peer behind a window of ours, or null.
  static WindowPeer* FromWindow(HWND window);

 private:
  struct Bounds {
    int left, top, width, height;
    bool operator==(const Bounds&) const = default;
  };
  std::string DisplayText() const;
  // The text the window shows now.
  std::string WindowText() const;

  struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { ::DestroyIcon(h); }
  };

  TControl& control_;
  ScopedWindow window_;
  std::unique_ptr<Dib> picture_;
  std::vector<ScopedHandle<IconTraits>> icons_;  // released after the window is gone
  ScopedGdiObject font_;
  WNDPROC original_proc_ = nullptr;
  Bounds bounds_;  // as the window was last placed
};

}  // namespace talvex::win32
