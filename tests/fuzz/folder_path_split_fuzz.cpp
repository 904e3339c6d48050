// The path splitting of the folder tree's lookup: a path (before the first NUL byte of the input)
// and a desktop directory (after it), lowered and with one trailing backslash removed as the lookup
// does. The components must give back the path when joined again with one separator each, no
// component may be empty, and only the first may hold a separator: the desktop directory, a drive
// or a lone backslash standing as one component.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "foldertree/kvfoldertree.h"
#include "platform/ascii_text.h"

namespace {

void Check(bool condition) {
  if (!condition)
    std::abort();
}

bool IsSeparator(char c) {
  return c == '\\' || c == ':';
}

bool HoldsSeparator(const std::string& text) {
  return text.find_first_of("\\:") != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace talvex;
  std::string input(reinterpret_cast<const char*>(data), size);
  size_t nul = input.find('\0');
  std::string path = LowerAsciiText(input.substr(0, nul));
  std::string desktop =
      nul == std::string::npos ? std::string() : LowerAsciiText(input.substr(nul + 1));
  if (!path.empty() && path.back() == '\\')
    path.pop_back();

  std::vector<std::string> parts = SplitFolderPath(path, desktop);
  Check(parts.empty() == path.empty());
  Check(parts.size() <= path.size());
  // Walk the path back from its end: each part where it belongs, one separator between parts.
  size_t end = path.size();
  for (size_t i = parts.size(); i-- > 0;) {
    const std::string& part = parts[i];
    Check(!part.empty());
    Check(part.size() <= end);
    Check(path.compare(end - part.size(), part.size(), part) == 0);
    end -= part.size();
    if (i > 0) {
      Check(!HoldsSeparator(part));
      Check(end > 0 && IsSeparator(path[end - 1]));
      --end;
    } else {
      // The first part starts the path, or stands after one separator that the split dropped.
      Check(end == 0 || (end == 1 && IsSeparator(path[0])));
      Check(part == desktop || !HoldsSeparator(part) || IsSeparator(part.back()));
      if (part != desktop && HoldsSeparator(part))
        Check(LastPathName(part).empty());
    }
    // Every deeper part is the last name of the path up to it.
    if (i > 0)
      Check(LastPathName(path.substr(0, end + 1 + part.size())) == part);
  }
  return 0;
}
