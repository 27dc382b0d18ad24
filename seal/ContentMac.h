#pragma once
// The MAC of a sealed file: Poly1305 (libsodium's crypto_onetimeauth, taken incrementally) under
// the file's MAC key, over the header's 129 bytes, then the content's bytes in file order, then
// their count as 8 bytes little-endian. It is taken window by window as the content is read or
// written, so a whole file is checked in one streaming pass before a byte of it is written, and
// made in the same pass that seals it.
//
// Poly1305 is a one-time authenticator: its key must tag one message only. It does here, since
// every seal draws a fresh data key and the MAC key is derived from it; making the tag again
// over the same sealed bytes (a seal redone after a crash) is the same message, not a second.
#include <cstddef>
#include <cstdint>

#include "seal/SealFault.h"
#include "seal/SealFormat.h"
#include "seal/SealKeys.h"
#include "seal/Secret.h"

namespace seal {

class ContentMac {
 public:
  // Starts with the header's bytes. `keys` may go once this returns.
  ContentMac(const FileKeys& keys, const Header& header);

  // The next `size` sealed content bytes, in file order.
  void Add(const uint8_t* data, size_t size);
  uint64_t added() const { return added_; }

  // Adds the count and gives the MAC. Call once; Add no more after it.
  Mac Finish();
  // Finishes and compares with `stored` in constant time: None when equal, else Changed.
  SealFault Check(const Mac& stored);

 private:
  Secret state_;  // Poly1305's state, keyed
  uint64_t added_ = 0;
};

}  // namespace seal
