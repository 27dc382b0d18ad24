#include "engine/rescue/Rescue.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "codec/TimeCode.h"
#include "engine/rescue/KeyFinder.h"
#include "platform/FileCalls.h"
#include "platform/OpenFile.h"

namespace {

// The parts a rescue looks at before it writes: this many windows of this size spread over the
// file, and its last window again in parts of this size.
constexpr uint64_t kPartWindows = 16;
constexpr size_t kPartWindow = 4096;
constexpr size_t kTailPart = 512;

}  // namespace

bool KeyFromMoment(const std::string& text, uint8_t key[6], Fault* why) {
  int y, mo, d, h, mi, s;
  char tail;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail) !=
      6) {
    *why = Fault(FaultCode::NotAMoment).Path(text);
    return false;
  }
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (y < 1942 || y > 2196 || mo < 1 || mo > 12 || d < 1 ||
      d > days[mo - 1] + (mo == 2 && leap ? 1 : 0) || h > 23 || mi > 59 || s > 60 || h < 0 ||
      mi < 0 || s < 0) {
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

namespace {

// Reads up to n bytes at `at` from `fd`; how many it read.
size_t ReadAt(int fd, uint64_t at, uint8_t* into, size_t n) {
  size_t got = 0;
  while (got < n) {
    ssize_t r = plat::Files().Pread(fd, into + got, n - got, off_t(at + got));
    if (r <= 0) break;
    got += size_t(r);
  }
  return got;
}

// The first kKeyLookBytes of `file` (fewer when it is shorter or cannot be read).
std::vector<uint8_t> Prefix(const std::string& file) {
  plat::OpenFile open = plat::OpenFile::Open(file, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (!open.IsOpen()) return {};
  std::vector<uint8_t> bytes(kKeyLookBytes);
  bytes.resize(ReadAt(open.Fd(), 0, bytes.data(), bytes.size()));
  return bytes;
}

}  // namespace

ByteKind KindOfFileWithKey(const std::string& file, const uint8_t key[6]) {
  const std::vector<uint8_t> bytes = Prefix(file);
  return KindWithKey(bytes.data(), bytes.size(), key);
}

KeyFinding LookAtFile(const std::string& file) {
  plat::OpenFile open = plat::OpenFile::Open(file, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (!open.IsOpen()) return {};
  struct stat st {};
  FarBytes far;
  far.size = plat::Files().Fstat(open.Fd(), &st) == 0 ? uint64_t(st.st_size) : 0;
  const int fd = open.Fd();
  far.read = [fd](uint64_t at, uint8_t* into, size_t n) { return ReadAt(fd, at, into, n); };
  std::vector<uint8_t> bytes(kKeyLookBytes);
  bytes.resize(ReadAt(fd, 0, bytes.data(), bytes.size()));
  const std::time_t t = std::time(nullptr);
  std::tm now{};
  localtime_r(&t, &now);
  return FindKey(bytes.data(), bytes.size(), now, &far);
}

Fault PartsFit(const std::string& file, const uint8_t key[6]) {
  plat::OpenFile open = plat::OpenFile::Open(file, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (!open.IsOpen()) return Fault(FaultCode::Open).Path(file).Err(errno);
  struct stat st {};
  if (plat::Files().Fstat(open.Fd(), &st) != 0) return Fault(FaultCode::ReadStatus).Err(errno);
  const uint64_t size = uint64_t(st.st_size);
  // Windows spread evenly from the start to the end, then the last window again in small parts.
  std::vector<std::pair<uint64_t, size_t>> parts;
  if (size > 0) {
    const uint64_t last = size > kPartWindow ? size - kPartWindow : 0;
    for (uint64_t w = 0; w < kPartWindows; ++w) parts.push_back({last * w / (kPartWindows - 1), 0});
    for (uint64_t k = 1; k * kTailPart <= std::min<uint64_t>(size, kPartWindow); ++k)
      parts.push_back({size - k * kTailPart, kTailPart});
  }
  std::vector<uint8_t> bytes(kPartWindow);
  for (const auto& [at, want] : parts) {
    const size_t len = size_t(std::min<uint64_t>(want ? want : kPartWindow, size - at));
    size_t got = 0;
    while (got < len) {
      ssize_t n = plat::Files().Pread(open.Fd(), bytes.data() + got, len - got, off_t(at + got));
      if (n < 0) return Fault(FaultCode::Read).Err(errno);
      if (n == 0) break;
      got += size_t(n);
    }
    if (PartLooksPlain(bytes.data(), got, at, key))
      return Fault(FaultCode::PartLooksPlain).Numbers(at);
  }
  return {};
}
