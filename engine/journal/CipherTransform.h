#pragma once
// The content cipher's byte rule. The byte at file position i (counted from 0) becomes
//   coding:   c = p + K[i mod 6] + (i mod 256)      (modulo 256)
//   decoding: p = c - K[i mod 6] - (i mod 256)
// K is the six-byte time code of the record that keys the file. The pair (i mod 6, i mod 256)
// repeats every 768 bytes, so the whole rule is a 768-byte pad added or subtracted bytewise.
#include <cstddef>
#include <cstdint>

enum class CipherDirection { Code, Decode };

constexpr size_t kCipherPeriod = 768;

// Transforms `len` bytes in place that lie at file position `offset` onward.
void TransformBytes(uint8_t* data, size_t len, uint64_t offset, const uint8_t key[6],
                    CipherDirection dir);

// The rule written out byte by byte, as a reference for tests and benchmarks.
void TransformBytesSimple(uint8_t* data, size_t len, uint64_t offset, const uint8_t key[6],
                          CipherDirection dir);

inline CipherDirection Opposite(CipherDirection dir) {
  return dir == CipherDirection::Code ? CipherDirection::Decode : CipherDirection::Code;
}
