// Opaque handle values passed between the program logic and a platform backend. They carry the
// bits of the Windows handle; only the backend that issued one knows what it means.
#pragma once

#include <cstdint>

namespace talvex {

using RegKey = std::uintptr_t;        // HKEY
using DevInfoSet = std::uintptr_t;    // HDEVINFO
using WindowHandle = std::uintptr_t;  // HWND

// SP_DEVINFO_DATA: the record SetupAPI fills for one device of a device information set.
struct DevInfoData {
  uint32_t cbSize = 0;
  uint8_t ClassGuid[16] = {};
  uint32_t DevInst = 0;
  std::uintptr_t Reserved = 0;
};

// Owns one handle of a platform interface and gives it back with the interface's close call when it
// goes out of scope. none is the value that owns nothing.
template <class Api, class Handle, auto Close, Handle none = 0>
class ScopedPlatformHandle {
 public:
  explicit ScopedPlatformHandle(Api& api, Handle handle = none) : api_(api), handle_(handle) {}
  ~ScopedPlatformHandle() { Reset(); }
  ScopedPlatformHandle(const ScopedPlatformHandle&) = delete;
  ScopedPlatformHandle& operator=(const ScopedPlatformHandle&) = delete;

  // Where a call stores a new handle; the one held before is closed first.
  Handle* Receive() {
    Reset();
    return &handle_;
  }
  Handle get() const { return handle_; }
  bool valid() const { return handle_ != none; }
  void Reset() {
    if (handle_ != none)
      (api_.*Close)(handle_);
    handle_ = none;
  }

 private:
  Api& api_;
  Handle handle_;
};

}  // namespace talvex
