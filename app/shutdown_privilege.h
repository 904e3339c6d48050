// Enabling the shutdown privilege of the program's own access token, which Windows NT asks of a
// program that restarts it.
#pragma once

#include "platform/session.h"
#include "platform/thread_errors.h"

namespace talvex {

// True when the privilege is enabled. False on Windows 98 and Me (no access tokens), and when the
// account does not hold the privilege (nothing assigned).
bool EnableShutdownPrivilege(Session& session, ThreadErrors& errors);

}  // namespace talvex
