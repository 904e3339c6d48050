// Owners of Windows handles: each releases its handle once, when it goes out of scope.
#pragma once

#include <utility>

#include "platform/win32/windows_support.h"

namespace talvex::win32 {

// Traits give the empty value and the release call of one kind of handle.
template <class Traits>
class ScopedHandle {
 public:
  using Handle = typename Traits::Handle;

  ScopedHandle() = default;
  explicit ScopedHandle(Handle handle) : handle_(handle) {}
  ~ScopedHandle() { Reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other)
      Reset(other.Release());
    return *this;
  }

  Handle get() const { return handle_; }
  bool valid() const { return Traits::IsValid(handle_); }
  explicit operator bool() const { return valid(); }

  Handle Release() { return std::exchange(handle_, Traits::Invalid()); }
  // Releases the handle it holds; keeps the thread's last error, which callers report after
  // their handles are gone.
  void Reset(Handle handle = Traits::Invalid()) {
    if (valid()) {
      DWORD error = ::GetLastError();
      Traits::Close(handle_);
      ::SetLastError(error);
    }
    handle_ = handle;
  }

 private:
  Handle handle_ = Traits::Invalid();
};

// A kernel object handle (files) whose empty value is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
using ScopedFileHandle = ScopedHandle<FileHandleTraits>;

struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::FreeLibrary(h); }
};
using ScopedModule = ScopedHandle<ModuleTraits>;

// Memory that a system call allocated with LocalAlloc (FormatMessageA's text).
struct LocalMemoryTraits {
  using Handle = HLOCAL;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::LocalFree(h); }
};
using ScopedLocalMemory = ScopedHandle<LocalMemoryTraits>;

struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DeleteObject(h); }
};
using ScopedGdiObject = ScopedHandle<GdiObjectTraits>;

struct WindowTraits {
  using Handle = HWND;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  // A child window is already gone when its parent was destroyed first.
  static void Close(Handle h) {
    if (::IsWindow(h))
      ::DestroyWindow(h);
  }
};
using ScopedWindow = ScopedHandle<WindowTraits>;

}  // namespace talvex::win32
