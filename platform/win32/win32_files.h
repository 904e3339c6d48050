// Files through kernel32's CreateFileA and WriteFile.
#pragma once

#include "platform/files.h"

namespace talvex::win32 {

class Win32Files final : public Files {
 public:
  bool WriteNewFile(const std::string& path, const std::string& bytes) override;
};

}  // namespace talvex::win32
