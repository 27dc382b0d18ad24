#pragma once
// What turns a file's bytes in a change: the coding's cipher keyed by the record's time code, or
// a sealed file's stream keyed by its own keys (seal/). Both turn each byte by its offset alone,
// so that any page, or any 512-byte sector of one, is turned on its own: which is what lets a
// change cut anywhere be told apart page by page and settled.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/journal/CipherTransform.h"
#include "seal/SealKeys.h"

class ContentKey {
 public:
  ContentKey() = default;  // turns nothing: no key
  static ContentKey Coding(const uint8_t key[6]);
  static ContentKey Sealing(std::shared_ptr<const seal::FileKeys> keys);

  bool empty() const { return !coding_ && !sealing_; }
  bool sealed() const { return sealing_ != nullptr; }
  const seal::FileKeys* SealKeys() const { return sealing_.get(); }

  // Turns the `len` bytes at `data`, which lie at file offset `offset`, in place: the way of a
  // change in `dir` (a sealed file's stream is the same both ways).
  void Turn(uint8_t* data, size_t len, uint64_t offset, CipherDirection dir) const;

 private:
  bool coding_ = false;
  uint8_t key_[6] = {};
  std::shared_ptr<const seal::FileKeys> sealing_;
};
