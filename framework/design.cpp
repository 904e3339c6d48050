#include "framework/design.h"

#include <cctype>
#include <limits>

namespace talvex {
namespace {

// Deep nesting or endless lists in a broken file must not exhaust the stack or memory.
constexpr int kMaxDepth = 32;
constexpr size_t kMaxListItems = 10000;

class DesignParser {
 public:
  explicit DesignParser(const std::string& text) : text_(text) {}

  DesignObject ParseRoot() {
    DesignObject root = ParseObject(0);
    SkipSpace();
    if (pos_ < text_.size())
      Fail("text after the last 'end'");
    return root;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const { throw EDesignError(line_, what); }

  void SkipSpace() {
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
      } else if (c == ' ' || c == '\t' || c == '\r') {
        ++pos_;
      } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/') {
        while (pos_ < text_.size() && text_[pos_] != '\n')
          ++pos_;
      } else {
        break;
      }
    }
  }

  static bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '.';
  }

  std::string Word() {
    SkipSpace();
    size_t start = pos_;
    while (pos_ < text_.size() && IsWordChar(text_[pos_]))
      ++pos_;
    if (start == pos_)
      Fail("a name was expected");
    return text_.substr(start, pos_ - start);
  }

  bool PeekWord(const char* word) {
    SkipSpace();
    size_t len = std::char_traits<char>::length(word);
    return text_.compare(pos_, len, word) == 0 &&
           (pos_ + len == text_.size() || !IsWordChar(text_[pos_ + len]));
  }

  void Expect(char c) {
    SkipSpace();
    if (pos_ >= text_.size() || text_[pos_] != c)
      Fail(std::string("'") + c + "' was expected");
    ++pos_;
  }

  DesignObject ParseObject(int depth) {
    if (depth > kMaxDepth)
      Fail("objects nested too deeply");
    if (Word() != "object")
      Fail("'object' was expected");
    DesignObject object;
    object.name = Word();
    Expect(':');
    object.className = Word();
    for (;;) {
      SkipSpace();
      if (pos_ >= text_.size())
        Fail("'end' was expected");
      if (PeekWord("end")) {
        Word();
        return object;
      }
      if (PeekWord("object")) {
        object.children.push_back(ParseObject(depth + 1));
        continue;
      }
      DesignProperty property;
      property.name = Word();
      Expect('=');
      property.value = ParseValue();
      object.properties.push_back(std::move(property));
    }
  }

  // 'text'#13#10'more': quoted pieces and byte codes joined without spaces.
  std::string ParseText() {
    std::string result;
    bool any = false;
    while (pos_ < text_.size() && (text_[pos_] == '\'' || text_[pos_] == '#')) {
      any = true;
      if (text_[pos_] == '#') {
        ++pos_;
        unsigned value = 0;
        size_t digits = 0;
        while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
          value = value * 10 + static_cast<unsigned>(text_[pos_] - '0');
          if (value > 255)
            Fail("a byte code above 255");
          ++pos_;
          ++digits;
        }
        if (digits == 0)
          Fail("digits were expected after '#'");
        result.push_back(static_cast<char>(value));
        continue;
      }
      ++pos_;
      for (;;) {
        if (pos_ >= text_.size() || text_[pos_] == '\n')
          Fail("unterminated text");
        char c = text_[pos_++];
        if (c == '\'') {
          if (pos_ < text_.size() && text_[pos_] == '\'') {
            result.push_back('\'');
            ++pos_;
            continue;
          }
          break;
        }
        result.push_back(c);
      }
    }
    if (!any)
      Fail("text was expected");
    return result;
  }

  DesignValue ParseValue() {
    SkipSpace();
    if (pos_ >= text_.size())
      Fail("a value was expected");
    char c = text_[pos_];
    if (c == '\'' || c == '#')
      return ParseText();
    if (c == '[')
      return ParseSet();
    if (c == '(')
      return ParseStrings();
    if (c == '-' || std::isdigit(static_cast<unsigned char>(c)))
      return ParseNumber();
    std::string word = Word();
    if (word == "True")
      return true;
    if (word == "False")
      return false;
    return DesignIdentifier{word};
  }

  long long ParseNumber() {
    bool negative = text_[pos_] == '-';
    if (negative)
      ++pos_;
    long long value = 0;
    size_t digits = 0;
    while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
      if (value > (std::numeric_limits<int>::max() - 9) / 10)
        Fail("number too large");
      value = value * 10 + (text_[pos_] - '0');
      ++pos_;
      ++digits;
    }
    if (digits == 0)
      Fail("digits were expected");
    return negative ? -value : value;
  }

  DesignSet ParseSet() {
    Expect('[');
    DesignSet set;
    SkipSpace();
    if (pos_ < text_.size() && text_[pos_] == ']') {
      ++pos_;
      return set;
    }
    for (;;) {
      if (set.items.size() >= kMaxListItems)
        Fail("set too long");
      set.items.push_back(Word());
      SkipSpace();
      if (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
        continue;
      }
      Expect(']');
      return set;
    }
  }

  DesignStrings ParseStrings() {
    Expect('(');
    DesignStrings strings;
    for (;;) {
      SkipSpace();
      if (pos_ >= text_.size())
        Fail("')' was expected");
      if (text_[pos_] == ')') {
        ++pos_;
        return strings;
      }
      if (strings.items.size() >= kMaxListItems)
        Fail("list too long");
      strings.items.push_back(ParseText());
    }
  }

  const std::string& text_;
  size_t pos_ = 0;
  int line_ = 1;
};

}  // namespace

DesignObject ParseDesign(const std::string& text) {
  return DesignParser(text).ParseRoot();
}

}  // namespace talvex
