#include "platform/sim/ini_file.h"

#include "platform/ascii_text.h"

namespace talvex::sim {

IniFile IniFile::Parse(const std::string& text) {
  IniFile file;
  size_t pos = 0;
  int lineNumber = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos)
      end = text.size();
    std::string line = TrimBlanks(text.substr(pos, end - pos));
    pos = end + 1;
    ++lineNumber;
    if (lineNumber == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0)
      line = TrimBlanks(line.substr(3));
    if (line.empty() || line[0] == ';')
      continue;
    if (line[0] == '[') {
      // A name of blanks only is as nameless as "[]": no section could be looked up by it.
      std::string name = line.back() == ']' ? TrimBlanks(line.substr(1, line.size() - 2)) : "";
      if (name.empty())
        throw IniError("machine.ini line " + std::to_string(lineNumber) + ": bad section");
      file.sections_.push_back({name, {}});
      continue;
    }
    size_t equals = line.find('=');
    if (equals == std::string::npos)
      throw IniError("machine.ini line " + std::to_string(lineNumber) + ": 'key = value' expected");
    if (file.sections_.empty())
      throw IniError("machine.ini line " + std::to_string(lineNumber) + ": value before a section");
    std::string key = TrimBlanks(line.substr(0, equals));
    if (key.empty())
      throw IniError("machine.ini line " + std::to_string(lineNumber) + ": empty key");
    file.sections_.back().entries.push_back({key, TrimBlanks(line.substr(equals + 1)), lineNumber});
  }
  return file;
}

const IniSection* IniFile::Section(const std::string& name) const {
  for (const IniSection& section : sections_)
    if (EqualsIgnoreCase(section.name, name))
      return &section;
  return nullptr;
}

std::optional<std::string> IniFile::Value(const std::string& section,
                                          const std::string& key) const {
  const IniSection* found = Section(section);
  if (found == nullptr)
    return std::nullopt;
  for (const IniEntry& entry : found->entries)
    if (EqualsIgnoreCase(entry.key, key))
      return entry.value;
  return std::nullopt;
}

}  // namespace talvex::sim
