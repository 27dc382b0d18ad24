#pragma once
// Numbers in the seal record are stored little-endian, byte by byte, whatever the machine.
#include <cstdint>

namespace seal {

inline void StoreLe(uint8_t* out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[i] = uint8_t(value >> (8 * i));
}

inline uint64_t LoadLe(const uint8_t* in, int bytes) {
  uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | in[i];
  return value;
}

}  // namespace seal
