#include "install/installation_failures.h"

#include <vector>

namespace talvex {
namespace {

// In the order the engines install them, as the wizard's check boxes name them.
const char* const kFunctionNames[] = {"Memory Stick", "SD Memory Card", "Smart Card"};

// "A", "A and B", "A, B and C" of the functions marked; the count goes to count.
std::string NamesOf(const std::array<bool, 3>& marked, size_t& count) {
  std::vector<const char*> names;
  for (size_t i = 0; i < marked.size(); ++i)
    if (marked[i])
      names.push_back(kFunctionNames[i]);
  count = names.size();
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0)
      text += i + 1 == names.size() ? " and " : ", ";
    text += names[i];
  }
  return text;
}

}  // namespace

bool InstallationFailures::Any() const {
  for (size_t i = 0; i < at_start_.size(); ++i)
    if (at_start_[i] || in_driver_[i])
      return true;
  return false;
}

std::string InstallationFailures::Text() const {
  std::string text;
  size_t count = 0;
  std::string names = NamesOf(at_start_, count);
  if (count == 1)
    text += "Setup could not finish looking for the " + names +
            " function of the TALVEX chip: it may be present without its driver.\n";
  else if (count > 1)
    text += "Setup could not finish looking for the " + names +
            " functions of the TALVEX chip: they may be present without their drivers.\n";
  names = NamesOf(in_driver_, count);
  if (count == 1)
    text += "Setup could not install the " + names + " driver completely.\n";
  else if (count > 1)
    text += "Setup could not install the " + names + " drivers completely.\n";
  if (!text.empty())
    text += "The installation is incomplete.";
  return text;
}

}  // namespace talvex
