#include "platform/win32/win32_shell.h"

#include <cstring>
#include <vector>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/system_libraries.h"
#include "platform/win32/system_paths.h"
#include "platform/win32/windows_support.h"

namespace talvex::win32 {

namespace {

LPCITEMIDLIST ToWindows(PCIDL pidl) {
  return reinterpret_cast<LPCITEMIDLIST>(pidl);
}
HWND ToWindows(WindowHandle window) {
  return reinterpret_cast<HWND>(window);
}

// Holds one reference to a system COM object and releases it with the wrapper.
template <class System>
class Held {
 public:
  explicit Held(System* object) : object_(object) {}
  ~Held() { object_->Release(); }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  System* operator->() const { return object_; }

 private:
  System* object_;
};

class Win32Malloc final : public ComObject<talvex::IMalloc> {
 public:
  explicit Win32Malloc(::IMalloc* system) : system_(system) {}
  void* Alloc(size_t size) override { return system_->Alloc(size); }
  void Free(void* block) override { system_->Free(block); }
  int DidAlloc(const void* block) override { return system_->DidAlloc(const_cast<void*>(block)); }

 private:
  Held<::IMalloc> system_;
};

class Win32EnumIdList final : public ComObject<talvex::IEnumIDList> {
 public:
  explicit Win32EnumIdList(::IEnumIDList* system) : system_(system) {}
  int32_t Next(uint32_t count, PIDL* items, uint32_t* fetched) override {
    ULONG got = 0;
    HRESULT result =
        system_->Next(count, reinterpret_cast<LPITEMIDLIST*>(items), fetched ? &got : nullptr);
    if (fetched != nullptr)
      *fetched = got;
    return result;
  }
  int32_t Skip(uint32_t count) override { return system_->Skip(count); }
  int32_t Reset() override { return system_->Reset(); }

 private:
  Held<::IEnumIDList> system_;
};

class Win32ShellFolder final : public ComObject<talvex::IShellFolder> {
 public:
  explicit Win32ShellFolder(::IShellFolder* system) : system_(system) {}

  int32_t ParseDisplayName(WindowHandle owner, const char16_t* displayName, uint32_t* eaten,
                           PIDL* pidl, uint32_t* attributes) override {
    ULONG eatenChars = 0;
    ULONG attributeMask = attributes ? *attributes : 0;
    LPITEMIDLIST list = nullptr;
    // The system's signature is not const-correct; it does not write the name.
    HRESULT result = system_->ParseDisplayName(
        ToWindows(owner), nullptr, reinterpret_cast<LPWSTR>(const_cast<char16_t*>(displayName)),
        &eatenChars, &list, attributes ? &attributeMask : nullptr);
    if (eaten != nullptr)
      *eaten = eatenChars;
    if (attributes != nullptr)
      *attributes = attributeMask;
    if (pidl != nullptr)
      *pidl = reinterpret_cast<PIDL>(list);
    return result;
  }

  int32_t EnumObjects(WindowHandle owner, uint32_t flags,
                      ComPtr<talvex::IEnumIDList>* enumerator) override {
    ::IEnumIDList* system = nullptr;
    HRESULT result = system_->EnumObjects(ToWindows(owner), flags, &system);
    *enumerator = system ? MakeComObject<talvex::IEnumIDList, Win32EnumIdList>(system) : nullptr;
    return result;
  }

  int32_t BindToObject(PCIDL pidl, ComPtr<talvex::IShellFolder>* folder) override {
    void* system = nullptr;
    HRESULT result = system_->BindToObject(ToWindows(pidl), nullptr, IID_IShellFolder, &system);
    *folder = (SUCCEEDED(result) && system) ? MakeComObject<talvex::IShellFolder, Win32ShellFolder>(
                                                  static_cast<::IShellFolder*>(system))
                                            : nullptr;
    return result;
  }

  int32_t GetAttributesOf(uint32_t count, const PCIDL* items, uint32_t* inOut) override {
    ULONG attributes = *inOut;
    HRESULT result = system_->GetAttributesOf(
        count, reinterpret_cast<LPCITEMIDLIST*>(const_cast<PCIDL*>(items)), &attributes);
    *inOut = attributes;
    return result;
  }

  int32_t GetDisplayNameOf(PCIDL pidl, uint32_t flags, talvex::STRRET* name) override {
    ::STRRET system;
    std::memset(&system, 0, sizeof system);
    HRESULT result = system_->GetDisplayNameOf(ToWindows(pidl), flags, &system);
    name->uType = system.uType;
    switch (system.uType) {
      case STRRET_WSTR:
        // Allocated with the task allocator; the caller frees it.
        name->pOleStr = reinterpret_cast<char16_t*>(system.pOleStr);
        break;
      case STRRET_OFFSET:
        name->uOffset = system.uOffset;
        break;
      default:
        std::memcpy(name->cStr, system.cStr, sizeof name->cStr);
        break;
    }
    return result;
  }

 private:
  Held<::IShellFolder> system_;
};

using RegisterFn = ULONG(WINAPI*)(HWND, int, LONG, UINT, int, const ::SHChangeNotifyEntry*);
using DeregisterFn = BOOL(WINAPI*)(ULONG);

class Win32Shell32Module final : public Shell32Module {
 public:
  explicit Win32Shell32Module(ScopedModule module) : module_(std::move(module)) {}

  bool GetProcAddress(uint16_t ordinal) override {
    FARPROC proc = ::GetProcAddress(module_.get(), MAKEINTRESOURCEA(ordinal));
    if (proc == nullptr)
      return false;
    // Through the generic function pointer type, the one conversion GCC accepts silently.
    auto generic = reinterpret_cast<void (*)()>(proc);
    if (ordinal == 2)
      register_ = reinterpret_cast<RegisterFn>(generic);
    else if (ordinal == 4)
      deregister_ = reinterpret_cast<DeregisterFn>(generic);
    return true;
  }

  uint32_t SHChangeNotifyRegister(WindowHandle window, int32_t sources, int32_t events,
                                  uint32_t message, int32_t entryCount,
                                  const talvex::SHChangeNotifyEntry* entries) override {
    if (register_ == nullptr || entryCount < 0) {
      ::SetLastError(ERROR_PROC_NOT_FOUND);
      return 0;
    }
    std::vector<::SHChangeNotifyEntry> system(static_cast<size_t>(entryCount));
    for (size_t i = 0; i < system.size(); ++i) {
      system[i].pidl = ToWindows(entries[i].pidl);
      system[i].fRecursive = entries[i].fRecursive;
    }
    return register_(ToWindows(window), sources, events, message, entryCount, system.data());
  }

  bool SHChangeNotifyDeregister(uint32_t handle) override {
    if (deregister_ == nullptr) {
      ::SetLastError(ERROR_PROC_NOT_FOUND);
      return false;
    }
    return deregister_(handle) != FALSE;
  }

 private:
  ScopedModule module_;
  RegisterFn register_ = nullptr;
  DeregisterFn deregister_ = nullptr;
};

}  // namespace

std::unique_ptr<Shell32Module> Win32Shell::LoadShell32() {
  std::string folder = SystemDirectory(folders_);
  if (folder.empty())
    return nullptr;
  ScopedModule module = LoadFromFolder(folder, "shell32.dll");
  if (!module)
    return nullptr;
  return std::make_unique<Win32Shell32Module>(std::move(module));
}

int32_t Win32Shell::CoGetMalloc(uint32_t memoryContext, ComPtr<talvex::IMalloc>* allocator) {
  ::IMalloc* system = nullptr;
  HRESULT result = ProcessLibraries().RequireOle32().CoGetMalloc(memoryContext, &system);
  *allocator = system ? MakeComObject<talvex::IMalloc, Win32Malloc>(system) : nullptr;
  return result;
}

int32_t Win32Shell::SHGetMalloc(ComPtr<talvex::IMalloc>* allocator) {
  ::IMalloc* system = nullptr;
  HRESULT result = ::SHGetMalloc(&system);
  *allocator = system ? MakeComObject<talvex::IMalloc, Win32Malloc>(system) : nullptr;
  return result;
}

int32_t Win32Shell::SHGetDesktopFolder(ComPtr<talvex::IShellFolder>* folder) {
  ::IShellFolder* system = nullptr;
  HRESULT result = ::SHGetDesktopFolder(&system);
  *folder = system ? MakeComObject<talvex::IShellFolder, Win32ShellFolder>(system) : nullptr;
  return result;
}

int32_t Win32Shell::SHGetSpecialFolderLocation(WindowHandle owner, int32_t csidl, PIDL* pidl) {
  LPITEMIDLIST list = nullptr;
  HRESULT result = ::SHGetSpecialFolderLocation(ToWindows(owner), csidl, &list);
  *pidl = reinterpret_cast<PIDL>(list);
  return result;
}

bool Win32Shell::SHGetPathFromIDListA(PCIDL pidl, char* path) {
  return ::SHGetPathFromIDListA(ToWindows(pidl), path) != FALSE;
}

std::uintptr_t Win32Shell::SHGetFileInfoA(PCIDL pidl, uint32_t fileAttributes,
                                          talvex::SHFILEINFOA* info, uint32_t infoSize,
                                          uint32_t flags) {
  if ((flags & SHGFI_PIDL) == 0)
    return 0;
  ::SHFILEINFOA system;
  std::memset(&system, 0, sizeof system);
  DWORD_PTR result = ::SHGetFileInfoA(reinterpret_cast<LPCSTR>(pidl), fileAttributes,
                                      info ? &system : nullptr, info ? sizeof system : 0, flags);
  if (info != nullptr && infoSize >= sizeof *info) {
    info->hIcon = reinterpret_cast<std::uintptr_t>(system.hIcon);
    info->iIcon = system.iIcon;
    info->dwAttributes = system.dwAttributes;
    std::memcpy(info->szDisplayName, system.szDisplayName, sizeof info->szDisplayName);
    std::memcpy(info->szTypeName, system.szTypeName, sizeof info->szTypeName);
  }
  return result;
}

bool Win32Shell::LockWindowUpdate(WindowHandle window) {
  return ::LockWindowUpdate(ToWindows(window)) != FALSE;
}

int Win32Shell::CompareStringA(uint32_t locale, uint32_t flags, const char* string1, int length1,
                               const char* string2, int length2) {
  return ::CompareStringA(locale, flags, string1, length1, string2, length2);
}

int Win32Shell::WideCharToMultiByte(uint32_t codePage, uint32_t flags, const char16_t* wide,
                                    int wideLength, char* buffer, int size) {
  return ::WideCharToMultiByte(codePage, flags, reinterpret_cast<LPCWSTR>(wide), wideLength, buffer,
                               size, nullptr, nullptr);
}

}  // namespace talvex::win32
