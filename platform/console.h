// The standard output stream that carries the program's diagnostic lines.
#pragma once

#include <string>

namespace talvex {

class Console {
 public:
  virtual ~Console() = default;
  virtual void WriteStdout(const std::string& text) = 0;
};

}  // namespace talvex
