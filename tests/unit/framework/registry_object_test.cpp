// The framework's registry object: rooted paths, tree deletion, the write error.
#include <gtest/gtest.h>

#include "framework/registry_object.h"
#include "tests/unit/support/test_machine.h"

namespace talvex {
namespace {

using testing::StringValuesKey;
using testing::TestMachine;

TEST(TRegistryTest, ALeadingBackslashIsAPathFromTheRootKey) {
  TestMachine machine;
  machine.Registry(StringValuesKey("SOFTWARE\\A\\B", {{"V", "1"}}));
  Registry& registry = machine.Machine().platform().registry;
  RegKey ignored = 0;
  // The platform itself refuses the backslash, as Windows does.
  EXPECT_EQ(registry.RegOpenKeyExA(0x80000002u, "\\SOFTWARE\\A", 0, 0xF003F, &ignored), 161);

  TRegistry object(registry);
  ASSERT_TRUE(object.OpenKey("\\SOFTWARE\\A", false));
  // Relative to the open key, then rooted again.
  ASSERT_TRUE(object.OpenKey("B", false));
  EXPECT_EQ(object.ReadString("V"), "1");
  EXPECT_TRUE(object.OpenKey("\\SOFTWARE", false));
  EXPECT_FALSE(object.OpenKey("\\SOFTWARE\\Missing", false));
  EXPECT_EQ(machine.Machine().registry_store().FindKey("SOFTWARE\\Missing"), nullptr);
  object.CloseKey();
  EXPECT_EQ(machine.Machine().registry().OpenKeyCount(), 0u);
}

TEST(TRegistryTest, DeleteKeyRemovesTheWholeTreeAndKeepsTheParent) {
  TestMachine machine;
  machine.Registry(StringValuesKey("SOFTWARE\\P\\K\\A\\Deep", {{"x", "1"}}) +
                   StringValuesKey("SOFTWARE\\P\\K\\B", {}) +
                   StringValuesKey("SOFTWARE\\P\\Other", {}));
  TRegistry object(machine.Machine().platform().registry);
  EXPECT_TRUE(object.DeleteKey("\\SOFTWARE\\P\\K"));
  EXPECT_FALSE(object.DeleteKey("\\SOFTWARE\\P\\K"));  // already gone: no error raised
  sim::RegistryStore saved = machine.SavedRegistry();
  EXPECT_EQ(saved.FindKey("SOFTWARE\\P\\K"), nullptr);
  EXPECT_NE(saved.FindKey("SOFTWARE\\P\\Other"), nullptr);
  EXPECT_EQ(machine.Machine().registry().OpenKeyCount(), 0u);
}

TEST(TRegistryTest, WriteStringStoresTheTerminatedTextOrRaises) {
  TestMachine machine;
  machine.Ini("[failures]\r\nRegSetValueExA Locked = always\r\n")
      .Registry(StringValuesKey("SOFTWARE\\K", {}));
  TRegistry object(machine.Machine().platform().registry);
  ASSERT_TRUE(object.OpenKey("\\SOFTWARE\\K", false));
  object.WriteString("Empty", "");
  object.WriteString("Text", "abc");
  sim::RegKeyNode* key = machine.Machine().registry_store().FindKey("SOFTWARE\\K");
  EXPECT_EQ(key->FindValue("Empty")->data, (std::vector<uint8_t>{0}));
  EXPECT_EQ(key->FindValue("Empty")->type, 1u);
  EXPECT_EQ(key->FindValue("Text")->data, (std::vector<uint8_t>{'a', 'b', 'c', 0}));
  EXPECT_THROW(object.WriteString("Locked", "x"), ERegistryException);
  EXPECT_TRUE(object.ValueExists("Text"));
  EXPECT_TRUE(object.DeleteValue("Text"));
  EXPECT_FALSE(object.ValueExists("Text"));
  EXPECT_FALSE(object.DeleteValue("Text"));
}

TEST(TRegistryTest, ReadStringGivesTextsAndRefusesOtherTypesThatHoldData) {
  TestMachine machine;
  machine.Registry(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\K]\r\n"
      "\"Text\"=\"D:\\\\WIN98\"\r\n"
      "\"Expand\"=hex(2):25,57,49,4e,25,00\r\n"
      "\"Cut\"=hex(1):61,00,62,00\r\n"
      "\"Number\"=dword:00000001\r\n"
      "\"NoData\"=hex:\r\n"
      "\r\n");
  TRegistry object(machine.Machine().platform().registry);
  ASSERT_TRUE(object.OpenKey("\\SOFTWARE\\K", false));
  EXPECT_EQ(object.ReadString("Text"), "D:\\WIN98");
  EXPECT_EQ(object.ReadString("Expand"), "%WIN%");  // read as stored, not expanded
  EXPECT_EQ(object.ReadString("Cut"), "a");
  EXPECT_EQ(object.ReadString("Absent"), "");
  EXPECT_EQ(object.ReadString("NoData"), "");  // no data: nothing to refuse
  try {
    object.ReadString("Number");
    ADD_FAILURE() << "a number read as text";
  } catch (const ERegistryException& error) {
    EXPECT_STREQ(error.what(), "Invalid data type for 'Number'");
  }
}

}  // namespace
}  // namespace talvex
