#include "seal/SealRecord.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>

#include "seal/LittleEndian.h"

namespace seal {
namespace {

const uint8_t kMagic[8] = {0x89, 'M', 'V', 'S', 'E', 'A', 'L', '\n'};
constexpr size_t kBodySize = kRecordSize - kTailSize;  // 145
constexpr size_t kCheckSize = 4;

// The check of the body and the tail's length field: the `size` bytes at `data`.
void Check(const uint8_t* data, size_t size, uint8_t out[kCheckSize]) {
  uint8_t hash[crypto_generichash_BYTES_MIN];
  crypto_generichash(hash, sizeof hash, data, size, nullptr, 0);
  std::memcpy(out, hash, kCheckSize);
}

bool EndsInMagic(const uint8_t* data, size_t size) {
  return size >= kTailSize && std::memcmp(data + size - sizeof kMagic, kMagic, sizeof kMagic) == 0;
}

}  // namespace

RecordBytes EncodeRecord(const Record& record) {
  RecordBytes out{};
  const HeaderBytes header = EncodeHeader(record.header);
  std::copy(header.begin(), header.end(), out.begin());
  std::copy(record.mac.begin(), record.mac.end(), out.begin() + kHeaderSize);
  uint8_t* tail = out.data() + kBodySize;
  StoreLe(tail, kBodySize, 4);
  Check(out.data(), kBodySize + 4, tail + 4);
  std::memcpy(tail + 8, kMagic, sizeof kMagic);
  return out;
}

RecordResult DecodeRecord(const uint8_t* data, size_t size) {
  RecordResult result;
  if (!EndsInMagic(data, size)) return result;  // NotSealed
  result.fault = SealFault::Damaged;
  const uint8_t* tail = data + size - kTailSize;
  const uint64_t body = LoadLe(tail, 4);
  if (body + kTailSize != size || body == 0) return result;
  uint8_t check[kCheckSize];
  Check(data, size_t(body) + 4, check);
  if (std::memcmp(check, tail + 4, kCheckSize) != 0) return result;
  if (data[0] != kVersion) {
    result.fault = SealFault::UnknownVersion;
    return result;
  }
  if (body != kBodySize) return result;
  result.record.header = DecodeHeader(data);
  std::copy(data + kHeaderSize, data + kBodySize, result.record.mac.begin());
  result.fault =
      CostInRange(result.record.header.cost) ? SealFault::None : SealFault::CostOutOfRange;
  result.size = size;
  return result;
}

RecordResult FindTrailer(const uint8_t* data, size_t size) {
  RecordResult result;
  if (!EndsInMagic(data, size)) return result;  // NotSealed
  const uint64_t record = LoadLe(data + size - kTailSize, 4) + kTailSize;
  if (record > size || record > kMaxRecordSize) {
    result.fault = SealFault::Damaged;
    return result;
  }
  return DecodeRecord(data + (size - record), size_t(record));
}

}  // namespace seal
