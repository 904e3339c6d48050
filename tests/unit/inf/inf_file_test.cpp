// The INF reader against what SetupAPI makes of a line: keys and fields, quotes, comments,
// continuation, substitution, and the files it refuses to open.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "inf/inf_file.h"

namespace talvex::inf {
namespace {

const char kHeader[] = "[Version]\r\nSignature=\"$CHICAGO$\"\r\n";
const char kStrings[] =
    "[Strings]\nfoo=aaa\nbar=bbb\nloop=%loop2%\nloop2=%loop%\nper=1\ncent=2\n22=foo\n"
    "mydrive=\"C:\\\"\n";

struct Parsed {
  std::optional<std::string> key;
  std::vector<std::string> fields;
};

// The first line of [Test] after the text, with its key and fields substituted.
Parsed FirstLine(const std::string& line) {
  InfFile file = InfFile::Parse(std::string(kHeader) + "[Test]\n" + line);
  file.set_dirids([](int dirid) -> std::optional<std::string> {
    if (dirid == 24)
      return "C:\\";
    return std::nullopt;
  });
  const InfSection* test = file.Section("test");
  if (test == nullptr || test->lines.empty())
    return {};
  const InfLine& first = test->lines.front();
  Parsed parsed;
  if (first.key)
    parsed.key = file.Key(first);
  for (size_t n = 1; n <= first.fields.size(); ++n)
    parsed.fields.push_back(file.Field(first, n));
  return parsed;
}

TEST(InfFileTest, KeysFieldsQuotesAndContinuations) {
  struct Case {
    std::string text;
    std::optional<std::string> key;
    std::vector<std::string> fields;
  };
  const Case cases[] = {
      {"ab=cd,ef,gh", "ab", {"cd", "ef", "gh"}},
      {"ab", "ab", {"ab"}},  // one field and no '=': it is the key too
      {"ab,cd", std::nullopt, {"ab", "cd"}},
      {"ab,cd=ef", std::nullopt, {"ab", "cd=ef"}},
      {"=abcd,ef", "", {"abcd", "ef"}},
      {"ba\\\ncd=ef", "bacd", {"ef"}},
      {"ab  \\  \ncd=ef", "abcd", {"ef"}},
      {"ab  \\ ;cc\ncd=ef", "abcd", {"ef"}},
      {"ba \\ dc=xx", "ba \\ dc", {"xx"}},  // a backslash before more text is text
      {"ba \\\\ \nc=d", "bac", {"d"}},
      {"a=b\\\\c", "a", {"b\\\\c"}},
      {"ba=c \\ \n \\ \n a", "ba", {"ca"}},
      {"ba=c \\ \n \\ a", "ba", {"c\\ a"}},
      {"Ab\"Cd\"=Ef", "AbCd", {"Ef"}},
      {"Ab\"Cd=Ef\"", "AbCd=Ef", {"AbCd=Ef"}},
      {"ab\"\"\"cd,ef=gh\"", "ab\"cd,ef=gh", {"ab\"cd,ef=gh"}},
      {"ab=cd\",\"ef", "ab", {"cd,ef"}},
      {"ab=cd\",ef", "ab", {"cd,ef"}},  // a quote left open ends with the line
      {"ab=cd\",ef\\\nab", "ab", {"cd,ef\\"}},
      {"HKLM,A,B,'C',D", std::nullopt, {"HKLM", "A", "B", "'C'", "D"}},
      {" a b = c , d \n", "a b", {"c", "d"}},
      {" a b = c ,\" d\" \n", "a b", {"c", " d"}},
      {"a=b,,,c", "a", {"b", "", "", "c"}},
      {"a=\n", "a", {""}},
      {",=,,b", std::nullopt, {"", "=", "", "b"}},
      {"ab=c\x1a"
       "d",
       "ab",
       {"c"}},  // Ctrl+Z ends the file
      {std::string("abcd=ef\0gh", 10), "abcd", {"ef gh"}},
      {"ab=cd ; comment", "ab", {"cd"}},
  };
  for (const Case& c : cases) {
    Parsed parsed = FirstLine(c.text);
    EXPECT_EQ(parsed.key, c.key) << c.text;
    EXPECT_EQ(parsed.fields, c.fields) << c.text;
  }
}

TEST(InfFileTest, SubstitutionIsOnePassAndLeavesWhatItCannotFind) {
  struct Case {
    std::string text;
    std::string key;
    std::string field;
  };
  const Case cases[] = {
      {"%foo%=%bar%", "aaa", "bbb"},
      {"%foo%xx=%bar%yy", "aaaxx", "bbbyy"},
      {"%% %foo%=%bar%", "% aaa", "bbb"},
      {"%f\"o\"o%=ccc", "aaa", "ccc"},
      {"abc=%bar;bla%", "abc", "%bar"},
      {"loop=%loop%", "loop", "%loop2%"},
      {"%per%%cent%=100", "12", "100"},
      {"k=%nothere%", "k", "%nothere%"},
      {"k=%22%", "k", "foo"},  // a string before a DIRID
      {"ab=\"%24%\"", "ab", "C:\\"},
      {"ab=\"%24%\\fred\"", "ab", "C:\\fred"},         // a folder's backslash is not doubled
      {"ab=\"%mydrive%\\fred\"", "ab", "C:\\\\fred"},  // a string's is
      {"ab=%25%", "ab", "%25%"},                       // a DIRID with no folder stays
  };
  for (const Case& c : cases) {
    Parsed parsed = FirstLine(c.text + "\n" + kStrings);
    EXPECT_EQ(parsed.key, c.key) << c.text;
    ASSERT_EQ(parsed.fields.size(), 1u) << c.text;
    EXPECT_EQ(parsed.fields[0], c.field) << c.text;
  }
}

TEST(InfFileTest, LongFieldsAreCutAndLongSubstitutionsStopAtTheLimit) {
  std::string big(600, 'a');
  Parsed parsed = FirstLine("k=" + big);
  ASSERT_EQ(parsed.fields.size(), 1u);
  EXPECT_EQ(parsed.fields[0], std::string(kMaxFieldLength, 'a'));
  std::string many;
  for (int i = 0; i < 20; ++i)
    many += "%big%";
  parsed = FirstLine("k=" + many + "\n[Strings]\nbig=" + std::string(400, 'b') + "\n");
  ASSERT_EQ(parsed.fields.size(), 1u);
  EXPECT_EQ(parsed.fields[0], std::string(kMaxStringLength, 'b'));
}

TEST(InfFileTest, SectionsByNameWithoutCaseMergedAndWithTheirText) {
  InfFile file = InfFile::Parse(std::string(kHeader) +
                                "[Test]\na=1\n[abc]\nx\n   [TEST]  junk\nb=2\n"
                                " [  Test Section  ] dummy\r\nc=3\n[Test[S]ection]\nd\n");
  const InfSection* test = file.Section("tEsT");
  ASSERT_NE(test, nullptr);
  ASSERT_EQ(test->lines.size(), 2u);
  EXPECT_EQ(file.Key(test->lines[1]), "b");
  EXPECT_EQ(test->lines[1].number, 8);
  EXPECT_NE(file.Section("  Test Section  "), nullptr);
  EXPECT_EQ(file.Section("Test Section"), nullptr);
  EXPECT_NE(file.Section("Test[S"), nullptr);
  EXPECT_EQ(file.Value("test", "B"), "2");
  EXPECT_EQ(file.Value("test", "missing"), std::nullopt);
}

TEST(InfFileTest, TheFilesSetupApiRefusesToOpen) {
  struct Case {
    std::string text;
    uint32_t code;
    int line;
  };
  const Case cases[] = {
      {std::string(kHeader) + "[ab\r\n", ERROR_BAD_SECTION_NAME_LINE, 3},
      {std::string(kHeader) + "\n\n[ab\x1a]\n", ERROR_BAD_SECTION_NAME_LINE, 5},
      {std::string(kHeader) + "[" + std::string(256, 'a') + "]\r\n", ERROR_SECTION_NAME_TOO_LONG,
       3},
      {"abc\r\n" + std::string(kHeader), ERROR_EXPECTED_SECTION_NAME, 1},
      {";\n;\nabc\r\n" + std::string(kHeader), ERROR_EXPECTED_SECTION_NAME, 3},
      {";c\ngarbage1\ngarbage2\n[abc]\n" + std::string(kHeader), ERROR_EXPECTED_SECTION_NAME, 2},
  };
  for (const Case& c : cases) {
    try {
      InfFile::Parse(c.text);
      ADD_FAILURE() << "opened: " << c.text;
    } catch (const InfError& error) {
      EXPECT_EQ(error.code(), c.code) << c.text;
      EXPECT_EQ(error.line(), c.line) << c.text;
    }
  }
  // These open.
  for (const std::string& text :
       {std::string(";aa\n;bb\n") + kHeader, std::string(kHeader) + "[]\r\n]\r\n",
        "garbage1\ngarbage2\n[Strings]\n" + std::string(kHeader), std::string("abcd\r\n"),
        std::string(kHeader) + "[" + std::string(255, 'a') + "]\r\n", std::string("\r\n")}) {
    EXPECT_NO_THROW(InfFile::Parse(text)) << text;
  }
}

TEST(InfFileTest, UnicodeFilesAreReadAsWindows1252) {
  std::string text =
      "[Version]\r\nSignature=\"$Windows NT$\"\r\nName=Caf\xc3\xa9 \xe2\x82\xac \xe4\xb8\xad\r\n";
  InfFile utf8 = InfFile::Parse("\xEF\xBB\xBF" + text);
  EXPECT_EQ(utf8.Value("Version", "Name"), "Caf\xe9 \x80 ?");
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("[Version]\r\nName=A\r\n")) {
    utf16 += c;
    utf16 += '\0';
  }
  utf16 += "\xAC\x20";  // the euro sign
  EXPECT_EQ(InfFile::Parse(utf16).Value("Version", "Name"), "A");
  EXPECT_EQ(DecodeInfText(utf16).back(), '\x80');
}

}  // namespace
}  // namespace talvex::inf
