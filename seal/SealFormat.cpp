#include "seal/SealFormat.h"

#include <sodium.h>

#include <algorithm>

#include "seal/LittleEndian.h"

namespace seal {

static_assert(kSaltSize == crypto_pwhash_argon2id_SALTBYTES);
static_assert(kMinCost.ops == crypto_pwhash_argon2id_OPSLIMIT_MIN);
static_assert(kMinCost.mem_kib * 1024 == crypto_pwhash_argon2id_MEMLIMIT_MIN);
static_assert(kDefaultCost.ops == crypto_pwhash_argon2id_OPSLIMIT_MODERATE);
static_assert(kDefaultCost.mem_kib * size_t(1024) == crypto_pwhash_argon2id_MEMLIMIT_MODERATE);
static_assert(kStrongCost.ops == crypto_pwhash_argon2id_OPSLIMIT_SENSITIVE);
static_assert(kStrongCost.mem_kib * size_t(1024) == crypto_pwhash_argon2id_MEMLIMIT_SENSITIVE);
static_assert(kNonceSize == crypto_stream_xchacha20_NONCEBYTES);
static_assert(kNonceSize == crypto_aead_xchacha20poly1305_ietf_NPUBBYTES);
static_assert(kWrappedKeySize == kKeySize + crypto_aead_xchacha20poly1305_ietf_ABYTES);

bool CostInRange(Cost cost) {
  return cost.ops >= kMinCost.ops && cost.ops <= kMaxCost.ops && cost.mem_kib >= kMinCost.mem_kib &&
         cost.mem_kib <= kMaxCost.mem_kib;
}

HeaderBytes EncodeHeader(const Header& header) {
  HeaderBytes out{};
  out[0] = kVersion;
  StoreLe(&out[1], header.cost.ops, 4);
  StoreLe(&out[5], header.cost.mem_kib, 4);
  std::copy(header.salt.begin(), header.salt.end(), &out[9]);
  StoreLe(&out[25], header.length, 8);
  std::copy(header.nonce.begin(), header.nonce.end(), &out[33]);
  std::copy(header.wrap_nonce.begin(), header.wrap_nonce.end(), &out[57]);
  std::copy(header.wrapped_key.begin(), header.wrapped_key.end(), &out[kHeaderAdSize]);
  return out;
}

Header DecodeHeader(const uint8_t* bytes) {
  Header header;
  header.cost.ops = uint32_t(LoadLe(&bytes[1], 4));
  header.cost.mem_kib = uint32_t(LoadLe(&bytes[5], 4));
  std::copy(&bytes[9], &bytes[25], header.salt.begin());
  header.length = LoadLe(&bytes[25], 8);
  std::copy(&bytes[33], &bytes[57], header.nonce.begin());
  std::copy(&bytes[57], &bytes[kHeaderAdSize], header.wrap_nonce.begin());
  std::copy(&bytes[kHeaderAdSize], &bytes[kHeaderSize], header.wrapped_key.begin());
  return header;
}

}  // namespace seal
