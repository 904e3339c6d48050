#include "platform/sim/sim_clock.h"

#include <iostream>

#include "platform/process.h"

namespace talvex::sim {

void SimClock::Advance(uint64_t milliseconds) {
  now_ += milliseconds;
  for (auto& listener : listeners_)
    listener(now_);
  if (now_ > limit_) {
    std::cerr << "talvex-setup: the simulated time limit of " << limit_ << " ms ran out\n";
    throw ProcessExit{kTimeLimitExitCode};
  }
}

}  // namespace talvex::sim
