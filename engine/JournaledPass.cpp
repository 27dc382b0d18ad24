#include "engine/JournaledPass.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "engine/JournalFlusher.h"
#include "engine/WholeIo.h"
#include "platform/FileCalls.h"

namespace {

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

namespace {

// Bytes read, hashed, turned and written at a time: small enough to stay in the processor's
// second-level cache from the read to the write.
constexpr size_t kChunkBytes = 128 * 1024;
static_assert(kChunkBytes % kPageBytes == 0, "chunks hold whole pages");
// Pieces from this size on have their writeback started as soon as they are written.
constexpr size_t kStartWritebackBytes = 1 << 20;

// One window of the pass: the pieces of files it covers and their pages' hashes. Its bytes are
// read twice, in chunks: once to hash them, and once, after the hashes are flushed, to turn and
// write them. The second read comes from the page cache; it is cheaper than keeping a whole
// window in memory, whose bytes would leave the processor's caches between the steps.
struct Window {
  std::vector<Piece> pieces;
  std::vector<uint64_t> hashes;  // one per page, in the order of the pieces
  uint64_t flush = 0;            // the journal flush its hashes wait for
};

class Pass {
 public:
  Pass(const std::vector<PassFile*>& files, JournalWriter& journal, const PassOptions& options)
      : files_(files), journal_(journal), options_(options) {}
  plat::Outcome Run(bool* outOfMemory);

 private:
  bool Fill(Window& w);
  void ReadAndHash(Window& w);
  void TurnAndWrite(Window& w);
  plat::Outcome Logged(Window& w);
  void FailAll(const plat::Outcome& why) {
    for (PassFile* f : files_) Fail(f, why);
  }

  const std::vector<PassFile*>& files_;
  JournalWriter& journal_;
  const PassOptions& options_;
  std::unique_ptr<JournalFlusher> flusher_;
  std::unique_ptr<uint8_t[]> chunk_;
  size_t window_ = 0;
  size_t next_ = 0;      // the file in hand
  uint64_t offset_ = 0;  // how far into it
  uint64_t done_ = 0, total_ = 0;
};

// Fills the window with the next pieces, whole pages each except a file's last. False when
// no bytes are left.
bool Pass::Fill(Window& w) {
  w.pieces.clear();
  size_t used = 0;
  while (next_ < files_.size() && used < window_) {
    PassFile* f = files_[next_];
    if (f->failed || offset_ >= f->size) {
      ++next_;
      offset_ = 0;
      continue;
    }
    size_t room = (window_ - used) / kPageBytes * kPageBytes;
    if (room == 0) break;
    size_t len = size_t(std::min<uint64_t>(room, f->size - offset_));
    w.pieces.push_back({f, offset_, len, used});
    used += (len + kPageBytes - 1) / kPageBytes * kPageBytes;
    offset_ += len;
  }
  w.hashes.resize(used / kPageBytes);
  return !w.pieces.empty();
}

// The pages as they are: read and hashed into the journal.
void Pass::ReadAndHash(Window& w) {
  for (Piece& p : w.pieces) {
    uint64_t* h = w.hashes.data() + p.at / kPageBytes;
    for (size_t at = 0; at < p.len && !p.file->failed; at += kChunkBytes) {
      const size_t n = std::min(kChunkBytes, p.len - at);
      plat::Outcome read = ReadWhole(p.file->fd, chunk_.get(), n, p.offset + at);
      if (!read) {
        Fail(p.file, read);
        break;
      }
      HashPages(chunk_.get(), n, h + at / kPageBytes);
    }
    if (p.file->failed) continue;
    const uint32_t count = uint32_t(PageCount(p.len));
    journal_.AddWindow(p.file->entry, p.offset / kPageBytes, h, count);
    if (p.file->direction == CipherDirection::Decode) p.file->digest.Add(h, count);
  }
}

// The hashes written to the journal and their flush asked for (or made, without the flusher).
plat::Outcome Pass::Logged(Window& w) {
  plat::Outcome written = journal_.Write();
  if (!written) return written;
  if (!flusher_) return journal_.Flush();
  w.flush = flusher_->Request();
  return plat::Outcome::Ok();
}

void Pass::TurnAndWrite(Window& w) {
  uint64_t hashes[kChunkBytes / kPageBytes];
  for (Piece& p : w.pieces) {
    for (size_t at = 0; at < p.len && !p.file->failed; at += kChunkBytes) {
      const size_t n = std::min(kChunkBytes, p.len - at);
      uint8_t* data = chunk_.get();
      plat::Outcome step = ReadWhole(p.file->fd, data, n, p.offset + at);
      if (step) {
        TransformBytes(data, n, p.offset + at, p.file->key, p.file->direction);
        if (p.file->direction == CipherDirection::Code) {
          HashPages(data, n, hashes);
          p.file->digest.Add(hashes, size_t(PageCount(n)));
        }
        step = WriteWhole(p.file->fd, data, n, p.offset + at);
      }
      if (!step) {
        Fail(p.file, step);
        break;
      }
      done_ += n;
      if (options_.progress) options_.progress(p.file->name, done_, total_);
    }
    // The disk starts on a large piece's bytes while the pass goes on, so the flush at the end
    // has little left to do. (Small files are many: one flush of their file system is cheaper.)
    if (!p.file->failed && p.len >= kStartWritebackBytes)
      (void)plat::Files().StartWriteback(p.file->fd, p.offset, p.len);
  }
}

plat::Outcome Pass::Run(bool* outOfMemory) {
  *outOfMemory = false;
  for (const PassFile* f : files_) total_ += f->size;
  window_ = std::max(kPageBytes, options_.windowBytes / kPageBytes * kPageBytes);
  chunk_.reset(new (std::nothrow) uint8_t[kChunkBytes]);
  if (!chunk_) {
    *outOfMemory = true;
    plat::Outcome none = plat::Outcome::Fail("no memory for the work buffer");
    FailAll(none);
    return none;
  }
  const bool overlap = options_.overlapFlushes && total_ > window_;
  if (overlap) flusher_ = std::make_unique<JournalFlusher>(journal_);

  // With the flusher: window k is read and hashed, and its flush asked for, before window k - 1
  // (whose flush is done by then) is turned and written.
  Window windows[2];
  Window* pending = nullptr;
  for (int k = 0;; ++k) {
    Window& w = windows[overlap ? k % 2 : 0];
    const bool more = Fill(w);
    if (more) {
      ReadAndHash(w);
      plat::Outcome logged = Logged(w);
      if (!logged) {
        FailAll(logged);
        return logged;
      }
    }
    Window* ready = overlap ? pending : (more ? &w : nullptr);
    if (ready) {
      plat::Outcome flushed = overlap ? flusher_->Wait(ready->flush) : plat::Outcome::Ok();
      if (!flushed) {
        FailAll(flushed);
        return flushed;
      }
      TurnAndWrite(*ready);
    }
    pending = more ? &w : nullptr;
    if (!more) break;
  }
  return plat::Outcome::Ok();
}

}  // namespace

plat::Outcome RunJournaledPass(const std::vector<PassFile*>& files, JournalWriter& journal,
                               const PassOptions& options, bool* outOfMemory) {
  return Pass(files, journal, options).Run(outOfMemory);
}
