#include "codec/RecordLine.h"

#include <algorithm>
#include <cstring>

#include "codec/CCO.h"

namespace {

// The length of `text` in bytes, at most `limit`, and never ending inside a UTF-8 sequence
// when it had to be cut.
size_t FittingLength(std::string_view text, size_t limit) {
  size_t len = text.size();
  if (len <= limit) return len;
  len = limit;
  // A continuation byte (10xxxxxx) at the cut means the cut splits a character.
  while (len > 0 && (static_cast<uint8_t>(text[len]) & 0xC0) == 0x80) --len;
  return len;
}

// The line holds L bytes and its zero; fields of one-byte lengths always end inside this.
constexpr size_t kLineRoom = 9 + 255 + 255 + 1;

}  // namespace

RecordFields NewRecordFields(const std::string& name, const plat::SecretText& password,
                             const char* timeCode) {
  RecordFields f;
  // The password decides whether a coded file can be opened again, so the name gives way.
  const size_t p = FittingLength(password.view(), kMaxNamePlusPass);
  const size_t n = FittingLength(name, kMaxNamePlusPass - p);
  f.password.assign(password.data(), p);
  f.name = name.substr(0, n);
  std::memcpy(f.timeCode, timeCode, kTimeCodeBytes);
  f.lineLength = uint8_t(9 + n + p);
  return f;
}

std::string EncodeRecordValue(const RecordFields& f) {
  const size_t n = std::min<size_t>(f.name.size(), 255);
  const size_t p = std::min<size_t>(f.password.size(), 255);
  // A length byte that wraps leaves the line shorter than its fields: the bytes from L on are
  // the terminating zero and beyond, as for any line.
  const uint8_t len = uint8_t(kTimeCodeBytes + n + p + 3);
  char line[kLineRoom] = {};
  line[0] = char(len);
  std::memcpy(line + 1, f.timeCode, kTimeCodeBytes);
  line[7] = char(n);
  std::memcpy(line + 8, f.name.data(), n);
  line[8 + n] = char(p);
  std::memcpy(line + 9 + n, f.password.data(), p);
  std::memset(line + len, 0, sizeof line - len);
  for (size_t i = 7; i < len; ++i) line[i] = char(uint8_t(line[i]) + uint8_t(line[(i - 7) % 4]));
  std::string value(line, size_t(len) + 1);
  plat::Wipe(line, sizeof line);  // it held the password in plain
  return value;
}

RecordFields DecodeRecordValue(const char* value, size_t count) {
  RecordFields f;
  char line[kLineRoom] = {};
  const size_t len = (value != nullptr && count > 0) ? uint8_t(value[0]) : 0;
  if (len > 0) std::memcpy(line, value, std::min(len, count));
  for (size_t i = 7; i < len; ++i) line[i] = char(uint8_t(line[i]) - uint8_t(line[(i - 7) % 4]));
  f.lineLength = uint8_t(len);
  std::memcpy(f.timeCode, line + 1, kTimeCodeBytes);
  const size_t n = uint8_t(line[7]);
  f.name.assign(line + 8, n);
  const size_t p = uint8_t(line[8 + n]);
  f.password.assign(line + 9 + n, p);
  plat::Wipe(line, sizeof line);
  return f;
}
