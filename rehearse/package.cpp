#include "rehearse/package.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/ascii_text.h"

namespace talvex::rehearse {

namespace fs = std::filesystem;

const char* VersionName(WindowsVersion version) {
  switch (version) {
    case WindowsVersion::k98:
      return "Windows 98 SE";
    case WindowsVersion::kMe:
      return "Windows Me";
    case WindowsVersion::k2000:
      return "Windows 2000";
    case WindowsVersion::kXp:
      break;
  }
  return "Windows XP";
}

const char* VersionTag(WindowsVersion version) {
  switch (version) {
    case WindowsVersion::k98:
      return "98";
    case WindowsVersion::kMe:
      return "me";
    case WindowsVersion::k2000:
      return "2000";
    case WindowsVersion::kXp:
      break;
  }
  return "xp";
}

bool IsNt(WindowsVersion version) {
  return version == WindowsVersion::k2000 || version == WindowsVersion::kXp;
}

const char* InfFolder(WindowsVersion version) {
  switch (version) {
    case WindowsVersion::k98:
      return nullptr;
    case WindowsVersion::kMe:
      return "winme";
    case WindowsVersion::k2000:
      return "win2k";
    case WindowsVersion::kXp:
      break;
  }
  return "winxp";
}

const ChipDriver& DriverOf(ChipFunction function) {
  switch (function) {
    case ChipFunction::kMemoryStick:
      return kMemoryStickDriver;
    case ChipFunction::kSdCard:
      return kSdCardDriver;
    case ChipFunction::kSmartCard:
      break;
  }
  return kSmartCardDriver;
}

std::span<const CopiedFile> Win98CopiesOf(ChipFunction function) {
  switch (function) {
    case ChipFunction::kMemoryStick:
      return kMemoryStickFiles;
    case ChipFunction::kSdCard:
      return kSdCardFiles;
    case ChipFunction::kSmartCard:
      break;
  }
  return kSmartCardFiles;
}

const char* FunctionTag(ChipFunction function) {
  switch (function) {
    case ChipFunction::kMemoryStick:
      return "ms";
    case ChipFunction::kSdCard:
      return "sd";
    case ChipFunction::kSmartCard:
      break;
  }
  return "sc";
}

const char* FunctionName(ChipFunction function) {
  switch (function) {
    case ChipFunction::kMemoryStick:
      return "Memory Stick";
    case ChipFunction::kSdCard:
      return "SD Memory Card";
    case ChipFunction::kSmartCard:
      break;
  }
  return "Smart Card";
}

std::string InfOf(ChipFunction function, WindowsVersion version) {
  const ChipDriver& driver = DriverOf(function);
  const char* name = version == WindowsVersion::kMe ? driver.infWinMe : driver.infWin2000XP;
  return std::string("auto\\") + InfFolder(version) + "\\" + name;
}

std::optional<fs::path> Package::Find(const std::string& relative) const {
  fs::path at = folder_;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find('\\', start);
    std::string part = relative.substr(start, end == std::string::npos ? end : end - start);
    start = end == std::string::npos ? relative.size() + 1 : end + 1;
    if (part.empty() || part == ".")
      continue;
    if (part == "..")
      return std::nullopt;  // nothing outside the package
    std::error_code error;
    std::optional<fs::path> found;
    if (fs::exists(at / part, error)) {
      found = at / part;
    } else {
      for (fs::directory_iterator it(at, error), end_it; !error && it != end_it;
           it.increment(error))
        if (EqualsIgnoreCase(it->path().filename().string(), part))
          found = it->path();
    }
    if (!found)
      return std::nullopt;
    at = *found;
  }
  return at;
}

std::optional<std::string> Package::Read(const std::string& relative) const {
  std::optional<fs::path> file = Find(relative);
  std::error_code error;
  if (!file || !fs::is_regular_file(*file, error))
    return std::nullopt;
  std::ifstream in(*file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace talvex::rehearse
