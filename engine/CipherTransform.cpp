#include "CipherTransform.h"

namespace {

// The 768-byte pad: pad[j] = K[j mod 6] + (j mod 256).
void MakePad(const uint8_t key[6], uint8_t pad[kCipherPeriod]) {
  for (size_t j = 0; j < kCipherPeriod; ++j) pad[j] = uint8_t(key[j % 6] + (j & 0xFF));
}

}  // namespace

void TransformBytes(uint8_t* data, size_t len, uint64_t offset, const uint8_t key[6],
                    CipherDirection dir) {
  uint8_t pad[kCipherPeriod];
  MakePad(key, pad);
  if (dir == CipherDirection::Decode) {
    for (auto& b : pad) b = uint8_t(-b);
  }
  size_t phase = size_t(offset % kCipherPeriod);
  size_t i = 0;
  while (i < len) {
    size_t run = kCipherPeriod - phase;
    if (run > len - i) run = len - i;
    uint8_t* d = data + i;
    const uint8_t* p = pad + phase;
    for (size_t k = 0; k < run; ++k) d[k] = uint8_t(d[k] + p[k]);
    i += run;
    phase = 0;
  }
}

void TransformBytesSimple(uint8_t* data, size_t len, uint64_t offset, const uint8_t key[6],
                          CipherDirection dir) {
  for (size_t n = 0; n < len; ++n) {
    uint64_t i = offset + n;
    uint8_t add = uint8_t(key[i % 6] + (i % 256));
    data[n] = dir == CipherDirection::Code ? uint8_t(data[n] + add) : uint8_t(data[n] - add);
  }
}
