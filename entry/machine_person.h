// The person at a simulated machine, shared by the program's run and the folder tree's host: the
// machine as the person sees it (its clock, its restart requests), the [user] lines of its
// machine.ini, and every action the person can take there, on the windows and on the machine
// itself (folders made, removed and renamed, media put into drives and taken out).
#pragma once

#include <cstdint>
#include <vector>

#include "framework/headless/user_script.h"

namespace talvex {
namespace sim {
class SimMachine;
}

class SimulatedMachineForPerson : public HeadlessMachine {
 public:
  explicit SimulatedMachineForPerson(sim::SimMachine& machine) : machine_(machine) {}
  uint64_t Now() override;
  void Advance(uint64_t milliseconds) override;
  // registry.reg shows what the program did whenever the person can look.
  void Checkpoint() override;
  bool TakeRestartRequest() override;

 private:
  sim::SimMachine& machine_;
};

// The [user] lines of the machine's machine.ini, action names in lower case.
std::vector<UserScriptLine> UserLines(const sim::SimMachine& machine);

// The actions on the windows and the rows that change the machine's folders and drives. A
// machine row whose value is malformed or names no drive of the machine is refused when read; one
// the machine cannot carry out when its turn comes (a folder that exists already) throws
// UserActionFailed.
UserActionTable UserActions(sim::SimMachine& machine);

}  // namespace talvex
