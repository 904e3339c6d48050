#include "platform/sim/sim_task_allocator.h"

namespace talvex::sim {

// The IMalloc that callers hold; it forwards to the allocator while the machine lives.
class SimTaskAllocator::Face : public ComObject<IMalloc> {
 public:
  explicit Face(SimTaskAllocator* owner) : owner_(owner) {}
  void Detach() { owner_ = nullptr; }

  void* Alloc(size_t size) override { return owner_ ? owner_->Alloc(size) : nullptr; }
  void Free(void* block) override {
    if (owner_)
      owner_->Free(block);
  }
  int DidAlloc(const void* block) override {
    if (block == nullptr || owner_ == nullptr)
      return -1;
    return owner_->Owns(block) ? 1 : 0;
  }

 private:
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
  // Zero-size requests still get a block of their own, as IMalloc::Alloc gives.
  auto block = std::make_unique<uint8_t[]>(size == 0 ? 1 : size);
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
