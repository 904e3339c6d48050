// The simulated machine's task allocator. It counts its live blocks so that a test can show that
// everything the shell handed out was freed, and refuses (and counts) frees of blocks it does not
// hold, so a double free shows up instead of corrupting memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "platform/shell.h"

namespace talvex::sim {

class Journal;

class SimTaskAllocator {
 public:
  SimTaskAllocator();
  ~SimTaskAllocator();
  SimTaskAllocator(const SimTaskAllocator&) = delete;
  SimTaskAllocator& operator=(const SimTaskAllocator&) = delete;

  // A counted reference to the allocator's IMalloc face; it stays usable after the machine is
  // gone (every call then fails or does nothing).
  ComPtr<IMalloc> Get();

  void* Alloc(size_t size);
  void Free(void* block);
  bool Owns(const void* block) const;

  // Blocks allocated and not yet freed.
  size_t LiveBlocks() const { return blocks_.size(); }
  // Frees of blocks the allocator does not hold (freed twice, or never its own).
  size_t BadFrees() const { return bad_frees_; }
  size_t TotalAllocations() const { return total_; }
  // Where the program's calls on the IMalloc face are written (not the machine's own blocks).
  void SetJournal(Journal* journal) { journal_ = journal; }

 private:
  class Face;
  std::unordered_map<const void*, std::unique_ptr<uint8_t[]>> blocks_;
  size_t bad_frees_ = 0;
  size_t total_ = 0;
  Journal* journal_ = nullptr;
  ComPtr<Face> face_;
};

}  // namespace talvex::sim
