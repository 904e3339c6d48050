// Small RAII owners for the Win32 handles the Wine test helpers use.
#pragma once

#include <windows.h>
// Needs <windows.h> first.
#include <cfgmgr32.h>
#include <setupapi.h>

#include <cstdio>
#include <utility>

namespace wine_test {

// Owns a handle and releases it with the given function; moves, never copies.
template <typename Handle, auto Release, Handle Invalid>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle handle) : handle_(handle) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, Invalid)) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, Invalid);
    }
    return *this;
  }
  ~Owned() { reset(); }

  Handle get() const { return handle_; }
  Handle* out() {
    reset();
    return &handle_;
  }
  explicit operator bool() const { return handle_ != Invalid; }

 private:
  void reset() {
    if (handle_ != Invalid)
      Release(std::exchange(handle_, Invalid));
  }
  Handle handle_ = Invalid;
};

inline void CloseKey(HKEY key) {
  RegCloseKey(key);
}
inline void CloseFile(FILE* file) {
  std::fclose(file);
}

using RegKey = Owned<HKEY, CloseKey, nullptr>;
using FileHandle = Owned<FILE*, CloseFile, nullptr>;

// HDEVINFO's invalid value is INVALID_HANDLE_VALUE, which is not a constant expression.
class DevInfoSet {
 public:
  explicit DevInfoSet(HDEVINFO set) : set_(set) {}
  DevInfoSet(const DevInfoSet&) = delete;
  DevInfoSet& operator=(const DevInfoSet&) = delete;
  ~DevInfoSet() {
    if (valid())
      SetupDiDestroyDeviceInfoList(set_);
  }
  HDEVINFO get() const { return set_; }
  bool valid() const { return set_ != INVALID_HANDLE_VALUE; }

 private:
  HDEVINFO set_;
};

}  // namespace wine_test
