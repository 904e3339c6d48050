// Files embedded into the program at build time (window designs).
#pragma once

#include <optional>
#include <string>

namespace talvex {

std::optional<std::string> FindEmbeddedResource(const std::string& name);

}  // namespace talvex
