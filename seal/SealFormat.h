#pragma once
// The sealed file format, version 1; docs/sealed-format.md describes it, with test vectors.
// A sealed file is its content XORed in place with a keystream (ContentStream.h), so every
// content byte keeps its offset, followed by the seal record (SealRecord.h): the header below,
// the MAC of header and content (ContentMac.h) and a fixed 16-byte tail. The same record is the
// value of the attribute kSealAttr.
//
// Header, 129 bytes, numbers little-endian:
//   0   1   version (1)
//   1   4   Argon2id passes (crypto_pwhash's opslimit)
//   5   4   Argon2id memory in KiB (crypto_pwhash's memlimit / 1024)
//   9  16   salt
//  25   8   content length in bytes
//  33  24   content nonce (XChaCha20)
//  57  24   wrap nonce (XChaCha20-Poly1305-IETF)
//  81  48   wrapped data key: the 32-byte key encrypted, then the 16-byte tag
// Bytes 0 to 80 are the wrap's associated data: changing any of them refuses the password.
#include <array>
#include <cstddef>
#include <cstdint>

namespace seal {

constexpr uint8_t kVersion = 1;
constexpr size_t kSaltSize = 16;
constexpr size_t kKeySize = 32;
constexpr size_t kNonceSize = 24;
constexpr size_t kWrappedKeySize = kKeySize + 16;
constexpr size_t kMacSize = 16;  // Poly1305's tag
constexpr size_t kHeaderAdSize = 81;
constexpr size_t kHeaderSize = kHeaderAdSize + kWrappedKeySize;  // 129
// The keystream's block: the content byte at offset i is XORed with byte i % 64 of block i / 64.
constexpr size_t kBlockSize = 64;

using Salt = std::array<uint8_t, kSaltSize>;
using Nonce = std::array<uint8_t, kNonceSize>;
using Mac = std::array<uint8_t, kMacSize>;
using WrappedKey = std::array<uint8_t, kWrappedKeySize>;
using HeaderBytes = std::array<uint8_t, kHeaderSize>;

// What deriving the key from the password costs: Argon2id's passes over its memory, and that
// memory in KiB.
struct Cost {
  uint32_t ops = 0;
  uint32_t mem_kib = 0;
};
inline bool operator==(Cost a, Cost b) {
  return a.ops == b.ops && a.mem_kib == b.mem_kib;
}
inline bool operator!=(Cost a, Cost b) {
  return !(a == b);
}

// About half a second and 256 MiB on the machines this runs on (libsodium's MODERATE).
constexpr Cost kDefaultCost = {3, 256 * 1024};
// The stronger setting, on request: 1 GiB and several seconds (libsodium's SENSITIVE).
constexpr Cost kStrongCost = {4, 1024 * 1024};
// The least Argon2id takes, and the most a reader runs for a header it is given: a header
// asking for more is refused before anything is derived (4 GiB, and a minute or so).
constexpr Cost kMinCost = {1, 8};
constexpr Cost kMaxCost = {16, 4 * 1024 * 1024};
bool CostInRange(Cost cost);

struct Header {
  Cost cost;
  Salt salt{};
  uint64_t length = 0;  // the content's bytes
  Nonce nonce{};        // the content stream's
  Nonce wrap_nonce{};   // the data key wrap's
  WrappedKey wrapped_key{};
};

HeaderBytes EncodeHeader(const Header& header);
// The inverse, for bytes that begin with version 1 (the record's reader checks that first).
Header DecodeHeader(const uint8_t* bytes);

}  // namespace seal
