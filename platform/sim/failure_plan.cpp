#include "platform/sim/failure_plan.h"

#include <sstream>

#include "platform/ascii_text.h"

namespace talvex::sim {
namespace {

uint32_t ParseCode(const std::string& text, int line) {
  try {
    size_t used = 0;
    unsigned long value = std::stoul(text, &used, 0);
    if (used != text.size() || value > 0xFFFFFFFFul)
      throw std::out_of_range(text);
    return static_cast<uint32_t>(value);
  } catch (const std::logic_error&) {
    throw IniError("machine.ini line " + std::to_string(line) + ": bad error code '" + text + "'");
  }
}

}  // namespace

FailurePlan FailurePlan::FromIni(const IniFile& ini) {
  FailurePlan plan;
  const IniSection* section = ini.Section("failures");
  if (section == nullptr)
    return plan;
  for (const IniEntry& entry : section->entries) {
    std::string operation = entry.key;
    std::string argument;
    size_t space = entry.key.find_first_of(" \t");
    if (space != std::string::npos) {
      operation = entry.key.substr(0, space);
      argument = entry.key.substr(entry.key.find_first_not_of(" \t", space));
    }
    std::istringstream words(entry.value);
    std::string word;
    int callNumber = -1;
    std::optional<uint32_t> error;
    auto bad = [&entry](const std::string& why) {
      return IniError("machine.ini line " + std::to_string(entry.line) + ": " + why);
    };
    while (words >> word) {
      if (EqualsIgnoreCase(word, "always")) {
        callNumber = 0;
      } else if (EqualsIgnoreCase(word, "call")) {
        std::string number;
        if (!(words >> number))
          throw bad("'call' needs a number");
        uint32_t n = ParseCode(number, entry.line);
        if (n == 0 || n > 1000000)
          throw bad("call numbers start at 1");
        callNumber = static_cast<int>(n);
      } else if (EqualsIgnoreCase(word, "error")) {
        std::string code;
        if (!(words >> code))
          throw bad("'error' needs a code");
        error = ParseCode(code, entry.line);
      } else {
        throw bad("unknown word '" + word + "' (always, call N, error CODE)");
      }
    }
    if (callNumber < 0)
      throw bad("say 'always' or 'call N'");
    plan.Add(operation, argument, callNumber, error);
  }
  return plan;
}

void FailurePlan::Add(const std::string& operation, const std::string& argument, int callNumber,
                      std::optional<uint32_t> error) {
  rules_.push_back({operation, argument, callNumber, error, 0});
}

std::optional<uint32_t> FailurePlan::Check(const std::string& operation,
                                           const std::string& argument, uint32_t defaultError) {
  std::optional<uint32_t> result;
  for (Rule& rule : rules_) {
    if (!EqualsIgnoreCase(rule.operation, operation))
      continue;
    if (!rule.argument.empty() && !EqualsIgnoreCase(rule.argument, argument))
      continue;
    ++rule.calls;
    if (result)
      continue;  // every matching rule counts the call; the first that fires wins
    if (rule.callNumber == 0 || rule.callNumber == rule.calls)
      result = rule.error.value_or(defaultError);
  }
  return result;
}

}  // namespace talvex::sim
