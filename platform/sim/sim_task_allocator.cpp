#include "platform/sim/sim_task_allocator.h"

#include <new>

#include "platform/sim/journal.h"

namespace talvex::sim {

// The IMalloc that callers hold; it forwards to the allocator while the machine lives.
class SimTaskAllocator::Face : public ComObject<IMalloc> {
 public:
  explicit Face(SimTaskAllocator* owner) : owner_(owner) {}
  void Detach() { owner_ = nullptr; }

  // Blocks are shown by whose they are, not by address, so that journals of two runs compare.
  void* Alloc(size_t size) override {
    // Out of memory, IMalloc::Alloc answers with null; it never throws.
    void* block = nullptr;
    try {
      block = owner_ ? owner_->Alloc(size) : nullptr;
    } catch (const std::bad_alloc&) {
      block = nullptr;
    }
    if (Journal* journal = Journaling())
      journal->Write(JournalLine("IMalloc::Alloc")
                         .Number("size", static_cast<int64_t>(size))
                         .Result(block ? "block" : "null"));
    return block;
  }
  void Free(void* block) override {
    // One lookup per free: whose the block was is asked only for the journal.
    Journal* journal = Journaling();
    const char* whose = block == nullptr                           ? "null"
                        : journal == nullptr                       ? ""
                        : owner_ != nullptr && owner_->Owns(block) ? "own"
                                                                   : "foreign";
    if (owner_)
      owner_->Free(block);
    if (journal)
      journal->Write(JournalLine("IMalloc::Free").Raw("block", whose).Result("void"));
  }
  int DidAlloc(const void* block) override {
    int result = (block == nullptr || owner_ == nullptr) ? -1 : owner_->Owns(block) ? 1 : 0;
    if (Journal* journal = Journaling())
      journal->Write(JournalLine("IMalloc::DidAlloc").ResultNumber(result));
    return result;
  }

 private:
  Journal* Journaling() const {
    return owner_ != nullptr && owner_->journal_ != nullptr && owner_->journal_->on()
               ? owner_->journal_
               : nullptr;
  }

  SimTaskAllocator* owner_;
};

SimTaskAllocator::SimTaskAllocator() : face_(MakeComObject<Face, Face>(this)) {}

SimTaskAllocator::~SimTaskAllocator() {
  face_->Detach();
}

ComPtr<IMalloc> SimTaskAllocator::Get() {
  return ComPtr<IMalloc>(face_);
}

void* SimTaskAllocator::Alloc(size_t size) {
  // Zero-size requests still get a block of their own, as IMalloc::Alloc gives. Like the task
  // allocator, the block's bytes are not cleared.
  std::unique_ptr<uint8_t[]> block(new uint8_t[size == 0 ? 1 : size]);
  void* address = block.get();
  blocks_.emplace(address, std::move(block));
  ++total_;
  return address;
}

void SimTaskAllocator::Free(void* block) {
  if (block == nullptr)
    return;
  if (blocks_.erase(block) == 0)
    ++bad_frees_;
}

bool SimTaskAllocator::Owns(const void* block) const {
  return blocks_.count(block) != 0;
}

}  // namespace talvex::sim
