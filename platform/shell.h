// The shell namespace (shell32, ole32) and the few user32/kernel32 calls that go with showing it:
// shell folders and their enumerators, special folder locations, file-system paths, icons of the
// system image list, the task allocator, change notification bound from shell32 by export ordinal,
// suspended drawing and the user's locale comparison.
//
// Calls keep the shape of their Windows originals: an int32_t result is an HRESULT (negative means
// failure), out parameters receive counted references (ComPtr) or item ID lists allocated with the
// task allocator, which the caller frees with IMalloc::Free.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/com_ptr.h"
#include "platform/handles.h"
#include "platform/item_id_list.h"

namespace talvex {

// The task allocator (IMalloc of MEMCTX_TASK): item ID lists and wide names that the shell hands
// out are its blocks.
class IMalloc : public IUnknown {
 public:
  virtual void* Alloc(size_t size) = 0;
  // Null is ignored.
  virtual void Free(void* block) = 0;
  // 1 when the block is one of this allocator's, 0 when it is not, -1 when it cannot tell.
  virtual int DidAlloc(const void* block) = 0;
};

// STRRET: a display name as the shell returns it.
struct STRRET {
  uint32_t uType = 0;  // STRRET_WSTR, STRRET_OFFSET or STRRET_CSTR
  union {
    char16_t* pOleStr;  // STRRET_WSTR: allocated with the task allocator; the receiver frees it
    uint32_t uOffset;   // STRRET_OFFSET: byte offset of an 8-bit string inside the item ID list
    char cStr[260];     // STRRET_CSTR
  };
  STRRET() : cStr{} {}
};

// Enumerates the items of one folder, one relative single-item list at a time.
class IEnumIDList : public IUnknown {
 public:
  // Up to count items into items[]; each list is the caller's to free with the task allocator.
  // S_OK when all count were fetched, S_FALSE (or a failure) otherwise; fetched may be null when
  // count is 1.
  virtual int32_t Next(uint32_t count, PIDL* items, uint32_t* fetched) = 0;
  virtual int32_t Skip(uint32_t count) = 0;
  virtual int32_t Reset() = 0;
};

// One folder of the namespace. Item ID lists passed in are relative to this folder.
class IShellFolder : public IUnknown {
 public:
  // displayName: a name relative to this folder (for My Computer a drive root "C:\"), wide as on
  // Windows. eaten and attributes may be null; *attributes is in-out like GetAttributesOf's mask.
  // *pidl receives a list allocated with the task allocator, or null on failure.
  virtual int32_t ParseDisplayName(WindowHandle owner, const char16_t* displayName, uint32_t* eaten,
                                   PIDL* pidl, uint32_t* attributes) = 0;
  // SHCONTF_* flags. owner may receive the shell's messages (a drive without a medium).
  virtual int32_t EnumObjects(WindowHandle owner, uint32_t flags,
                              ComPtr<IEnumIDList>* enumerator) = 0;
  // The IShellFolder of the item (no bind context).
  virtual int32_t BindToObject(PCIDL pidl, ComPtr<IShellFolder>* folder) = 0;
  // *inOut: the SFGAO_* attributes asked for on entry, the subset that applies to every item on
  // return.
  virtual int32_t GetAttributesOf(uint32_t count, const PCIDL* items, uint32_t* inOut) = 0;
  // SHGDN_* flags; the name comes back in one of the STRRET forms.
  virtual int32_t GetDisplayNameOf(PCIDL pidl, uint32_t flags, STRRET* name) = 0;
};

// SHChangeNotifyEntry: what to watch. A null list is the desktop, that is the whole namespace.
struct SHChangeNotifyEntry {
  PCIDL pidl = nullptr;
  int32_t fRecursive = 0;
};

// SHFILEINFOA.
struct SHFILEINFOA {
  std::uintptr_t hIcon = 0;
  int32_t iIcon = 0;
  uint32_t dwAttributes = 0;
  char szDisplayName[260] = {};
  char szTypeName[80] = {};
};

// shell32.dll loaded at run time; destroying it frees the library. Change notification is bound
// by export ordinal, as shell32 exports it without a name on older Windows.
class Shell32Module {
 public:
  virtual ~Shell32Module() = default;
  // GetProcAddress by ordinal: true when the library exports it. Ordinal 2 binds
  // SHChangeNotifyRegister, ordinal 4 SHChangeNotifyDeregister.
  virtual bool GetProcAddress(uint16_t ordinal) = 0;
  // Both return 0 / false without calling anything when their ordinal has not been bound.
  // sources: SHCNRF_* flags; events: SHCNE_* mask. Each change is posted to window as message,
  // wParam pointing to two item ID list pointers (the event's two items), lParam the event.
  // Returns the registration handle, 0 on failure.
  virtual uint32_t SHChangeNotifyRegister(WindowHandle window, int32_t sources, int32_t events,
                                          uint32_t message, int32_t entryCount,
                                          const SHChangeNotifyEntry* entries) = 0;
  virtual bool SHChangeNotifyDeregister(uint32_t handle) = 0;
};

class Shell {
 public:
  virtual ~Shell() = default;

  // LoadLibraryA of shell32.dll by full path from the system folder (no error box while loading);
  // null when it cannot be loaded.
  virtual std::unique_ptr<Shell32Module> LoadShell32() = 0;

  // CoGetMalloc(MEMCTX_TASK) and SHGetMalloc: the one task allocator.
  virtual int32_t CoGetMalloc(uint32_t memoryContext, ComPtr<IMalloc>* allocator) = 0;
  virtual int32_t SHGetMalloc(ComPtr<IMalloc>* allocator) = 0;

  virtual int32_t SHGetDesktopFolder(ComPtr<IShellFolder>* folder) = 0;
  // The absolute item ID list of a CSIDL_* folder, allocated with the task allocator.
  virtual int32_t SHGetSpecialFolderLocation(WindowHandle owner, int32_t csidl, PIDL* pidl) = 0;
  // path: a buffer of MAX_PATH (260) characters. False (and path empty) for an item that has no
  // file-system path.
  virtual bool SHGetPathFromIDListA(PCIDL pidl, char* path) = 0;
  // The item ID list form only: flags must hold SHGFI_PIDL. With SHGFI_SYSICONINDEX the result is
  // the system image list's handle (small or large by SHGFI_SMALLICON) and info->iIcon the item's
  // index in it (its open-state icon with SHGFI_OPENICON); 0 on failure.
  virtual std::uintptr_t SHGetFileInfoA(PCIDL pidl, uint32_t fileAttributes, SHFILEINFOA* info,
                                        uint32_t infoSize, uint32_t flags) = 0;

  // user32 LockWindowUpdate: suspends drawing of one window; 0 resumes. Fails (false) while
  // another window is locked.
  virtual bool LockWindowUpdate(WindowHandle window) = 0;
  // kernel32 CompareStringA: CSTR_LESS_THAN, CSTR_EQUAL or CSTR_GREATER_THAN, 0 on failure. A
  // length of -1 means up to the terminating zero.
  virtual int CompareStringA(uint32_t locale, uint32_t flags, const char* string1, int length1,
                             const char* string2, int length2) = 0;
  // kernel32 WideCharToMultiByte into the ANSI code page (CP_ACP), characters that have no 8-bit
  // form becoming '?'. wideLength -1: up to and with the terminating zero. size 0: returns the
  // size needed. Returns the bytes written, 0 on failure.
  virtual int WideCharToMultiByte(uint32_t codePage, uint32_t flags, const char16_t* wide,
                                  int wideLength, char* buffer, int size) = 0;
};

}  // namespace talvex
