#include "inspect/text_compare.h"

namespace talvex {

bool MatchesPrefix(std::string_view value, std::string_view literal, size_t n) {
  return literal.size() >= n && StartsWithIgnoreCase(value, literal.substr(0, n));
}

}  // namespace talvex
