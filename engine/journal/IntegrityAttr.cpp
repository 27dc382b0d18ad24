#include "engine/journal/IntegrityAttr.h"

#include "engine/journal/ByteCoding.h"
#include "engine/journal/PageHash.h"

namespace {
constexpr char kMagic[] = "MVI2";
constexpr char kOldMagic[] = "MVI1";
constexpr size_t kSealed = 28;
}  // namespace

std::string EncodeIntegrity(const Integrity& integrity, const std::string& record) {
  ByteWriter w;
  w.Bytes(kMagic, 4);
  w.U64(integrity.length);
  w.U64(integrity.digest);
  w.U64(HashBytes(record.data(), record.size()));
  w.U64(HashBytes(w.Out().data(), kSealed));
  return w.Out();
}

IntegrityCheck CheckIntegrity(const std::string& value, const std::string& record) {
  IntegrityCheck out;
  ByteReader r(value);
  std::string magic;
  if (!r.Bytes(&magic, 4) || (magic != kMagic && magic != kOldMagic)) {
    out.why = Fault(FaultCode::IntegrityNotOurs);
    return out;
  }
  const size_t size = magic == kMagic ? kSealed + 8 : 20;
  if (value.size() != size) {
    out.why = Fault(FaultCode::IntegritySize).Numbers(value.size(), size);
    return out;
  }
  r.U64(&out.integrity.length);
  r.U64(&out.integrity.digest);
  if (magic == kOldMagic) {
    out.kind = IntegrityCheck::Fits;
    return out;
  }
  uint64_t recordHash = 0, seal = 0;
  r.U64(&recordHash);
  r.U64(&seal);
  if (seal != HashBytes(value.data(), kSealed)) {
    out.why = Fault(FaultCode::IntegrityHash);
    return out;
  }
  out.kind = recordHash == HashBytes(record.data(), record.size()) ? IntegrityCheck::Fits
                                                                   : IntegrityCheck::NotItsOwn;
  return out;
}
