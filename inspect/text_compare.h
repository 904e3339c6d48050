// The prefix test of the version detection.
#pragma once

#include <string_view>

#include "platform/ascii_text.h"

namespace talvex {

// The first n characters of value equal the first n of literal, ignoring letter case; a value
// shorter than n never matches.
bool MatchesPrefix(std::string_view value, std::string_view literal, size_t n);

}  // namespace talvex
