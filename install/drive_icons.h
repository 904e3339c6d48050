// Resets the registry entries that decide the icons and AutoPlay look of the storage drivers'
// drives: every value written is an empty text, and only keys that already exist are touched.
#pragma once

#include <cstdint>

#include "platform/registry.h"

namespace talvex {

// Idempotent. A value that cannot be written raises ERegistryException ("Failed to set data for
// '<name>'") and the rest is skipped.
void ResetDriveIcons(Registry& registry, int32_t windowsVersion);

}  // namespace talvex
