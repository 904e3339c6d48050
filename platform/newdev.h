// The Plug and Play driver-update library newdev.dll, loaded at run time from the system folder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/handles.h"

namespace talvex {

// A loaded newdev.dll; destroying it frees the library.
class NewdevModule {
 public:
  virtual ~NewdevModule() = default;
  // True when the library exports the named entry point.
  virtual bool GetProcAddress(const std::string& name) = 0;
  // Calls the "UpdateDriverForPlugAndPlayDevicesA" entry point. Only valid after GetProcAddress
  // found it.
  virtual bool UpdateDriverForPlugAndPlayDevicesA(WindowHandle parent,
                                                  const std::string& hardwareId,
                                                  const std::string& fullInfPath,
                                                  uint32_t installFlags,
                                                  int32_t* rebootRequired) = 0;
};

class DriverUpdateService {
 public:
  virtual ~DriverUpdateService() = default;
  // LoadLibraryA of newdev.dll by full path from the system folder; null when it cannot be loaded.
  virtual std::unique_ptr<NewdevModule> LoadNewdev() = 0;
};

}  // namespace talvex
