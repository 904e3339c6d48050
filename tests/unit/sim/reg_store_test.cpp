// The key tree of the simulated HKEY_LOCAL_MACHINE: lookup, order, paths, deletion, code page.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/sim/reg_store.h"

namespace talvex::sim {
namespace {

RegValue Value(const std::string& name, uint32_t type, std::vector<uint8_t> data) {
  return RegValue{name, type, std::move(data)};
}

std::vector<std::string> SubkeyNames(const RegKeyNode& key) {
  std::vector<std::string> names;
  for (const auto& child : key.subkeys())
    names.push_back(child->name());
  return names;
}

TEST(RegKeyNodeTest, NamesMatchWithoutCaseButKeepTheirSpelling) {
  RegKeyNode key("Key");
  RegKeyNode* child = key.AddSubkey("CurrentControlSet");
  EXPECT_EQ(key.FindSubkey("CURRENTCONTROLSET"), child);
  EXPECT_EQ(key.AddSubkey("currentcontrolset"), child);
  EXPECT_EQ(child->name(), "CurrentControlSet");

  key.SetValue(Value("InfPath", 1, {'a', 0}));
  key.SetValue(Value("INFPATH", 1, {'b', 0}));
  ASSERT_EQ(key.values().size(), 1u);
  EXPECT_EQ(key.values()[0].name, "InfPath");
  EXPECT_EQ(key.FindValue("infpath")->data, (std::vector<uint8_t>{'b', 0}));
}

TEST(RegKeyNodeTest, CaseFoldingIsAsciiOnly) {
  EXPECT_TRUE(NamesEqual("Hardware_ID-9", "hARDWARE_id-9"));
  // 0xE9 'é' and 0xC9 'É' are different names: the fold must not depend on the C locale.
  EXPECT_FALSE(NamesEqual("\xE9", "\xC9"));
  EXPECT_FALSE(NamesEqual("ab", "abc"));
  // '@' (0x40) and '`' (0x60) differ from 'A'/'a' by the case bit but are not letters.
  EXPECT_FALSE(NamesEqual("@", "`"));
}

TEST(RegKeyNodeTest, OrderIsKeptAndNewItemsGoLast) {
  RegKeyNode key("Key");
  key.AddSubkey("Zeta");
  key.AddSubkey("Alpha");
  key.AddSubkey("Mid");
  key.SetValue(Value("b", 4, {1, 0, 0, 0}));
  key.SetValue(Value("a", 4, {2, 0, 0, 0}));
  key.SetValue(Value("B", 3, {9}));  // replaced in place, not moved
  key.SetValue(Value("c", 3, {}));

  EXPECT_EQ(SubkeyNames(key), (std::vector<std::string>{"Zeta", "Alpha", "Mid"}));
  ASSERT_EQ(key.values().size(), 3u);
  EXPECT_EQ(key.values()[0], Value("b", 3, {9}));
  EXPECT_EQ(key.values()[1].name, "a");
  EXPECT_EQ(key.values()[2].name, "c");

  EXPECT_TRUE(key.RemoveSubkey("ALPHA"));
  EXPECT_FALSE(key.RemoveSubkey("Alpha"));
  key.AddSubkey("Alpha");
  EXPECT_EQ(SubkeyNames(key), (std::vector<std::string>{"Zeta", "Mid", "Alpha"}));
  EXPECT_TRUE(key.RemoveValue("A"));
  EXPECT_FALSE(key.RemoveValue("a"));
  EXPECT_EQ(key.FindValue("a"), nullptr);
}

TEST(RegistryStoreTest, CreateKeyMakesParentsThatOutliveTheChild) {
  RegistryStore store;
  RegKeyNode* leaf = store.CreateKey("SYSTEM\\CurrentControlSet\\Enum");
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(store.FindKey("system\\currentcontrolset\\ENUM"), leaf);
  EXPECT_EQ(store.CreateKey("SYSTEM\\CURRENTCONTROLSET\\enum"), leaf);
  EXPECT_EQ(&store.root(), store.FindKey(""));

  EXPECT_TRUE(store.DeleteKey("SYSTEM\\CurrentControlSet\\Enum"));
  EXPECT_EQ(store.FindKey("SYSTEM\\CurrentControlSet\\Enum"), nullptr);
  EXPECT_NE(store.FindKey("SYSTEM\\CurrentControlSet"), nullptr);
  EXPECT_FALSE(store.DeleteKey("SYSTEM\\CurrentControlSet\\Enum"));
}

TEST(RegistryStoreTest, DeleteKeyRemovesTheWholeSubtreeOnly) {
  RegistryStore store;
  store.CreateKey("A\\B\\C")->SetValue(Value("v", 4, {1, 2, 3, 4}));
  store.CreateKey("A\\B2");
  EXPECT_TRUE(store.DeleteKey("a\\b"));
  EXPECT_EQ(store.FindKey("A\\B\\C"), nullptr);
  EXPECT_NE(store.FindKey("A\\B2"), nullptr);
  EXPECT_FALSE(store.DeleteKey(""));
  EXPECT_FALSE(store.DeleteKey("Missing\\B2"));
}

TEST(RegistryStoreTest, FindKeyNeverCreates) {
  RegistryStore store;
  EXPECT_EQ(store.FindKey("A\\B"), nullptr);
  EXPECT_TRUE(store.root().subkeys().empty());
}

TEST(RegistryStoreTest, PathsWithEmptyOrOversizedNamesAreRefused) {
  RegistryStore store;
  store.CreateKey("A\\B");
  for (const std::string path : {"\\A", "A\\\\B", "A\\", "\\", "A\\B\\"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(store.FindKey(path), nullptr);
    EXPECT_EQ(store.CreateKey(path), nullptr);
    EXPECT_FALSE(store.DeleteKey(path));
  }
  EXPECT_NE(store.FindKey("A\\B"), nullptr);  // nothing was deleted by the refused paths

  EXPECT_NE(store.CreateKey(std::string(kMaxKeyNameLength, 'n')), nullptr);
  EXPECT_EQ(store.CreateKey(std::string(kMaxKeyNameLength + 1, 'n')), nullptr);
  EXPECT_EQ(store.CreateKey("line\nfeed"), nullptr);

  std::string deep = "k";
  for (size_t i = 1; i < kMaxKeyDepth; ++i)
    deep += "\\k";
  EXPECT_NE(store.CreateKey(deep), nullptr);
  EXPECT_EQ(store.CreateKey(deep + "\\k"), nullptr);
}

TEST(Cp1252Test, TheC1RangeFollowsWindows) {
  EXPECT_EQ(Cp1252ToUtf16(0x80), 0x20AC);  // €
  EXPECT_EQ(Cp1252ToUtf16(0x8A), 0x0160);  // Š
  EXPECT_EQ(Cp1252ToUtf16(0x9F), 0x0178);  // Ÿ
  for (int undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    EXPECT_EQ(Cp1252ToUtf16(static_cast<uint8_t>(undefined)), undefined);
  }
  EXPECT_EQ(Cp1252ToUtf16(0xE9), 0x00E9);  // é
  EXPECT_EQ(Utf16ToCp1252(0x20AC), 0x80);
  EXPECT_EQ(Utf16ToCp1252(0x2122), 0x99);  // ™
}

TEST(Cp1252Test, EveryByteSurvivesTheRoundTripAndTheRestBecomesQuestionMarks) {
  for (int c = 0; c < 256; ++c) {
    EXPECT_EQ(Utf16ToCp1252(Cp1252ToUtf16(static_cast<uint8_t>(c))), c) << c;
  }
  EXPECT_EQ(Utf16ToCp1252(0x0080), '?');  // taken by € in Windows-1252
  EXPECT_EQ(Utf16ToCp1252(0x0100), '?');
  EXPECT_EQ(Utf16ToCp1252(0x4E2D), '?');
  EXPECT_EQ(Utf16ToCp1252(0xD83D), '?');  // half of a surrogate pair
}

// Keys with many sub-keys and values look them up through an index; it must agree with the
// order kept for enumeration through every kind of change.
TEST(RegKeyNodeTest, ManySubkeysAndValuesStayFindableInOrder) {
  RegistryStore store;
  RegKeyNode* key = store.CreateKey("Enum\\USB");
  std::vector<std::string> expected;
  for (int i = 0; i < 40; ++i) {
    const std::string name = "Dev_" + std::to_string(i);
    key->AddSubkey(name)->SetValue(Value("N", 4, {static_cast<uint8_t>(i), 0, 0, 0}));
    key->SetValue(Value("v" + std::to_string(i), 4, {static_cast<uint8_t>(i), 0, 0, 0}));
    expected.push_back(name);
  }
  for (int i = 0; i < 40; i += 3) {
    SCOPED_TRACE(i);
    RegKeyNode* child = key->FindSubkey("DEV_" + std::to_string(i));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->FindValue("n")->data[0], i);
    EXPECT_EQ(key->FindValue("V" + std::to_string(i))->data[0], i);
  }
  EXPECT_EQ(key->FindSubkey("Dev_40"), nullptr);
  EXPECT_EQ(key->FindValue("v40"), nullptr);

  // Deleted and created again: gone from the index, then found again after its siblings.
  EXPECT_TRUE(key->RemoveSubkey("dev_5"));
  EXPECT_EQ(key->FindSubkey("Dev_5"), nullptr);
  EXPECT_EQ(store.FindKey("Enum\\USB\\Dev_5"), nullptr);
  RegKeyNode* again = key->AddSubkey("DEV_5");
  EXPECT_EQ(key->FindSubkey("dev_5"), again);
  EXPECT_EQ(again->name(), "DEV_5");
  expected.erase(expected.begin() + 5);
  expected.push_back("DEV_5");
  EXPECT_EQ(SubkeyNames(*key), expected);
  EXPECT_EQ(store.FindKey("enum\\usb\\dev_39"), key->subkeys()[38].get());

  // Removing a value moves the ones after it; each name still finds its own value.
  EXPECT_TRUE(key->RemoveValue("V0"));
  EXPECT_FALSE(key->RemoveValue("v0"));
  key->SetValue(Value("V7", 3, {77}));  // replaced in place, keeps its spelling
  key->SetValue(Value("new", 3, {1}));
  ASSERT_EQ(key->values().size(), 40u);
  EXPECT_EQ(key->values()[6], Value("v7", 3, {77}));
  EXPECT_EQ(key->values().back().name, "new");
  for (int i = 1; i < 40; ++i)
    EXPECT_EQ(key->FindValue("v" + std::to_string(i)), &key->values()[i - 1]) << i;
  EXPECT_EQ(key->FindValue("NEW"), &key->values().back());
}

// Values whose whole UTF-16 text Windows-1252 cannot hold keep it apart from the rest; a copy of
// the key's values owns its own, and a later value without such text drops the old one.
TEST(RegKeyNodeTest, WholeUtf16TextIsKeptPerValueAndCopiedWithIt) {
  RegKeyNode key("K");
  RegValue wide{"", 1, {}};
  wide.wideName = std::u16string(u"Name\u0416");
  wide.wideData = std::vector<uint8_t>{0x16, 0x04, 0, 0};
  key.SetValue(wide);
  ASSERT_EQ(key.values().size(), 1u);
  const RegValue& kept = key.values()[0];
  EXPECT_EQ(kept.name, "Name?");
  EXPECT_EQ(kept.wideName.get(), u"Name\u0416");
  EXPECT_EQ(kept.data, (std::vector<uint8_t>{'?', 0}));
  EXPECT_EQ(kept.wideData.get(), (std::vector<uint8_t>{0x16, 0x04, 0, 0}));

  // Only the same whole text finds it; the '?' spelling names another value.
  EXPECT_EQ(key.FindValue(std::u16string_view(u"NAME\u0416")), &kept);
  EXPECT_EQ(key.FindValue("Name?"), nullptr);

  std::vector<RegValue> copy = key.values();
  RegValue replacement{"", 1, {}};
  replacement.wideName = std::u16string(u"Name\u0416");
  replacement.data = {'A', 0};
  key.SetValue(replacement);
  EXPECT_TRUE(key.values()[0].wideData.empty());
  EXPECT_EQ(key.values()[0].data, (std::vector<uint8_t>{'A', 0}));
  EXPECT_EQ(copy[0].wideData.get(), (std::vector<uint8_t>{0x16, 0x04, 0, 0}));
  EXPECT_NE(copy[0], key.values()[0]);

  // Text that Windows-1252 holds whole is not kept twice.
  RegValue plain{"", 1, {}};
  plain.wideName = std::u16string(u"Plain");
  plain.wideData = std::vector<uint8_t>{'x', 0, 0, 0};
  key.SetValue(plain);
  EXPECT_EQ(key.values()[1].name, "Plain");
  EXPECT_TRUE(key.values()[1].wideName.empty());
  EXPECT_TRUE(key.values()[1].wideData.empty());
  EXPECT_EQ(key.values()[1].data, (std::vector<uint8_t>{'x', 0}));
}

TEST(RegistryStoreTest, RevisionsCountChangesMadeAfterReading) {
  RegistryStore store = RegistryStore::Parse("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A\\B]\r\n");
  EXPECT_EQ(store.revision(), 0u);
  EXPECT_EQ(store.key_revision(), 0u);
  store.FindKey("A\\B")->SetValue(Value("v", 4, {1, 0, 0, 0}));
  EXPECT_EQ(store.revision(), 1u);
  EXPECT_EQ(store.key_revision(), 0u);
  store.CreateKey("A\\B");  // already there: no change
  EXPECT_EQ(store.revision(), 1u);
  store.CreateKey("A\\C\\D");
  EXPECT_TRUE(store.DeleteKey("a\\b"));
  EXPECT_FALSE(store.FindKey("A\\C\\D")->RemoveValue("none"));
  EXPECT_EQ(store.key_revision(), 3u);
  EXPECT_EQ(store.revision(), 4u);
}

TEST(RegistryStoreTest, ADeletedKeyIsGoneForThoseThatHeldOnToIt) {
  RegistryStore store;
  RegKeyNode* device = store.CreateKey("Enum\\Root\\Dev\\0");
  std::weak_ptr<RegKeyNode> held = device->weak_from_this();
  EXPECT_EQ(device->parent(), store.FindKey("Enum\\Root\\Dev"));
  EXPECT_TRUE(store.DeleteKey("Enum\\Root"));
  EXPECT_TRUE(held.expired());
  store.CreateKey("Enum\\Root\\Dev\\0");
  EXPECT_TRUE(held.expired());  // another key of the same name is not the one held
}

}  // namespace
}  // namespace talvex::sim
