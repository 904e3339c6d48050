// Storage for objects of one type in blocks of fixed slots. A free slot is always taken from the
// lowest place that has one, so objects made one after another sit side by side, and a pass over
// every object (ForEachInUse) reads memory front to back instead of hopping through the heap.
// Freeing a large branch of objects returns nothing to the heap piece by piece; the blocks go
// when the store holds no object any more, or with the store (which destroys what is left). Free
// slots are poisoned for the address sanitizer, so a use after free is still caught.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define TALVEX_NODE_STORE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TALVEX_NODE_STORE_ASAN 1
#endif
#endif
#if defined(TALVEX_NODE_STORE_ASAN)
#include <sanitizer/asan_interface.h>
#endif

namespace talvex {

template <class T>
class NodeStore {
 public:
  NodeStore() = default;
  // Objects still in the store are destroyed with it.
  ~NodeStore() {
    ForEachInUse([](T& object) { object.~T(); });
  }
  NodeStore(const NodeStore&) = delete;
  NodeStore& operator=(const NodeStore&) = delete;

  // Raw storage for one T; the caller constructs the object in it.
  void* Take() {
    while (first_free_block_ < blocks_.size() && blocks_[first_free_block_]->free_count == 0)
      ++first_free_block_;
    if (first_free_block_ == blocks_.size())
      blocks_.push_back(std::make_unique<Block>(static_cast<uint32_t>(blocks_.size())));
    Block& block = *blocks_[first_free_block_];
    for (uint64_t& word : block.free_bits) {
      if (word == 0)
        continue;
      int bit = std::countr_zero(word);
      word &= word - 1;
      --block.free_count;
      ++in_use_;
      size_t index = static_cast<size_t>(&word - block.free_bits) * 64 + static_cast<size_t>(bit);
      Slot& slot = block.slots[index];
      Unpoison(slot);
      return slot.bytes;
    }
    return nullptr;  // not reached: the block has a free slot
  }

  // Gives back the storage of an object the caller has destroyed.
  void Give(void* storage) {
    if (storage == nullptr)
      return;
    Slot* slot = reinterpret_cast<Slot*>(storage);
    Block& block = *blocks_[slot->block];
    size_t index = static_cast<size_t>(slot - block.slots);
    block.free_bits[index / 64] |= uint64_t{1} << (index % 64);
    ++block.free_count;
    --in_use_;
    if (slot->block < first_free_block_)
      first_free_block_ = slot->block;
    Poison(*slot);
    if (in_use_ == 0) {
      blocks_.clear();
      first_free_block_ = 0;
    }
  }

  // Calls visit(T&) for every object in the store, in storage order.
  template <class Visit>
  void ForEachInUse(Visit&& visit) const {
    for (const auto& block : blocks_) {
      if (block->free_count == kSlotsPerBlock)
        continue;
      for (size_t word = 0; word < kWords; ++word) {
        for (uint64_t used = ~block->free_bits[word]; used != 0; used &= used - 1) {
          size_t index = word * 64 + static_cast<size_t>(std::countr_zero(used));
          visit(*std::launder(reinterpret_cast<T*>(block->slots[index].bytes)));
        }
      }
    }
  }

  size_t InUse() const { return in_use_; }

 private:
  static constexpr size_t kWords = 4;
  static constexpr size_t kSlotsPerBlock = kWords * 64;

  // The object's bytes first, so that the object's address is the slot's.
  struct Slot {
    alignas(T) unsigned char bytes[sizeof(T)];
    uint32_t block;
  };

  struct Block {
    explicit Block(uint32_t number) {
      for (Slot& slot : slots) {
        slot.block = number;
        Poison(slot);
      }
    }
    ~Block() {
      for (Slot& slot : slots)
        Unpoison(slot);
    }
    Slot slots[kSlotsPerBlock];
    uint64_t free_bits[kWords] = {~uint64_t{0}, ~uint64_t{0}, ~uint64_t{0}, ~uint64_t{0}};
    size_t free_count = kSlotsPerBlock;
  };

  static void Poison([[maybe_unused]] Slot& slot) {
#if defined(TALVEX_NODE_STORE_ASAN)
    ASAN_POISON_MEMORY_REGION(slot.bytes, sizeof slot.bytes);
#endif
  }
  static void Unpoison([[maybe_unused]] Slot& slot) {
#if defined(TALVEX_NODE_STORE_ASAN)
    ASAN_UNPOISON_MEMORY_REGION(slot.bytes, sizeof slot.bytes);
#endif
  }

  std::vector<std::unique_ptr<Block>> blocks_;
  size_t first_free_block_ = 0;
  size_t in_use_ = 0;
};

}  // namespace talvex
