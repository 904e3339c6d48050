// machine.ini: Windows INI syntax. "[section]" lines, "key = value" lines, and comment lines that
// begin with ';'. A value runs to the end of its line (paths may contain ';').
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace talvex::sim {

class IniError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct IniEntry {
  std::string key;
  std::string value;
  int line = 0;
};

struct IniSection {
  std::string name;
  std::vector<IniEntry> entries;
};

class IniFile {
 public:
  // Throws IniError naming the line of anything it cannot read.
  static IniFile Parse(const std::string& text);

  // Section and key names compare without regard to letter case; the first match counts.
  const IniSection* Section(const std::string& name) const;
  std::optional<std::string> Value(const std::string& section, const std::string& key) const;
  const std::vector<IniSection>& sections() const { return sections_; }

 private:
  std::vector<IniSection> sections_;
};

}  // namespace talvex::sim
