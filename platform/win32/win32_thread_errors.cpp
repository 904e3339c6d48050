#include "platform/win32/win32_thread_errors.h"

#include "platform/win32/scoped_handle.h"
#include "platform/win32/windows_support.h"

namespace talvex::win32 {

uint32_t Win32ThreadErrors::GetLastError() {
  return ::GetLastError();
}

void Win32ThreadErrors::SetLastError(uint32_t code) {
  ::SetLastError(code);
}

bool Win32ThreadErrors::FormatMessageA(uint32_t code, std::string* text) {
  // The system allocates the text; the owner frees it with LocalFree on every path. Inserts
  // ("%1") are left as they are: a system text with inserts and no arguments would otherwise make
  // the call read arguments that do not exist.
  char* message = nullptr;
  DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, LANG_USER_DEFAULT, reinterpret_cast<LPSTR>(&message), 0, nullptr);
  ScopedLocalMemory owner(message);
  if (length == 0 || message == nullptr)
    return false;
  if (text != nullptr)
    text->assign(message, length);
  return true;
}

}  // namespace talvex::win32
