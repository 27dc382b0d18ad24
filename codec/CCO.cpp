#include "codec/CCO.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "codec/RecordLine.h"
#include "codec/TimeCode.h"
#include "platform/Clock.h"

CCO::CCO() : valid_(true), timeLen_(0), nameLen_(3), passLen_(3), lineLen_(0) {
  static_assert(sizeof name_ > 255 && sizeof pass_ > 255, "a one-byte length and its zero fit");
  static_assert(sizeof line_ > 9 + 255 + 255, "fields of any one-byte lengths fit the line");
  std::memset(line_, 0, sizeof line_);
  std::memset(time_, 0, sizeof time_);
  std::memset(name_, 0, sizeof name_);
  std::memset(pass_, 0, sizeof pass_);
  std::strcpy(name_, "---");
  std::strcpy(pass_, "---");
  NTime();
}

CCO::~CCO() {
  printf("--Del CCO\n");
}

void CCO::GenerateC(const char* name, const char* password) {
  valid_ = true;
  NTime();
  const RecordFields f =
      NewRecordFields(name ? name : "", plat::SecretText(password ? password : ""), time_);
  passLen_ = static_cast<uint8_t>(f.password.size());
  nameLen_ = static_cast<uint8_t>(f.name.size());
  timeLen_ = kTimeCodeBytes;
  lineLen_ = 0;
  std::memcpy(name_, f.name.data(), f.name.size());
  name_[f.name.size()] = 0;
  std::memcpy(pass_, f.password.data(), f.password.size());
  pass_[f.password.size()] = 0;
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
  // Lengths come from GenerateC (n + p <= 246) or from a stored value (each <= 255).
  RecordFields f;
  std::memcpy(f.timeCode, time_, kTimeCodeBytes);
  f.name.assign(name_, nameLen_);
  f.password.assign(pass_, passLen_);
  const std::string value = EncodeRecordValue(f);
  std::memset(line_, 0, sizeof line_);
  std::memcpy(line_, value.data(), value.size());
  lineLen_ = static_cast<uint8_t>(value.size() - 1);
  return line_;
}

int CCO::DecodeLine(const char* text) {
  if (text == nullptr) return DecodeLine(text, 0);
  const size_t len = static_cast<uint8_t>(text[0]);
  return DecodeLine(text, std::max<size_t>(len, 1));
}

int CCO::DecodeLine(const char* text, size_t available) {
  // The members are filled from a clear line, so that lengths pointing past L pick up zeros,
  // never the previous record's plain text.
  const RecordFields f = DecodeRecordValue(text, available);
  valid_ = true;
  lineLen_ = f.lineLength;
  std::memset(line_, 0, sizeof line_);
  std::memcpy(time_, f.timeCode, kTimeCodeBytes);
  time_[kTimeCodeBytes] = 0;
  nameLen_ = static_cast<uint8_t>(f.name.size());
  std::memcpy(name_, f.name.data(), f.name.size());
  name_[nameLen_] = 0;
  passLen_ = static_cast<uint8_t>(f.password.size());
  std::memcpy(pass_, f.password.data(), f.password.size());
  pass_[passLen_] = 0;
  return static_cast<int>(lineLen_);
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
