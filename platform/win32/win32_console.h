// Standard output through the C runtime. A GUI program usually has none; writes then go nowhere.
#pragma once

#include "platform/console.h"

namespace talvex::win32 {

class Win32Console final : public Console {
 public:
  void WriteStdout(const std::string& text) override;
};

}  // namespace talvex::win32
