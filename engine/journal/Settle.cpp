#include "engine/journal/Settle.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "engine/journal/IntegrityAttr.h"
#include "engine/journal/PageHash.h"
#include "engine/journal/WholeIo.h"
#include "platform/FileCalls.h"

void PutBackSetIdBits(int fd, uint32_t mode) {
  mode &= 07777;
  if (!(mode & (S_ISUID | S_ISGID))) return;
  struct stat now {};
  if (plat::Files().Fstat(fd, &now) == 0 && (now.st_mode & 07777) != mode) (void)fchmod(fd, mode);
}

namespace {

constexpr size_t kSectorBytes = 512;
// Pages read and written at a time.
constexpr size_t kRunPages = 256;

// Finds the page as it was before the change, from the page as it is now and the hash the
// journal kept of it: before the change, or (HashesAfter) after it. The page is in the state
// hashed, in the other (turned whole), or turned sector by sector in part. False when no such
// mix gives the hash kept.
bool PageBefore(const uint8_t* now, size_t len, uint64_t offset, uint64_t hash,
                const JournalEntry& e, const ContentKey& key, uint8_t* before) {
  const bool hashedAfter = HashesAfter(e);
  // The hashed state is `now`, or `turned` (now turned toward it), or a mix of the two.
  uint8_t turned[kPageBytes];
  std::memcpy(turned, now, len);
  key.Turn(turned, len, offset, hashedAfter ? e.direction : Opposite(e.direction));
  const auto found = [&](const uint8_t* hashed) {
    std::memcpy(before, hashed, len);
    if (hashedAfter) key.Turn(before, len, offset, Opposite(e.direction));
    return true;
  };
  if (HashPage(now, len) == hash) return found(now);
  if (HashPage(turned, len) == hash) return found(turned);
  uint8_t mix[kPageBytes];
  const size_t sectors = (len + kSectorBytes - 1) / kSectorBytes;
  for (uint32_t mask = 1; mask + 1 < (1u << sectors); ++mask) {
    for (size_t s = 0; s < sectors; ++s) {
      const size_t at = s * kSectorBytes;
      const size_t n = std::min(kSectorBytes, len - at);
      std::memcpy(mix + at, ((mask >> s) & 1) ? turned + at : now + at, n);
    }
    if (HashPage(mix, len) == hash) return found(mix);
  }
  return false;
}

// Fails when the file's size is no longer the one the journal recorded: its pages then cannot
// be told apart by their hashes. A sealed file's content is followed by its seal's record, or a
// part of it, or nothing, as far as its change went.
Step SameSize(int fd, const JournalEntry& e) {
  struct stat st {};
  int r = plat::Files().Fstat(fd, &st);
  if (r < 0) return Step::Fail(Fault(FaultCode::ReadStatus).Err(r));
  const uint64_t size = uint64_t(st.st_size);
  if (size < e.size || size > e.size + (e.sealed ? e.sealRecord.size() : 0)) {
    return Step::Fail(
        Fault(FaultCode::SizeChangedSinceBegan).Numbers(e.size, uint64_t(st.st_size)));
  }
  return Step::Ok();
}

// Walks the file's pages, giving each page's bytes as they were before the change to `visit`
// (which may change `now` and mark the run to be written back).
template <typename Visit>
Step WalkPages(int fd, const JournalFile& journal, const ContentKey& key, bool writeBack,
               Visit visit) {
  const JournalEntry& e = journal.entry;
  if (Step same = SameSize(fd, e); !same) return same;
  std::vector<uint8_t> run(kRunPages * kPageBytes);
  uint8_t before[kPageBytes];
  const uint64_t pages = PageCount(e.size);
  for (uint64_t first = 0; first < pages; first += kRunPages) {
    const uint64_t offset = first * kPageBytes;
    const size_t len = size_t(std::min<uint64_t>(run.size(), e.size - offset));
    Step read = ReadWhole(fd, run.data(), len, offset);
    if (!read) return read;
    // Only pages that change are written, in runs: a page of a hole that was never written stays
    // a hole, which on a full file system is what lets a change be turned back at all.
    size_t runStart = 0, runEnd = 0;
    auto flush = [&]() -> Step {
      if (!writeBack || runEnd == runStart) return Step::Ok();
      Step w = WriteWhole(fd, run.data() + runStart, runEnd - runStart, offset + runStart);
      runStart = runEnd = 0;
      return w;
    };
    for (size_t at = 0; at < len; at += kPageBytes) {
      const uint64_t page = first + at / kPageBytes;
      const size_t n = std::min(kPageBytes, len - at);
      uint8_t* now = run.data() + at;
      // Pages whose hashes were never flushed were never written: they are as they were.
      const bool hashed = journal.Hashed(page);
      if (hashed && !PageBefore(now, n, offset + at, journal.hashes[page], e, key, before)) {
        return Step::Fail(Fault(FaultCode::PageNeither).Numbers(offset + at));
      }
      if (!hashed) std::memcpy(before, now, n);
      if (!visit(page, offset + at, before, now, n, hashed)) continue;
      if (runEnd != at) {
        Step write = flush();
        if (!write) return write;
        runStart = at;
      }
      runEnd = at + n;
    }
    Step write = flush();
    if (!write) return write;
  }
  return Step::Ok();
}

}  // namespace

Step FileDigest(int fd, uint64_t* digest) {
  struct stat st {};
  int r = plat::Files().Fstat(fd, &st);
  if (r < 0) return Step::Fail(Fault(FaultCode::ReadStatus).Err(r));
  ContentDigest d;
  std::vector<uint8_t> run(kRunPages * kPageBytes);
  uint64_t hashes[kRunPages];
  for (uint64_t offset = 0; offset < uint64_t(st.st_size); offset += run.size()) {
    const size_t len = size_t(std::min<uint64_t>(run.size(), uint64_t(st.st_size) - offset));
    Step read = ReadWhole(fd, run.data(), len, offset);
    if (!read) return read;
    HashPages(run.data(), len, hashes);
    d.Add(hashes, size_t(PageCount(len)));
  }
  *digest = d.Value();
  return Step::Ok();
}

Step HashUnrecordedPages(int fd, JournalFile* journal, const ContentKey& key) {
  const JournalEntry& e = journal->entry;
  if (Step same = SameSize(fd, e); !same) return same;
  uint8_t page[kPageBytes];
  for (uint64_t p = 0; p < journal->hashes.size(); ++p) {
    if (journal->known[p]) continue;
    const size_t n = size_t(std::min<uint64_t>(kPageBytes, e.size - p * kPageBytes));
    Step read = ReadWhole(fd, page, n, p * kPageBytes);
    if (!read) return read;
    // Never written, the page is as it was; the journal keeps it in the form it keeps hashes in.
    if (HashesAfter(e)) key.Turn(page, n, p * kPageBytes, e.direction);
    journal->hashes[p] = HashPage(page, n);
  }
  return Step::Ok();
}

Step CodedDigest(int fd, const JournalFile& journal, uint64_t* digest) {
  ContentDigest d;
  Step walked =
      WalkPages(fd, journal, ContentKey::Coding(journal.entry.key), false,
                [&](uint64_t page, uint64_t, uint8_t* before, uint8_t*, size_t n, bool hashed) {
                  const uint64_t h = hashed ? journal.hashes[page] : HashPage(before, n);
                  d.Add(&h, 1);
                  return false;
                });
  *digest = d.Value();
  return walked;
}

Step Settle(int fd, const JournalFile& journal, const ContentKey& key, bool complete,
            SettleResult* result) {
  *result = SettleResult();
  const JournalEntry& e = journal.entry;
  ContentDigest digest;
  Step walked =
      WalkPages(fd, journal, key, true,
                [&](uint64_t, uint64_t offset, uint8_t* before, uint8_t* now, size_t n, bool) {
                  if (complete) key.Turn(before, n, offset, e.direction);
                  if (complete && e.direction == CipherDirection::Code) {
                    uint64_t h = HashPage(before, n);
                    digest.Add(&h, 1);
                  }
                  if (std::memcmp(before, now, n) == 0) return false;
                  std::memcpy(now, before, n);
                  ++result->pagesRewritten;
                  return true;
                });
  if (!walked) return walked;
  int r = plat::Files().Fdatasync(fd);
  if (r < 0) return Step::Fail(Fault(FaultCode::Flush).Err(r));
  result->digest = digest.Value();
  return Step::Ok();
}
