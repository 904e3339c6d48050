// The thread's last-error code and the system's texts for error codes (kernel32).
#pragma once

#include <cstdint>
#include <string>

namespace talvex {

class ThreadErrors {
 public:
  virtual ~ThreadErrors() = default;
  virtual uint32_t GetLastError() = 0;
  virtual void SetLastError(uint32_t code) = 0;
  // FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, ..., code,
  // LANG_USER_DEFAULT, ...): the system text of the code, with its own line break, or false when
  // the system has none. The allocated text is freed before returning.
  virtual bool FormatMessageA(uint32_t code, std::string* text) = 0;
};

}  // namespace talvex
