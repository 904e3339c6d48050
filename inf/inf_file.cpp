#include "inf/inf_file.h"

#include <charconv>

#include "platform/ascii_text.h"
#include "platform/cp1252.h"

namespace talvex::inf {
namespace {

constexpr char kEndOfFile = '\x1a';  // Ctrl+Z ends the text, as in DOS files

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Code points of UTF-8 text, each as Windows-1252 ('?' where it has none); a byte that starts
// no valid sequence stands for itself.
std::string Utf8ToAnsi(std::string_view text) {
  std::string ansi;
  for (size_t i = 0; i < text.size();) {
    auto byte = static_cast<uint8_t>(text[i]);
    size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    uint32_t code = length == 1 ? byte : byte & (0x3F >> (length - 1));
    bool valid = length > 1 && i + length <= text.size();
    for (size_t k = 1; valid && k < length; ++k) {
      auto next = static_cast<uint8_t>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    if (length > 1 && !valid) {
      code = byte;
      length = 1;
    }
    ansi.push_back(
        static_cast<char>(code <= 0xFFFF ? Utf16ToCp1252(static_cast<uint16_t>(code)) : '?'));
    i += length;
  }
  return ansi;
}

// The scanner over the text: one INF line at a time, as SetupAPI's parser reads it.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  std::vector<InfSection> Run() {
    while (!AtEnd()) {
      char c = text_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
      } else if (IsBlank(c)) {
        ++pos_;
      } else if (c == ';') {
        SkipToLineEnd();
      } else if (c == '[') {
        ReadSectionHeader();
      } else {
        ReadEntry();
      }
    }
    return std::move(sections_);
  }

 private:
  bool AtEnd() const { return pos_ >= text_.size() || text_[pos_] == kEndOfFile; }
  bool AtLineEnd() const { return AtEnd() || text_[pos_] == '\n'; }
  void SkipToLineEnd() {
    while (!AtLineEnd())
      ++pos_;
  }

  void ReadSectionHeader() {
    int headerLine = line_;
    size_t start = ++pos_;
    while (!AtLineEnd() && text_[pos_] != ']')
      ++pos_;
    if (AtLineEnd())
      throw InfError(ERROR_BAD_SECTION_NAME_LINE, headerLine);
    std::string name(text_.substr(start, pos_ - start));
    for (char& c : name)
      if (c == '\0')
        c = ' ';
    if (name.size() > kMaxSectionNameLength)
      throw InfError(ERROR_SECTION_NAME_TOO_LONG, headerLine);
    // Text before the first section is refused, unless that section is [Strings] (as Windows
    // does; a file of such text alone has no [Version] and is refused for its style).
    if (first_stray_line_ != 0 && sections_.empty() && !EqualsIgnoreCase(name, "Strings"))
      throw InfError(ERROR_EXPECTED_SECTION_NAME, first_stray_line_);
    current_ = nullptr;
    for (InfSection& section : sections_)
      if (EqualsIgnoreCase(section.name, name))
        current_ = &section;
    if (current_ == nullptr) {
      sections_.push_back(InfSection{name, headerLine, {}});
      current_ = &sections_.back();
    }
    ++pos_;
    SkipToLineEnd();  // what follows the ']' is ignored
  }

  // A field being built: its text, and how much of it counts (blanks at its end do not, unless
  // they were quoted).
  struct Token {
    std::string text;
    size_t kept = 0;
    void Add(char c, bool keep) {
      text.push_back(c == '\0' ? ' ' : c);
      if (keep || !IsBlank(c))
        kept = text.size();
    }
    std::string Take() {
      text.resize(kept);
      if (text.size() > kMaxFieldLength)
        text.resize(kMaxFieldLength);
      std::string field = std::move(text);
      text.clear();
      kept = 0;
      return field;
    }
  };

  // At a backslash: when only blanks, more backslashes or a comment follow on the line, the line
  // goes on on the next one (its leading blanks skipped) and true is returned.
  bool Continuation() {
    size_t at = pos_;
    while (at < text_.size() && text_[at] != kEndOfFile && text_[at] != '\n' &&
           (text_[at] == '\\' || IsBlank(text_[at])))
      ++at;
    bool comment = at < text_.size() && text_[at] == ';';
    if (!(at >= text_.size() || text_[at] == kEndOfFile || text_[at] == '\n' || comment))
      return false;
    pos_ = at;
    SkipToLineEnd();
    if (AtEnd())
      return true;
    ++line_;
    ++pos_;
    while (!AtLineEnd() && IsBlank(text_[pos_]))
      ++pos_;
    return true;
  }

  void SkipLeadingBlanks() {
    for (;;) {
      while (!AtLineEnd() && IsBlank(text_[pos_]))
        ++pos_;
      if (AtLineEnd() || text_[pos_] != '\\' || !Continuation())
        return;
    }
  }

  // Quoted text up to the closing quote ("" is one quote) or the line's end.
  void ReadQuoted(Token& token) {
    ++pos_;
    while (!AtLineEnd()) {
      char c = text_[pos_];
      if (c == '"') {
        if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
          token.Add('"', true);
          pos_ += 2;
          continue;
        }
        ++pos_;
        return;
      }
      token.Add(c, true);
      ++pos_;
    }
  }

  void ReadEntry() {
    InfLine line;
    line.number = line_;
    Token token;
    bool inKey = true;  // '=' still makes the text so far the key
    for (;;) {
      if (AtLineEnd()) {
        line.fields.push_back(token.Take());
        break;
      }
      char c = text_[pos_];
      if (c == ';') {
        line.fields.push_back(token.Take());
        SkipToLineEnd();
        break;
      }
      if (c == '=' && inKey) {
        line.key = token.Take();
        inKey = false;
        ++pos_;
        SkipLeadingBlanks();
      } else if (c == ',') {
        line.fields.push_back(token.Take());
        inKey = false;
        ++pos_;
        SkipLeadingBlanks();
      } else if (c == '"') {
        ReadQuoted(token);
      } else if (c == '\\' && Continuation()) {
        token.text.resize(token.kept);  // the blanks before the backslash do not count
      } else {
        token.Add(c, false);
        ++pos_;
      }
    }
    if (!line.key && line.fields.size() == 1)
      line.key = line.fields.front();
    if (current_ == nullptr) {
      first_stray_line_ = first_stray_line_ ? first_stray_line_ : line.number;
      return;
    }
    current_->lines.push_back(std::move(line));
  }

  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;
  std::vector<InfSection> sections_;
  InfSection* current_ = nullptr;
  int first_stray_line_ = 0;  // the first line of text before any section
};

}  // namespace

std::string DecodeInfText(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF &&
      static_cast<uint8_t>(bytes[1]) == 0xFE) {
    std::string ansi;
    ansi.reserve(bytes.size() / 2);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      auto unit = static_cast<uint16_t>(static_cast<uint8_t>(bytes[i]) |
                                        (static_cast<uint8_t>(bytes[i + 1]) << 8));
      ansi.push_back(static_cast<char>(Utf16ToCp1252(unit)));
    }
    return ansi;
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
    return Utf8ToAnsi(bytes.substr(3));
  return std::string(bytes);
}

InfFile InfFile::Parse(std::string_view bytes) {
  std::string text = DecodeInfText(bytes);
  InfFile file;
  file.sections_ = Scanner(text).Run();
  return file;
}

const InfSection* InfFile::Section(std::string_view name) const {
  for (const InfSection& section : sections_)
    if (EqualsIgnoreCase(section.name, name))
      return &section;
  return nullptr;
}

const InfLine* InfFile::FindLine(const InfSection& section, std::string_view key) const {
  for (const InfLine& line : section.lines)
    if (line.key && EqualsIgnoreCase(Substitute(*line.key), key))
      return &line;
  return nullptr;
}

std::string InfFile::Key(const InfLine& line) const {
  return line.key ? Substitute(*line.key) : std::string();
}

std::string InfFile::Field(const InfLine& line, size_t n) const {
  return n >= 1 && n <= line.fields.size() ? Substitute(line.fields[n - 1]) : std::string();
}

std::optional<std::string> InfFile::Value(std::string_view section, std::string_view key) const {
  const InfSection* found = Section(section);
  const InfLine* line = found ? FindLine(*found, key) : nullptr;
  if (line == nullptr || line->fields.empty())
    return std::nullopt;
  return Field(*line, 1);
}

const InfLine* InfFile::StringLine(std::string_view key) const {
  for (const char* name : {"Strings.0409", "Strings"}) {
    const InfSection* strings = Section(name);
    if (strings == nullptr)
      continue;
    // Keys of the strings section are compared as written: substituting them would loop.
    for (const InfLine& line : strings->lines)
      if (line.key && EqualsIgnoreCase(*line.key, key) && !line.fields.empty())
        return &line;
  }
  return nullptr;
}

std::string InfFile::Substitute(std::string_view text) const {
  std::string out;
  auto append = [&out](std::string_view part) {
    size_t room = kMaxStringLength - out.size();
    out.append(part.substr(0, room));
  };
  size_t start = 0;
  while (start < text.size() && out.size() < kMaxStringLength) {
    size_t open = text.find('%', start);
    size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
    if (close == std::string_view::npos) {
      append(text.substr(start));  // no %...% left: the rest as written
      break;
    }
    append(text.substr(start, open - start));
    std::string_view key = text.substr(open + 1, close - open - 1);
    start = close + 1;
    if (key.empty()) {
      append("%");
      continue;
    }
    if (const InfLine* line = StringLine(key)) {
      append(line->fields.front());
      continue;
    }
    int dirid = 0;
    auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), dirid);
    std::optional<std::string> folder;
    if (error == std::errc() && end == key.data() + key.size() && dirids_)
      folder = dirids_(dirid);
    if (!folder) {
      append(text.substr(open, close - open + 1));  // not known: left as written
      continue;
    }
    if (!folder->empty() && folder->back() == '\\' && start < text.size() && text[start] == '\\')
      folder->pop_back();
    append(*folder);
  }
  return out;
}

}  // namespace talvex::inf
