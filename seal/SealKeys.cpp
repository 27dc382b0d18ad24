#include "seal/SealKeys.h"

#include <sodium.h>

namespace seal {
namespace {

const char kSubkeyContext[crypto_kdf_CONTEXTBYTES + 1] = "MvSeal01";
enum Subkey : uint64_t { kStreamSubkey = 1, kMacSubkey = 2 };

static_assert(kKeySize == crypto_kdf_KEYBYTES);
static_assert(kKeySize == crypto_stream_xchacha20_KEYBYTES);
static_assert(sizeof kSubkeyContext == crypto_kdf_CONTEXTBYTES + 1);

}  // namespace

FileKeys FileKeys::FromDataKey(const uint8_t* data_key, const Nonce& nonce) {
  FileKeys keys;
  keys.keys_ = Secret(2 * kKeySize);
  crypto_kdf_derive_from_key(keys.keys_.data(), kKeySize, kStreamSubkey, kSubkeyContext, data_key);
  crypto_kdf_derive_from_key(keys.keys_.data() + kKeySize, kKeySize, kMacSubkey, kSubkeyContext,
                             data_key);
  keys.nonce_ = nonce;
  return keys;
}

NewSeal MakeSeal(const PasswordKey& key, uint64_t length) {
  Secret data_key(kKeySize);
  Nonce nonce, wrap_nonce;
  randombytes_buf(data_key.data(), kKeySize);
  randombytes_buf(nonce.data(), nonce.size());
  randombytes_buf(wrap_nonce.data(), wrap_nonce.size());
  return MakeSealWith(key, length, data_key.data(), nonce, wrap_nonce);
}

NewSeal MakeSealWith(const PasswordKey& key, uint64_t length, const uint8_t* data_key,
                     const Nonce& nonce, const Nonce& wrap_nonce) {
  NewSeal seal;
  seal.header.cost = key.cost();
  seal.header.salt = key.salt();
  seal.header.length = length;
  seal.header.nonce = nonce;
  seal.header.wrap_nonce = wrap_nonce;
  const HeaderBytes bytes = EncodeHeader(seal.header);
  unsigned long long wrapped_size = 0;
  crypto_aead_xchacha20poly1305_ietf_encrypt(seal.header.wrapped_key.data(), &wrapped_size,
                                             data_key, kKeySize, bytes.data(), kHeaderAdSize,
                                             nullptr, wrap_nonce.data(), key.key());
  seal.keys = FileKeys::FromDataKey(data_key, nonce);
  return seal;
}

OpenResult OpenSeal(const PasswordKey& key, const Header& header) {
  OpenResult result;
  if (!key.Fits(header)) {
    result.fault = SealFault::OtherSalt;
    return result;
  }
  const HeaderBytes bytes = EncodeHeader(header);
  Secret data_key(kKeySize);
  unsigned long long size = 0;
  if (crypto_aead_xchacha20poly1305_ietf_decrypt(
          data_key.data(), &size, nullptr, header.wrapped_key.data(), header.wrapped_key.size(),
          bytes.data(), kHeaderAdSize, header.wrap_nonce.data(), key.key()) != 0) {
    result.fault = SealFault::WrongPassword;
    return result;
  }
  result.keys = FileKeys::FromDataKey(data_key.data(), header.nonce);
  return result;
}

}  // namespace seal
