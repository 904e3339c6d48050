// The shell namespace over the real shell32 and ole32: each interface object wraps the system's
// own and holds one reference to it.
#pragma once

#include "platform/shell.h"
#include "platform/system_folders.h"

namespace talvex::win32 {

class Win32Shell final : public Shell {
 public:
  // folders gives the system folder that shell32.dll is loaded from.
  explicit Win32Shell(SystemFolders& folders) : folders_(folders) {}

  // By full path only, never through the search path, which includes the program's own folder.
  std::unique_ptr<Shell32Module> LoadShell32() override;
  int32_t CoGetMalloc(uint32_t memoryContext, ComPtr<IMalloc>* allocator) override;
  int32_t SHGetMalloc(ComPtr<IMalloc>* allocator) override;
  int32_t SHGetDesktopFolder(ComPtr<IShellFolder>* folder) override;
  int32_t SHGetSpecialFolderLocation(WindowHandle owner, int32_t csidl, PIDL* pidl) override;
  bool SHGetPathFromIDListA(PCIDL pidl, char* path) override;
  std::uintptr_t SHGetFileInfoA(PCIDL pidl, uint32_t fileAttributes, SHFILEINFOA* info,
                                uint32_t infoSize, uint32_t flags) override;
  bool LockWindowUpdate(WindowHandle window) override;
  int CompareStringA(uint32_t locale, uint32_t flags, const char* string1, int length1,
                     const char* string2, int length2) override;
  int WideCharToMultiByte(uint32_t codePage, uint32_t flags, const char16_t* wide, int wideLength,
                          char* buffer, int size) override;

 private:
  SystemFolders& folders_;
};

}  // namespace talvex::win32
