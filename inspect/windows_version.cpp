#include "inspect/windows_version.h"

#include <string>
#include <vector>

#include "inspect/text_compare.h"
#include "platform/winconst.h"

namespace talvex {
namespace {

// A value's data as text: its size first, then the data into a buffer of that size, asking
// again with the reported size should the value have grown in between. A value that is missing
// or cannot be read is the empty text. The value is read whole, whatever its length, and the
// buffer always ends with a zero byte, so a value of any length or type reads safely.
std::string ReadValueText(Registry& registry, RegKey key, const std::string& name) {
  constexpr int kMaxAttempts = 4;
  uint32_t size = 0;
  if (registry.RegQueryValueExA(key, name, nullptr, nullptr, &size) != 0)
    return {};
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    std::vector<uint8_t> buffer(size_t{size} + 1, 0);
    uint32_t got = size;
    const int32_t result = registry.RegQueryValueExA(key, name, nullptr, buffer.data(), &got);
    if (result == 0)
      return std::string(reinterpret_cast<const char*>(buffer.data()));
    if (result != static_cast<int32_t>(win::ERROR_MORE_DATA) || got <= size)
      return {};
    size = got;
  }
  return {};
}

}  // namespace

WindowsVersionClass DetectWindowsVersion(Registry& registry) {
  ScopedRegKey windowsKey(registry);
  if (registry.RegOpenKeyA(win::HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                           windowsKey.Receive()) != 0)
    return VersionUnsupported;
  std::string version = ReadValueText(registry, windowsKey.get(), "Version");
  if (MatchesPrefix(version, "Windows 98", 10))
    return Win98;
  if (MatchesPrefix(version, "Windows Millennium Edition", 25))
    return WinMe;

  ScopedRegKey ntKey(registry);
  if (registry.RegOpenKeyA(win::HKEY_LOCAL_MACHINE,
                           "Software\\Microsoft\\Windows NT\\CurrentVersion", ntKey.Receive()) != 0)
    return VersionUnsupported;
  std::string current = ReadValueText(registry, ntKey.get(), "CurrentVersion");
  if (MatchesPrefix(current, "5.0", 3))
    return Win2000;
  if (MatchesPrefix(current, "4.0", 3))
    return WinNT4;
  if (MatchesPrefix(current, "3.51", 4))
    return WinNT351;
  std::string product = ReadValueText(registry, ntKey.get(), "ProductName");
  if (MatchesPrefix(product, "Microsoft Windows XP", 20))
    return WinXP;
  return VersionUnsupported;
}

}  // namespace talvex
