// The search of present devices by hardware ID, with the optional removal of the device found.
#pragma once

#include <string>

#include "inspect/hardware_id_list.h"
#include "platform/platform.h"

namespace talvex {

// Enumerates all present devices of all classes and compares their hardware IDs with wantedId
// (whole texts, ignoring letter case). Stops at the first match and removes that device when
// removeFound is set. Prints its progress and failures on standard output. True only when a device
// matched. *failed (when given) tells whether the search ended in an error, so that a false
// answer may be wrong: the device set could not be had, the enumeration broke off with another
// error than the end of the list, or a hardware-ID list could not be read.
bool SearchDevices(Platform& platform, const std::string& wantedId, HardwareIdScope scope,
                   bool removeFound, bool* failed = nullptr);

}  // namespace talvex
