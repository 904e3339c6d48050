#include "inspect/text_compare.h"

namespace talvex {

bool MatchesPrefix(std::string_view value, std::string_view literal, size_t n) {
  if (value.size() < n || literal.size() < n)
    return false;
  return EqualsIgnoreCase(value.substr(0, n), literal.substr(0, n));
}

}  // namespace talvex
