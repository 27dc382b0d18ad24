#include "seal/Secret.h"

#include <sodium.h>

#include <new>
#include <utility>

namespace seal {

bool SodiumReady() {
  static const bool ready = sodium_init() >= 0;
  return ready;
}

Secret::Secret(size_t size) {
  if (size == 0) return;
  if (!SodiumReady()) throw std::bad_alloc();
  data_ = static_cast<uint8_t*>(sodium_malloc(size));
  if (!data_) throw std::bad_alloc();
  sodium_memzero(data_, size);
  size_ = size;
}

Secret::~Secret() {
  if (data_) sodium_free(data_);  // zeroes the bytes before it gives the pages back
}

Secret::Secret(Secret&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

Secret& Secret::operator=(Secret&& other) noexcept {
  if (this != &other) {
    if (data_) sodium_free(data_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

}  // namespace seal
