#include "seal/ContentMac.h"

#include <sodium.h>

#include "seal/LittleEndian.h"

namespace seal {
namespace {

static_assert(kMacSize == crypto_onetimeauth_BYTES);
static_assert(kKeySize == crypto_onetimeauth_KEYBYTES);
static_assert(kMacSize == crypto_verify_16_BYTES);
// The state lives in a Secret's slot, which starts a multiple of its size from a page's start.
static_assert(sizeof(crypto_onetimeauth_state) <= Secret::kSlotBytes);
static_assert(Secret::kSlotBytes % alignof(crypto_onetimeauth_state) == 0);

crypto_onetimeauth_state* State(Secret& secret) {
  return reinterpret_cast<crypto_onetimeauth_state*>(secret.data());
}

}  // namespace

ContentMac::ContentMac(const FileKeys& keys, const Header& header)
    : state_(sizeof(crypto_onetimeauth_state)) {
  crypto_onetimeauth_init(State(state_), keys.mac_key());
  const HeaderBytes bytes = EncodeHeader(header);
  crypto_onetimeauth_update(State(state_), bytes.data(), bytes.size());
}

void ContentMac::Add(const uint8_t* data, size_t size) {
  crypto_onetimeauth_update(State(state_), data, size);
  added_ += size;
}

Mac ContentMac::Finish() {
  uint8_t count[8];
  StoreLe(count, added_, 8);
  crypto_onetimeauth_update(State(state_), count, sizeof count);
  Mac mac;
  crypto_onetimeauth_final(State(state_), mac.data());
  return mac;
}

SealFault ContentMac::Check(const Mac& stored) {
  Mac mac = Finish();
  const bool equal = crypto_verify_16(mac.data(), stored.data()) == 0;
  // A tag of other bytes under the same one-time key would give the key away: it is compared,
  // then wiped, and never shown.
  sodium_memzero(mac.data(), mac.size());
  return equal ? SealFault::None : SealFault::Changed;
}

}  // namespace seal
