// Window designs: the text files in resources/ that list a window's controls, their stored
// properties in order, and the names of their event handlers.
//
//   object Form2: TForm2
//     Caption = 'Setup'
//     OnCreate = FormCreate
//     object Next: TButton
//       Left = 365
//       Caption = 'Next >'#13#10
//     end
//   end
//
// Values: 'quoted text' with '' for a quote, joined with #NNN byte codes; whole numbers; True and
// False; identifiers; sets [a, b]; string lists ('one' 'two'). Lines starting with // are comments.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace talvex {

struct DesignIdentifier {
  std::string name;
  bool operator==(const DesignIdentifier&) const = default;
};
// [a, b]
struct DesignSet {
  std::vector<std::string> items;
  bool operator==(const DesignSet&) const = default;
};
// ('one' 'two')
struct DesignStrings {
  std::vector<std::string> items;
  bool operator==(const DesignStrings&) const = default;
};

using DesignValue =
    std::variant<std::string, long long, bool, DesignIdentifier, DesignSet, DesignStrings>;

struct DesignProperty {
  std::string name;
  DesignValue value;
};

struct DesignObject {
  std::string name;
  std::string className;
  std::vector<DesignProperty> properties;
  std::vector<DesignObject> children;
};

class EDesignError : public std::runtime_error {
 public:
  EDesignError(int line, const std::string& what)
      : std::runtime_error("design line " + std::to_string(line) + ": " + what) {}
  explicit EDesignError(const std::string& what) : std::runtime_error(what) {}
};

// Parses one design; throws EDesignError on anything malformed.
DesignObject ParseDesign(const std::string& text);

}  // namespace talvex
