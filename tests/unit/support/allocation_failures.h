// Memory that runs out on demand. While a FailingAllocation lives, the Nth allocation that its
// thread makes through operator new (counted from 1) throws std::bad_alloc, as when the heap is
// exhausted; every other allocation goes through. A test fails allocation 1, 2, 3, ... of an
// operation in turn until none fails any more, and checks after each that nothing was left
// behind.
#pragma once

namespace talvex::testing {

class FailingAllocation {
 public:
  explicit FailingAllocation(int failingCall);
  ~FailingAllocation();
  FailingAllocation(const FailingAllocation&) = delete;
  FailingAllocation& operator=(const FailingAllocation&) = delete;

  // Whether the allocation was reached (and failed).
  bool Fired() const;
};

}  // namespace talvex::testing
