// The seal record as another user or a damaged sector may have left it: as an attribute's value
// (the input whole) and as the end of a file (the trailer found from its last bytes). Nothing
// may crash or read outside the input; a record taken must be exactly what the writer writes
// for it, and a header that names the fuzzer's salt and cost is opened and its content MACed.
// The seeds in fuzz/corpus/seal_record/ are made by `scripts/seal-vectors.py --seeds`.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "seal/ContentMac.h"
#include "seal/ContentStream.h"
#include "seal/PasswordKey.h"
#include "seal/SealKeys.h"
#include "seal/SealRecord.h"

using namespace seal;

namespace {

// Derived once, at the least cost, with salt 0.
const PasswordKey& FuzzKey() {
  static const PasswordKey key = DeriveKey("fuzz", 4, Salt{}, kMinCost).key;
  return key;
}

void TakeRecord(const RecordResult& read, const uint8_t* content, size_t content_size,
                const uint8_t* record_bytes) {
  if (read.fault != SealFault::None) return;
  if (read.size != kRecordSize) std::abort();
  const RecordBytes again = EncodeRecord(read.record);
  if (std::memcmp(again.data(), record_bytes, kRecordSize) != 0) std::abort();
  if (!FuzzKey().Fits(read.record.header)) return;
  OpenResult opened = OpenSeal(FuzzKey(), read.record.header);
  if (opened.fault != SealFault::None) return;
  ContentMac mac(opened.keys, read.record.header);
  mac.Add(content, content_size);
  if (mac.Check(read.record.mac) == SealFault::None && read.record.header.length == content_size) {
    std::array<uint8_t, 64> page{};
    const size_t n = content_size < page.size() ? content_size : page.size();
    std::memcpy(page.data(), content, n);
    TransformContent(opened.keys, 0, page.data(), n);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TakeRecord(DecodeRecord(data, size), data, 0, data);
  const size_t last = size < kMaxRecordSize ? size : kMaxRecordSize;
  const RecordResult trailer = FindTrailer(data + size - last, last);
  if (trailer.fault == SealFault::None && trailer.size > size) std::abort();
  TakeRecord(trailer, data, size - trailer.size, data + size - trailer.size);
  return 0;
}
