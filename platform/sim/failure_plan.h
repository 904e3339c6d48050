// Failure injection: machine.ini's [failures] section makes named operations fail.
//
//   [failures]
//   <operation> [<argument>] = always | call <N> [error <code>]
//
// "always" fails every matching call, "call N" only the Nth matching call (counted from 1 over the
// run). The argument, when given, narrows the rule to calls with that argument (compared without
// regard to letter case): a hardware ID, a device instance path, a registry value name, a file
// path, an entry point name. The error code (decimal or 0x hexadecimal) is the thread's last error
// after the failure; without it each operation fails with its own usual code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/ini_file.h"

namespace talvex::sim {

class FailurePlan {
 public:
  FailurePlan() = default;
  // Throws IniError for a rule it cannot read.
  static FailurePlan FromIni(const IniFile& ini);

  void Add(const std::string& operation, const std::string& argument, int callNumber,
           std::optional<uint32_t> error);

  // Counts the call and says whether it fails: the error code to fail with (defaultError when the
  // rule names none), or nothing when the call goes through.
  std::optional<uint32_t> Check(const std::string& operation, const std::string& argument,
                                uint32_t defaultError);

 private:
  struct Rule {
    std::string operation;
    std::string argument;  // empty: every call of the operation
    int callNumber = 0;    // 0: always
    std::optional<uint32_t> error;
    int calls = 0;
  };
  std::vector<Rule> rules_;
};

}  // namespace talvex::sim
