// Reading and writing registry.reg in both regedit formats.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "platform/sim/reg_store.h"

namespace talvex::sim {
namespace {

using Bytes = std::vector<uint8_t>;

// A Version 5 file exactly as regedit writes it: byte order mark, then UTF-16LE code units.
std::string Utf16File(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

const RegValue& ValueAt(RegistryStore& store, const std::string& key, const std::string& name) {
  const RegKeyNode* node = store.FindKey(key);
  if (node == nullptr)
    throw std::runtime_error("no key " + key);
  const RegValue* value = node->FindValue(name);
  if (value == nullptr)
    throw std::runtime_error("no value " + name);
  return *value;
}

// The line a RegFileError names, or -1 when the file was read without error.
int ErrorLine(const std::string& file) {
  try {
    RegistryStore::Parse(file);
  } catch (const RegFileError& e) {
    return e.line();
  }
  return -1;
}

void ExpectReadsBackUnchanged(const RegistryStore& store) {
  const std::string written = store.Serialize();
  const RegistryStore again = RegistryStore::Parse(written);
  EXPECT_EQ(again.format(), store.format());
  EXPECT_TRUE(again.root() == store.root());
  EXPECT_EQ(again.Serialize(), written);
}

TEST(RegFileParseTest, Regedit4ValueKindsKeepAnsiBytes) {
  RegistryStore store = RegistryStore::Parse(
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Talvex]\r\n"
      "@=\"Caf\xE9 \x80\"\r\n"
      "\"Path\"=\"C:\\\\Drivers \\\"new\\\"\"\r\n"
      "\"Empty\"=\"\"\r\n"
      "\"Count\"=dword:0000001F\r\n"
      "\"Short\"=dword:1\r\n"
      "\"Blob\"=hex:00,ff,7A\r\n"
      "\"None\"=hex(0):\r\n"
      "\"Exp\"=hex(2):25,57,25,00\r\n"
      "\"Multi\"=hex(7):61,00,e9,00,00\r\n"
      "\"Quad\"=hex(b):01,02,03,04,05,06,07,08\r\n");
  EXPECT_EQ(store.format(), RegFileFormat::kRegedit4);
  const std::string key = "SOFTWARE\\Talvex";
  EXPECT_EQ(ValueAt(store, key, ""), (RegValue{"", 1, {'C', 'a', 'f', 0xE9, ' ', 0x80, 0}}));
  const std::string path = "C:\\Drivers \"new\"";
  Bytes pathData(path.begin(), path.end());
  pathData.push_back(0);
  EXPECT_EQ(ValueAt(store, key, "path").data, pathData);
  EXPECT_EQ(ValueAt(store, key, "Empty"), (RegValue{"Empty", 1, {0}}));
  EXPECT_EQ(ValueAt(store, key, "Count"), (RegValue{"Count", 4, {0x1F, 0, 0, 0}}));
  EXPECT_EQ(ValueAt(store, key, "Short").data, (Bytes{1, 0, 0, 0}));
  EXPECT_EQ(ValueAt(store, key, "Blob"), (RegValue{"Blob", 3, {0x00, 0xFF, 0x7A}}));
  EXPECT_EQ(ValueAt(store, key, "None"), (RegValue{"None", 0, {}}));
  EXPECT_EQ(ValueAt(store, key, "Exp"), (RegValue{"Exp", 2, {'%', 'W', '%', 0}}));
  EXPECT_EQ(ValueAt(store, key, "Multi"), (RegValue{"Multi", 7, {'a', 0, 0xE9, 0, 0}}));
  EXPECT_EQ(ValueAt(store, key, "Quad"), (RegValue{"Quad", 11, {1, 2, 3, 4, 5, 6, 7, 8}}));
}

TEST(RegFileParseTest, Version5TextAndStringDataBecomeAnsi) {
  RegistryStore store = RegistryStore::Parse(
      Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Caf\u00E9]\r\n"
                u"\"N\u00E4me\"=\"\u00E9 \u20AC \u4E2D\"\r\n"
                u"\"Count\"=dword:00000002\r\n"
                u"\"Exp\"=hex(2):e9,00,ac,20,00,00\r\n"
                u"\"Multi\"=hex(7):41,00,00,00,ac,20,00,00,00,00\r\n"
                u"\"Blob\"=hex:e9,00\r\n"));
  EXPECT_EQ(store.format(), RegFileFormat::kVersion5);
  const std::string key = "Caf\xE9";
  ASSERT_NE(store.FindKey(key), nullptr);
  // A character Windows-1252 lacks becomes '?', as WideCharToMultiByte makes it.
  EXPECT_EQ(ValueAt(store, key, "N\xE4me").data, (Bytes{0xE9, ' ', 0x80, ' ', '?', 0}));
  EXPECT_EQ(ValueAt(store, key, "Count").data, (Bytes{2, 0, 0, 0}));
  EXPECT_EQ(ValueAt(store, key, "Exp"), (RegValue{"Exp", 2, {0xE9, 0x80, 0}}));
  EXPECT_EQ(ValueAt(store, key, "Multi"), (RegValue{"Multi", 7, {'A', 0, 0x80, 0, 0}}));
  EXPECT_EQ(ValueAt(store, key, "Blob").data, (Bytes{0xE9, 0x00}));  // binary stays as it is
}

TEST(RegFileParseTest, LineEndsBlankLinesCommentsAndIndentation) {
  RegistryStore store = RegistryStore::Parse(
      "REGEDIT4\n; exported by hand\n\n  [HKEY_LOCAL_MACHINE\\A]  \n\t\n"
      "  ; \"Hidden\"=dword:1\n  \"Shown\" = dword:00000002\t\r\n\"CR\"=\"x\"\r\n");
  const RegKeyNode* key = store.FindKey("A");
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->values().size(), 2u);
  EXPECT_EQ(key->values()[0], (RegValue{"Shown", 4, {2, 0, 0, 0}}));
  EXPECT_EQ(key->values()[1], (RegValue{"CR", 1, {'x', 0}}));
}

TEST(RegFileParseTest, HexContinuesOnLinesEndingInBackslash) {
  RegistryStore store = RegistryStore::Parse(
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n"
      "\"Bin\"=hex:01,02,\\\r\n  03,04,\\\r\n\t   05\r\n"
      "\"Multi\"=hex(7):\\\r\n  61,00,00\r\n"
      "\"After\"=dword:00000009\r\n");
  EXPECT_EQ(ValueAt(store, "A", "Bin").data, (Bytes{1, 2, 3, 4, 5}));
  EXPECT_EQ(ValueAt(store, "A", "Multi").data, (Bytes{'a', 0, 0}));
  EXPECT_EQ(ValueAt(store, "A", "After").data, (Bytes{9, 0, 0, 0}));
}

TEST(RegFileParseTest, SectionsCreateParentsAndMergeWithoutRegardToCase) {
  RegistryStore store = RegistryStore::Parse(
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Enum\\USB]\r\n"
      "\"a\"=\"1\"\r\n\"b\"=\"2\"\r\n"
      "[hkey_local_machine\\SYSTEM\\currentcontrolset]\r\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CURRENTCONTROLSET\\enum\\usb]\r\n\"A\"=\"3\"\r\n\"c\"=\"4\"\r\n"
      "[HKEY_LOCAL_MACHINE]\r\n\"Top\"=dword:00000001\r\n");
  const RegKeyNode* system = store.FindKey("SYSTEM");
  ASSERT_NE(system, nullptr);
  EXPECT_EQ(system->name(), "System");
  const RegKeyNode* usb = store.FindKey("system\\currentcontrolset\\enum\\usb");
  ASSERT_NE(usb, nullptr);
  EXPECT_EQ(usb->name(), "USB");
  ASSERT_EQ(usb->values().size(), 3u);
  EXPECT_EQ(usb->values()[0], (RegValue{"a", 1, {'3', 0}}));  // replaced in place
  EXPECT_EQ(usb->values()[2].name, "c");
  EXPECT_EQ(store.root().FindValue("top")->data, (Bytes{1, 0, 0, 0}));
  EXPECT_EQ(store.root().subkeys().size(), 1u);
}

TEST(RegFileParseTest, DeletionLinesActLikeRegeditImport) {
  RegistryStore store = RegistryStore::Parse(
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A\\B\\C]\r\n[HKEY_LOCAL_MACHINE\\A\\D]\r\n"
      "\"keep\"=\"1\"\r\n\"drop\"=\"2\"\r\n"
      "[-HKEY_LOCAL_MACHINE\\a\\b]\r\n\"ignored\"=\"3\"\r\n"
      "[-HKEY_LOCAL_MACHINE\\Never\\There]\r\n"
      "[HKEY_LOCAL_MACHINE\\A\\D]\r\n\"DROP\"=-\r\n\"missing\"=-\r\n"
      "[HKEY_LOCAL_MACHINE\\A\\B]\r\n");
  const RegKeyNode* a = store.FindKey("A");
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->subkeys().size(), 2u);
  EXPECT_EQ(a->subkeys()[0]->name(), "D");
  EXPECT_EQ(a->subkeys()[1]->name(), "B");  // re-created after its siblings, without C
  EXPECT_TRUE(a->subkeys()[1]->subkeys().empty());
  EXPECT_TRUE(a->subkeys()[1]->values().empty());
  const RegKeyNode* d = store.FindKey("A\\D");
  ASSERT_EQ(d->values().size(), 1u);
  EXPECT_EQ(d->values()[0].name, "keep");
}

TEST(RegFileParseTest, ASectionAfterADeletionNamesTheKeysAsTheyAreThen) {
  // Each section below shares most of its path with the one before it.
  RegistryStore store = RegistryStore::Parse(
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A\\B\\C]\r\n\"v\"=\"1\"\r\n"
      "[-HKEY_LOCAL_MACHINE\\A\\B]\r\n"
      "[HKEY_LOCAL_MACHINE\\A\\B\\C]\r\n\"w\"=\"2\"\r\n"
      "[HKEY_LOCAL_MACHINE\\a\\b\\c\\D]\r\n"
      "[HKEY_LOCAL_MACHINE\\A\\B\\E]\r\n\"x\"=\"3\"\r\n"
      "[HKEY_LOCAL_MACHINE\\A\\B\\C]\r\n\"y\"=\"4\"\r\n");
  const RegKeyNode* a = store.FindKey("A");
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->subkeys().size(), 1u);
  const RegKeyNode* b = a->subkeys()[0].get();
  ASSERT_EQ(b->subkeys().size(), 2u);
  EXPECT_EQ(b->subkeys()[0]->name(), "C");
  EXPECT_EQ(b->subkeys()[1]->name(), "E");
  const RegKeyNode* c = b->subkeys()[0].get();
  ASSERT_EQ(c->values().size(), 2u);  // "v" went with the deleted key
  EXPECT_EQ(c->values()[0].name, "w");
  EXPECT_EQ(c->values()[1].name, "y");
  ASSERT_EQ(c->subkeys().size(), 1u);
  EXPECT_EQ(c->subkeys()[0]->name(), "D");
  EXPECT_EQ(ValueAt(store, "A\\B\\E", "x").data, (Bytes{'3', 0}));
}

struct BadFile {
  const char* what;
  std::string bytes;
  int line;
};

TEST(RegFileParseTest, MalformedFilesNameTheLineAtFault) {
  const std::string head = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n";  // value lines: 4
  const std::string deep = "[HKEY_LOCAL_MACHINE" + [] {
    std::string path;
    for (size_t i = 0; i <= kMaxKeyDepth; ++i)
      path += "\\k";
    return path;
  }() + "]";
  const BadFile cases[] = {
      {"empty file", "", 1},
      {"unknown header", "REGEDIT5\r\n", 1},
      {"version 5 header in ANSI", "Windows Registry Editor Version 5.00\r\n", 1},
      {"REGEDIT4 in UTF-16", Utf16File(u"REGEDIT4\r\n"), 1},
      {"big-endian UTF-16", std::string("\xFE\xFF\0R", 4), 1},
      {"value before any key", "REGEDIT4\r\n\r\n\"a\"=\"b\"\r\n", 3},
      {"other root key", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n", 3},
      {"root key prefix only", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINEX\\A]\r\n", 3},
      {"abbreviated root", "REGEDIT4\r\n\r\n[HKLM\\A]\r\n", 3},
      {"no closing bracket", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A\r\n", 3},
      {"doubled backslash", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A\\\\B]\r\n", 3},
      {"trailing backslash", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A\\]\r\n", 3},
      {"root with backslash", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\]\r\n", 3},
      {"name too long", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\" + std::string(256, 'n') + "]", 3},
      {"too deep", "REGEDIT4\r\n\r\n" + deep, 3},
      {"deleting the root", "REGEDIT4\r\n\r\n[-HKEY_LOCAL_MACHINE]\r\n", 3},
      {"unclosed text", head + "\"a\"=\"b\r\n", 4},
      {"unquoted name", head + "a=\"b\"\r\n", 4},
      {"unknown escape", head + "\"a\"=\"b\\n\"\r\n", 4},
      {"escape at the end", head + "\"a\"=\"b\\", 4},
      {"text after the string", head + "\"a\"=\"b\" c\r\n", 4},
      {"missing equals", head + "\"a\" \"b\"\r\n", 4},
      {"unknown data", head + "\"a\"=word:1\r\n", 4},
      {"empty dword", head + "\"a\"=dword:\r\n", 4},
      {"dword too long", head + "\"a\"=dword:123456789\r\n", 4},
      {"dword not hex", head + "\"a\"=dword:0000001g\r\n", 4},
      {"odd hex digits", head + "\"a\"=hex:012\r\n", 4},
      {"single hex digit", head + "\"a\"=hex:1\r\n", 4},
      {"empty byte", head + "\"a\"=hex:01,,02\r\n", 4},
      {"leading comma", head + "\"a\"=hex:,01\r\n", 4},
      {"trailing comma", head + "\"a\"=hex:01,\r\n", 4},
      {"missing comma", head + "\"a\"=hex:01 02\r\n", 4},
      {"not hex", head + "\"a\"=hex:zz\r\n", 4},
      {"empty type", head + "\"a\"=hex():00\r\n", 4},
      {"type too long", head + "\"a\"=hex(123456789):00\r\n", 4},
      {"unclosed type", head + "\"a\"=hex(2:00\r\n", 4},
      {"bad byte on a continuation line", head + "\"a\"=hex:01,\\\r\n  02,\\\r\n  0g\r\n", 6},
      {"continuation at the end", head + "\"a\"=hex:01,\\\r\n", 5},
      {"continuation past the end", head + "\"a\"=hex:01,\\", 4},
      {"continued dword", head + "\"a\"=dword:1\\\r\n", 4},
      {"truncated UTF-16",
       Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\A]") + "\x5D",
       3},
      {"odd UTF-16 string data",
       Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n"
                 u"\"m\"=hex(7):61,00,00\r\n"),
       4},
      {"too large", std::string(RegistryStore::kMaxFileBytes + 1, ' '), 0},
  };
  for (const BadFile& bad : cases) {
    EXPECT_EQ(ErrorLine(bad.bytes), bad.line) << bad.what;
  }
}

// A file in exactly the style the store writes, so reading and writing it is byte-exact.
const char kRegedit4File[] =
    "REGEDIT4\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE]\r\n"
    "\"Top\"=dword:00000000\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Talvex]\r\n"
    "@=\"Card \\\"reader\\\" in C:\\\\Drivers\"\r\n"
    "\"Count\"=dword:0000001f\r\n"
    "\"Blob\"=hex:00,ff,10\r\n"
    "\"Empty\"=hex:\r\n"
    "\"Path\"=hex(2):25,53,79,73,74,65,6d,52,6f,6f,74,25,00\r\n"
    "\"List\"=hex(7):61,00,e9,00,00\r\n"
    "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\r\n"
    "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
    "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\\r\n"
    "  2f,30\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM]\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\Caf\xE9]\r\n"
    "\"\xE9\"=\"\x80 5\"\r\n"
    "\r\n";

TEST(RegFileWriteTest, Regedit4FileRoundTripsByteForByte) {
  RegistryStore store = RegistryStore::Parse(kRegedit4File);
  EXPECT_EQ(ValueAt(store, "SOFTWARE\\Talvex", "Long").data.size(), 0x31u);
  EXPECT_EQ(store.Serialize(), kRegedit4File);
}

TEST(RegFileWriteTest, Version5FileRoundTripsByteForByte) {
  const std::string file = Utf16File(
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_LOCAL_MACHINE\\SYSTEM]\r\n\r\n"
      u"[HKEY_LOCAL_MACHINE\\SYSTEM\\Caf\u00E9 \u20AC]\r\n"
      u"\"Name\"=\"\u00E9t\u00E9 \u2122\"\r\n"
      u"\"Exp\"=hex(2):25,00,e9,00,ac,20,00,00\r\n"
      u"\"Multi\"=hex(7):41,00,00,00,e9,00,00,00,00,00\r\n"
      u"\"Blob\"=hex:e9,00\r\n\r\n");
  RegistryStore store = RegistryStore::Parse(file);
  EXPECT_EQ(ValueAt(store, "SYSTEM\\Caf\xE9 \x80", "Exp").data, (Bytes{'%', 0xE9, 0x80, 0}));
  EXPECT_EQ(store.Serialize(), file);
}

TEST(RegFileWriteTest, EveryKeyGetsASectionButTheRootOnlyWithValues) {
  RegistryStore store;
  store.CreateKey("A\\B\\C");
  store.CreateKey("D");
  EXPECT_EQ(store.Serialize(),
            "REGEDIT4\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\A]\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\A\\B]\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\A\\B\\C]\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\D]\r\n\r\n");
  EXPECT_EQ(RegistryStore().Serialize(), "REGEDIT4\r\n\r\n");
}

TEST(RegFileWriteTest, DataThatIsNotPlainTextIsWrittenAsHex) {
  RegistryStore store;
  RegKeyNode* key = store.CreateKey("K");
  key->SetValue({"NoZero", 1, {'a', 'b'}});
  key->SetValue({"InnerZero", 1, {'a', 0, 'b', 0}});
  key->SetValue({"LineFeed", 1, {'a', '\n', 0}});
  key->SetValue({"Nothing", 1, {}});
  key->SetValue({"ShortDword", 4, {1, 2, 3}});
  key->SetValue({"BigEndian", 5, {0, 0, 0, 1}});
  EXPECT_EQ(store.Serialize(),
            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n"
            "\"NoZero\"=hex(1):61,62\r\n"
            "\"InnerZero\"=hex(1):61,00,62,00\r\n"
            "\"LineFeed\"=hex(1):61,0a,00\r\n"
            "\"Nothing\"=hex(1):\r\n"
            "\"ShortDword\"=hex(4):01,02,03\r\n"
            "\"BigEndian\"=hex(5):00,00,00,01\r\n\r\n");
  ExpectReadsBackUnchanged(store);
  store.set_format(RegFileFormat::kVersion5);
  ExpectReadsBackUnchanged(store);
}

TEST(RegFileWriteTest, Version5WritesTextAndStringDataAsUtf16) {
  RegistryStore store;
  store.set_format(RegFileFormat::kVersion5);
  RegKeyNode* key = store.CreateKey("\xE9");
  key->SetValue({"T", 1, {0x80, 0}});
  key->SetValue({"X", 2, {0xE9, 0}});
  key->SetValue({"B", 3, {0xE9}});
  EXPECT_EQ(store.Serialize(), Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n"
                                         u"[HKEY_LOCAL_MACHINE\\\u00E9]\r\n"
                                         u"\"T\"=\"\u20AC\"\r\n"
                                         u"\"X\"=hex(2):e9,00,00,00\r\n"
                                         u"\"B\"=hex:e9\r\n\r\n"));
}

TEST(RegFileWriteTest, LongHexWrapsBeforeColumn80InBothFormats) {
  for (RegFileFormat format : {RegFileFormat::kRegedit4, RegFileFormat::kVersion5}) {
    RegistryStore store;
    store.set_format(format);
    RegKeyNode* key = store.CreateKey("K");
    key->SetValue({"Binary", 3, Bytes(300, 0xAB)});
    key->SetValue({std::string(90, 'n'), 7, Bytes(100, 'x')});
    key->SetValue({"Exact", 3, Bytes(24, 0x11)});
    ExpectReadsBackUnchanged(store);

    std::string text = store.Serialize();
    if (format == RegFileFormat::kVersion5) {
      std::string narrow;
      for (size_t i = 2; i < text.size(); i += 2)
        narrow.push_back(text[i]);
      text = narrow;
    }
    std::istringstream lines(text);
    std::string line;
    int continued = 0;
    while (std::getline(lines, line)) {
      if (line.starts_with("\"nnnn"))
        continue;                           // a name longer than a line cannot fit
      EXPECT_LE(line.size(), 81u) << line;  // 80 characters and the CR
      if (line.ends_with("\\\r")) {
        ++continued;
        EXPECT_TRUE(line.ends_with(",\\\r")) << line;
      }
    }
    EXPECT_GT(continued, 10);
    // "Exact"=hex: is 12 characters; 22 bytes and the backslash make 79, a 23rd would pass 80.
    EXPECT_NE(text.find("\"Exact\"=hex:" +
                        [] {
                          std::string items;
                          for (int i = 0; i < 22; ++i)
                            items += "11,";
                          return items;
                        }() +
                        "\\\r\n  11,11\r\n"),
              std::string::npos);
  }
}

TEST(RegFileWriteTest, ALargeRegistryIsHandedOnInPiecesThatReadBackWhole) {
  for (RegFileFormat format : {RegFileFormat::kRegedit4, RegFileFormat::kVersion5}) {
    RegistryStore store;
    store.set_format(format);
    for (int i = 0; i < 4000; ++i) {
      RegKeyNode* key = store.CreateKey("Enum\\Device " + std::to_string(i) + "\\0");
      key->SetValue({"HardwareID", 7, {'I', 'D', '\\', '"', 0, 0}});
      key->SetValue({"Blob", 3, Bytes(40, static_cast<uint8_t>(i))});
    }
    std::vector<std::string> pieces;
    ASSERT_TRUE(store.Serialize([&pieces](std::string_view piece) {
      pieces.emplace_back(piece);
      return true;
    }));
    EXPECT_GT(pieces.size(), 1u);
    std::string whole;
    for (const std::string& piece : pieces)
      whole += piece;
    EXPECT_TRUE(RegistryStore::Parse(whole).root() == store.root());

    // A write that fails ends the handing on, and the failure is reported.
    int calls = 0;
    EXPECT_FALSE(store.Serialize([&calls](std::string_view) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
  }
}

TEST(RegFileWriteTest, OddNamesAndValuesReadBackUnchanged) {
  for (RegFileFormat format : {RegFileFormat::kRegedit4, RegFileFormat::kVersion5}) {
    RegistryStore store;
    store.set_format(format);
    store.root().SetValue({"", 1, {'r', 0}});
    RegKeyNode* key = store.CreateKey("Quote\"]\\Back slash] ");
    key->SetValue({"\\\"", 1, {'\\', '"', '\r', 0}});
    key->SetValue({"@", 4, {1, 2, 3, 4}});
    key->SetValue({"\x81\x8D\x8F\x90\x9D", 7, {0x81, 0, 0x9D, 0, 0}});
    key->SetValue({"all bytes", 2, [] {
                     Bytes all;
                     for (int c = 0; c < 256; ++c)
                       all.push_back(static_cast<uint8_t>(c));
                     return all;
                   }()});
    ExpectReadsBackUnchanged(store);
  }
}

// Characters Windows-1252 lacks: CJK, Greek, and one outside the basic plane (a surrogate pair).
const char16_t kHan[] = u"\u4E2D";
const char16_t kAlpha[] = u"\u03B1";

TEST(RegFileVersion5Test, EveryCharacterSurvivesARewrite) {
  const std::string file = Utf16File(
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n"
      u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Caf\u00E9 \u4E2D\U0001F600]\r\n"
      u"@=\"\u03B1\u03B2\"\r\n"
      u"\"N\u4E2Dme\"=\"\u20AC \u4E2D\U0001F600\"\r\n"
      u"\"Exp\"=hex(2):2d,4e,25,00,00,00\r\n"
      u"\"Multi\"=hex(7):b1,03,00,00,41,00,00,00,00,00\r\n"
      u"\"Blob\"=hex:2d,4e\r\n\r\n");
  RegistryStore store = RegistryStore::Parse(file);
  EXPECT_EQ(store.Serialize(), file);
  ExpectReadsBackUnchanged(store);

  // What a program sees through the ANSI calls: '?' for each character Windows-1252 lacks (two
  // for the surrogate pair), with the lengths and sizes of that text.
  RegKeyNode* software = store.FindKey("SOFTWARE");
  ASSERT_EQ(software->subkeys().size(), 1u);
  const RegKeyNode& key = *software->subkeys()[0];
  EXPECT_EQ(key.name(), "Caf\xE9 ???");
  EXPECT_EQ(key.wide_name(), u"Caf\u00E9 \u4E2D\U0001F600");
  ASSERT_EQ(key.values().size(), 5u);
  EXPECT_EQ(key.values()[0].data, (Bytes{'?', '?', 0}));
  EXPECT_EQ(key.values()[1].name, "N?me");
  EXPECT_EQ(key.values()[1].data, (Bytes{0x80, ' ', '?', '?', '?', 0}));
  EXPECT_EQ(key.values()[2].data, (Bytes{'?', '%', 0}));
  EXPECT_EQ(key.values()[3].data, (Bytes{'?', 0, 'A', 0, 0}));
  EXPECT_EQ(key.values()[4].data, (Bytes{0x2D, 0x4E}));  // binary data is never converted

  // The names with '?' are not the names: neither the key nor the value opens by them.
  EXPECT_EQ(store.FindKey("SOFTWARE\\Caf\xE9 ???"), nullptr);
  EXPECT_EQ(key.FindValue("N?me"), nullptr);
  EXPECT_NE(key.FindValue(std::u16string_view(u"n\u4E2DME")), nullptr);  // a to z fold
}

TEST(RegFileVersion5Test, NamesThatDifferOnlyInCharactersWindows1252LacksStayApart) {
  const std::u16string lines =
      std::u16string(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\K") + kHan +
      u"]\r\n\"v" + kHan + u"\"=dword:00000001\r\n\"v" + kAlpha +
      u"\"=dword:00000002\r\n\"V?\"=dword:00000003\r\n\r\n[HKEY_LOCAL_MACHINE\\K" + kAlpha +
      u"]\r\n\r\n[HKEY_LOCAL_MACHINE\\K?]\r\n\r\n[HKEY_LOCAL_MACHINE\\k" + kHan + u"]\r\n\"V" +
      kHan + u"\"=dword:00000004\r\n\r\n";
  RegistryStore store = RegistryStore::Parse(Utf16File(lines));
  // Three keys whose ANSI names are all "K?"; the later "k<Han>" section is the first key again.
  ASSERT_EQ(store.root().subkeys().size(), 3u);
  for (const auto& key : store.root().subkeys())
    EXPECT_TRUE(NamesEqual(key->name(), "K?"));
  EXPECT_EQ(store.root().subkeys()[0]->wide_name(), std::u16string(u"K") + kHan);
  EXPECT_EQ(store.root().subkeys()[1]->wide_name(), std::u16string(u"K") + kAlpha);
  EXPECT_TRUE(store.root().subkeys()[2]->wide_name().empty());  // a real question mark

  const RegKeyNode& first = *store.root().subkeys()[0];
  ASSERT_EQ(first.values().size(), 3u);
  EXPECT_EQ(first.values()[0].data, (Bytes{4, 0, 0, 0}));  // replaced in place
  EXPECT_EQ(first.values()[1].data, (Bytes{2, 0, 0, 0}));
  EXPECT_EQ(first.FindValue("v?")->data, (Bytes{3, 0, 0, 0}));  // only the real "V?"
  // The program's ANSI calls reach the key named with a real '?' only.
  EXPECT_EQ(store.FindKey("k?"), store.root().subkeys()[2].get());

  // Deletions name the whole text too.
  const std::u16string deletions = std::u16string(u"[-HKEY_LOCAL_MACHINE\\K") + kAlpha +
                                   u"]\r\n[HKEY_LOCAL_MACHINE\\K" + kHan + u"]\r\n\"V" + kAlpha +
                                   u"\"=-\r\n";
  RegistryStore after = RegistryStore::Parse(Utf16File(lines + deletions));
  ASSERT_EQ(after.root().subkeys().size(), 2u);
  EXPECT_TRUE(after.root().subkeys()[1]->wide_name().empty());
  EXPECT_EQ(after.root().subkeys()[0]->values().size(), 2u);
  ExpectReadsBackUnchanged(after);
}

TEST(RegFileVersion5Test, ConvertingBetweenTheFormats) {
  // Windows-1252 text survives a trip through a Version 5.00 file byte for byte.
  RegistryStore ansi = RegistryStore::Parse(kRegedit4File);
  ansi.set_format(RegFileFormat::kVersion5);
  RegistryStore wide = RegistryStore::Parse(ansi.Serialize());
  EXPECT_TRUE(wide.root() == ansi.root());
  wide.set_format(RegFileFormat::kRegedit4);
  EXPECT_EQ(wide.Serialize(), kRegedit4File);

  // A REGEDIT4 file can only hold what the ANSI calls see.
  RegistryStore unicode = RegistryStore::Parse(
      Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\\u4E2D]\r\n"
                u"\"\u03B1\"=\"\u03B2\"\r\n\r\n"));
  unicode.set_format(RegFileFormat::kRegedit4);
  EXPECT_EQ(unicode.Serialize(), "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\?]\r\n\"?\"=\"?\"\r\n\r\n");
}

TEST(RegFileVersion5Test, AValueTheProgramWritesLosesWhatItCouldNotSee) {
  RegistryStore store = RegistryStore::Parse(
      Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n"
                u"\"Name\"=\"\u4E2D\"\r\n\r\n"));
  RegKeyNode* key = store.FindKey("K");
  RegValue value = *key->FindValue("name");
  EXPECT_EQ(value.data, (Bytes{'?', 0}));
  key->SetValue({"NAME", 1, value.data});  // what an ANSI program writes back
  EXPECT_EQ(store.Serialize(),
            Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n"
                      u"\"Name\"=\"?\"\r\n\r\n"));
}

}  // namespace
}  // namespace talvex::sim
