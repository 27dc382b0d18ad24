#include "seal/Secret.h"

#include <sodium.h>

#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace seal {
namespace {

// Small secrets (keys, a MAC's state) share slabs: a guarded allocation costs a dozen system
// calls (its pages mapped, guarded, locked and advised, then all of it undone), which for a
// batch of small files cost more than sealing their bytes. A slab is one guarded allocation cut
// into slots; a slot is wiped when its secret is freed, and the slabs live as long as the
// process, so what they hold is locked, left out of core dumps and guarded at both ends of the
// slab throughout.
constexpr size_t kSlabBytes = size_t(16) * 1024;  // whole pages: the slots stay aligned
constexpr size_t kSlotsPerSlab = kSlabBytes / Secret::kSlotBytes;

class SlotPool {
 public:
  uint8_t* Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (free_.empty()) {
      auto* slab = static_cast<uint8_t*>(sodium_malloc(kSlabBytes));
      if (!slab) return nullptr;
      sodium_memzero(slab, kSlabBytes);
      free_.reserve(free_.size() + kSlotsPerSlab);
      for (size_t i = kSlotsPerSlab; i-- > 0;) free_.push_back(slab + i * Secret::kSlotBytes);
    }
    uint8_t* slot = free_.back();
    free_.pop_back();
    return slot;
  }
  void Give(uint8_t* slot) {
    sodium_memzero(slot, Secret::kSlotBytes);
    std::lock_guard<std::mutex> lock(mutex_);
    free_.push_back(slot);
  }

 private:
  std::mutex mutex_;
  std::vector<uint8_t*> free_;
};

SlotPool& Slots() {
  static SlotPool* pool = new SlotPool;  // never destroyed: secrets may be freed during exit
  return *pool;
}

}  // namespace

bool SodiumReady() {
  static const bool ready = sodium_init() >= 0;
  return ready;
}

Secret::Secret(size_t size) {
  if (size == 0) return;
  if (!SodiumReady()) throw std::bad_alloc();
  data_ = size <= kSlotBytes ? Slots().Take() : static_cast<uint8_t*>(sodium_malloc(size));
  if (!data_) throw std::bad_alloc();
  sodium_memzero(data_, size);
  size_ = size;
}

void Secret::Free() {
  if (!data_) return;
  if (size_ <= kSlotBytes)
    Slots().Give(data_);
  else
    sodium_free(data_);  // zeroes the bytes before it gives the pages back
  data_ = nullptr;
  size_ = 0;
}

Secret::~Secret() {
  Free();
}

Secret::Secret(Secret&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

Secret& Secret::operator=(Secret&& other) noexcept {
  if (this != &other) {
    Free();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

}  // namespace seal
