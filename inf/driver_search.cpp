#include "inf/driver_search.h"

#include <charconv>
#include <tuple>

#include "platform/ascii_text.h"

namespace talvex::inf {
namespace {

// VER_NT_WORKSTATION, and the suite of Windows XP Professional (VER_SUITE_SINGLEUSERTS).
constexpr unsigned kWorkstation = 1;
constexpr unsigned kProfessionalSuite = 0x100;

// A decimal number, or a hexadecimal one after "0x".
std::optional<unsigned> Number(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  unsigned value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size())
    return std::nullopt;
  return value;
}

std::vector<std::string_view> SplitDots(std::string_view text) {
  std::vector<std::string_view> parts;
  for (;;) {
    size_t dot = text.find('.');
    parts.push_back(text.substr(0, dot));
    if (dot == std::string_view::npos)
      return parts;
    text.remove_prefix(dot + 1);
  }
}

bool HasSection(const InfFile& file, const std::string& name) {
  return file.Section(name) != nullptr;
}

}  // namespace

std::string SignatureOf(const InfFile& file) {
  const InfSection* version = file.Section("Version");
  const InfLine* line = version ? file.FindLine(*version, "Signature") : nullptr;
  // Windows compares the signature as written, before any substitution.
  return line && !line->fields.empty() ? line->fields.front() : std::string();
}

uint32_t CheckSignature(const InfFile& file, const TargetOs& os) {
  std::string signature = SignatureOf(file);
  if (EqualsIgnoreCase(signature, "$Chicago$") || EqualsIgnoreCase(signature, "$Windows 95$"))
    return 0;
  if (os.nt && EqualsIgnoreCase(signature, "$Windows NT$"))
    return 0;
  return ERROR_WRONG_INF_STYLE;
}

std::optional<int> DecorationScore(const std::string& decoration, const TargetOs& os) {
  if (!os.ReadsDecorations() || decoration.size() < 2 ||
      !EqualsIgnoreCase(std::string_view(decoration).substr(0, 2), "nt"))
    return std::nullopt;
  std::vector<std::string_view> parts = SplitDots(std::string_view(decoration).substr(2));
  std::string_view architecture = parts[0];
  if (!architecture.empty() && !EqualsIgnoreCase(architecture, "x86"))
    return std::nullopt;  // another processor's section
  if (parts.size() > 5)
    return std::nullopt;
  std::optional<unsigned> numbers[4];
  for (size_t i = 1; i < parts.size(); ++i) {
    if (parts[i].empty())
      continue;  // a field left out ("NT..1")
    numbers[i - 1] = Number(parts[i]);
    if (!numbers[i - 1])
      return std::nullopt;
  }
  const unsigned major = numbers[0].value_or(0);
  const unsigned minor = numbers[1].value_or(0);
  const auto osMajor = static_cast<unsigned>(os.major);
  const auto osMinor = static_cast<unsigned>(os.minor);
  if (major > osMajor || (major == osMajor && minor > osMinor))
    return std::nullopt;  // for a later Windows
  if (numbers[2] && *numbers[2] != kWorkstation)
    return std::nullopt;  // for a server
  if (numbers[3] && (*numbers[3] & ~kProfessionalSuite) != 0)
    return std::nullopt;  // for a suite this Windows lacks
  // The highest version not above the system's wins; then the one for x86, then a product type.
  int version = numbers[0] ? static_cast<int>(major * 100 + minor) + 1 : 0;
  return version * 4 + (architecture.empty() ? 0 : 2) + (numbers[2] ? 1 : 0);
}

ModelsChoice ChooseModelsSection(const InfFile& file, const InfLine& manufacturer,
                                 const TargetOs& os) {
  ModelsChoice choice;
  choice.section = file.Field(manufacturer, 1);
  std::optional<int> best;
  for (size_t n = 2; n <= manufacturer.fields.size(); ++n) {
    std::string decoration = TrimBlanks(file.Field(manufacturer, n));
    std::optional<int> score = DecorationScore(decoration, os);
    if (score && (!best || *score > *best)) {
      best = score;
      choice.section = file.Field(manufacturer, 1) + "." + decoration;
    }
  }
  choice.sectionFound = HasSection(file, choice.section);
  return choice;
}

std::optional<DriverMatch> FindDriver(const InfFile& file, const TargetOs& os,
                                      const std::vector<std::string>& ids) {
  const InfSection* manufacturers = file.Section("Manufacturer");
  if (manufacturers == nullptr)
    return std::nullopt;
  std::optional<DriverMatch> best;
  std::tuple<size_t, bool> bestRank{};
  for (const InfLine& manufacturer : manufacturers->lines) {
    ModelsChoice models = ChooseModelsSection(file, manufacturer, os);
    const InfSection* section = file.Section(models.section);
    if (section == nullptr)
      continue;
    for (const InfLine& line : section->lines) {
      for (size_t field = 2; field <= line.fields.size(); ++field) {
        std::string infId = TrimBlanks(file.Field(line, field));
        if (infId.empty())
          continue;
        for (size_t index = 0; index < ids.size(); ++index) {
          if (!EqualsIgnoreCase(infId, ids[index]))
            continue;
          std::tuple<size_t, bool> rank{index, field > 2};
          if (!best || rank < bestRank) {
            bestRank = rank;
            best = DriverMatch{file.Key(manufacturer),
                               manufacturer.number,
                               models.section,
                               file.Key(line),
                               line.number,
                               TrimBlanks(file.Field(line, 1)),
                               infId,
                               static_cast<int>(index)};
          }
          break;
        }
      }
    }
  }
  return best;
}

std::optional<std::string> ActualInstallSection(const InfFile& file, const TargetOs& os,
                                                const std::string& installSection,
                                                std::string* extension) {
  std::vector<const char*> extensions;
  if (os.nt)
    extensions = {".NTx86", ".NT", ""};
  else
    extensions = {""};
  for (const char* candidate : extensions) {
    if (HasSection(file, installSection + candidate)) {
      *extension = candidate;
      return installSection + candidate;
    }
  }
  return std::nullopt;
}

}  // namespace talvex::inf
