// Files and folders, by Windows path.
#pragma once

#include <string>

namespace talvex {

class Files {
 public:
  virtual ~Files() = default;
  // Creates or truncates the file and writes the bytes; false (and the last error set) when the
  // file cannot be created or written.
  virtual bool WriteNewFile(const std::string& path, const std::string& bytes) = 0;
};

}  // namespace talvex
