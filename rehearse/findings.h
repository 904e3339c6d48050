// What is wrong with a package, found by reading it without running anything: for each Windows,
// the INFs the setup program asks for, whether that Windows takes them, whether they install each
// of the chip's hardware IDs of their driver, and whether every file they copy is there; the
// Windows 98 copy table's files; the smart card component installers.
#pragma once

#include <string>
#include <vector>

#include "rehearse/package.h"

namespace talvex::rehearse {

struct Finding {
  std::string file;  // relative to the package ("auto\winxp\KVMS.INF"), or "" for the package
  int line = 0;      // 0: the file as a whole
  std::string what;
  // A note tells what a packager may want to know (a directive this check does not follow, a file
  // looked for beside the INF); it fails nothing.
  bool note = false;
};

std::vector<Finding> CheckPackage(const Package& package,
                                  const std::vector<ChipFunction>& functions);

// "auto\winxp\KVMS.INF:28: what" (no line when there is none).
std::string FindingLine(const Finding& finding);

}  // namespace talvex::rehearse
