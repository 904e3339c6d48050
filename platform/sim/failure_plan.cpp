#include "platform/sim/failure_plan.h"

#include <sstream>
#include <stdexcept>
#include <string_view>
#include <unordered_set>

#include "platform/ascii_text.h"
#include "platform/winconst.h"

namespace talvex::sim {
namespace {

// Every operation the machine can make fail, with the code it fails with unless a rule names one.
constexpr FailureOperation kOperations[] = {
    {"GetWindowsDirectoryA", false, win::ERROR_PATH_NOT_FOUND},
    {"GetSystemDirectoryA", false, win::ERROR_PATH_NOT_FOUND},
    {"LoadLibraryA", true, win::ERROR_MOD_NOT_FOUND},
    {"GetProcAddress", true, win::ERROR_PROC_NOT_FOUND},
    {"UpdateDriverForPlugAndPlayDevicesA", true, win::ERROR_GEN_FAILURE},
    {"SetupDiGetClassDevsA", false, win::ERROR_INVALID_PARAMETER},
    {"SetupDiEnumDeviceInfo", false, win::ERROR_NO_MORE_ITEMS},
    {"SetupDiGetDeviceRegistryPropertyA", true, win::ERROR_INVALID_DATA},
    {"SetupDiRemoveDevice", true, win::ERROR_ACCESS_DENIED},
    {"RegOpenKeyA", true, win::ERROR_ACCESS_DENIED},
    {"RegOpenKeyExA", true, win::ERROR_ACCESS_DENIED},
    {"RegSetValueExA", true, win::ERROR_ACCESS_DENIED},
    {"RegDeleteKeyA", true, win::ERROR_ACCESS_DENIED},
    {"CreateFileA", true, win::ERROR_ACCESS_DENIED},
    {"GetFileAttributesA", true, win::ERROR_ACCESS_DENIED},
    {"CreateDirectoryA", true, win::ERROR_ACCESS_DENIED},
    {"SetupInstallFileA", true, win::ERROR_ACCESS_DENIED},
    {"CreateProcessA", true, win::ERROR_ACCESS_DENIED},
    // The session: the shutdown privilege and the restart. AdjustTokenPrivileges fails by default
    // as Windows does for an account without the privilege: it succeeds and assigns nothing.
    {"OpenProcessToken", false, win::ERROR_ACCESS_DENIED},
    {"LookupPrivilegeValueA", true, win::ERROR_NO_SUCH_PRIVILEGE},
    {"AdjustTokenPrivileges", false, win::ERROR_NOT_ALL_ASSIGNED},
    {"ExitWindowsEx", false, win::ERROR_ACCESS_DENIED},
    // The shell namespace: HRESULT results (a Windows error code becomes HRESULT_FROM_WIN32).
    {"CoGetMalloc", false, static_cast<uint32_t>(win::E_OUTOFMEMORY)},
    {"SHGetDesktopFolder", false, static_cast<uint32_t>(win::E_FAIL)},
    {"SHGetSpecialFolderLocation", true, static_cast<uint32_t>(win::E_FAIL)},
    {"SHGetPathFromIDListA", true, static_cast<uint32_t>(win::E_FAIL)},
    {"SHGetFileInfoA", true, static_cast<uint32_t>(win::E_FAIL)},
    {"EnumObjects", true, static_cast<uint32_t>(win::E_FAIL)},
    {"BindToObject", true, static_cast<uint32_t>(win::E_FAIL)},
    {"GetAttributesOf", true, static_cast<uint32_t>(win::E_FAIL)},
    {"GetDisplayNameOf", true, static_cast<uint32_t>(win::E_FAIL)},
    {"ParseDisplayName", true, static_cast<uint32_t>(win::E_FAIL)},
    {"SHChangeNotifyRegister", false, 0},
};

uint32_t ParseNumber(const std::string& text, const std::string& what, int line) {
  try {
    size_t used = 0;
    unsigned long value = std::stoul(text, &used, 0);
    if (used != text.size() || value > 0xFFFFFFFFul || text[0] == '-' || text[0] == '+')
      throw std::out_of_range(text);
    return static_cast<uint32_t>(value);
  } catch (const std::logic_error&) {
    throw IniError("machine.ini line " + std::to_string(line) + ": bad " + what + " '" + text +
                   "'");
  }
}

// Operations whose argument has only a few possible forms. A rule with any other argument could
// never fire and would leave the run untouched, so it is refused like a misspelt operation: the
// reason, or nothing when the argument fits.
std::optional<std::string> ArgumentMismatch(std::string_view operation,
                                            const std::string& argument) {
  if (operation == "LoadLibraryA" && !EqualsIgnoreCase(argument, "newdev.dll") &&
      !EqualsIgnoreCase(argument, "shell32.dll"))
    return "LoadLibraryA takes newdev.dll or shell32.dll, not '" + argument + "'";
  // Calls are counted under the CSIDL written as the shell numbers it: decimal, no leading zero.
  bool decimal = argument.find_first_not_of("0123456789") == std::string::npos &&
                 (argument.size() == 1 || argument[0] != '0');
  if (operation == "SHGetSpecialFolderLocation" && !decimal)
    return "SHGetSpecialFolderLocation takes a CSIDL in decimal, not '" + argument + "'";
  return std::nullopt;
}

// Every call of the machine asks here, with the name exactly as the table spells it: a set of
// the spellings answers at once; other spellings go through the case-insensitive search.
bool IsKnownOperation(const std::string& name) {
  static const std::unordered_set<std::string_view> spellings = [] {
    std::unordered_set<std::string_view> names;
    for (const FailureOperation& operation : kOperations)
      names.insert(operation.name);
    return names;
  }();
  return spellings.count(name) != 0 || FindFailureOperation(name) != nullptr;
}

}  // namespace

std::span<const FailureOperation> FailureOperations() {
  return kOperations;
}

const FailureOperation* FindFailureOperation(const std::string& name) {
  for (const FailureOperation& operation : kOperations)
    if (EqualsIgnoreCase(operation.name, name))
      return &operation;
  return nullptr;
}

FailurePlan FailurePlan::FromIni(const IniFile& ini) {
  FailurePlan plan;
  const IniSection* section = ini.Section("failures");
  if (section == nullptr)
    return plan;
  for (const IniEntry& entry : section->entries) {
    auto bad = [&entry](const std::string& why) {
      return IniError("machine.ini line " + std::to_string(entry.line) + ": " + why);
    };
    std::string operation = entry.key;
    std::string argument;
    size_t space = entry.key.find_first_of(" \t");
    if (space != std::string::npos) {
      operation = entry.key.substr(0, space);
      argument = TrimBlanks(entry.key.substr(space));
    }
    const FailureOperation* known = FindFailureOperation(operation);
    if (known == nullptr)
      throw bad("no operation '" + operation + "' can be made to fail");
    if (!argument.empty() && !known->takesArgument)
      throw bad(operation + " takes no argument");
    if (!argument.empty())
      if (std::optional<std::string> why = ArgumentMismatch(known->name, argument))
        throw bad(*why);
    std::istringstream words(entry.value);
    std::string word;
    int callNumber = -1;
    bool fromCall = false;
    std::optional<uint32_t> error;
    auto readCall = [&]() {
      std::string number;
      if (!(words >> number))
        throw bad("'call' needs a number");
      uint32_t n = ParseNumber(number, "call number", entry.line);
      if (n == 0 || n > 1000000)
        throw bad("call numbers start at 1");
      callNumber = static_cast<int>(n);
    };
    while (words >> word) {
      bool when = EqualsIgnoreCase(word, "always") || EqualsIgnoreCase(word, "call") ||
                  EqualsIgnoreCase(word, "from");
      if (when && callNumber >= 0)
        throw bad("say 'always', 'call N' or 'from call N' once");
      if (EqualsIgnoreCase(word, "always")) {
        callNumber = 0;
      } else if (EqualsIgnoreCase(word, "call")) {
        readCall();
      } else if (EqualsIgnoreCase(word, "from")) {
        if (!(words >> word) || !EqualsIgnoreCase(word, "call"))
          throw bad("'from' is followed by 'call N'");
        readCall();
        fromCall = true;
      } else if (EqualsIgnoreCase(word, "error")) {
        std::string code;
        if (error || !(words >> code))
          throw bad("'error' needs one code");
        error = ParseNumber(code, "error code", entry.line);
      } else {
        throw bad("unknown word '" + word + "' (always, call N, from call N, error CODE)");
      }
    }
    if (callNumber < 0)
      throw bad("say 'always', 'call N' or 'from call N'");
    plan.Add(known->name, argument, callNumber, error, fromCall);
  }
  return plan;
}

void FailurePlan::Add(const std::string& operation, const std::string& argument, int callNumber,
                      std::optional<uint32_t> error, bool fromCall) {
  rules_.push_back({operation, argument, callNumber, fromCall, error, 0, 0});
}

std::optional<uint32_t> FailurePlan::Check(const std::string& operation,
                                           const std::string& argument, uint32_t defaultError) {
  // Nothing to inject: the common case costs nothing. With rules (every fault-injection run) an
  // operation missing from the table is caught.
  if (rules_.empty())
    return std::nullopt;
  if (!IsKnownOperation(operation))
    throw std::logic_error("failure injection knows no operation " + operation);
  std::optional<uint32_t> result;
  for (Rule& rule : rules_) {
    if (!EqualsIgnoreCase(rule.operation, operation))
      continue;
    if (!rule.argument.empty() && !EqualsIgnoreCase(rule.argument, argument))
      continue;
    ++rule.calls;
    if (result)
      continue;  // every matching rule counts the call; the first that fires wins
    bool fires = rule.callNumber == 0 || rule.calls == rule.callNumber ||
                 (rule.fromCall && rule.calls > rule.callNumber);
    if (fires) {
      result = rule.error.value_or(defaultError);
      ++rule.fired;
    }
  }
  if (result)
    ++fired_;
  return result;
}

}  // namespace talvex::sim
