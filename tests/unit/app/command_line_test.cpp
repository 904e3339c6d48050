// The command-line switch and the program path split.
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "platform/program_path.h"

namespace talvex {
namespace {

TEST(CommandLineTest, OnlyDashSAsTheFirstArgumentSelectsTheUnattendedRun) {
  EXPECT_TRUE(WantsUnattendedInstallation({"-s"}));
  EXPECT_TRUE(WantsUnattendedInstallation({"-S"}));
  EXPECT_TRUE(WantsUnattendedInstallation({"-s", "anything"}));
  for (const char* other : {"/s", "s", "--s", "-s1", "-sx", "-", "", " -s", "-s "})
    EXPECT_FALSE(WantsUnattendedInstallation({other})) << "'" << other << "'";
  EXPECT_FALSE(WantsUnattendedInstallation({}));
  EXPECT_FALSE(WantsUnattendedInstallation({"-x", "-s"}));
  EXPECT_FALSE(WantsUnattendedInstallation({"-s" + std::string(300, 's')}));
}

TEST(ProgramPathTest, SplitsDriveDirectoryNameAndExtension) {
  ProgramPathParts parts = SplitProgramPath("D:\\SETUP\\SETUP.EXE");
  EXPECT_EQ(parts.drive, "D:");
  EXPECT_EQ(parts.directory, "\\SETUP\\");
  EXPECT_EQ(parts.baseName, "SETUP");
  EXPECT_EQ(parts.extension, ".EXE");
  EXPECT_EQ(ProgramFolderOf("D:\\SETUP\\SETUP.EXE"), "D:\\SETUP\\");
}

TEST(ProgramPathTest, RootNetworkAndDottedPaths) {
  EXPECT_EQ(ProgramFolderOf("D:\\Setup.exe"), "D:\\");
  ProgramPathParts network = SplitProgramPath("\\\\server\\share\\drivers\\Setup.exe");
  EXPECT_EQ(network.drive, "");
  EXPECT_EQ(network.directory, "\\\\server\\share\\drivers\\");
  ProgramPathParts dotted = SplitProgramPath("C:\\my.drivers\\setup");
  EXPECT_EQ(dotted.directory, "\\my.drivers\\");
  EXPECT_EQ(dotted.baseName, "setup");
  EXPECT_EQ(dotted.extension, "");
  ProgramPathParts twoDots = SplitProgramPath("C:\\x\\setup.v2.exe");
  EXPECT_EQ(twoDots.baseName, "setup.v2");
  EXPECT_EQ(twoDots.extension, ".exe");
}

TEST(ProgramPathTest, LongPathsAreKeptWhole) {
  std::string folder = "E:\\" + std::string(150, 'a') + "\\" + std::string(150, 'b') + "\\";
  EXPECT_EQ(ProgramFolderOf(folder + "Setup.exe"), folder);
}

}  // namespace
}  // namespace talvex
