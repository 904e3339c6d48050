// The test program's operator new and delete: the C library's heap, with the countdown of
// FailingAllocation in front of it.
#include "tests/unit/support/allocation_failures.h"

#include <cstddef>
#include <cstdlib>
#include <new>

namespace talvex::testing {
namespace {

// Allocations left until the failing one; 0 when none is to fail.
thread_local int g_allocations_left = 0;
thread_local bool g_fired = false;

}  // namespace

FailingAllocation::FailingAllocation(int failingCall) {
  g_allocations_left = failingCall > 0 ? failingCall : 0;
  g_fired = false;
}

FailingAllocation::~FailingAllocation() {
  g_allocations_left = 0;
}

bool FailingAllocation::Fired() const {
  return g_fired;
}

}  // namespace talvex::testing

void* operator new(std::size_t size) {
  using talvex::testing::g_allocations_left;
  if (g_allocations_left > 0 && --g_allocations_left == 0) {
    talvex::testing::g_fired = true;
    throw std::bad_alloc();
  }
  for (;;) {
    if (void* block = std::malloc(size == 0 ? 1 : size))
      return block;
    std::new_handler handler = std::get_new_handler();
    if (handler == nullptr)
      throw std::bad_alloc();
    handler();
  }
}

void* operator new[](std::size_t size) {
  return ::operator new(size);
}

// The forms that answer null instead of throwing (a sanitizer brings its own of each, which must
// not meet the heap of the ones above).
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return ::operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return ::operator new(size, std::nothrow);
}

void operator delete(void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}

void operator delete[](void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}

void operator delete(void* block) noexcept {
  std::free(block);
}

void operator delete[](void* block) noexcept {
  std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}

void operator delete[](void* block, std::size_t) noexcept {
  std::free(block);
}
