// Suspends the drawing of one window for as long as it lives (LockWindowUpdate). Only the holder
// that took the lock gives it back, so nested holders leave drawing suspended until the outermost
// one ends, however it ends.
#pragma once

#include "platform/shell.h"

namespace talvex {

class DrawingSuspended {
 public:
  DrawingSuspended(Shell& shell, WindowHandle window)
      : shell_(shell), locked_(shell.LockWindowUpdate(window)) {}
  ~DrawingSuspended() {
    if (locked_)
      shell_.LockWindowUpdate(0);
  }
  DrawingSuspended(const DrawingSuspended&) = delete;
  DrawingSuspended& operator=(const DrawingSuspended&) = delete;

 private:
  Shell& shell_;
  bool locked_;
};

}  // namespace talvex
