#pragma once
// The content's cipher: XChaCha20 (libsodium's crypto_stream_xchacha20_xor_ic) keyed with the
// file's stream key and content nonce, the block counter being the byte offset / 64. The content
// byte at offset i is XORed with byte i % 64 of block i / 64 wherever the pieces begin and end,
// so any page can be sealed or redone on its own, in any order, and unsealing is the same call.
#include <cstddef>
#include <cstdint>

#include "seal/SealKeys.h"

namespace seal {

// XORs the `size` bytes at `data`, which lie at content offset `offset` onward, in place.
void TransformContent(const FileKeys& keys, uint64_t offset, uint8_t* data, size_t size);

}  // namespace seal
