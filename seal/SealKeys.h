#pragma once
// The keys of one sealed file. Every seal, resealing the same file included, draws a fresh
// random 32-byte data key and 24-byte content nonce, so no keystream is ever used twice, and a
// fresh 24-byte nonce to wrap the data key with the password key (XChaCha20-Poly1305-IETF, the
// header's first 81 bytes as associated data). From the data key come two subkeys
// (crypto_kdf_derive_from_key, context "MvSeal01"): number 1 keys the content's stream, number
// 2 its MAC. The data key itself is wiped once they are made.
#include <cstdint>

#include "seal/PasswordKey.h"
#include "seal/SealFault.h"
#include "seal/SealFormat.h"
#include "seal/Secret.h"

namespace seal {

class FileKeys {
 public:
  FileKeys() = default;  // no keys
  bool empty() const { return keys_.empty(); }
  const uint8_t* stream_key() const { return keys_.data(); }          // kKeySize bytes
  const uint8_t* mac_key() const { return keys_.data() + kKeySize; }  // kKeySize bytes
  const Nonce& nonce() const { return nonce_; }

  // The subkeys of `data_key`, with the content nonce of its header.
  static FileKeys FromDataKey(const uint8_t* data_key, const Nonce& nonce);

 private:
  Secret keys_;  // the stream key, then the MAC key
  Nonce nonce_{};
};

struct NewSeal {
  Header header;  // all of it but the MAC, which comes once the content is sealed
  FileKeys keys;
};

// A new seal for `length` content bytes under `key` (not empty): its header, with the freshly
// drawn data key wrapped in it, and the keys to seal the content with.
NewSeal MakeSeal(const PasswordKey& key, uint64_t length);

// The same with the data key and nonces given instead of drawn: the way the test vectors are
// made. Anything else uses MakeSeal.
NewSeal MakeSealWith(const PasswordKey& key, uint64_t length, const uint8_t* data_key,
                     const Nonce& nonce, const Nonce& wrap_nonce);

struct OpenResult {
  SealFault fault = SealFault::None;  // or OtherSalt, WrongPassword
  FileKeys keys;
};

// Unwraps the data key of `header` with `key`. OtherSalt when the key was derived with another
// salt or cost than the header names (derive again with the header's); WrongPassword when the
// data key does not unwrap: another password, or associated data changed since the seal.
OpenResult OpenSeal(const PasswordKey& key, const Header& header);

}  // namespace seal
