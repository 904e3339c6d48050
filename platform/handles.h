// Opaque handle values passed between the program logic and a platform backend. They carry the
// bits of the Windows handle; only the backend that issued one knows what it means.
#pragma once

#include <cstdint>

namespace talvex {

using RegKey = std::uintptr_t;        // HKEY
using DevInfoSet = std::uintptr_t;    // HDEVINFO
using WindowHandle = std::uintptr_t;  // HWND

// SP_DEVINFO_DATA: the record SetupAPI fills for one device of a device information set.
struct DevInfoData {
  uint32_t cbSize = 0;
  uint8_t ClassGuid[16] = {};
  uint32_t DevInst = 0;
  std::uintptr_t Reserved = 0;
};

}  // namespace talvex
