#include "platform/sim/sim_shell.h"

#include <cstring>

#include "platform/sim/reg_store.h"
#include "platform/winconst.h"

namespace talvex::sim {

namespace {

// Upper case of a Windows-1252 character as the English locale folds it: a to z, the accented
// letters of 0xE0 to 0xFE (not the division sign), and the three letters with a capital elsewhere.
uint8_t FoldCp1252(uint8_t c) {
  if (c >= 'a' && c <= 'z')
    return static_cast<uint8_t>(c - 'a' + 'A');
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
    return static_cast<uint8_t>(c - 0x20);
  switch (c) {
    case 0x9A:  // s caron
      return 0x8A;
    case 0x9C:  // oe
      return 0x8C;
    case 0x9E:  // z caron
      return 0x8E;
    case 0xFF:  // y diaeresis
      return 0x9F;
    default:
      return c;
  }
}

}  // namespace

std::unique_ptr<Shell32Module> SimShell::LoadShell32() {
  return nullptr;
}

int32_t SimShell::CoGetMalloc(uint32_t memoryContext, ComPtr<IMalloc>* allocator) {
  if (allocator == nullptr)
    return win::E_INVALIDARG;
  if (memoryContext != win::MEMCTX_TASK) {
    *allocator = nullptr;
    return win::E_INVALIDARG;
  }
  *allocator = allocator_.Get();
  return win::S_OK;
}

int32_t SimShell::SHGetMalloc(ComPtr<IMalloc>* allocator) {
  return CoGetMalloc(win::MEMCTX_TASK, allocator);
}

int32_t SimShell::SHGetDesktopFolder(ComPtr<IShellFolder>* folder) {
  if (folder != nullptr)
    *folder = nullptr;
  return win::E_NOTIMPL;
}

int32_t SimShell::SHGetSpecialFolderLocation(WindowHandle, int32_t, PIDL* pidl) {
  if (pidl != nullptr)
    *pidl = nullptr;
  return win::E_NOTIMPL;
}

bool SimShell::SHGetPathFromIDListA(PCIDL, char* path) {
  if (path != nullptr)
    path[0] = '\0';
  return false;
}

std::uintptr_t SimShell::SHGetFileInfoA(PCIDL, uint32_t, SHFILEINFOA*, uint32_t, uint32_t) {
  return 0;
}

bool SimShell::LockWindowUpdate(WindowHandle window) {
  if (window == 0) {
    locked_ = 0;
    return true;
  }
  // One window at a time, as on Windows: locking while any window is locked fails.
  if (locked_ != 0)
    return false;
  locked_ = window;
  return true;
}

int SimShell::CompareStringA(uint32_t, uint32_t flags, const char* string1, int length1,
                             const char* string2, int length2) {
  if (string1 == nullptr || string2 == nullptr)
    return 0;
  size_t size1 = length1 < 0 ? std::strlen(string1) : static_cast<size_t>(length1);
  size_t size2 = length2 < 0 ? std::strlen(string2) : static_cast<size_t>(length2);
  bool ignoreCase = (flags & win::NORM_IGNORECASE) != 0;
  for (size_t i = 0; i < size1 && i < size2; ++i) {
    uint8_t a = static_cast<uint8_t>(string1[i]);
    uint8_t b = static_cast<uint8_t>(string2[i]);
    if (ignoreCase) {
      a = FoldCp1252(a);
      b = FoldCp1252(b);
    }
    if (a != b)
      return a < b ? win::CSTR_LESS_THAN : win::CSTR_GREATER_THAN;
  }
  if (size1 == size2)
    return win::CSTR_EQUAL;
  return size1 < size2 ? win::CSTR_LESS_THAN : win::CSTR_GREATER_THAN;
}

int SimShell::WideCharToMultiByte(uint32_t codePage, uint32_t, const char16_t* wide, int wideLength,
                                  char* buffer, int size) {
  if (wide == nullptr || codePage != win::CP_ACP || size < 0)
    return 0;
  size_t count = 0;
  if (wideLength < 0) {
    while (wide[count] != 0)
      ++count;
    ++count;  // the terminating zero is converted too
  } else {
    count = static_cast<size_t>(wideLength);
  }
  if (size == 0)
    return static_cast<int>(count);
  if (count > static_cast<size_t>(size))
    return 0;  // ERROR_INSUFFICIENT_BUFFER
  for (size_t i = 0; i < count; ++i)
    buffer[i] = static_cast<char>(Utf16ToCp1252(wide[i]));
  return static_cast<int>(count);
}

}  // namespace talvex::sim
