#include "engine/journal/SealedContent.h"

#include <algorithm>
#include <vector>

#include "engine/journal/WholeIo.h"
#include "platform/FileCalls.h"

bool ReadSealRecord(const std::string& bytes, seal::Record* record) {
  const seal::RecordResult r =
      seal::DecodeRecord(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  if (r.fault != seal::SealFault::None) return false;
  *record = r.record;
  return true;
}

FoundSeal FindSeal(int fd, uint64_t size, const std::string* attr) {
  std::vector<uint8_t> tail(size_t(std::min<uint64_t>(size, seal::kMaxRecordSize)));
  const bool read = ReadWhole(fd, tail.data(), tail.size(), size - tail.size()).ok();
  return FindSealInTail(read ? tail.data() : nullptr, tail.size(), size, attr);
}

FoundSeal FindSealInTail(const uint8_t* tail, size_t n, uint64_t size, const std::string* attr) {
  FoundSeal found;
  const seal::RecordResult trailer = tail ? seal::FindTrailer(tail, n) : seal::RecordResult{};
  if (trailer.fault == seal::SealFault::NotSealed) {
    if (!attr) return found;
    // The attribute stays, the record is gone from the end: cut, or changed by hand.
    found.sealed = true;
    found.fault = seal::SealFault::Damaged;
    return found;
  }
  found.sealed = true;
  found.fault = trailer.fault;
  found.record = trailer.record;
  found.recordBytes = trailer.size;
  if (found.fault == seal::SealFault::None && trailer.record.header.length + trailer.size != size)
    found.fault = seal::SealFault::LengthDiffers;
  return found;
}

Step TakeContentMac(int fd, uint64_t length, seal::ContentMac* mac) {
  std::vector<uint8_t> chunk(1 << 20);
  for (uint64_t at = 0; at < length; at += chunk.size()) {
    const size_t n = size_t(std::min<uint64_t>(chunk.size(), length - at));
    Step read = ReadWhole(fd, chunk.data(), n, at);
    if (!read) return read;
    mac->Add(chunk.data(), n);
  }
  return Step::Ok();
}

Step MakeSealRecord(int fd, const seal::FileKeys& keys, const seal::Header& header,
                    std::string* record) {
  seal::ContentMac mac(keys, header);
  if (Step taken = TakeContentMac(fd, header.length, &mac); !taken) return taken;
  const seal::RecordBytes bytes = seal::EncodeRecord({header, mac.Finish()});
  record->assign(bytes.begin(), bytes.end());
  return Step::Ok();
}

Step WriteTrailer(int fd, uint64_t length, const std::string& record) {
  return WriteWhole(fd, reinterpret_cast<const uint8_t*>(record.data()), record.size(), length);
}

Step CutToContent(int fd, uint64_t length) {
  const int r = plat::Files().Ftruncate(fd, length);
  if (r < 0) return Step::Fail(Fault(FaultCode::Write).Err(r));
  return Step::Ok();
}
