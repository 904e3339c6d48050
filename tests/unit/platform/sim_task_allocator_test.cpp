#include "platform/sim/sim_task_allocator.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_shell.h"
#include "platform/winconst.h"

namespace talvex::sim {
namespace {

TEST(SimTaskAllocatorTest, CountsLiveBlocksAndClaimsOnlyItsOwn) {
  SimShell shell;
  ComPtr<IMalloc> malloc;
  ASSERT_EQ(win::S_OK, shell.CoGetMalloc(win::MEMCTX_TASK, &malloc));
  void* a = malloc->Alloc(10);
  void* b = malloc->Alloc(0);
  EXPECT_NE(a, b);
  EXPECT_EQ(2u, shell.allocator().LiveBlocks());
  int local = 0;
  EXPECT_EQ(1, malloc->DidAlloc(a));
  EXPECT_EQ(0, malloc->DidAlloc(&local));
  EXPECT_EQ(-1, malloc->DidAlloc(nullptr));
  malloc->Free(a);
  EXPECT_EQ(0, malloc->DidAlloc(a));
  malloc->Free(nullptr);
  malloc->Free(b);
  EXPECT_EQ(0u, shell.allocator().LiveBlocks());
  EXPECT_EQ(0u, shell.allocator().BadFrees());
}

TEST(SimTaskAllocatorTest, ADoubleFreeOrAForeignBlockIsCountedNotFollowed) {
  SimShell shell;
  ComPtr<IMalloc> malloc;
  ASSERT_EQ(win::S_OK, shell.SHGetMalloc(&malloc));
  void* a = malloc->Alloc(4);
  malloc->Free(a);
  malloc->Free(a);
  int local = 0;
  malloc->Free(&local);
  EXPECT_EQ(2u, shell.allocator().BadFrees());
}

TEST(SimTaskAllocatorTest, OnlyTheTaskContextHasAnAllocator) {
  SimShell shell;
  ComPtr<IMalloc> malloc;
  EXPECT_LT(shell.CoGetMalloc(2, &malloc), 0);
  EXPECT_FALSE(malloc);
}

TEST(SimTaskAllocatorTest, AReferenceHeldPastTheMachineFailsSafely) {
  ComPtr<IMalloc> malloc;
  {
    SimShell shell;
    shell.SHGetMalloc(&malloc);
  }
  EXPECT_EQ(nullptr, malloc->Alloc(8));
  EXPECT_EQ(-1, malloc->DidAlloc(&malloc));
  malloc->Free(nullptr);
}

}  // namespace
}  // namespace talvex::sim
