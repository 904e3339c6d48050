// The application-wide screen state: the mouse cursor shown over every window of the program.
#pragma once

#include "framework/ui_backend.h"

namespace talvex {

inline constexpr int crDefault = 0;
inline constexpr int crHourGlass = -11;
inline constexpr int crDrag = -12;

class TScreen {
 public:
  explicit TScreen(UiBackend& ui) : ui_(ui) {}
  int Cursor() const { return cursor_; }
  void SetCursor(int cursor) {
    cursor_ = cursor;
    ui_.CursorChanged(cursor);
  }

 private:
  UiBackend& ui_;
  int cursor_ = crDefault;
};

}  // namespace talvex
