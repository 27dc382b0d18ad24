#include "codec/CCO.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "codec/TimeCode.h"
#include "platform/Clock.h"

namespace {

// The length of `text` in bytes, at most `limit`, and never ending inside a UTF-8 sequence
// when it had to be cut.
size_t FittingLength(const char* text, size_t limit) {
  size_t len = std::strlen(text);
  if (len <= limit) return len;
  len = limit;
  // A continuation byte (10xxxxxx) at the cut means the cut splits a character.
  while (len > 0 && (static_cast<uint8_t>(text[len]) & 0xC0) == 0x80) --len;
  return len;
}

}  // namespace

CCO::CCO() : valid_(true), timeLen_(0), nameLen_(3), passLen_(3), lineLen_(0) {
  static_assert(sizeof name_ > 255 && sizeof pass_ > 255, "a one-byte length and its zero fit");
  static_assert(sizeof line_ > 9 + 255 + 255, "fields of any one-byte lengths fit the line");
  std::memset(line_, 0, sizeof line_);
  std::memset(time_, 0, sizeof time_);
  std::memset(name_, 0, sizeof name_);
  std::memset(pass_, 0, sizeof pass_);
  std::memset(attrBuf_, 0, sizeof attrBuf_);
  std::memset(linkTarget_, 0, sizeof linkTarget_);
  std::strcpy(name_, "---");
  std::strcpy(pass_, "---");
  NTime();
}

CCO::~CCO() {
  printf("--Del CCO\n");
}

void CCO::GenerateC(const char* name, const char* password) {
  if (name == nullptr) name = "";
  if (password == nullptr) password = "";
  valid_ = true;
  // The line holds n + p <= 246 bytes; the password decides whether a coded file can be
  // opened again, so it is the name that gives way.
  const size_t p = FittingLength(password, kMaxNamePlusPass);
  const size_t n = FittingLength(name, kMaxNamePlusPass - p);
  passLen_ = static_cast<uint8_t>(p);
  nameLen_ = static_cast<uint8_t>(n);
  timeLen_ = kTimeCodeBytes;
  lineLen_ = 0;
  NTime();
  std::memcpy(name_, name, n);
  name_[n] = 0;
  std::memcpy(pass_, password, p);
  pass_[p] = 0;
}

bool CCO::IsGoodMen() {
  return valid_;
}

char* CCO::NPass() {
  return pass_;
}

char* CCO::GetFTime() {
  return time_;
}

char* CCO::CodeLine() {
  // Lengths come from GenerateC (n + p <= 246) or from a stored value (each <= 255); either way
  // the fields end before offset 9 + 255 + 255, well inside the line member.
  const uint8_t len = static_cast<uint8_t>(timeLen_ + nameLen_ + passLen_ + 3);
  std::memset(line_, 0, sizeof line_);
  line_[0] = static_cast<char>(len);
  std::memcpy(line_ + 1, time_, kTimeCodeBytes);
  line_[7] = static_cast<char>(nameLen_);
  std::memcpy(line_ + 8, name_, nameLen_);
  line_[8 + nameLen_] = static_cast<char>(passLen_);
  std::memcpy(line_ + 9 + nameLen_, pass_, passLen_);
  // A length byte that wrapped leaves the line shorter than its fields: the bytes from L on
  // are the terminating zero and beyond, as for any line.
  std::memset(line_ + len, 0, sizeof line_ - len);
  lineLen_ = len;
  for (int i = 7; i < len; ++i) {
    line_[i] = static_cast<char>(static_cast<uint8_t>(line_[i]) +
                                 static_cast<uint8_t>(line_[(i - 7) % 4]));
  }
  return line_;
}

int CCO::DecodeLine(const char* text) {
  if (text == nullptr) return DecodeLine(text, 0);
  const size_t len = static_cast<uint8_t>(text[0]);
  return DecodeLine(text, std::max<size_t>(len, 1));
}

int CCO::DecodeLine(const char* text, size_t available) {
  // Start from a clear line, so that lengths pointing past L pick up zeros, never the previous
  // record's plain text.
  std::memset(line_, 0, sizeof line_);
  const size_t len = (text != nullptr && available > 0) ? static_cast<uint8_t>(text[0]) : 0;
  if (len > 0) std::memcpy(line_, text, std::min(len, available));
  lineLen_ = static_cast<uint8_t>(len);
  for (size_t i = 7; i < len; ++i) {
    line_[i] = static_cast<char>(static_cast<uint8_t>(line_[i]) -
                                 static_cast<uint8_t>(line_[(i - 7) % 4]));
  }
  valid_ = true;
  std::memcpy(time_, line_ + 1, kTimeCodeBytes);
  time_[kTimeCodeBytes] = 0;
  // n and p are single bytes: the name ends before offset 8 + 255 and the password before
  // 9 + 255 + 255, both inside the line member; both members hold 255 bytes and a zero.
  nameLen_ = static_cast<uint8_t>(line_[7]);
  std::memcpy(name_, line_ + 8, nameLen_);
  name_[nameLen_] = 0;
  passLen_ = static_cast<uint8_t>(line_[8 + nameLen_]);
  std::memcpy(pass_, line_ + 9 + nameLen_, passLen_);
  pass_[passLen_] = 0;
  return static_cast<int>(len);
}

char* CCO::CTime(char* /*text*/) {
  static char text[64];
  const std::tm now = plat::CurrentClock().LocalNow();
  snprintf(text, sizeof text, " DMY: %d/%d/%d ", now.tm_mday, now.tm_mon + 1, now.tm_year + 1900);
  return text;
}

void CCO::NTime() {
  FormTimeCode(plat::CurrentClock().LocalNow(), time_);
  timeLen_ = kTimeCodeBytes;
}

char* CCO::NewText() {
  static char text[kTimeCodeBytes + 1];
  FormTimeCode(plat::CurrentClock().LocalNow(), text);
  return text;
}
