#include "engine/journal/ContentKey.h"

#include <cstring>
#include <utility>

#include "seal/ContentStream.h"

ContentKey ContentKey::Coding(const uint8_t key[6]) {
  ContentKey k;
  k.coding_ = true;
  std::memcpy(k.key_, key, 6);
  return k;
}

ContentKey ContentKey::Sealing(std::shared_ptr<const seal::FileKeys> keys) {
  ContentKey k;
  k.sealing_ = std::move(keys);
  return k;
}

void ContentKey::Turn(uint8_t* data, size_t len, uint64_t offset, CipherDirection dir) const {
  if (sealing_)
    seal::TransformContent(*sealing_, offset, data, len);
  else if (coding_)
    TransformBytes(data, len, offset, key_, dir);
}
