#include "engine/IntegrityAttr.h"

#include "engine/ByteCoding.h"

namespace {
constexpr char kMagic[] = "MVI1";
}

std::string EncodeIntegrity(const Integrity& integrity) {
  ByteWriter w;
  w.Bytes(kMagic, 4);
  w.U64(integrity.length);
  w.U64(integrity.digest);
  return w.Out();
}

std::optional<Integrity> DecodeIntegrity(const std::string& value) {
  ByteReader r(value);
  std::string magic;
  Integrity out;
  if (value.size() != 20 || !r.Bytes(&magic, 4) || magic != kMagic || !r.U64(&out.length) ||
      !r.U64(&out.digest))
    return std::nullopt;
  return out;
}
