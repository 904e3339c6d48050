// Everything the program logic may ask of the operating system, passed in as one aggregate so that
// each test can build a machine of its own.
#pragma once

#include "platform/console.h"
#include "platform/devices.h"
#include "platform/files.h"
#include "platform/newdev.h"
#include "platform/other_windows.h"
#include "platform/process.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/session.h"
#include "platform/shell.h"
#include "platform/system_folders.h"
#include "platform/thread_errors.h"

namespace talvex {

struct Platform {
  Registry& registry;
  DeviceSetup& devices;
  DriverUpdateService& newdev;
  Files& files;
  SystemFolders& folders;
  Process& process;
  ThreadErrors& errors;
  Console& console;
  Processes& processes;
  OtherWindows& windows;
  Shell& shell;  // the shell namespace, for the folder tree
  Session& session;
};

}  // namespace talvex
