// The diagnostic line for a failed platform call.
#pragma once

#include <string>

#include "platform/platform.h"

namespace talvex {

// Prints "<operation> FAILURE: <system text>" (or the code in hexadecimal when the system has no
// text) on standard output. Returns false and leaves the thread's last-error code as it was.
bool PrintFailure(Platform& platform, const std::string& operation);

}  // namespace talvex
