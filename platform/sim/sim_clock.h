// The simulated machine's clock: pauses and waits take no real time, and scripted programs act
// when the clock passes their moments. A run that uses up the time limit ends with its own code.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace talvex::sim {

// The exit code of a run stopped by the time limit; the program itself never ends with it.
inline constexpr int kTimeLimitExitCode = 3;
inline constexpr uint64_t kDefaultTimeLimitMs = 60ull * 60 * 1000;

class SimClock {
 public:
  explicit SimClock(uint64_t limitMs = kDefaultTimeLimitMs) : limit_(limitMs) {}

  uint64_t Now() const { return now_; }
  // Moves the clock on, telling each listener of the new time. Past the limit the run ends
  // (ProcessExit with kTimeLimitExitCode).
  void Advance(uint64_t milliseconds);
  void OnAdvance(std::function<void(uint64_t now)> listener) {
    listeners_.push_back(std::move(listener));
  }

 private:
  uint64_t now_ = 0;
  uint64_t limit_;
  std::vector<std::function<void(uint64_t)>> listeners_;
};

}  // namespace talvex::sim
