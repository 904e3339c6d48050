// A window message as handlers see it, and the method that receives the messages of a window.
#pragma once

#include <cstdint>
#include <functional>

namespace talvex {

struct TMessage {
  uint32_t Msg = 0;
  std::uintptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
};

using TWndMethod = std::function<void(TMessage& message)>;

// Message numbers the framework itself handles.
inline constexpr uint32_t kWmQueryEndSession = 0x0011;
inline constexpr uint32_t kWmLButtonDblClk = 0x0203;
inline constexpr uint32_t kWmUser = 0x0400;

}  // namespace talvex
