#include "engine/journal/JournaledPass.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "engine/journal/JournalFlusher.h"
#include "engine/journal/WholeIo.h"
#include "platform/FileCalls.h"

namespace {

// Bytes read, hashed, turned and written at a time: small enough to stay in the processor's
// second-level cache from the read to the write.
constexpr size_t kChunkBytes = 128 * 1024;
static_assert(kChunkBytes % kPageBytes == 0, "chunks hold whole pages");
// Pieces from this size on have their writeback started as soon as they are written.
constexpr size_t kStartWritebackBytes = 1 << 20;

// One window of the pass: the pieces of files it covers and their pages' hashes. A coding's or
// decoding's bytes are read twice, in chunks: once to hash them, and once, after the hashes are
// flushed, to turn and write them. The second read comes from the page cache; it is cheaper than
// keeping a whole window in memory, whose bytes would leave the processor's caches between the
// steps. A sealed file's bytes are kept instead, turned as they are first read: turning them
// (XChaCha20) costs several times what the read and the cache misses do, and a sealing must
// turn them to hash them at all. Such a window holds its bytes in `kept`, at the pieces' places.
// (An unsealing's are read twice, as a decoding's: they are hashed as they lie, turned once.)
struct Window {
  size_t index = 0;
  std::vector<uint64_t> hashes;     // one per page, in the order of the pieces
  uint64_t flush = 0;               // the journal flush its hashes wait for
  std::unique_ptr<uint8_t[]> kept;  // the sealed files' bytes, turned, when it could be had
  size_t keptBytes = 0;
};

class Pass {
 public:
  Pass(const std::vector<PassFile*>& files, JournalWriter& journal, const PassOptions& options)
      : files_(files), journal_(journal), options_(options) {}
  Step Run(bool* outOfMemory);

 private:
  // With the flusher, a reader thread reads, turns and hashes windows (ReadAndHash) while this
  // thread writes the one before; a file's failure is told between the two under a lock.
  PassFile* FileOf(const WindowPiece& p) {
    PassFile* f = p.file < byEntry_.size() ? byEntry_[p.file] : nullptr;
    return f && !Failed(f) ? f : nullptr;
  }
  bool Failed(PassFile* f) {
    std::lock_guard<std::mutex> lock(failMutex_);
    return f->failed;
  }
  void Fail(PassFile* f, const Step& why) {
    std::lock_guard<std::mutex> lock(failMutex_);
    if (f->failed) return;
    f->failed = true;
    f->failure = why.fault();
  }
  bool Live(size_t k);
  static bool Sealing(const PassFile* f) {
    return f->sealed && f->direction == CipherDirection::Code;
  }
  // Whether the piece's bytes are kept in `w` from the first read to the write.
  static bool Kept(const Window& w, const WindowPiece& p, const PassFile* f) {
    return Sealing(f) && w.kept && p.at + p.len <= w.keptBytes;
  }
  // Makes `w` window `k` and logs it: read, hashed and recorded (ReadAndHash).
  Step Begin(Window& w, size_t k, size_t sealedBytes);
  void KeepSealedBytes(Window& w, size_t bytes);
  Step ReadAndHash(Window& w);
  void TurnAndWrite(Window& w);
  // The windows in turn, each written once its record is flushed: on this thread alone, or
  // with the reader thread and the flusher.
  Step RunInTurn(size_t sealedBytes);
  Step RunAlongside(size_t sealedBytes);
  void FailAll(const Step& why) {
    for (PassFile* f : files_) Fail(f, why);
  }

  const std::vector<PassFile*>& files_;
  JournalWriter& journal_;
  const PassOptions& options_;
  std::unique_ptr<JournalFlusher> flusher_;
  std::unique_ptr<uint8_t[]> chunk_;      // TurnAndWrite's
  std::unique_ptr<uint8_t[]> readChunk_;  // ReadAndHash's
  std::vector<PassFile*> byEntry_;        // the pass's files by their entry; nullptr: not in it
  std::mutex failMutex_;
  uint64_t done_ = 0, total_ = 0;
};

// Whether window `k` has bytes of a file still in the pass.
bool Pass::Live(size_t k) {
  for (const WindowPiece& p : journal_.Plan()[k])
    if (FileOf(p)) return true;
  return false;
}

// Gives the window room for `bytes` of sealed files' bytes, kept from the first read to the
// write; without memory for it, they are read and turned twice, as a coding's are.
void Pass::KeepSealedBytes(Window& w, size_t bytes) {
  if (w.keptBytes >= bytes) return;
  w.kept.reset(new (std::nothrow) uint8_t[bytes]);
  w.keptBytes = w.kept ? bytes : 0;
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
    const bool kept = Kept(w, p, f);
    const bool sealing = Sealing(f);
    for (size_t at = 0; at < p.len; at += kChunkBytes) {
      const size_t n = std::min(kChunkBytes, p.len - at);
      // Read into the chunk, which stays in the processor's cache, and copied to the kept bytes
      // once turned: a read straight into a window's bytes, which have left the cache since
      // they were last written, costs the kernel several times as much.
      uint8_t* data = readChunk_.get();
      Step read = ReadWhole(f->fd, data, n, p.offset + at);
      if (!read) {
        Fail(f, read);
        break;
      }
      if (f->sealed && f->direction == CipherDirection::Decode && f->mac) f->mac->Add(data, n);
      // A sealing's pages are hashed sealed, never plain.
      if (sealing) f->key.Turn(data, n, p.offset + at, f->direction);
      HashPages(data, n, h + at / kPageBytes);
      if (kept) std::memcpy(w.kept.get() + p.at + at, data, n);
    }
    if (Failed(f)) continue;
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
    const bool kept = Kept(w, piece, f);
    for (size_t at = 0; at < piece.len && !Failed(f); at += kChunkBytes) {
      const size_t n = std::min(kChunkBytes, piece.len - at);
      // A kept piece's bytes are turned and hashed already. The MAC takes them here, on the
      // thread with less to do, just before the write, which then finds them in the cache.
      uint8_t* data = kept ? w.kept.get() + piece.at + at : chunk_.get();
      Step step = kept ? Step::Ok() : ReadWhole(f->fd, data, n, piece.offset + at);
      if (step && !kept) f->key.Turn(data, n, piece.offset + at, f->direction);
      if (step && Sealing(f) && f->mac) f->mac->Add(data, n);
      // The digest of a coding's bytes (a seal's integrity is its MAC).
      if (step && !f->sealed && f->direction == CipherDirection::Code) {
        HashPages(data, n, hashes);
        f->digest.Add(hashes, size_t(PageCount(n)));
      }
      if (step) step = WriteWhole(f->fd, data, n, piece.offset + at);
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
    if (!Failed(f) && piece.len >= kStartWritebackBytes)
      (void)plat::Files().StartWriteback(f->fd, piece.offset, piece.len);
  }
}

Step Pass::Begin(Window& w, size_t k, size_t sealedBytes) {
  w.index = k;
  uint64_t pages = 0;
  for (const WindowPiece& p : journal_.Plan()[k]) pages = p.at / kPageBytes + PageCount(p.len);
  w.hashes.assign(size_t(pages), 0);
  if (sealedBytes > 0) KeepSealedBytes(w, sealedBytes);
  return ReadAndHash(w);
}

Step Pass::RunInTurn(size_t sealedBytes) {
  const WindowPlan& plan = journal_.Plan();
  Window w;
  for (size_t k = 0; k < plan.size(); ++k) {
    if (!Live(k)) continue;
    Step logged = Begin(w, k, sealedBytes);
    if (!logged) {
      FailAll(logged);
      return logged;
    }
    TurnAndWrite(w);
  }
  return Step::Ok();
}

// The reader thread takes window k while this thread writes window k - 1 (whose flush is done
// by then): two windows, each handed from one thread to the other in turn.
Step Pass::RunAlongside(size_t sealedBytes) {
  const WindowPlan& plan = journal_.Plan();
  Window windows[2];
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Window*> free = {&windows[0], &windows[1]};
  std::deque<Window*> logged;  // read, hashed and recorded, in the plan's order
  bool readerDone = false, stop = false;
  Step readFailure = Step::Ok();
  auto readWindows = [&] {
    for (size_t k = 0; k < plan.size(); ++k) {
      if (!Live(k)) continue;
      Window* w = nullptr;
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return !free.empty() || stop; });
        if (stop) break;
        w = free.front();
        free.pop_front();
      }
      Step made = Begin(*w, k, sealedBytes);
      std::lock_guard<std::mutex> lock(mutex);
      if (!made) {
        readFailure = made;
        break;
      }
      logged.push_back(w);
      changed.notify_all();
    }
    std::lock_guard<std::mutex> lock(mutex);
    readerDone = true;
    changed.notify_all();
  };
  std::thread reader;
  try {
    reader = std::thread(readWindows);
  } catch (const std::system_error&) {
    // No thread to be had (a limit on them): the windows in turn, each flush waited for.
    flusher_.reset();
    return RunInTurn(sealedBytes);
  }
  Step outcome = Step::Ok();
  for (;;) {
    Window* w = nullptr;
    {
      std::unique_lock<std::mutex> lock(mutex);
      changed.wait(lock, [&] { return !logged.empty() || readerDone; });
      // A window the journal could not take stops the writes: no byte is written after.
      if (!readFailure.ok() || logged.empty()) break;
      w = logged.front();
      logged.pop_front();
    }
    outcome = flusher_->Wait(w->flush);
    if (!outcome) break;
    TurnAndWrite(*w);
    std::lock_guard<std::mutex> lock(mutex);
    free.push_back(w);
    changed.notify_all();
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    stop = true;
    changed.notify_all();
  }
  reader.join();
  if (outcome && !readFailure.ok()) outcome = readFailure;
  if (!outcome) FailAll(outcome);
  return outcome;
}

Step Pass::Run(bool* outOfMemory) {
  *outOfMemory = false;
  for (PassFile* f : files_) {
    total_ += f->size;
    if (byEntry_.size() <= f->entry) byEntry_.resize(f->entry + 1, nullptr);
    byEntry_[f->entry] = f;
  }
  chunk_.reset(new (std::nothrow) uint8_t[kChunkBytes]);
  readChunk_.reset(new (std::nothrow) uint8_t[kChunkBytes]);
  if (!chunk_ || !readChunk_) {
    *outOfMemory = true;
    Step none = Step::Fail(Fault(FaultCode::NoMemory));
    FailAll(none);
    return none;
  }
  // The most bytes of sealings one window holds.
  size_t sealedBytes = 0;
  for (const std::vector<WindowPiece>& pieces : journal_.Plan())
    for (const WindowPiece& p : pieces) {
      const PassFile* f = FileOf(p);
      if (f && Sealing(f)) sealedBytes = std::max(sealedBytes, p.at + p.len);
    }
  if (!options_.overlapFlushes || journal_.Plan().size() <= 1) return RunInTurn(sealedBytes);
  try {
    flusher_ = std::make_unique<JournalFlusher>(journal_);
  } catch (const std::system_error&) {
    return RunInTurn(sealedBytes);  // no thread to be had: each flush waited for in turn
  }
  return RunAlongside(sealedBytes);
}

}  // namespace

Step RunJournaledPass(const std::vector<PassFile*>& files, JournalWriter& journal,
                      const PassOptions& options, bool* outOfMemory) {
  return Pass(files, journal, options).Run(outOfMemory);
}
