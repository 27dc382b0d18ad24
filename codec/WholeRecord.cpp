#include "codec/WholeRecord.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>

namespace {

// Offset of the name length n; the fixed fields' length: L, six time-code bytes, n and p.
constexpr size_t kNameLengthAt = 7;
constexpr size_t kFixedBytes = 9;

// The range of each time-code byte, offsets 1 to 6 of the line.
struct TimeByte {
  const char* field;
  unsigned low, high;
};
constexpr TimeByte kTimeBytes[6] = {
    {"seconds", 13, 13 + 60},  // 60: a leap second, which localtime() may report
    {"minutes", 12, 12 + 59}, {"hours", 11, 11 + 23},   {"year", 0, 255},
    {"month", 22, 22 + 11},   {"day", 23 + 1, 23 + 31},
};

// Sets *why (when asked for) to the formatted text; false, for the caller to return.
__attribute__((format(printf, 2, 3))) bool Refuse(std::string* why, const char* format, ...) {
  if (why) {
    char text[160];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    *why = text;
  }
  return false;
}

}  // namespace

bool IsWholeRecord(const char* value, size_t count, std::string* why) {
  if (value == nullptr || count == 0) return Refuse(why, "the value is empty");
  const uint8_t* v = reinterpret_cast<const uint8_t*>(value);
  const size_t len = v[0];
  if (count != len + 1)
    return Refuse(why, "the value holds %zu bytes, not the %zu its length byte calls for", count,
                  len + 1);
  if (len < kFixedBytes)
    return Refuse(why, "its length %zu is less than the %zu bytes of the fixed fields", len,
                  kFixedBytes);
  if (v[len] != 0) return Refuse(why, "the byte after the line (offset %zu) is not zero", len);
  for (size_t i = 0; i < 6; ++i) {
    const unsigned b = v[1 + i];
    if (b < kTimeBytes[i].low || b > kTimeBytes[i].high)
      return Refuse(why, "its time code's %s byte is out of range", kTimeBytes[i].field);
  }
  // Only the two length bytes are unscrambled: the byte at offset i carries the key byte
  // v[(i - 7) mod 4].
  auto plain = [v](size_t i) { return uint8_t(v[i] - v[(i - kNameLengthAt) % 4]); };
  const size_t n = plain(kNameLengthAt);
  const size_t passLengthAt = kNameLengthAt + 1 + n;
  if (passLengthAt >= len)
    return Refuse(why, "its name length %zu reaches past its length %zu", n, len);
  const size_t p = plain(passLengthAt);
  if (kFixedBytes + n + p != len)
    return Refuse(why,
                  "its name and password lengths %zu + %zu and the %zu fixed bytes are not "
                  "its length %zu",
                  n, p, kFixedBytes, len);
  return true;
}
