#include "seal/ContentStream.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>

namespace seal {

void TransformContent(const FileKeys& keys, uint64_t offset, uint8_t* data, size_t size) {
  const size_t into = size_t(offset % kBlockSize);
  if (into != 0 && size > 0) {
    // A piece that begins inside a block: that block's keystream from its first byte, with the
    // piece's bytes in their places.
    uint8_t block[kBlockSize] = {};
    const size_t head = std::min(size, kBlockSize - into);
    std::memcpy(block + into, data, head);
    crypto_stream_xchacha20_xor_ic(block, block, kBlockSize, keys.nonce().data(),
                                   offset / kBlockSize, keys.stream_key());
    std::memcpy(data, block + into, head);
    sodium_memzero(block, sizeof block);
    offset += head;
    data += head;
    size -= head;
  }
  if (size > 0)
    crypto_stream_xchacha20_xor_ic(data, data, size, keys.nonce().data(), offset / kBlockSize,
                                   keys.stream_key());
}

}  // namespace seal
