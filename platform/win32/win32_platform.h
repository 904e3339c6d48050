// The real Windows machine: one of each Win32 backend, handed to the program as a Platform.
#pragma once

#include "platform/platform.h"
#include "platform/win32/win32_console.h"
#include "platform/win32/win32_devices.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_newdev.h"
#include "platform/win32/win32_other_windows.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_session.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_system_folders.h"
#include "platform/win32/win32_thread_errors.h"

namespace talvex::win32 {

class Win32Platform {
 public:
  Win32Platform() = default;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  Platform& Get() { return platform_; }

 private:
  Win32Registry registry_;
  Win32DeviceSetup devices_;
  Win32SystemFolders folders_;
  Win32DriverUpdateService newdev_{folders_};
  Win32Files files_;
  Win32Process process_;
  Win32ThreadErrors errors_;
  Win32Console console_;
  Win32Processes processes_;
  Win32OtherWindows windows_;
  Win32Shell shell_{folders_};
  Win32Session session_;
  Platform platform_{registry_, devices_, newdev_,    files_,   folders_, process_,
                     errors_,   console_, processes_, windows_, shell_,   session_};
};

}  // namespace talvex::win32
