#include "engine/JournaledPass.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "platform/FileCalls.h"

namespace {

std::string ErrText(const char* what, long err) {
  return std::string(what) + ": " + std::strerror(int(-err));
}

plat::Outcome ReadFull(int fd, uint8_t* buf, size_t len, uint64_t offset) {
  for (size_t got = 0; got < len;) {
    ssize_t r = plat::Files().Pread(fd, buf + got, len - got, offset + got);
    if (r < 0) return plat::Outcome::Fail(ErrText("read failed", r));
    if (r == 0) return plat::Outcome::Fail("file ended early (it shrank while being worked on)");
    got += size_t(r);
  }
  return plat::Outcome::Ok();
}

plat::Outcome WriteFull(int fd, const uint8_t* buf, size_t len, uint64_t offset) {
  for (size_t done = 0; done < len;) {
    ssize_t r = plat::Files().Pwrite(fd, buf + done, len - done, offset + done);
    if (r < 0) return plat::Outcome::Fail(ErrText("write failed", r));
    if (r == 0) return plat::Outcome::Fail("write made no progress");
    done += size_t(r);
  }
  return plat::Outcome::Ok();
}

// A run of one file's bytes in the window.
struct Piece {
  PassFile* file;
  uint64_t offset;
  size_t len;
  size_t at;  // where in the window
};

void Fail(PassFile* f, plat::Outcome why) {
  if (f->failed) return;
  f->failed = true;
  f->failure = why.why();
}

}  // namespace

plat::Outcome RunJournaledPass(const std::vector<PassFile*>& files, JournalWriter& journal,
                               const PassOptions& options, bool* outOfMemory) {
  *outOfMemory = false;
  uint64_t total = 0;
  for (const PassFile* f : files) total += f->size;
  const size_t window = std::max(kPageBytes, options.windowBytes / kPageBytes * kPageBytes);
  // Whole pages: small files take a page each, and a window never needs more than all of them.
  uint64_t pagesNeeded = 0;
  for (const PassFile* f : files) pagesNeeded += PageCount(f->size);
  const size_t bufLen =
      size_t(std::min<uint64_t>(window, std::max<uint64_t>(pagesNeeded, 1) * kPageBytes));
  std::unique_ptr<uint8_t[]> buf(new (std::nothrow) uint8_t[bufLen]);
  std::unique_ptr<uint64_t[]> hashes(new (std::nothrow) uint64_t[bufLen / kPageBytes + 1]);
  if (!buf || !hashes) {
    *outOfMemory = true;
    return plat::Outcome::Fail("no memory for the work buffer");
  }

  uint64_t done = 0;
  size_t next = 0;      // the file in hand
  uint64_t offset = 0;  // how far into it
  std::vector<Piece> pieces;
  while (next < files.size()) {
    // Fill the window with the next pieces, whole pages each except a file's last.
    pieces.clear();
    size_t used = 0;
    while (next < files.size() && used < bufLen) {
      PassFile* f = files[next];
      if (f->failed || offset >= f->size) {
        ++next;
        offset = 0;
        continue;
      }
      size_t room = (bufLen - used) / kPageBytes * kPageBytes;
      if (room == 0) break;
      size_t len = size_t(std::min<uint64_t>(room, f->size - offset));
      pieces.push_back({f, offset, len, used});
      used += (len + kPageBytes - 1) / kPageBytes * kPageBytes;
      offset += len;
    }
    if (pieces.empty()) break;

    // The pages as they are: read, hashed into the journal, and the journal flushed.
    for (Piece& p : pieces) {
      plat::Outcome read = ReadFull(p.file->fd, buf.get() + p.at, p.len, p.offset);
      if (!read) {
        Fail(p.file, read);
        continue;
      }
      uint64_t* h = hashes.get() + p.at / kPageBytes;
      const uint32_t count = uint32_t(PageCount(p.len));
      HashPages(buf.get() + p.at, p.len, h);
      journal.AddWindow(p.file->entry, p.offset / kPageBytes, h, count);
      if (p.file->direction == CipherDirection::Decode) p.file->digest.Add(h, count);
    }
    plat::Outcome logged = journal.Write();
    if (logged) logged = journal.Flush();
    if (!logged) {
      for (PassFile* f : files) Fail(f, logged);
      return logged;
    }

    // Then turned and written.
    for (Piece& p : pieces) {
      if (p.file->failed) continue;
      uint8_t* data = buf.get() + p.at;
      TransformBytes(data, p.len, p.offset, p.file->key, p.file->direction);
      if (p.file->direction == CipherDirection::Code) {
        uint64_t* h = hashes.get() + p.at / kPageBytes;
        HashPages(data, p.len, h);
        p.file->digest.Add(h, size_t(PageCount(p.len)));
      }
      plat::Outcome write = WriteFull(p.file->fd, data, p.len, p.offset);
      if (!write) Fail(p.file, write);
      done += p.len;
      if (options.progress) options.progress(p.file->name, done, total);
    }
  }
  return plat::Outcome::Ok();
}
