#include "platform/win32/system_libraries.h"

#include <cstdio>
#include <cstdlib>

#include "platform/program_path.h"
#include "platform/win32/system_paths.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_system_folders.h"

namespace talvex::win32 {

namespace {

constexpr char kSetupApi[] = "setupapi.dll";
constexpr char kComctl32[] = "comctl32.dll";
constexpr char kOle32[] = "ole32.dll";

// Finds the entry points of one loaded library; the first one it lacks is recorded on it.
class EntryPoints {
 public:
  explicit EntryPoints(LoadedLibrary& library) : library_(library) {}

  template <class Function>
  void Bind(const char* name, Function& slot) {
    library_.entryPoints.emplace_back(name);
    if (!library_.module)
      return;
    FARPROC proc = ::GetProcAddress(library_.module.get(), name);
    if (proc == nullptr) {
      if (library_.missing.empty()) {
        library_.missing = name;
        library_.error = ::GetLastError();
      }
      return;
    }
    // Through the generic function pointer type, the one conversion GCC accepts silently.
    slot = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
  }

 private:
  LoadedLibrary& library_;
};

LoadedLibrary LoadLibraryOf(const std::string& folder, const char* fileName) {
  LoadedLibrary library;
  library.fileName = fileName;
  library.path = folder.empty() ? std::string() : JoinPath(folder, fileName);
  library.module = LoadFromFolder(folder, fileName);
  if (!library.module)
    library.error = ::GetLastError();
  return library;
}

}  // namespace

SystemLibraries::SystemLibraries(SystemFolders& folders) : folder_(SystemDirectory(folders)) {
  // Reserved, so that the references below stay valid while the others are added.
  libraries_.reserve(3);

  LoadedLibrary& setupApi = libraries_.emplace_back(LoadLibraryOf(folder_, kSetupApi));
  EntryPoints setupApiEntries(setupApi);
  setupApiEntries.Bind("SetupDiGetClassDevsA", setupApi_.SetupDiGetClassDevsA);
  setupApiEntries.Bind("SetupDiEnumDeviceInfo", setupApi_.SetupDiEnumDeviceInfo);
  setupApiEntries.Bind("SetupDiGetDeviceRegistryPropertyA",
                       setupApi_.SetupDiGetDeviceRegistryPropertyA);
  setupApiEntries.Bind("SetupDiRemoveDevice", setupApi_.SetupDiRemoveDevice);
  setupApiEntries.Bind("SetupDiDestroyDeviceInfoList", setupApi_.SetupDiDestroyDeviceInfoList);
  setupApiEntries.Bind("SetupInstallFileA", setupApi_.SetupInstallFileA);
  setupApiUsable_ = setupApi.Usable();

  LoadedLibrary& comctl32 = libraries_.emplace_back(LoadLibraryOf(folder_, kComctl32));
  EntryPoints(comctl32).Bind("InitCommonControlsEx", comctl32_.InitCommonControlsEx);
  comctl32Usable_ = comctl32.Usable();

  LoadedLibrary& ole32 = libraries_.emplace_back(LoadLibraryOf(folder_, kOle32));
  EntryPoints(ole32).Bind("CoGetMalloc", ole32_.CoGetMalloc);
  ole32Usable_ = ole32.Usable();
}

const SetupApiFunctions& SystemLibraries::RequireSetupApi() const {
  if (!setupApiUsable_)
    EndProgram(kSetupApi);
  return setupApi_;
}

const Comctl32Functions& SystemLibraries::RequireComctl32() const {
  if (!comctl32Usable_)
    EndProgram(kComctl32);
  return comctl32_;
}

const Ole32Functions& SystemLibraries::RequireOle32() const {
  if (!ole32Usable_)
    EndProgram(kOle32);
  return ole32_;
}

std::string SystemLibraries::FailureText(const LoadedLibrary& library) const {
  std::string text;
  if (folder_.empty()) {
    text = "The Windows system folder could not be found, so the system file " + library.fileName +
           " could not be loaded.";
  } else if (!library.module) {
    text = "The system file " + library.fileName + " could not be loaded from " + folder_ +
           " (error " + std::to_string(library.error) + ").";
  } else {
    text = "The system file " + library.path + " has no function " + library.missing + ".";
  }
  return text + "\n\nThe program ends here. Nothing has been installed.";
}

const LoadedLibrary& SystemLibraries::Library(const char* fileName) const {
  for (const LoadedLibrary& library : libraries_)
    if (library.fileName == fileName)
      return library;
  return libraries_.front();
}

void SystemLibraries::EndProgram(const char* fileName) const {
  std::string text = FailureText(Library(fileName));
  std::string title = SplitProgramPath(Win32Process().GetModuleFileNameA()).baseName;
  ::MessageBoxA(nullptr, text.c_str(), title.c_str(), MB_OK);
  // As Win32Process::ExitProcess ends the program: buffered output written, exit handlers run.
  std::fflush(nullptr);
  std::exit(1);
}

const SystemLibraries& ProcessLibraries() {
  // Never destroyed: the libraries stay loaded while anything of the program may still call
  // them, exit handlers included, as imported DLLs would.
  static Win32SystemFolders* folders = new Win32SystemFolders();
  static const SystemLibraries* libraries = new SystemLibraries(*folders);
  return *libraries;
}

}  // namespace talvex::win32
