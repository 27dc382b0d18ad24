#include "engine/journal/ChangeMarker.h"

#include "engine/journal/ByteCoding.h"
#include "engine/journal/JournalPolicy.h"
#include "platform/Paths.h"

namespace {
constexpr char kMagic[] = "MVC2";
constexpr char kOldMagic[] = "MVC1";
}  // namespace

std::string EncodeMarker(const ChangeMarker& marker) {
  ByteWriter w;
  w.Bytes(kMagic, 4);
  w.U8(uint8_t((marker.sealed ? 2 : 0) + (marker.direction == CipherDirection::Code ? 0 : 1)));
  w.U32(marker.entry);
  w.U64(marker.nonce);
  w.Bytes(marker.journal);
  return w.Out();
}

std::optional<ChangeMarker> DecodeMarker(const std::string& value) {
  ByteReader r(value);
  std::string magic;
  uint8_t dir = 0;
  ChangeMarker m;
  if (!r.Bytes(&magic, 4) || (magic != kMagic && magic != kOldMagic) || !r.U8(&dir) || dir > 3 ||
      !r.U32(&m.entry) || !r.U64(&m.nonce) || r.Left() > kMarkerJournalMax ||
      !r.Bytes(&m.journal, r.Left()) || m.journal.empty() ||
      (magic == kMagic && m.journal[0] != '/') ||
      // A marker names a journal that was flushed: anything else is no marker of ours.
      !IsJournalName(m.journal) || IsUnflushedJournalName(m.journal))
    return std::nullopt;
  m.direction = (dir & 1) == 0 ? CipherDirection::Code : CipherDirection::Decode;
  m.sealed = dir >= 2;
  return m;
}

std::vector<std::string> JournalPlaces(const ChangeMarker& marker, const std::string& folder) {
  const std::string beside = (folder.empty() || folder.back() == '/' ? folder : folder + "/") +
                             plat::LeafOf(marker.journal);
  if (marker.journal[0] != '/' || marker.journal == beside) return {beside};
  return {marker.journal, beside};
}
