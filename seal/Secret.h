#pragma once
// Memory for secrets: libsodium's guarded allocation (sodium_malloc), pages with a guard page on
// each side, locked out of swap and left out of core dumps where the system allows, and wiped
// when freed. Secrets of up to 256 bytes share such pages, a slot each (wiped when freed too). The
// derived key, the data keys and the stream and MAC keys of seal/ live in it and are never copied
// into a string or onto the heap.
#include <cstddef>
#include <cstdint>

namespace seal {

// True once libsodium has started (sodium_init, which may be called any number of times from
// any thread); false when it cannot, for want of a source of random bytes.
bool SodiumReady();

class Secret {
 public:
  // Secrets up to this size share guarded pages, each in a slot that starts this many bytes
  // apart from a page's start.
  static constexpr size_t kSlotBytes = 256;

  Secret() = default;
  // `size` bytes, all zero. Throws std::bad_alloc when no pages are left, as `new` does.
  explicit Secret(size_t size);
  ~Secret();
  Secret(Secret&& other) noexcept;
  Secret& operator=(Secret&& other) noexcept;
  Secret(const Secret&) = delete;
  Secret& operator=(const Secret&) = delete;

  uint8_t* data() { return data_; }
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

 private:
  void Free();

  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace seal
