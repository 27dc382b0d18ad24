#include "seal/PasswordKey.h"

#include <sodium.h>

namespace seal {

static_assert(kKeySize == crypto_aead_xchacha20poly1305_ietf_KEYBYTES);

bool PasswordKey::Fits(const Header& header) const {
  return !empty() && header.cost == cost_ && header.salt == salt_;
}

DeriveResult DeriveKey(const char* password, size_t size, const Salt& salt, Cost cost) {
  DeriveResult result;
  if (!SodiumReady()) {
    result.fault = SealFault::Unavailable;
    return result;
  }
  if (!CostInRange(cost)) {
    result.fault = SealFault::CostOutOfRange;
    return result;
  }
  Secret key(kKeySize);
  // Fails only when the memory the cost asks for cannot be had.
  if (crypto_pwhash(key.data(), kKeySize, password, size, salt.data(), cost.ops,
                    size_t(cost.mem_kib) * 1024, crypto_pwhash_ALG_ARGON2ID13) != 0) {
    result.fault = SealFault::NoMemory;
    return result;
  }
  result.key = PasswordKey(std::move(key), salt, cost);
  return result;
}

DeriveResult DeriveNewKey(const char* password, size_t size, Cost cost) {
  if (!SodiumReady()) return {SealFault::Unavailable, {}};
  Salt salt;
  randombytes_buf(salt.data(), salt.size());
  return DeriveKey(password, size, salt, cost);
}

}  // namespace seal
