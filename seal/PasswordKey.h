#pragma once
// The key derived from a password: Argon2id version 1.3 (libsodium's crypto_pwhash with
// crypto_pwhash_ALG_ARGON2ID13, one lane) of the password's bytes with a 16-byte salt at a
// cost, 32 bytes kept in secret memory with the salt and cost they came from.
//
// Deriving is the one slow step, and it is done once per call: every file sealed in one call
// shares the call's salt and cost, so one key wraps all their data keys (SealKeys.h); each
// header still names the salt and cost, so each file opens alone. A wrong password is found
// after one derivation, when the first data key does not unwrap.
#include <cstddef>
#include <utility>

#include "seal/SealFault.h"
#include "seal/SealFormat.h"
#include "seal/Secret.h"

namespace seal {

class PasswordKey {
 public:
  PasswordKey() = default;  // no key
  PasswordKey(Secret key, const Salt& salt, Cost cost)
      : key_(std::move(key)), salt_(salt), cost_(cost) {}

  bool empty() const { return key_.size() != kKeySize; }
  const uint8_t* key() const { return key_.data(); }  // kKeySize bytes
  const Salt& salt() const { return salt_; }
  Cost cost() const { return cost_; }
  // True when `header` was sealed with this key's salt and cost, which this key alone opens.
  bool Fits(const Header& header) const;

 private:
  Secret key_;
  Salt salt_{};
  Cost cost_;
};

struct DeriveResult {
  SealFault fault = SealFault::None;  // or Unavailable, CostOutOfRange, NoMemory
  PasswordKey key;
};

// The key of the `size` bytes of `password` (held in secret memory by the caller) with `salt`
// and `cost`. The cost must lie in kMinCost..kMaxCost.
DeriveResult DeriveKey(const char* password, size_t size, const Salt& salt, Cost cost);

// The same with a fresh random salt: the key of a new sealing call.
DeriveResult DeriveNewKey(const char* password, size_t size, Cost cost);

}  // namespace seal
