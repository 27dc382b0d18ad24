#include "engine/rescue/RecordMismatch.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/rescue/KeyFinder.h"
#include "platform/FileCalls.h"

std::vector<uint8_t> ReadLookPrefix(int fd, uint64_t size) {
  // Sized to the file, so that a small file's look does not clear the whole prefix's buffer.
  std::vector<uint8_t> bytes(size_t(std::min<uint64_t>(size, kKeyLookBytes)));
  size_t got = 0;
  while (got < bytes.size()) {
    ssize_t n = plat::Files().Pread(fd, bytes.data() + got, bytes.size() - got, got);
    if (n <= 0) break;
    got += size_t(n);
  }
  bytes.resize(got);
  return bytes;
}

void LookForMismatch(int fd, const RecordFields* record, bool hasIntegrity, const std::tm& now,
                     RecordMismatch* mismatch, LostKey* lostKey) {
  struct stat st {};
  const bool sized = plat::Files().Fstat(fd, &st) == 0;
  const uint64_t size = sized ? uint64_t(st.st_size) : 0;
  std::vector<uint8_t> prefix;
  if (!record || !hasIntegrity) prefix = ReadLookPrefix(fd, sized ? size : kKeyLookBytes);
  LookForMismatchIn(fd, prefix, size, record, hasIntegrity, now, mismatch, lostKey);
}

void LookForMismatchIn(int fd, const std::vector<uint8_t>& bytes, uint64_t size,
                       const RecordFields* record, bool hasIntegrity, const std::tm& now,
                       RecordMismatch* mismatch, LostKey* lostKey) {
  *mismatch = RecordMismatch::None;
  *lostKey = LostKey();
  // A coded file with its integrity attribute is checked against it when it is decoded.
  if (record && hasIntegrity) return;
  if (bytes.size() < kKeyLookMinBytes) return;
  // The rest of the file, for a header that says where its structure lies.
  FarBytes far;
  far.size = size;
  far.read = [fd](uint64_t at, uint8_t* into, size_t n) {
    size_t got = 0;
    while (got < n) {
      ssize_t r = plat::Files().Pread(fd, into + got, n - got, off_t(at + got));
      if (r <= 0) break;
      got += size_t(r);
    }
    return got;
  };
  if (!record) {
    KeyFinding f = FindKey(bytes.data(), bytes.size(), now, &far);
    if (f.verdict == KeyFinding::Verdict::None) return;
    *mismatch = RecordMismatch::RecordLost;
    lostKey->found = f.verdict == KeyFinding::Verdict::Found;
    std::memcpy(lostKey->key, f.key, sizeof f.key);
    lostKey->kind = f.kind.description;
    lostKey->keys = f.keys;
    return;
  }
  // Plain bytes under a record: the record's key would scramble them (turned back with it they
  // are clearly less ordered than as they lie: text, JSON, SVG, source in any script; or they
  // are a known type as they lie, which that key turns into nothing recognised), and they do not
  // look coded under any other key either.
  uint8_t key[6];
  std::memcpy(key, record->timeCode, sizeof key);
  const bool scrambled = PartLooksPlain(bytes.data(), bytes.size(), 0, key);
  if (!scrambled && (!LooksPlain(bytes.data(), bytes.size()) ||
                     KindWithKey(bytes.data(), bytes.size(), key).Recognised()))
    return;
  if (!KindOfBytes(bytes.data(), bytes.size()).Recognised()) return;
  if (FindKey(bytes.data(), bytes.size(), now, &far).verdict != KeyFinding::Verdict::None) return;
  *mismatch = RecordMismatch::RecordLeftOver;
  lostKey->kind = KindOfBytes(bytes.data(), bytes.size()).description;
}
