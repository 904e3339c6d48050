#include "platform/sim/machine_os.h"

#include <charconv>
#include <string>
#include <string_view>

#include "platform/ascii_text.h"
#include "platform/winconst.h"

namespace talvex::sim {
namespace {

const char kNtKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const char k9xKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// A string value's text, without its terminating zero; empty when absent or of another type.
std::string StringOf(RegistryStore& store, const char* key, const char* name) {
  RegKeyNode* node = store.FindKey(key);
  const RegValue* value = node ? node->FindValue(name) : nullptr;
  if (value == nullptr || (value->type != win::REG_SZ && value->type != win::REG_EXPAND_SZ))
    return {};
  std::string text(value->data.begin(), value->data.end());
  return text.substr(0, text.find('\0'));
}

}  // namespace

bool IsNtFamily(RegistryStore& store) {
  return store.FindKey(kNtKey) != nullptr;
}

MachineOs ReadMachineOs(RegistryStore& store) {
  MachineOs os;
  if (IsNtFamily(store)) {
    os.nt = true;
    os.major = 5;
    os.minor = 0;
    std::string version = StringOf(store, kNtKey, "CurrentVersion");
    size_t dot = version.find('.');
    int major = 0, minor = 0;
    const char* begin = version.data();
    if (dot != std::string::npos && std::from_chars(begin, begin + dot, major).ec == std::errc() &&
        std::from_chars(begin + dot + 1, begin + version.size(), minor).ec == std::errc()) {
      os.major = major;
      os.minor = minor;
    }
    return os;
  }
  std::string version = UpperAsciiText(StringOf(store, k9xKey, "Version"));
  if (version.rfind("WINDOWS MILLENNIUM", 0) == 0)
    os.minor = 90;
  return os;
}

}  // namespace talvex::sim
