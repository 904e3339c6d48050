// The version decision: which registry texts give which version class.
#include <gtest/gtest.h>

#include "inspect/windows_version.h"
#include "tests/unit/support/test_machine.h"

namespace talvex {
namespace {

using testing::StringValuesKey;
using testing::TestMachine;

const char kWindowsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char kNtKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion";

WindowsVersionClass Detect(const std::string& registry) {
  TestMachine machine;
  machine.Registry(registry);
  return DetectWindowsVersion(machine.Machine().platform().registry);
}

WindowsVersionClass DetectVersionValue(const std::string& version) {
  return Detect(StringValuesKey(kWindowsKey, {{"Version", version}}));
}

WindowsVersionClass DetectNt(std::initializer_list<std::pair<std::string, std::string>> values) {
  return Detect(StringValuesKey(kWindowsKey, {}) + StringValuesKey(kNtKey, values));
}

TEST(WindowsVersionTest, Windows9xVersionTextIsAPrefixIgnoringCase) {
  EXPECT_EQ(DetectVersionValue("Windows 98"), Win98);
  EXPECT_EQ(DetectVersionValue("WINDOWS 98"), Win98);
  EXPECT_EQ(DetectVersionValue("Windows 98 Second Edition"), Win98);
  EXPECT_EQ(DetectVersionValue("Windows Millennium Edition"), WinMe);
  EXPECT_EQ(DetectVersionValue("windows millennium editio"), WinMe);  // 25 characters suffice
  EXPECT_EQ(DetectVersionValue("Windows Millennium Editi"), VersionUnsupported);
  EXPECT_EQ(DetectVersionValue("Windows 9"), VersionUnsupported);
  // Windows 95 falls through to the NT key, which this machine does not have.
  EXPECT_EQ(DetectVersionValue("Windows 95"), VersionUnsupported);
}

TEST(WindowsVersionTest, NtCurrentVersionDecidesBeforeTheProductName) {
  EXPECT_EQ(DetectNt({{"CurrentVersion", "5.0"}, {"ProductName", "Microsoft Windows XP"}}),
            Win2000);
  EXPECT_EQ(DetectNt({{"CurrentVersion", "5.00"}}), Win2000);
  EXPECT_EQ(DetectNt({{"CurrentVersion", "4.0"}}), WinNT4);
  EXPECT_EQ(DetectNt({{"CurrentVersion", "3.51"}}), WinNT351);
  EXPECT_EQ(DetectNt({{"CurrentVersion", "3.5"}}), VersionUnsupported);
  EXPECT_EQ(DetectNt({{"CurrentVersion", "5.1"}, {"ProductName", "Microsoft Windows XP"}}), WinXP);
  EXPECT_EQ(
      DetectNt({{"CurrentVersion", "5.1"}, {"ProductName", "microsoft windows xp Professional"}}),
      WinXP);
  EXPECT_EQ(DetectNt({{"CurrentVersion", "5.2"}, {"ProductName", "Microsoft Windows Server 2003"}}),
            VersionUnsupported);
  EXPECT_EQ(DetectNt({{"ProductName", "Microsoft Windows XP"}}), WinXP);
  EXPECT_EQ(DetectNt({}), VersionUnsupported);
}

TEST(WindowsVersionTest, MissingKeysGiveUnsupported) {
  EXPECT_EQ(Detect(""), VersionUnsupported);
  // Without the Windows key the NT key is never consulted.
  EXPECT_EQ(Detect(StringValuesKey(kNtKey, {{"CurrentVersion", "5.0"}})), VersionUnsupported);
}

TEST(WindowsVersionTest, ValuesOfOtherTypesAreComparedAsText) {
  // "Windows 98" as REG_BINARY bytes, and as REG_EXPAND_SZ.
  EXPECT_EQ(Detect("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\r\n"
                   "\"Version\"=hex:57,69,6e,64,6f,77,73,20,39,38\r\n\r\n"),
            Win98);
  EXPECT_EQ(Detect("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\r\n"
                   "\"Version\"=hex(2):57,69,6e,64,6f,77,73,20,39,38,00\r\n\r\n"),
            Win98);
  EXPECT_EQ(Detect("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\r\n"
                   "\"Version\"=dword:00000062\r\n\r\n"),
            VersionUnsupported);
}

TEST(WindowsVersionTest, ValuesLongerThanTheOldBufferAreReadSafely) {
  // Longer than 100 bytes: still recognised by its beginning, nothing overflows.
  EXPECT_EQ(DetectVersionValue("Windows 98" + std::string(500, 'x')), Win98);
  EXPECT_EQ(DetectNt({{"CurrentVersion", "5.1"},
                      {"ProductName", "Microsoft Windows XP" + std::string(4000, ' ')}}),
            WinXP);
}

TEST(WindowsVersionTest, OpenedKeysAreClosed) {
  TestMachine machine;
  machine.Registry(testing::WindowsXpKeys());
  EXPECT_EQ(DetectWindowsVersion(machine.Machine().platform().registry), WinXP);
  EXPECT_EQ(machine.Machine().registry().OpenKeyCount(), 0u);
}

}  // namespace
}  // namespace talvex
