// Reads arbitrary bytes as an INF and plans installs from it. Anything other than an InfError is
// a fault (the sanitizer build catches crashes, reads outside the text and undefined behaviour).
// Every section name, key and field the reader returns must be text of the file, in its order (a
// quoted, continued or cut field keeps a subsequence of it); a substitution stays within its
// limit and changes nothing of a text without '%'; a plan copies only from the package.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "inf/install_plan.h"

using talvex::inf::Folders;
using talvex::inf::InfError;
using talvex::inf::InfFile;
using talvex::inf::PlanInstall;
using talvex::inf::TargetOs;

namespace {

// Whether every character of part occurs in text in the same order (a NUL of the text reads as a
// blank, as the reader gives it).
bool IsSubsequence(std::string_view part, std::string_view text) {
  size_t at = 0;
  for (char c : part) {
    while (at < text.size() && (text[at] == '\0' ? ' ' : text[at]) != c)
      ++at;
    if (at == text.size())
      return false;
    ++at;
  }
  return true;
}

void Check(bool holds) {
  if (!holds)
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  InfFile file;
  try {
    file = InfFile::Parse(bytes);
  } catch (const InfError& error) {
    Check(error.code() >= 0xE0000000 && error.line() >= 0);
    return 0;
  }
  const std::string text = talvex::inf::DecodeInfText(bytes);
  file.set_dirids([](int dirid) -> std::optional<std::string> {
    return dirid == 10 ? std::optional<std::string>("C:\\WINDOWS") : std::nullopt;
  });
  for (const auto& section : file.sections()) {
    Check(IsSubsequence(section.name, text));
    Check(file.Section(section.name) == &section);
    for (const auto& line : section.lines) {
      if (line.key)
        Check(IsSubsequence(*line.key, text));
      for (const std::string& field : line.fields) {
        Check(field.size() <= talvex::inf::kMaxFieldLength && IsSubsequence(field, text));
        std::string substituted = file.Substitute(field);
        Check(substituted.size() <= talvex::inf::kMaxStringLength);
        if (field.find('%') == std::string::npos)
          Check(substituted == field);
      }
    }
  }
  const Folders folders{"C:\\WINDOWS", "C:\\WINDOWS\\system32", "D:\\PKG", true};
  for (const TargetOs& os : {TargetOs{true, 5, 1}, TargetOs{true, 5, 0}, TargetOs{false, 4, 90}}) {
    Folders forOs = folders;
    forOs.nt = os.nt;
    auto result = PlanInstall(file, os, forOs, {"*KVE0515", "PCI\\VEN_1A2B&DEV_0515"});
    if (result.error != 0)
      continue;
    for (const auto& copy : result.plan.copies)
      Check(copy.sourceFolder.rfind("D:\\PKG", 0) == 0 && !copy.targetName.empty());
  }
  return 0;
}
