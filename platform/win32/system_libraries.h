// The system DLLs that the programs users run load themselves instead of importing them.
//
// Windows resolves a program's imports before any of its code runs, and looks for each imported
// DLL that is not one of the system's known DLLs in the program's own folder first: a
// setupapi.dll or comctl32.dll in the download folder beside Setup.exe would be loaded in place
// of the system's. So the programs import only known DLLs (cmake/windows-known-dlls.txt), and
// load every other system DLL here, by its full path in the system folder, as they start.
#pragma once

#include <string>
#include <vector>

#include "platform/system_folders.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/windows_support.h"

// Needs windows.h first.
#include <commctrl.h>

namespace talvex::win32 {

// The functions of setupapi.dll that the device and file backends call.
struct SetupApiFunctions {
  decltype(&::SetupDiGetClassDevsA) SetupDiGetClassDevsA = nullptr;
  decltype(&::SetupDiEnumDeviceInfo) SetupDiEnumDeviceInfo = nullptr;
  decltype(&::SetupDiGetDeviceRegistryPropertyA) SetupDiGetDeviceRegistryPropertyA = nullptr;
  decltype(&::SetupDiRemoveDevice) SetupDiRemoveDevice = nullptr;
  decltype(&::SetupDiDestroyDeviceInfoList) SetupDiDestroyDeviceInfoList = nullptr;
  decltype(&::SetupInstallFileA) SetupInstallFileA = nullptr;
};

// The function of comctl32.dll that registers the tree view's window class.
struct Comctl32Functions {
  decltype(&::InitCommonControlsEx) InitCommonControlsEx = nullptr;
};

// The function of ole32.dll that gives the shell's task allocator.
struct Ole32Functions {
  decltype(&::CoGetMalloc) CoGetMalloc = nullptr;
};

// One loaded system DLL and what became of its loading.
struct LoadedLibrary {
  std::string fileName;                  // "setupapi.dll"
  std::string path;                      // the full path it was loaded from, or would have been
  ScopedModule module;                   // empty when the DLL did not load
  std::string missing;                   // the first entry point it lacks, if any
  std::vector<std::string> entryPoints;  // every entry point looked up in it, in order
  DWORD error = ERROR_SUCCESS;

  bool Usable() const { return module.valid() && missing.empty(); }
};

// setupapi.dll, comctl32.dll and ole32.dll, loaded from the system folder with every entry point
// the programs call. A library that did not load, or lacks an entry point, leaves its functions
// null; the programs end at the first call that needs it (RequireSetupApi and the others).
class SystemLibraries {
 public:
  explicit SystemLibraries(SystemFolders& folders);
  SystemLibraries(const SystemLibraries&) = delete;
  SystemLibraries& operator=(const SystemLibraries&) = delete;

  // The system folder the libraries were looked for in; empty when it could not be had.
  const std::string& SystemFolder() const { return folder_; }
  // Every library in the order of loading.
  const std::vector<LoadedLibrary>& Libraries() const { return libraries_; }

  // The entry points, or null when their library is not usable.
  const SetupApiFunctions* SetupApi() const { return setupApiUsable_ ? &setupApi_ : nullptr; }
  const Comctl32Functions* Comctl32() const { return comctl32Usable_ ? &comctl32_ : nullptr; }
  const Ole32Functions* Ole32() const { return ole32Usable_ ? &ole32_ : nullptr; }

  // The entry points; when their library is not usable, the program ends here: a plain message
  // box saying which system file could not be loaded, then exit code 1. The first call of each
  // comes before the program changes anything on the machine.
  const SetupApiFunctions& RequireSetupApi() const;
  const Comctl32Functions& RequireComctl32() const;
  const Ole32Functions& RequireOle32() const;

  // The text of that message box for a library that is not usable.
  std::string FailureText(const LoadedLibrary& library) const;

 private:
  const LoadedLibrary& Library(const char* fileName) const;
  [[noreturn]] void EndProgram(const char* fileName) const;

  std::string folder_;
  std::vector<LoadedLibrary> libraries_;
  SetupApiFunctions setupApi_;
  Comctl32Functions comctl32_;
  Ole32Functions ole32_;
  bool setupApiUsable_ = false;
  bool comctl32Usable_ = false;
  bool ole32Usable_ = false;
};

// The process's own system libraries, loaded from the real system folder at the first call and
// kept loaded until the process ends, as imported DLLs would be.
const SystemLibraries& ProcessLibraries();

}  // namespace talvex::win32
