// The system DLLs that the programs load themselves: from the system folder only, by full path,
// with every entry point they call, and what the programs are told when that fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "platform/win32/library_search.h"
#include "platform/win32/system_libraries.h"
#include "platform/win32/system_paths.h"
#include "platform/win32/win32_system_folders.h"
#include "tests/win32/win32_test_support.h"

namespace talvex::win32 {
namespace {

using testing::FixedSystemFolder;

std::string ModulePath(HMODULE module) {
  char path[MAX_PATH + 1] = {};
  DWORD length = ::GetModuleFileNameA(module, path, MAX_PATH);
  return std::string(path, length);
}

bool SameText(const std::string& a, const std::string& b) {
  return ::lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

std::string RealSystemFolder() {
  Win32SystemFolders folders;
  return SystemDirectory(folders);
}

TEST(SystemLibrariesTest, LoadsEachLibraryWithItsEntryPointsFromTheSystemFolder) {
  Win32SystemFolders folders;
  SystemLibraries libraries(folders);
  const std::string system = RealSystemFolder();
  ASSERT_FALSE(system.empty());
  EXPECT_EQ(libraries.SystemFolder(), system);

  ASSERT_EQ(libraries.Libraries().size(), 3u);
  for (const LoadedLibrary& library : libraries.Libraries()) {
    EXPECT_TRUE(library.Usable()) << library.fileName << " error " << library.error << " missing "
                                  << library.missing;
    EXPECT_TRUE(SameText(library.path, JoinPath(system, library.fileName))) << library.path;
    // The module is the one in the system folder, whatever else has that name.
    EXPECT_TRUE(SameText(ModulePath(library.module.get()), library.path))
        << ModulePath(library.module.get());
  }
  ASSERT_NE(libraries.SetupApi(), nullptr);
  const SetupApiFunctions& setupApi = libraries.RequireSetupApi();
  EXPECT_NE(setupApi.SetupDiGetClassDevsA, nullptr);
  EXPECT_NE(setupApi.SetupDiEnumDeviceInfo, nullptr);
  EXPECT_NE(setupApi.SetupDiGetDeviceRegistryPropertyA, nullptr);
  EXPECT_NE(setupApi.SetupDiRemoveDevice, nullptr);
  EXPECT_NE(setupApi.SetupDiDestroyDeviceInfoList, nullptr);
  EXPECT_NE(setupApi.SetupInstallFileA, nullptr);
  EXPECT_NE(libraries.RequireComctl32().InitCommonControlsEx, nullptr);
  EXPECT_NE(libraries.RequireOle32().CoGetMalloc, nullptr);

  // The entry points work: the task allocator hands out memory.
  ::IMalloc* allocator = nullptr;
  ASSERT_EQ(libraries.RequireOle32().CoGetMalloc(1, &allocator), S_OK);
  ASSERT_NE(allocator, nullptr);
  void* block = allocator->Alloc(16);
  EXPECT_NE(block, nullptr);
  allocator->Free(block);
  allocator->Release();
}

// The three DLLs are loaded in this process already (the test program imports setupapi.dll), and
// a load by bare name would find them. A system folder without them must still load nothing: the
// libraries come from that folder or from nowhere.
TEST(SystemLibrariesTest, AFolderWithoutTheLibrariesLoadsNoneOfThem) {
  ASSERT_NE(::GetModuleHandleA("setupapi.dll"), nullptr);
  testing::TemporaryFolder empty;
  FixedSystemFolder folders(empty.Path());
  SystemLibraries libraries(folders);
  ASSERT_EQ(libraries.Libraries().size(), 3u);
  for (const LoadedLibrary& library : libraries.Libraries()) {
    EXPECT_FALSE(library.module.valid()) << library.fileName;
    EXPECT_FALSE(library.Usable()) << library.fileName;
    EXPECT_EQ(library.error, static_cast<DWORD>(ERROR_MOD_NOT_FOUND)) << library.fileName;
  }
  EXPECT_EQ(libraries.SetupApi(), nullptr);
  EXPECT_EQ(libraries.Comctl32(), nullptr);
  EXPECT_EQ(libraries.Ole32(), nullptr);

  const std::string text = libraries.FailureText(libraries.Libraries().front());
  EXPECT_NE(text.find("setupapi.dll"), std::string::npos) << text;
  EXPECT_NE(text.find(empty.Path()), std::string::npos) << text;
  EXPECT_NE(text.find("error 126"), std::string::npos) << text;
  EXPECT_NE(text.find("Nothing has been installed."), std::string::npos) << text;
}

TEST(SystemLibrariesTest, NoSystemFolderMeansNoLoadAtAll) {
  FixedSystemFolder folders("");
  SystemLibraries libraries(folders);
  EXPECT_EQ(libraries.SystemFolder(), "");
  for (const LoadedLibrary& library : libraries.Libraries()) {
    EXPECT_FALSE(library.module.valid()) << library.fileName;
    EXPECT_EQ(library.path, "") << library.fileName;
  }
  const std::string text = libraries.FailureText(libraries.Libraries()[1]);
  EXPECT_NE(text.find("system folder could not be found"), std::string::npos) << text;
  EXPECT_NE(text.find("comctl32.dll"), std::string::npos) << text;
}

TEST(SystemLibrariesTest, LoadFromFolderNeverSearches) {
  ::SetLastError(testing::kLastErrorMarker);
  EXPECT_FALSE(LoadFromFolder("", "setupapi.dll").valid());
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  ScopedModule module = LoadFromFolder(RealSystemFolder(), "shell32.dll");
  ASSERT_TRUE(module.valid());
  EXPECT_TRUE(SameText(ModulePath(module.get()), JoinPath(RealSystemFolder(), "shell32.dll")));
}

// The allowlist's functions per DLL (lower-case DLL names), as scripts/check-imports.sh reads it.
std::map<std::string, std::set<std::string>> ReadAllowlist(const std::string& path) {
  std::map<std::string, std::set<std::string>> functions;
  std::ifstream in(path);
  std::string line;
  std::string dll;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    line.erase(std::remove_if(line.begin(), line.end(),
                              [](unsigned char c) { return std::isspace(c) != 0; }),
               line.end());
    if (line.empty())
      continue;
    if (line.front() == '[' && line.back() == ']') {
      dll = line.substr(1, line.size() - 2);
      std::transform(dll.begin(), dll.end(), dll.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      continue;
    }
    functions[dll].insert(line);
  }
  return functions;
}

// The entry points looked up at run time are no imports, so the load check cannot see them; the
// same rule holds for them: each is in the allowlist, exported by Windows 98 SE and 2000.
TEST(SystemLibrariesTest, EveryEntryPointLookedUpIsInTheProductsAllowlist) {
  const auto allowed = ReadAllowlist(TALVEX_PRODUCT_IMPORTS_PATH);
  ASSERT_FALSE(allowed.empty()) << "cannot read " << TALVEX_PRODUCT_IMPORTS_PATH;
  for (const LoadedLibrary& library : ProcessLibraries().Libraries()) {
    EXPECT_FALSE(library.entryPoints.empty()) << library.fileName;
    auto section = allowed.find(library.fileName);
    ASSERT_NE(section, allowed.end()) << "no [" << library.fileName << "] in the allowlist";
    for (const std::string& name : library.entryPoints)
      EXPECT_EQ(section->second.count(name), 1u)
          << library.fileName << " " << name << " is looked up but not in the allowlist";
  }
}

TEST(SystemLibrariesTest, TheProcessLibrariesAreLoadedOnceAndStay) {
  const SystemLibraries& first = ProcessLibraries();
  EXPECT_EQ(&first, &ProcessLibraries());
  ASSERT_NE(first.SetupApi(), nullptr);
  EXPECT_EQ(first.SystemFolder(), RealSystemFolder());
}

// uxtheme.dll, which Windows' window code loads by name, is loaded ahead from the system folder,
// so that the later load by name finds it. This also narrows this test process's DLL search, as
// the programs do at their start; the other tests load by full path only.
TEST(LibrarySearchTest, LoadsByNameLaterDllsAheadFromTheSystemFolder) {
  Win32SystemFolders folders;
  LibrarySearchProtection protection = ProtectLibrarySearch(folders);
  // Wine offers both; Windows XP SP1 on offers the second, Windows 8 on both.
  EXPECT_TRUE(protection.currentFolderOut);
  EXPECT_TRUE(protection.systemFolderOnly);
  ASSERT_EQ(protection.preloaded.size(), 1u);
  EXPECT_TRUE(SameText(protection.preloaded[0], JoinPath(RealSystemFolder(), "uxtheme.dll")))
      << protection.preloaded[0];
  HMODULE loaded = ::GetModuleHandleA("uxtheme.dll");
  ASSERT_NE(loaded, nullptr);
  EXPECT_TRUE(SameText(ModulePath(loaded), protection.preloaded[0]));
  // A load by name now answers with that module.
  HMODULE byName = ::LoadLibraryA("uxtheme.dll");
  EXPECT_EQ(byName, loaded);
  if (byName != nullptr)
    ::FreeLibrary(byName);
}

}  // namespace
}  // namespace talvex::win32
