// An INF file read as Windows' SetupAPI reads it: sections, lines of fields with an optional key,
// quoted text, ';' comments, '\' line continuation, and %strkey% substitution from [Strings] and
// %dirid% substitution of folders, all names compared without regard to letter case.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talvex::inf {

// SetupAPI's codes for a file that is no INF, or not one of the style asked for.
inline constexpr uint32_t ERROR_EXPECTED_SECTION_NAME = 0xE0000000;
inline constexpr uint32_t ERROR_BAD_SECTION_NAME_LINE = 0xE0000001;
inline constexpr uint32_t ERROR_SECTION_NAME_TOO_LONG = 0xE0000002;
inline constexpr uint32_t ERROR_WRONG_INF_STYLE = 0xE0000100;
inline constexpr uint32_t ERROR_SECTION_NOT_FOUND = 0xE0000101;
inline constexpr uint32_t ERROR_LINE_NOT_FOUND = 0xE0000102;

// Longest section name, and longest field: a longer field is cut to this many characters.
inline constexpr size_t kMaxSectionNameLength = 255;
inline constexpr size_t kMaxFieldLength = 511;
// Longest text a substitution gives.
inline constexpr size_t kMaxStringLength = 4096;

struct InfLine {
  int number = 0;  // the file's line the INF line begins on, from 1
  // The text before '=', as written (quotes and continuations resolved, nothing substituted); a
  // line of one field without '=' has that field as its key too.
  std::optional<std::string> key;
  std::vector<std::string> fields;  // as written
};

struct InfSection {
  std::string name;  // as first written
  int number = 0;    // the line of its first header
  std::vector<InfLine> lines;
};

// The folder a DIRID stands for, or nothing for a DIRID that is not known.
using DirIdFolders = std::function<std::optional<std::string>(int dirid)>;

class InfFile {
 public:
  // Reads the bytes of a file: ANSI text (Windows-1252), UTF-16LE with its byte order mark, or
  // UTF-8 with its mark (characters Windows-1252 lacks become '?'). Sections of the same name are
  // one section. Throws InfError for what SetupAPI refuses to open: text before the first section
  // (unless that is [Strings]), a section name without its ']' or longer than 255 characters. The
  // [Version] signature is not looked at here.
  static InfFile Parse(std::string_view bytes);

  const std::vector<InfSection>& sections() const { return sections_; }
  const InfSection* Section(std::string_view name) const;
  // The first line of the section with that key (compared after substitution, as SetupAPI finds
  // lines), or null.
  const InfLine* FindLine(const InfSection& section, std::string_view key) const;
  // The key, or field n (from 1) of a line, substituted; empty when the line has none.
  std::string Key(const InfLine& line) const;
  std::string Field(const InfLine& line, size_t n) const;
  // The first field of the line with that key in that section, substituted; nothing when there
  // is no such section, line or field.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;

  // %strkey% from the strings section (English, [Strings.0409], first, then [Strings]), %n% of a
  // known DIRID, %% as %; anything else is left as written. One pass: a substitution's own %...%
  // stays. A DIRID's folder loses its trailing backslash before a backslash of the text.
  std::string Substitute(std::string_view text) const;
  void set_dirids(DirIdFolders dirids) { dirids_ = std::move(dirids); }

 private:
  const InfLine* StringLine(std::string_view key) const;

  std::vector<InfSection> sections_;
  DirIdFolders dirids_;
};

// A file SetupAPI refuses to open, with its code and the line at fault (0 for the whole file).
class InfError {
 public:
  InfError(uint32_t code, int line) : code_(code), line_(line) {}
  uint32_t code() const { return code_; }
  int line() const { return line_; }

 private:
  uint32_t code_;
  int line_;
};

// Windows-1252 text of the file's bytes, decoded as Parse decodes them.
std::string DecodeInfText(std::string_view bytes);

}  // namespace talvex::inf
