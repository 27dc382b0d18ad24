#include "engine/journal/ResizedTurnBack.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/journal/PageHash.h"
#include "engine/journal/WholeIo.h"
#include "platform/FileCalls.h"

Step TurnBackResized(int fd, const JournalFile& journal, const ContentKey& key, uint64_t written) {
  const JournalEntry& e = journal.entry;
  struct stat st {};
  int r = plat::Files().Fstat(fd, &st);
  if (r < 0) return Step::Fail(Fault(FaultCode::ReadStatus).Err(r));
  const uint64_t now = uint64_t(st.st_size);
  std::vector<uint8_t> page(kPageBytes), back(kPageBytes), forward(kPageBytes);
  const bool hashedAfter = HashesAfter(e);
  const uint64_t end = std::min({now, e.size, written});
  for (uint64_t p = 0; p < journal.hashes.size() && p * kPageBytes < end; ++p) {
    const uint64_t at = p * kPageBytes;
    const size_t whole = size_t(std::min<uint64_t>(kPageBytes, e.size - at));
    const size_t n = size_t(std::min<uint64_t>(whole, now - at));
    Step step = ReadWhole(fd, page.data(), n, at);
    if (!step) return step;
    std::memcpy(back.data(), page.data(), n);
    key.Turn(back.data(), n, at, Opposite(e.direction));
    // The page in the form the journal hashed, were it not turned: as it is (hashes before the
    // change) or turned forward (hashes after it, for a sealing).
    const uint8_t* plainForm = page.data();
    if (hashedAfter) {
      std::memcpy(forward.data(), page.data(), n);
      key.Turn(forward.data(), n, at, e.direction);
      plainForm = forward.data();
    }
    const uint8_t* turnedForm = hashedAfter ? page.data() : back.data();
    bool turned = true;
    if (n == whole) {
      if (HashPage(plainForm, n) == journal.hashes[p]) {
        turned = false;
      } else if (HashPage(turnedForm, n) == journal.hashes[p]) {
        turned = true;
      } else {
        return Step::Fail(Fault(FaultCode::PageNeither).Numbers(at));
      }
    }
    if (turned) {
      step = WriteWhole(fd, back.data(), n, at);
      if (!step) return step;
    }
  }
  return Step::Ok();
}
