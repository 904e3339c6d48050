// newdev.dll, loaded at run time by its full path in the system folder.
#pragma once

#include "platform/newdev.h"
#include "platform/system_folders.h"

namespace talvex::win32 {

class Win32DriverUpdateService final : public DriverUpdateService {
 public:
  // folders gives the system folder that newdev.dll is loaded from.
  explicit Win32DriverUpdateService(SystemFolders& folders) : folders_(folders) {}
  // Never loads through the search path: a setup program runs from download folders and
  // removable media, where a planted newdev.dll beside it must not be picked up. Without a system
  // folder there is no load at all.
  std::unique_ptr<NewdevModule> LoadNewdev() override;

 private:
  SystemFolders& folders_;
};

}  // namespace talvex::win32
