// The simulated machine's shell.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/shell.h"
#include "platform/sim/sim_task_allocator.h"

namespace talvex::sim {

class SimShell : public Shell {
 public:
  SimShell() = default;

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

  SimTaskAllocator& allocator() { return allocator_; }
  // The window whose drawing is suspended, 0 when none.
  WindowHandle LockedWindow() const { return locked_; }

 private:
  SimTaskAllocator allocator_;
  WindowHandle locked_ = 0;
};

}  // namespace talvex::sim
