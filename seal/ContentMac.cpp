#include "seal/ContentMac.h"

#include <sodium.h>

#include "seal/LittleEndian.h"

namespace seal {
namespace {

static_assert(kMacSize >= crypto_generichash_BYTES_MIN && kMacSize <= crypto_generichash_BYTES_MAX);
// sodium_malloc places a block at the end of its page, so a size that is a multiple of the
// state's alignment keeps it aligned.
static_assert(sizeof(crypto_generichash_state) % alignof(crypto_generichash_state) == 0);

crypto_generichash_state* State(Secret& secret) {
  return reinterpret_cast<crypto_generichash_state*>(secret.data());
}

}  // namespace

ContentMac::ContentMac(const FileKeys& keys, const Header& header)
    : state_(sizeof(crypto_generichash_state)) {
  crypto_generichash_init(State(state_), keys.mac_key(), kKeySize, kMacSize);
  const HeaderBytes bytes = EncodeHeader(header);
  crypto_generichash_update(State(state_), bytes.data(), bytes.size());
}

void ContentMac::Add(const uint8_t* data, size_t size) {
  crypto_generichash_update(State(state_), data, size);
  added_ += size;
}

Mac ContentMac::Finish() {
  uint8_t count[8];
  StoreLe(count, added_, 8);
  crypto_generichash_update(State(state_), count, sizeof count);
  Mac mac;
  crypto_generichash_final(State(state_), mac.data(), mac.size());
  return mac;
}

SealFault ContentMac::Check(const Mac& stored) {
  const Mac mac = Finish();
  static_assert(kMacSize == crypto_verify_32_BYTES);
  return crypto_verify_32(mac.data(), stored.data()) == 0 ? SealFault::None : SealFault::Changed;
}

}  // namespace seal
