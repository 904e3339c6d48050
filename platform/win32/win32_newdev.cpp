#include "platform/win32/win32_newdev.h"

#include "platform/win32/scoped_handle.h"
#include "platform/win32/system_paths.h"
#include "platform/win32/windows_support.h"

namespace talvex::win32 {

namespace {

using UpdateDriverFn = BOOL(WINAPI*)(HWND, LPCSTR, LPCSTR, DWORD, PBOOL);

class Win32NewdevModule final : public NewdevModule {
 public:
  explicit Win32NewdevModule(ScopedModule module) : module_(std::move(module)) {}

  bool GetProcAddress(const std::string& name) override {
    FARPROC proc = ::GetProcAddress(module_.get(), name.c_str());
    if (proc == nullptr)
      return false;
    if (name == "UpdateDriverForPlugAndPlayDevicesA") {
      // Through the generic function pointer type, the one conversion GCC accepts silently.
      update_ = reinterpret_cast<UpdateDriverFn>(reinterpret_cast<void (*)()>(proc));
    }
    return true;
  }

  bool UpdateDriverForPlugAndPlayDevicesA(WindowHandle parent, const std::string& hardwareId,
                                          const std::string& fullInfPath, uint32_t installFlags,
                                          int32_t* rebootRequired) override {
    if (update_ == nullptr) {
      ::SetLastError(ERROR_PROC_NOT_FOUND);
      return false;
    }
    BOOL reboot = FALSE;
    BOOL ok = update_(reinterpret_cast<HWND>(parent), hardwareId.c_str(), fullInfPath.c_str(),
                      installFlags, &reboot);
    if (rebootRequired != nullptr)
      *rebootRequired = reboot;
    // A success leaves 0 as the last error, as every successful device-installation call does.
    if (ok)
      ::SetLastError(ERROR_SUCCESS);
    return ok != FALSE;
  }

 private:
  ScopedModule module_;  // freed when the module object goes
  UpdateDriverFn update_ = nullptr;
};

}  // namespace

std::unique_ptr<NewdevModule> Win32DriverUpdateService::LoadNewdev() {
  std::string folder = SystemDirectory(folders_);
  if (folder.empty())
    return nullptr;
  ScopedModule module = LoadFromFolder(folder, "newdev.dll");
  if (!module)
    return nullptr;
  return std::make_unique<Win32NewdevModule>(std::move(module));
}

}  // namespace talvex::win32
