#include "rehearse/text_files.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace talvex::rehearse {

std::optional<std::string> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return std::nullopt;
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const std::string& text, bool keepEmpty) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (keepEmpty || !line.empty())
      lines.push_back(line);
  }
  return lines;
}

}  // namespace talvex::rehearse
