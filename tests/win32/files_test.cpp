// Opening for reading, folder creation and SetupAPI's single-file copy against Wine.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_files.h"
#include "tests/win32/win32_test_support.h"

namespace talvex::win32 {
namespace {

using testing::kLastErrorMarker;
using testing::ReadWholeFile;

bool IsFolder(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

TEST(FilesTest, CanOpenForReadingOnlyExistingFilesAndClosesThem) {
  testing::TemporaryFolder folder;
  Win32Files files;
  const std::string path = folder.File("smclib.vxd");
  ASSERT_TRUE(files.WriteNewFile(path, "vxd"));
  EXPECT_TRUE(files.CanOpenForReading(path));
  // The handle is closed again: the file can be deleted at once.
  EXPECT_TRUE(::DeleteFileA(path.c_str())) << ::GetLastError();
  EXPECT_FALSE(files.CanOpenForReading(path));
  EXPECT_FALSE(files.CanOpenForReading(folder.File("missing\\smclib.vxd")));
  // A folder is no file to read.
  EXPECT_FALSE(files.CanOpenForReading(folder.Path()));
}

TEST(FilesTest, CanOpenForReadingFailsWhileAnotherHolderDeniesSharing) {
  testing::TemporaryFolder folder;
  Win32Files files;
  const std::string path = folder.File("locked.exe");
  ASSERT_TRUE(files.WriteNewFile(path, "MZ"));
  HANDLE locked = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(files.CanOpenForReading(path));
  ::CloseHandle(locked);
  EXPECT_TRUE(files.CanOpenForReading(path));
}

TEST(FilesTest, CreateDirectoryMakesOneLevelOnly) {
  testing::TemporaryFolder folder;
  Win32Files files;
  const std::string inf = folder.File("inf");
  ASSERT_TRUE(files.CreateDirectoryA(inf));
  const std::string other = inf + "\\other";
  EXPECT_TRUE(files.CreateDirectoryA(other));
  EXPECT_TRUE(IsFolder(other));

  ::SetLastError(kLastErrorMarker);
  EXPECT_FALSE(files.CreateDirectoryA(other));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));

  ::SetLastError(kLastErrorMarker);
  EXPECT_FALSE(files.CreateDirectoryA(folder.File("missing\\other")));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(IsFolder(folder.File("missing")));
}

// The package layout in short: a source folder with a blank in its path, a target that gets
// another name than the source.
class SetupInstallFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(files.CreateDirectoryA(source));
    ASSERT_TRUE(files.CreateDirectoryA(target));
  }
  testing::TemporaryFolder folder;
  Win32Files files;
  const std::string source = folder.File("Talvex Setup");
  const std::string target = folder.File("inf other");
  const std::string targetFile = target + "\\Korvane Electronics CorpKVSCR.inf";
};

TEST_F(SetupInstallFileTest, CopiesAndReplacesByFullTargetPath) {
  const std::string first("[Version]\r\nSignature=\"$Windows 95$\"\r\n\0\xff", 40);
  ASSERT_TRUE(files.WriteNewFile(source + "\\kvscr.inf", first));
  ASSERT_TRUE(files.SetupInstallFileA("kvscr.inf", source, targetFile, SP_COPY_SOURCEPATH_ABSOLUTE))
      << ::GetLastError();
  EXPECT_EQ(ReadWholeFile(targetFile), first);
  EXPECT_EQ(ReadWholeFile(source + "\\kvscr.inf"), first) << "the source must stay";

  // A second run over an installed system overwrites the target, also with a shorter file.
  ASSERT_TRUE(files.WriteNewFile(source + "\\kvscr.inf", "new"));
  ::SetLastError(kLastErrorMarker);
  ASSERT_TRUE(files.SetupInstallFileA("kvscr.inf", source, targetFile, SP_COPY_SOURCEPATH_ABSOLUTE))
      << ::GetLastError();
  EXPECT_EQ(::GetLastError(), 0u) << "a successful copy leaves no error";
  EXPECT_EQ(ReadWholeFile(targetFile), "new");
}

TEST_F(SetupInstallFileTest, MissingSourceOrTargetFolderFails) {
  ASSERT_TRUE(files.WriteNewFile(targetFile, "old"));
  ::SetLastError(kLastErrorMarker);
  EXPECT_FALSE(
      files.SetupInstallFileA("kvscr.inf", source, targetFile, SP_COPY_SOURCEPATH_ABSOLUTE));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(ReadWholeFile(targetFile), "old");

  ASSERT_TRUE(files.WriteNewFile(source + "\\kvscr.sys", "sys"));
  const std::string noFolder = folder.File("system32\\drivers\\KVSCR.sys");
  ::SetLastError(kLastErrorMarker);
  EXPECT_FALSE(files.SetupInstallFileA("kvscr.sys", source, noFolder, SP_COPY_SOURCEPATH_ABSOLUTE));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(IsFolder(folder.File("system32")));
}

}  // namespace
}  // namespace talvex::win32
