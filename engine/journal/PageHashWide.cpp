// The page hashes built for processors with AVX2: this file alone is compiled with -mavx2, and
// PageHash.cpp calls it only when the processor has AVX2. The hash is the same either way.
#define XXH_INLINE_ALL
#include <xxhash.h>

#include <cstddef>
#include <cstdint>

void HashPagesWide(const uint8_t* data, size_t len, size_t page, uint64_t* out) {
  size_t i = 0;
  for (size_t at = 0; at < len; at += page, ++i) {
    size_t n = len - at < page ? len - at : page;
    out[i] = XXH3_64bits(data + at, n);
  }
}
