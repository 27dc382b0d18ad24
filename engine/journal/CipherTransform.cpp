#include "engine/journal/CipherTransform.h"

namespace {

// The pad seen from file position `offset` on: pad[j] is what is added to the byte at position
// offset + j, for one whole period. Subtraction is addition of the negated pad, so decoding runs
// the same loop.
void MakePad(const uint8_t key[6], uint64_t offset, CipherDirection dir,
             uint8_t pad[kCipherPeriod]) {
  unsigned keyIndex = unsigned(offset % 6);
  unsigned counter = unsigned(offset & 0xFF);
  for (size_t j = 0; j < kCipherPeriod; ++j) {
    uint8_t add = uint8_t(key[keyIndex] + counter);
    pad[j] = dir == CipherDirection::Code ? add : uint8_t(-add);
    keyIndex = keyIndex == 5 ? 0 : keyIndex + 1;
    counter = (counter + 1) & 0xFF;
  }
}

// The hot loop: adds the pad to whole periods of data, then to the tail. The trip count of the
// inner loop is a compile-time constant (a multiple of every vector width), so the compiler
// vectorises it without a remainder. Built for AVX2 and AVX-512 as well as the baseline; the
// loader picks the best the processor has.
__attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default"))) void AddPad(
    uint8_t* __restrict data, size_t len, const uint8_t* __restrict pad) {
  size_t periods = len / kCipherPeriod;
  for (size_t n = 0; n < periods; ++n) {
    uint8_t* d = data + n * kCipherPeriod;
    for (size_t k = 0; k < kCipherPeriod; ++k) d[k] = uint8_t(d[k] + pad[k]);
  }
  // The tail, shorter than a period: vector-wide blocks, then single bytes.
  uint8_t* d = data + periods * kCipherPeriod;
  size_t rest = len - periods * kCipherPeriod;
  constexpr size_t kBlock = 64;
  size_t k = 0;
  for (; k + kBlock <= rest; k += kBlock) {
    for (size_t b = 0; b < kBlock; ++b) d[k + b] = uint8_t(d[k + b] + pad[k + b]);
  }
  for (; k < rest; ++k) d[k] = uint8_t(d[k] + pad[k]);
}

}  // namespace

void TransformBytes(uint8_t* data, size_t len, uint64_t offset, const uint8_t key[6],
                    CipherDirection dir) {
  if (len == 0) return;
  alignas(64) uint8_t pad[kCipherPeriod];
  MakePad(key, offset, dir, pad);
  AddPad(data, len, pad);
}

void TransformBytesSimple(uint8_t* data, size_t len, uint64_t offset, const uint8_t key[6],
                          CipherDirection dir) {
  for (size_t n = 0; n < len; ++n) {
    uint64_t i = offset + n;
    uint8_t add = uint8_t(key[i % 6] + (i % 256));
    data[n] = dir == CipherDirection::Code ? uint8_t(data[n] + add) : uint8_t(data[n] - add);
  }
}
