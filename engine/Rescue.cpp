#include "engine/Rescue.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "codec/TimeCode.h"
#include "engine/Engine.h"
#include "engine/KeyFinder.h"
#include "platform/FileCalls.h"
#include "platform/OpenFile.h"

ChangeRequest RescueRequest(const Inspection& found, const uint8_t key[6]) {
  ChangeRequest r = RequestFor(found, false);
  ChangeRequest::Bytes bytes{CipherDirection::Decode, {}};
  for (int i = 0; i < 6; ++i) bytes.key[i] = key[i];
  r.bytesOnly = bytes;
  return r;
}

bool KeyFromMoment(const std::string& text, uint8_t key[6], Fault* why) {
  int y, mo, d, h, mi, s;
  char tail;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail) !=
      6) {
    *why = Fault(FaultCode::NotAMoment).Path(text);
    return false;
  }
  static const int days[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1942 || y > 2196 || mo < 1 || mo > 12 || d < 1 || d > days[mo - 1] || h > 23 || mi > 59 ||
      s > 60 || h < 0 || mi < 0 || s < 0) {
    *why = Fault(FaultCode::NoCodingMoment).Path(text);
    return false;
  }
  std::tm t{};
  t.tm_year = y - 1900;
  t.tm_mon = mo - 1;
  t.tm_mday = d;
  t.tm_hour = h;
  t.tm_min = mi;
  t.tm_sec = s;
  char code[kTimeCodeBytes + 1];
  FormTimeCode(t, code);
  for (int i = 0; i < 6; ++i) key[i] = uint8_t(code[i]);
  return true;
}

std::string MomentOfKey(const uint8_t key[6]) {
  char code[kTimeCodeBytes + 1];
  for (int i = 0; i < 6; ++i) code[i] = char(key[i]);
  code[6] = 0;
  TimeFields t = ReadTimeCode(code);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hours,
                t.minutes, t.seconds);
  return text;
}

ByteKind KindOfFileWithKey(const std::string& file, const uint8_t key[6]) {
  plat::OpenFile open = plat::OpenFile::Open(file, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (!open.IsOpen()) return {};
  std::vector<uint8_t> bytes(kKeyLookBytes);
  size_t got = 0;
  while (got < bytes.size()) {
    ssize_t n = plat::Files().Pread(open.Fd(), bytes.data() + got, bytes.size() - got, got);
    if (n <= 0) break;
    got += size_t(n);
  }
  open.Close();
  return KindWithKey(bytes.data(), got, key);
}
