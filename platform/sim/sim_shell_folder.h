// The simulated IShellFolder and IEnumIDList objects.
#pragma once

#include <memory>
#include <vector>

#include "platform/shell.h"
#include "platform/sim/sim_shell_namespace.h"

namespace talvex::sim {

struct SimShellCore;

// The folder object of an item, given by its absolute item ID list.
ComPtr<IShellFolder> MakeSimShellFolder(std::shared_ptr<SimShellCore> core, ShellItem item,
                                        std::vector<uint8_t> absolute);

}  // namespace talvex::sim
