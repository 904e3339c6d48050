// File helpers of the form framework.
#pragma once

#include <string>

#include "platform/files.h"

namespace talvex {

// True when the path names an existing file; a folder of that name is not a file. Wildcards are
// not expanded: the path is looked up as it is written.
bool FileExists(Files& files, const std::string& fileName);

}  // namespace talvex
