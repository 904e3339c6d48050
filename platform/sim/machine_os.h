// Which Windows the machine is, as its registry says: the NT family when it holds
// SOFTWARE\Microsoft\Windows NT\CurrentVersion, with the version of its CurrentVersion value;
// otherwise the 9x family.
#pragma once

#include "platform/sim/reg_store.h"

namespace talvex::sim {

struct MachineOs {
  bool nt = false;
  // NT: CurrentVersion (5.0 for Windows 2000, 5.1 for XP); 9x: 4.90 for Me, 4.10 for 98.
  int major = 4;
  int minor = 10;
};

bool IsNtFamily(RegistryStore& store);
MachineOs ReadMachineOs(RegistryStore& store);

}  // namespace talvex::sim
