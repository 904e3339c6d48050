// Failure injection: machine.ini's [failures] section makes named operations fail.
//
//   [failures]
//   <operation> [<argument>] = always | call <N> | from call <N> [error <code>]
//
// "always" fails every matching call, "call N" only the Nth matching call (counted from 1 over the
// run), "from call N" the Nth and every later one. The argument, when given, narrows the rule to
// calls with that argument (compared without regard to letter case): a hardware ID, a device
// instance path, a registry value name, a file path, an entry point name. The error code (decimal
// or 0x hexadecimal) is the thread's last error after the failure; without it each operation fails
// with its own usual code. A rule the machine cannot apply (an operation it does not know, an
// argument the operation does not take, a malformed value) makes the machine unusable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/sim/ini_file.h"

namespace talvex::sim {

// An operation that failure injection can make fail. One row per operation: the parser accepts
// exactly these names, and the tests that fail every operation in turn go through this table.
struct FailureOperation {
  const char* name;
  bool takesArgument;
  uint32_t defaultError;
};

std::span<const FailureOperation> FailureOperations();
// The row of that name (compared without regard to letter case), or null.
const FailureOperation* FindFailureOperation(const std::string& name);

class FailurePlan {
 public:
  FailurePlan() = default;
  // Throws IniError, naming the line, for a rule it cannot apply.
  static FailurePlan FromIni(const IniFile& ini);

  // callNumber 0: always.
  void Add(const std::string& operation, const std::string& argument, int callNumber,
           std::optional<uint32_t> error, bool fromCall = false);

  // Counts the call and says whether it fails: the error code to fail with (defaultError when the
  // rule names none), or nothing when the call goes through. operation must be a row of
  // FailureOperations().
  std::optional<uint32_t> Check(const std::string& operation, const std::string& argument,
                                uint32_t defaultError);

  // How many calls the rules made fail so far: all of them, and the rule added as the index-th
  // (counted from 0; 0 for an index past the last rule).
  int Fired() const { return fired_; }
  int FiredBy(size_t index) const { return index < rules_.size() ? rules_[index].fired : 0; }

 private:
  struct Rule {
    std::string operation;
    std::string argument;  // empty: every call of the operation
    int callNumber = 0;    // 0: always
    bool fromCall = false;
    std::optional<uint32_t> error;
    int calls = 0;
    int fired = 0;  // calls this rule made fail
  };
  std::vector<Rule> rules_;
  int fired_ = 0;
};

}  // namespace talvex::sim
