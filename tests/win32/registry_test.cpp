// The registry backend against the registry of the Wine prefix.
#include <gtest/gtest.h>

#include "platform/win32/win32_registry.h"
#include "tests/win32/win32_test_support.h"

namespace talvex::win32 {
namespace {

using testing::TemporaryRegistryKey;

const RegKey kCurrentUser = reinterpret_cast<RegKey>(HKEY_CURRENT_USER);

class RegistryTest : public ::testing::Test {
 protected:
  Win32Registry registry_;
  TemporaryRegistryKey temp_{"registry"};

  RegKey Open(const std::string& path) {
    RegKey key = 0;
    EXPECT_EQ(registry_.RegOpenKeyExA(kCurrentUser, path, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    return key;
  }
};

TEST_F(RegistryTest, StringValueRoundTripWithSizeQueries) {
  ScopedRegKey key(registry_);
  ASSERT_EQ(registry_.RegOpenKeyExA(kCurrentUser, temp_.Path(), 0, KEY_ALL_ACCESS, key.Receive()),
            ERROR_SUCCESS);
  const std::string text = "C:\\Program Files\\Talvex";
  ASSERT_EQ(registry_.RegSetValueExA(key.get(), "Folder", REG_SZ,
                                     reinterpret_cast<const uint8_t*>(text.c_str()),
                                     static_cast<uint32_t>(text.size() + 1)),
            ERROR_SUCCESS);

  // Size only.
  uint32_t type = 0;
  uint32_t size = 0;
  ASSERT_EQ(registry_.RegQueryValueExA(key.get(), "Folder", &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<uint32_t>(REG_SZ));
  EXPECT_EQ(size, text.size() + 1);

  // Too small: the needed size comes back.
  uint8_t small[4] = {};
  size = sizeof small;
  EXPECT_EQ(registry_.RegQueryValueExA(key.get(), "Folder", &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, text.size() + 1);

  std::string data(size, 'x');
  ASSERT_EQ(registry_.RegQueryValueExA(key.get(), "Folder", &type,
                                       reinterpret_cast<uint8_t*>(data.data()), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(data, text + '\0');

  ASSERT_EQ(registry_.RegDeleteValueA(key.get(), "Folder"), ERROR_SUCCESS);
  EXPECT_EQ(registry_.RegQueryValueExA(key.get(), "Folder", &type, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(registry_.RegDeleteValueA(key.get(), "Folder"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, DwordAndMultiStringValuesKeepTheirTypes) {
  ScopedRegKey key(registry_);
  ASSERT_EQ(registry_.RegOpenKeyA(kCurrentUser, temp_.Path(), key.Receive()), ERROR_SUCCESS);
  const uint8_t dword[4] = {0x78, 0x56, 0x34, 0x12};
  const char multi[] = "*KVE0515\0*KVE0516\0";
  ASSERT_EQ(registry_.RegSetValueExA(key.get(), "Count", REG_DWORD, dword, 4), ERROR_SUCCESS);
  ASSERT_EQ(registry_.RegSetValueExA(key.get(), "Ids", REG_MULTI_SZ,
                                     reinterpret_cast<const uint8_t*>(multi), sizeof multi),
            ERROR_SUCCESS);
  uint32_t type = 0;
  uint8_t buffer[64] = {};
  uint32_t size = sizeof buffer;
  ASSERT_EQ(registry_.RegQueryValueExA(key.get(), "Count", &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<uint32_t>(REG_DWORD));
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(buffer[0], 0x78);
  EXPECT_EQ(buffer[3], 0x12);
  size = sizeof buffer;
  ASSERT_EQ(registry_.RegQueryValueExA(key.get(), "Ids", &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<uint32_t>(REG_MULTI_SZ));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), size), std::string(multi, sizeof multi));
}

TEST_F(RegistryTest, SubKeysAreCountedEnumeratedAndDeleted) {
  temp_.CreateSubKey("Alpha");
  temp_.CreateSubKey("Beta");
  temp_.CreateSubKey("Beta\\Inner");
  ScopedRegKey key(registry_);
  *key.Receive() = Open(temp_.Path());
  ASSERT_TRUE(key.valid());

  uint32_t count = 99;
  ASSERT_EQ(registry_.RegQueryInfoKeyA(key.get(), &count), ERROR_SUCCESS);
  EXPECT_EQ(count, 2u);

  std::string first, second, none = "unchanged";
  ASSERT_EQ(registry_.RegEnumKeyExA(key.get(), 0, &first), ERROR_SUCCESS);
  ASSERT_EQ(registry_.RegEnumKeyExA(key.get(), 1, &second), ERROR_SUCCESS);
  EXPECT_EQ(first + "," + second, "Alpha,Beta");
  EXPECT_EQ(registry_.RegEnumKeyExA(key.get(), 2, &none), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(none, "unchanged");

  // A key with sub-keys is not deleted by RegDeleteKeyA on Windows NT; its leaf is.
  EXPECT_NE(registry_.RegDeleteKeyA(key.get(), "Beta"), ERROR_SUCCESS);
  EXPECT_EQ(registry_.RegDeleteKeyA(key.get(), "Beta\\Inner"), ERROR_SUCCESS);
  EXPECT_EQ(registry_.RegDeleteKeyA(key.get(), "Beta"), ERROR_SUCCESS);
  ASSERT_EQ(registry_.RegQueryInfoKeyA(key.get(), &count), ERROR_SUCCESS);
  EXPECT_EQ(count, 1u);
}

TEST_F(RegistryTest, MissingKeysAndLeadingBackslashesAreRefused) {
  RegKey key = 12345;
  EXPECT_EQ(registry_.RegOpenKeyExA(kCurrentUser, temp_.Path() + "\\Missing", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, 0u);
  key = 12345;
  EXPECT_EQ(registry_.RegOpenKeyA(kCurrentUser, temp_.Path() + "\\Missing", &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, 0u);
  // Why the registry object strips a leading backslash before it calls the system.
  EXPECT_EQ(registry_.RegOpenKeyExA(kCurrentUser, "\\" + temp_.Path(), 0, KEY_READ, &key),
            ERROR_BAD_PATHNAME);
}

}  // namespace
}  // namespace talvex::win32
