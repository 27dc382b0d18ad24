#include "codec/WholeRecord.h"

#include <cstdint>

namespace {

// Offset of the name length n; the fixed fields' length: L, six time-code bytes, n and p.
constexpr size_t kNameLengthAt = 7;
constexpr size_t kFixedBytes = 9;

// The range of each time-code byte, offsets 1 to 6 of the line: seconds, minutes, hours, year,
// month, day.
struct TimeByte {
  unsigned low, high;
};
constexpr TimeByte kTimeBytes[6] = {
    {13, 13 + 60},  // 60: a leap second, which localtime() may report
    {12, 12 + 59}, {11, 11 + 23}, {0, 255}, {22, 22 + 11}, {23 + 1, 23 + 31},
};

// Sets *flaw (when asked for); false, for the caller to return.
bool Refuse(RecordFlaw* flaw, RecordFlaw::Kind kind, size_t a = 0, size_t b = 0, size_t c = 0,
            size_t d = 0) {
  if (flaw) *flaw = RecordFlaw{kind, a, b, c, d};
  return false;
}

}  // namespace

bool IsWholeRecord(const char* value, size_t count, RecordFlaw* why) {
  if (value == nullptr || count == 0) return Refuse(why, RecordFlaw::Empty);
  const uint8_t* v = reinterpret_cast<const uint8_t*>(value);
  const size_t len = v[0];
  if (count != len + 1) return Refuse(why, RecordFlaw::Size, count, len + 1);
  if (len < kFixedBytes) return Refuse(why, RecordFlaw::ShortLength, len, kFixedBytes);
  if (v[len] != 0) return Refuse(why, RecordFlaw::NoZeroAfter, len);
  for (size_t i = 0; i < 6; ++i) {
    const unsigned b = v[1 + i];
    if (b < kTimeBytes[i].low || b > kTimeBytes[i].high)
      return Refuse(why, RecordFlaw::TimeByte, i);
  }
  // Only the two length bytes are unscrambled: the byte at offset i carries the key byte
  // v[(i - 7) mod 4].
  auto plain = [v](size_t i) { return uint8_t(v[i] - v[(i - kNameLengthAt) % 4]); };
  const size_t n = plain(kNameLengthAt);
  const size_t passLengthAt = kNameLengthAt + 1 + n;
  if (passLengthAt >= len) return Refuse(why, RecordFlaw::NameOverrun, n, len);
  const size_t p = plain(passLengthAt);
  if (kFixedBytes + n + p != len)
    return Refuse(why, RecordFlaw::LengthsDisagree, n, p, kFixedBytes, len);
  return true;
}
