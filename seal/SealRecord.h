#pragma once
// The seal record: the header (SealFormat.h), the 16-byte MAC (ContentMac.h) and a 16-byte
// tail, 161 bytes in version 1: a sealed file is its content's length plus 161. It is written
// twice: at the end of the sealed file, after the content (the trailer), and as the value of the
// attribute kSealAttr, byte for byte the same. The attribute opens the file while its end is
// being rewritten; the trailer goes wherever the bytes go (mail, zip, cp, cat, a FAT stick), so
// a copy with no attributes still opens.
//
// Tail, the record's last 16 bytes:
//   0  4  the length of the record before the tail, little-endian (145 in version 1)
//   4  4  a check of the record's bytes before it: the first 4 bytes of unkeyed BLAKE2b-128
//         (crypto_generichash with a 16-byte output), to tell damage from a wrong password
//   8  8  the magic 89 4D 56 53 45 41 4C 0A ("\x89MVSEAL\n")
// The tail's layout is the same in every version, so a trailer is found from the file's end
// alone: the tail, then as many bytes before it as its length says (kMaxRecordSize at most).
#include <array>
#include <cstddef>
#include <cstdint>

#include "seal/SealFault.h"
#include "seal/SealFormat.h"

namespace seal {

constexpr const char* kSealAttr = "murvel.seal";
constexpr size_t kTailSize = 16;
constexpr size_t kRecordSize = kHeaderSize + kMacSize + kTailSize;  // 161
// The longest record a reader takes from a tail, whatever its version.
constexpr size_t kMaxRecordSize = 4096;

struct Record {
  Header header;
  Mac mac{};
};
using RecordBytes = std::array<uint8_t, kRecordSize>;

RecordBytes EncodeRecord(const Record& record);

struct RecordResult {
  // None, NotSealed (no magic at the end), Damaged (a length or check that does not hold, or
  // fields no sealer writes), UnknownVersion (sound, of another version) or CostOutOfRange.
  SealFault fault = SealFault::NotSealed;
  Record record;
  size_t size = 0;  // the record's bytes
};

// The record that is exactly the `size` bytes at `data`: an attribute's value.
RecordResult DecodeRecord(const uint8_t* data, size_t size);

// The trailer that ends the `size` bytes at `data`, which are a file's last bytes: all of them,
// or its last kMaxRecordSize. The file's content is all its bytes before the trailer's `size`.
RecordResult FindTrailer(const uint8_t* data, size_t size);

}  // namespace seal
