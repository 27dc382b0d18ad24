#include "engine/journal/JournaledPass.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "engine/journal/JournalFlusher.h"
#include "engine/journal/WholeIo.h"
#include "platform/FileCalls.h"

namespace {

void Fail(PassFile* f, Step why) {
  if (f->failed) return;
  f->failed = true;
  f->failure = why.fault();
}

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
  size_t index = 0;
  std::vector<uint64_t> hashes;  // one per page, in the order of the pieces
  uint64_t flush = 0;            // the journal flush its hashes wait for
};

class Pass {
 public:
  Pass(const std::vector<PassFile*>& files, JournalWriter& journal, const PassOptions& options)
      : files_(files), journal_(journal), options_(options) {}
  Step Run(bool* outOfMemory);

 private:
  PassFile* FileOf(const WindowPiece& p) const {
    PassFile* f = p.file < byEntry_.size() ? byEntry_[p.file] : nullptr;
    return f && !f->failed ? f : nullptr;
  }
  bool Live(size_t k) const;
  Step ReadAndHash(Window& w);
  void TurnAndWrite(Window& w);
  Step Logged(Window& w);
  void FailAll(const Step& why) {
    for (PassFile* f : files_) Fail(f, why);
  }

  const std::vector<PassFile*>& files_;
  JournalWriter& journal_;
  const PassOptions& options_;
  std::unique_ptr<JournalFlusher> flusher_;
  std::unique_ptr<uint8_t[]> chunk_;
  std::vector<PassFile*> byEntry_;  // the pass's files by their entry; nullptr: not in it
  uint64_t done_ = 0, total_ = 0;
};

// Whether window `k` has bytes of a file still in the pass.
bool Pass::Live(size_t k) const {
  for (const WindowPiece& p : journal_.Plan()[k])
    if (FileOf(p)) return true;
  return false;
}

// The pages as they are: read and hashed, and the window's record written to the journal and
// its flush asked for (or made, without the flusher).
Step Pass::ReadAndHash(Window& w) {
  const std::vector<WindowPiece>& pieces = journal_.Plan()[w.index];
  std::vector<PieceHashes> record(pieces.size());
  for (size_t i = 0; i < pieces.size(); ++i) {
    const WindowPiece& p = pieces[i];
    PassFile* f = FileOf(p);
    if (!f) continue;
    uint64_t* h = w.hashes.data() + p.at / kPageBytes;
    for (size_t at = 0; at < p.len; at += kChunkBytes) {
      const size_t n = std::min(kChunkBytes, p.len - at);
      Step read = ReadWhole(f->fd, chunk_.get(), n, p.offset + at);
      if (!read) {
        Fail(f, read);
        break;
      }
      if (f->sealed && f->direction == CipherDirection::Decode && f->mac)
        f->mac->Add(chunk_.get(), n);
      // A sealing's pages are hashed sealed, never plain.
      if (f->sealed && f->direction == CipherDirection::Code)
        f->key.Turn(chunk_.get(), n, p.offset + at, f->direction);
      HashPages(chunk_.get(), n, h + at / kPageBytes);
    }
    if (f->failed) continue;
    record[i].hashes = h;
    if (f->direction == CipherDirection::Decode) f->digest.Add(h, size_t(PageCount(p.len)));
  }
  Step written = journal_.WriteWindow(w.index, record);
  if (!written) return written;
  if (!flusher_) return journal_.Flush();
  w.flush = flusher_->Request();
  return Step::Ok();
}

void Pass::TurnAndWrite(Window& w) {
  uint64_t hashes[kChunkBytes / kPageBytes];
  for (const WindowPiece& piece : journal_.Plan()[w.index]) {
    PassFile* f = FileOf(piece);
    if (!f) continue;
    for (size_t at = 0; at < piece.len && !f->failed; at += kChunkBytes) {
      const size_t n = std::min(kChunkBytes, piece.len - at);
      uint8_t* data = chunk_.get();
      Step step = ReadWhole(f->fd, data, n, piece.offset + at);
      if (step) {
        f->key.Turn(data, n, piece.offset + at, f->direction);
        if (f->sealed && f->direction == CipherDirection::Code && f->mac) f->mac->Add(data, n);
        if (f->direction == CipherDirection::Code) {
          HashPages(data, n, hashes);
          f->digest.Add(hashes, size_t(PageCount(n)));
        }
        step = WriteWhole(f->fd, data, n, piece.offset + at);
      }
      if (!step) {
        Fail(f, step);
        break;
      }
      f->written = piece.offset + at + n;
      done_ += n;
      if (options_.progress) options_.progress(f->name, done_, total_);
    }
    // The disk starts on a large piece's bytes while the pass goes on, so the flush at the end
    // has little left to do. (Small files are many: one flush of their file system is cheaper.)
    if (!f->failed && piece.len >= kStartWritebackBytes)
      (void)plat::Files().StartWriteback(f->fd, piece.offset, piece.len);
  }
}

Step Pass::Run(bool* outOfMemory) {
  *outOfMemory = false;
  for (PassFile* f : files_) {
    total_ += f->size;
    if (byEntry_.size() <= f->entry) byEntry_.resize(f->entry + 1, nullptr);
    byEntry_[f->entry] = f;
  }
  chunk_.reset(new (std::nothrow) uint8_t[kChunkBytes]);
  if (!chunk_) {
    *outOfMemory = true;
    Step none = Step::Fail(Fault(FaultCode::NoMemory));
    FailAll(none);
    return none;
  }
  const WindowPlan& plan = journal_.Plan();
  const bool overlap = options_.overlapFlushes && plan.size() > 1;
  if (overlap) flusher_ = std::make_unique<JournalFlusher>(journal_);

  // With the flusher: window k is read and hashed, and its flush asked for, before window k - 1
  // (whose flush is done by then) is turned and written.
  Window windows[2];
  Window* pending = nullptr;
  int turn = 0;
  for (size_t k = 0;; ++k) {
    while (k < plan.size() && !Live(k)) ++k;
    const bool more = k < plan.size();
    Window& w = windows[overlap ? (turn ^= 1) : 0];
    if (more) {
      w.index = k;
      uint64_t pages = 0;
      for (const WindowPiece& p : plan[k]) pages = p.at / kPageBytes + PageCount(p.len);
      w.hashes.assign(size_t(pages), 0);
      Step logged = ReadAndHash(w);
      if (!logged) {
        FailAll(logged);
        return logged;
      }
    }
    Window* ready = overlap ? pending : (more ? &w : nullptr);
    if (ready) {
      Step flushed = overlap ? flusher_->Wait(ready->flush) : Step::Ok();
      if (!flushed) {
        FailAll(flushed);
        return flushed;
      }
      TurnAndWrite(*ready);
    }
    pending = more ? &w : nullptr;
    if (!more) break;
  }
  return Step::Ok();
}

}  // namespace

Step RunJournaledPass(const std::vector<PassFile*>& files, JournalWriter& journal,
                      const PassOptions& options, bool* outOfMemory) {
  return Pass(files, journal, options).Run(outOfMemory);
}
