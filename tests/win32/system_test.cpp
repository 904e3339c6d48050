// Folders, the program's own path, error texts, file writing and standard output against
// Wine's kernel32 and msvcrt.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "platform/win32/system_paths.h"
#include "platform/win32/win32_console.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_system_folders.h"
#include "platform/win32/win32_thread_errors.h"
#include "tests/win32/win32_test_support.h"

namespace talvex::win32 {
namespace {

using testing::kLastErrorMarker;

bool IsFolder(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

TEST(SystemFoldersTest, WindowsAndSystemFoldersFollowTheBufferRules) {
  Win32SystemFolders folders;
  char buffer[MAX_PATH] = {};
  uint32_t length = folders.GetWindowsDirectoryA(buffer, sizeof buffer);
  ASSERT_GT(length, 3u);
  ASSERT_LT(length, sizeof buffer);
  std::string windows(buffer, length);
  EXPECT_EQ(windows.size(), std::string(buffer).size());
  EXPECT_TRUE(IsFolder(windows)) << windows;

  // Too small: the size needed, terminating zero included.
  char small[3] = {};
  EXPECT_EQ(folders.GetWindowsDirectoryA(small, sizeof small), length + 1);
  EXPECT_EQ(folders.GetWindowsDirectoryA(nullptr, 0), length + 1);

  std::string system = SystemDirectory(folders);
  EXPECT_TRUE(IsFolder(system)) << system;
  EXPECT_EQ(system.rfind(windows, 0), 0u) << system << " is not inside " << windows;
}

TEST(SystemFoldersTest, JoinPathAddsOneBackslash) {
  EXPECT_EQ(JoinPath("C:\\WINDOWS\\system32", "newdev.dll"), "C:\\WINDOWS\\system32\\newdev.dll");
  EXPECT_EQ(JoinPath("C:\\", "newdev.dll"), "C:\\newdev.dll");
}

// A system folder call that answers with a path longer than the first buffer.
class LongSystemFolder : public SystemFolders {
 public:
  std::string path = "C:\\" + std::string(300, 'x');
  int calls = 0;
  uint32_t GetWindowsDirectoryA(char*, uint32_t) override { return 0; }
  uint32_t GetSystemDirectoryA(char* buffer, uint32_t size) override {
    ++calls;
    if (size <= path.size())
      return static_cast<uint32_t>(path.size() + 1);
    path.copy(buffer, path.size());
    buffer[path.size()] = '\0';
    return static_cast<uint32_t>(path.size());
  }
};

TEST(SystemFoldersTest, SystemDirectoryGrowsItsBuffer) {
  LongSystemFolder folders;
  EXPECT_EQ(SystemDirectory(folders), folders.path);
  EXPECT_EQ(folders.calls, 2);
}

TEST(ProcessTest, ModuleFileNameIsTheRunningProgram) {
  Win32Process process;
  std::string path = process.GetModuleFileNameA();
  ASSERT_GT(path.size(), 4u);
  EXPECT_EQ(path.size(), std::string(path.c_str()).size());
  EXPECT_EQ(::_stricmp(path.substr(path.size() - 4).c_str(), ".exe"), 0) << path;
  EXPECT_NE(::GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
  char raw[MAX_PATH] = {};
  ASSERT_GT(::GetModuleFileNameA(nullptr, raw, MAX_PATH), 0u);
  EXPECT_EQ(path, std::string(raw));
}

TEST(ThreadErrorsTest, LastErrorRoundTrip) {
  Win32ThreadErrors errors;
  errors.SetLastError(kLastErrorMarker);
  EXPECT_EQ(errors.GetLastError(), kLastErrorMarker);
  EXPECT_EQ(::GetLastError(), kLastErrorMarker);
  errors.SetLastError(0);
  EXPECT_EQ(::GetLastError(), 0u);
}

TEST(ThreadErrorsTest, SystemTextsEndWithALineBreak) {
  Win32ThreadErrors errors;
  std::string text;
  ASSERT_TRUE(errors.FormatMessageA(ERROR_FILE_NOT_FOUND, &text));
  ASSERT_GT(text.size(), 2u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << text;
  EXPECT_EQ(text.find('\0'), std::string::npos);
}

TEST(ThreadErrorsTest, SetupApiCodesHaveNoSystemText) {
  Win32ThreadErrors errors;
  std::string text = "unchanged";
  EXPECT_FALSE(errors.FormatMessageA(0xE000020B, &text));  // ERROR_NO_SUCH_DEVINST
  EXPECT_EQ(text, "unchanged");
}

TEST(FilesTest, WritesCreatesAndTruncates) {
  testing::TemporaryFolder folder;
  Win32Files files;
  const std::string path = folder.File("log.txt");
  const std::string first("error = 1\r\nrestart = 0\r\n\0tail", 28);
  ASSERT_TRUE(files.WriteNewFile(path, first));
  EXPECT_EQ(testing::ReadWholeFile(path), first);
  ASSERT_TRUE(files.WriteNewFile(path, "short"));
  EXPECT_EQ(testing::ReadWholeFile(path), "short");
  ASSERT_TRUE(files.WriteNewFile(path, ""));
  EXPECT_EQ(testing::ReadWholeFile(path), "");
}

TEST(FilesTest, MissingFolderFailsWithItsReason) {
  testing::TemporaryFolder folder;
  Win32Files files;
  ::SetLastError(kLastErrorMarker);
  EXPECT_FALSE(files.WriteNewFile(folder.File("missing\\log.txt"), "x"));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

// Standard output stays in the C runtime's text mode, as any Windows program's printf writes:
// a system text's CR LF goes out as CR CR LF.
TEST(ConsoleTest, StandardOutputStaysInTextMode) {
  Win32Console console;
  console.WriteStdout("");
  int descriptor = _fileno(stdout);
  int previous = _setmode(descriptor, _O_BINARY);
  _setmode(descriptor, previous);
  EXPECT_EQ(previous, _O_TEXT);
}

}  // namespace
}  // namespace talvex::win32
