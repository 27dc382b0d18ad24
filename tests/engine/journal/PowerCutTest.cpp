// Changes cut short at every call they make, on the model disk: by a power cut that loses any
// part of what was not flushed, by the program dying (nothing lost), and by a call that fails.
// After each, the next look at the files settles them, and every file must be whole: plain and
// exactly as before, or coded and decoding to exactly that.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <set>

#include "engine/Transaction.h"
#include "engine/journal/Journal.h"
#include "engine/journal/Recovery.h"
#include "platform/AttrBackend.h"
#include "platform/Clock.h"
#include "platform/FileCalls.h"
#include "platform/Paths.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/engine/journal/ModelDisk.h"

namespace {

using Attrs = std::map<std::string, std::string>;

struct Original {
  std::string path;
  Bytes bytes;
  Attrs attrs;
};

// Installs a model as both seams for as long as it lives.
class Installed {
 public:
  explicit Installed(ModelDisk& m) {
    plat::SetFileCalls(&m);
    plat::SetAttrBackend(&m);
  }
  ~Installed() {
    plat::SetFileCalls(nullptr);
    plat::SetAttrBackend(nullptr);
  }
};

// Every test runs for coding (false) and for sealing (true), where a file "coded" below is a
// sealed one and decoding it is unsealing it.
class PowerCutTest : public testing::TestWithParam<bool> {
 protected:
  bool Sealing() const { return GetParam(); }
  void SetUp() override {
    plat::SetClock(&clock_);
    Attrs decorated = {{"mime_type", "text/plain"},
                       {"BEOS:PREF_APP", "application/x-vnd.Test-Editor"},
                       {"BEOS:L:STD_ICON", std::string(1024, 'L')},
                       {"BEOS:M:STD_ICON", std::string(256, 'M')},
                       {"other", "kept"}};
    // A type as long as the coded type, so that no length tells the two apart.
    Use({{"/m/empty", {}, {}},
         {"/m/decorated", RandomBytes(5000, 1), decorated},
         {"/m/pages", RandomBytes(9 * 4096 + 123, 2), {{"mime_type", "image/x-portable"}}}});
  }
  void TearDown() override { plat::SetClock(nullptr); }

  // Makes `files` the files of the test: plain on one disk, coded on another.
  void Use(std::vector<Original> files) {
    files_ = std::move(files);
    ModelDisk plain;
    for (const Original& f : files_) plain.AddFile(f.path, f.bytes, f.attrs);
    plain_ = plain.Disk();
    // The same files coded, flushed: the start of a decoding.
    ModelDisk coding(plain_);
    ASSERT_TRUE(AllDone(Change(coding, false)));
    coded_ = coding.Cache();
  }

  // Codes (decode false) or decodes every file on `m`, in small windows so that the pass makes
  // many calls.
  std::vector<WorkResult> Change(ModelDisk& m, bool decode, bool overlap = false) {
    Installed seams(m);
    std::vector<ChangeRequest> requests;
    for (const Original& f : files_) {
      ChangeRequest r;
      r.file = f.path;
      r.recordName = plat::LeafOf(f.path);
      r.expectCoded = decode;
      r.sealing = Sealing();
      requests.push_back(r);
    }
    TransactionOptions o;
    o.passwordSet = true;
    o.password = "pw";
    o.sealPassword = &sealPassword_;
    o.windowBytes = 8192;
    // Without the flusher thread there is one order of calls, so call N is the same every run.
    o.overlapFlushes = overlap;
    return RunTransaction(requests, o);
  }
  static bool AllDone(const std::vector<WorkResult>& results) {
    for (const WorkResult& r : results)
      if (!r.done()) return false;
    return true;
  }

  // Settles `disk` as the next look would, then checks every file is whole; which of them ended
  // plain in `*plainAfter`.
  void ExpectWholeAfterLook(const ModelDisk::State& disk, const std::string& trace,
                            std::vector<bool>* plainAfter = nullptr) {
    SCOPED_TRACE(trace);
    ModelDisk next(disk);
    {
      Installed seams(next);
      for (const Original& f : files_) {
        RecoveryAttempt a = RecoverFile(f.path, &sealPassword_);
        ASSERT_TRUE(a.opened) << a.whyNotOpened;
        if (a.report) {
          ASSERT_TRUE(a.report->settled) << f.path << ": " << a.report->why;
        }
      }
      RemoveStaleJournals("/m");
    }
    ASSERT_EQ(next.Names().size(), files_.size()) << "a journal was left";
    // Those not plain must decode to what they were.
    ModelDisk decoding(next.Cache());
    std::vector<WorkResult> decoded = Change(decoding, true);
    for (size_t i = 0; i < files_.size(); ++i) {
      const Original& f = files_[i];
      const ModelDisk::Node* now = next.Cached(f.path);
      ASSERT_NE(now, nullptr);
      EXPECT_EQ(now->attrs.count("murvel.change"), 0u) << f.path;
      const bool plain = now->bytes == f.bytes && now->attrs == f.attrs;
      if (plainAfter) plainAfter->push_back(plain);
      if (plain) continue;
      EXPECT_EQ(decoded[i].outcome, Sealing() ? WorkOutcome::Unsealed : WorkOutcome::Decoded)
          << f.path << ": " << decoded[i].reason;
      const ModelDisk::Node* back = decoding.Cached(f.path);
      EXPECT_TRUE(back->bytes == f.bytes) << f.path;
      EXPECT_EQ(back->attrs, f.attrs) << f.path;
    }
  }

  // Whether the file `f` on `disk` is whole: plain as before, or coded and decoding to that.
  bool Whole(const ModelDisk::State& disk, const Original& f) {
    ModelDisk look(disk);
    const ModelDisk::Node* now = look.Cached(f.path);
    if (!now || now->attrs.count("murvel.change")) return false;
    if (now->bytes == f.bytes && now->attrs == f.attrs) return true;
    Installed seams(look);
    ChangeRequest r;
    r.file = f.path;
    r.expectCoded = true;
    r.sealing = Sealing();
    TransactionOptions o;
    o.passwordSet = true;
    o.password = "pw";
    o.sealPassword = &sealPassword_;
    if (!RunTransaction({r}, o)[0].done()) return false;
    return look.Cached(f.path)->bytes == f.bytes && look.Cached(f.path)->attrs == f.attrs;
  }

  // A change interrupted (nothing lost) at `share` of its calls.
  ModelDisk::State Interrupted(bool decode, double share) {
    ModelDisk m(decode ? coded_ : plain_);
    m.CutPowerAt(uint64_t(double(CallsOf(decode)) * share), 1.0, 0);
    Change(m, decode);
    return m.Disk();
  }
  static std::string JournalOn(const ModelDisk::State& disk) {
    for (const auto& [name, node] : disk.names)
      if (name.find(".murvel-journal-") != std::string::npos) return name;
    return {};
  }

  // Makes each call of a change fail in turn, with each of `errs`; then looks at what the disk
  // holds once the rest is written back; with `all`, at what the cache holds and what the disk
  // holds after a power cut just after too, and kills the program halfway through what is left
  // of the change as well.
  void FailEachCall(bool decode, const std::vector<int>& errs, bool all) {
    const uint64_t calls = CallsOf(decode);
    for (uint64_t call = 0; call < calls; ++call) {
      for (int err : errs) {
        const std::string trace = std::string(decode ? "decoding" : "coding") + ", call " +
                                  std::to_string(call) + " fails with " + std::to_string(err);
        SCOPED_TRACE(trace);
        ModelDisk m(decode ? coded_ : plain_);
        m.FailAt(call, err);
        std::vector<WorkResult> results = Change(m, decode);
        for (const WorkResult& r : results) {
          if (r.done()) continue;
          // A line that says what was not done, and why.
          EXPECT_NE(WorkLines(r).find("> "), std::string::npos) << WorkLines(r);
          if (r.outcome == WorkOutcome::NotDone) {
            EXPECT_FALSE(r.reason.empty());
          }
        }
        if (all) ExpectWholeAfterLook(m.Cache(), trace);
        for (const bool cut : {true, false}) {
          if (cut && !all) continue;
          std::vector<bool> plainAfter;
          ExpectWholeAfterLook(cut ? m.Disk() : m.WrittenBack(),
                               trace + (cut ? ", then the power cut" : ", then written back"),
                               &plainAfter);
          if (HasFatalFailure()) return;
          for (size_t i = 0; i < results.size(); ++i) {
            if (results[i].done()) {
              EXPECT_EQ(plainAfter[i], decode) << files_[i].path << " said done, " << cut;
            }
          }
        }
        if (!all || err != errs[0]) continue;
        ModelDisk killed(decode ? coded_ : plain_);
        killed.FailAt(call, err);
        killed.CutPowerAt(call + (calls - call) / 2 + 1, 1.0, 0);
        Change(killed, decode);
        ExpectWholeAfterLook(killed.Disk(), trace + ", then killed");
        if (HasFatalFailure()) return;
      }
    }
  }

  // Runs the change once in full and returns how many calls it makes.
  uint64_t CallsOf(bool decode) {
    ModelDisk m(decode ? coded_ : plain_);
    EXPECT_TRUE(AllDone(Change(m, decode)));
    return m.Calls();
  }

  plat::FixedClock clock_{FixtureMoment()};
  // The least cost the format takes: the derivations are not what is tested here.
  SealPassword sealPassword_{"pw", seal::kMinCost};
  std::vector<Original> files_;
  ModelDisk::State plain_;
  ModelDisk::State coded_;
};

TEST_P(PowerCutTest, EveryCutAtEveryCallLeavesEveryFileWhole) {
  int runs = 0;
  for (bool decode : {false, true}) {
    const uint64_t calls = CallsOf(decode);
    ASSERT_GT(calls, 50u);
    for (uint64_t call = 0; call <= calls; ++call) {
      // Nothing lost (the program killed), everything lost, and random parts of what was not
      // flushed.
      const double keeps[] = {1.0, 0.0, 0.5, 0.5, 0.5, 0.5, 0.2, 0.2, 0.8, 0.8, 0.05, 0.95};
      for (unsigned k = 0; k < sizeof keeps / sizeof keeps[0]; ++k) {
        ModelDisk m(decode ? coded_ : plain_);
        m.CutPowerAt(call, keeps[k], unsigned(call * 31 + k));
        Change(m, decode);
        ExpectWholeAfterLook(m.Disk(), std::string(decode ? "decoding" : "coding") +
                                           ", cut at call " + std::to_string(call) + ", keep " +
                                           std::to_string(keeps[k]) + " seed " +
                                           std::to_string(call * 31 + k));
        if (HasFatalFailure()) return;
        ++runs;
      }
    }
  }
  RecordProperty("cuts", runs);
  EXPECT_GT(runs, 2000);
}

// The same with the journal flushed on its own thread, where calls interleave differently from
// run to run: cuts at random calls.
TEST_P(PowerCutTest, CutsWhileTheJournalIsFlushedAlongsideLeaveEveryFileWhole) {
  std::mt19937 gen(11);
  for (bool decode : {false, true}) {
    const uint64_t calls = CallsOf(decode);
    for (int run = 0; run < 150; ++run) {
      const uint64_t call = gen() % (calls + 1);
      const unsigned seed = gen();
      ModelDisk m(decode ? coded_ : plain_);
      m.CutPowerAt(call, 0.5, seed);
      Change(m, decode, true);
      ExpectWholeAfterLook(m.Disk(), std::string(decode ? "decoding" : "coding") +
                                         " with the flusher, cut at call " + std::to_string(call) +
                                         ", seed " + std::to_string(seed));
      if (HasFatalFailure()) return;
    }
  }
}

// Every call failing in turn: the change is whole at once, done or as before, and says why; or,
// when it could not tell (a flush failed, losing what it was to flush), it is left marked and
// the next look settles it. A file said done is done, whether the power is cut next or what was
// not flushed reaches the disk; and the program killed later in the change leaves every file
// whole too.
TEST_P(PowerCutTest, EveryFailingCallLeavesEveryFileWholeAndSaysWhy) {
  for (bool decode : {false, true}) FailEachCall(decode, {-EIO, -ENOSPC}, true);
}

}  // namespace

namespace {

// Under the sanitizers, which make each look many times dearer, the damage below is done at every
// sixth byte; the journal's fuzzer reads damaged journals under them far faster.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kDamageStride = 6;
#else
constexpr size_t kDamageStride = 1;
#endif

// A journal damaged every way a disk or a person can: every byte flipped, the same byte flipped in
// both copies of its record, every 4 KiB block zeroed, and the journal cut short. The
// next look either settles each file rightly or leaves it, marker, journal and bytes, as they
// were; damage to one copy alone (anywhere but the end's 8 bytes, which are not copied) settles.
TEST_P(PowerCutTest, DamagedJournalSettlesRightlyOrIsLeftAsItIs) {
  for (bool decode : {false, true}) {
    const ModelDisk::State state = Interrupted(decode, 0.6);
    const std::string journal = JournalOn(state);
    ASSERT_FALSE(journal.empty());
    const uint64_t inode = state.names.at(journal);
    const std::vector<uint8_t> bytes = state.nodes.at(inode).bytes;
    // The records' two copies lie half the journal apart; between and after them is a hole.
    const size_t half = bytes.size() / 2;
    size_t written = half;
    while (written > 0 && bytes[written - 1] == 0) --written;
    std::vector<size_t> places;
    // Every byte of the first copy, and a sample of the second's (a damaged first copy makes the
    // reader take the second, so that every field of it is read too).
    for (size_t at = 0; at < written; at += kDamageStride) {
      places.push_back(at);
      if (at % 5 == 0) places.push_back(half + at);
    }
    for (size_t at = bytes.size() - 8; at < bytes.size(); ++at) places.push_back(at);
    using Damage = std::function<void(std::vector<uint8_t>&)>;
    struct Damaged {
      std::string what;
      Damage damage;
      bool oneCopy;  // it spoils one copy of what it touches
    };
    const size_t end = bytes.size() - 8;
    std::vector<Damaged> damages;
    for (size_t at : places) {
      damages.push_back(
          {"byte flipped at " + std::to_string(at), [at](auto& b) { b[at] ^= 0xA5; }, at < end});
      // Any cut leaves the journal shorter than its header says: some lengths stand for all.
      if (at % 13 == 0)
        damages.push_back({"cut at " + std::to_string(at), [at](auto& b) { b.resize(at); }, false});
      if (at < half)
        damages.push_back({"both copies flipped at " + std::to_string(at),
                           [at, half](auto& b) {
                             b[at] ^= 0x5A;
                             b[half + at] ^= 0x5A;
                           },
                           false});
    }
    for (size_t at = 0; at < bytes.size(); at += 4096)
      damages.push_back({"block zeroed at " + std::to_string(at),
                         [at](auto& b) {
                           std::fill(b.begin() + long(at),
                                     b.begin() + long(std::min(at + 4096, b.size())), 0);
                         },
                         at + 4096 <= end});
    int settled = 0, left = 0;
    for (const auto& [what, damage, oneCopy] : damages) {
      ModelDisk::State damaged = state;
      std::vector<uint8_t>& b = damaged.nodes[inode].bytes;
      damage(b);
      ModelDisk next(damaged);
      std::vector<std::optional<RecoveryReport>> reports;
      {
        Installed seams(next);
        for (const Original& f : files_)
          reports.push_back(RecoverFile(f.path, &sealPassword_).report);
        RemoveStaleJournals("/m");  // a journal a marked file names is kept
      }
      for (size_t i = 0; i < files_.size(); ++i) {
        SCOPED_TRACE(std::string(decode ? "decoding" : "coding") + ", " + files_[i].path + ", " +
                     what);
        const Original& f = files_[i];
        if (reports[i] && !reports[i]->settled) {
          EXPECT_FALSE(oneCopy) << reports[i]->why;
          ++left;
          const ModelDisk::Node& was = damaged.nodes.at(damaged.names.at(f.path));
          EXPECT_TRUE(next.Cached(f.path)->bytes == was.bytes);
          EXPECT_EQ(next.Cached(f.path)->attrs, was.attrs);
          ASSERT_NE(next.Cached(journal), nullptr);
          EXPECT_TRUE(next.Cached(journal)->bytes == b);
        } else {
          ++settled;
          ASSERT_TRUE(Whole(next.Cache(), f));
        }
      }
    }
    // A flip in what recovery needs only once (a copy of a record) still settles.
    EXPECT_GT(settled, int(places.size()));
    EXPECT_GT(left, 0);
  }
}

// More than four files are flushed with syncfs: cut at every call of such a batch, or make it
// fail.
TEST_P(PowerCutTest, CutsInABatchFlushedByItsFileSystemLeaveEveryFileWhole) {
  std::vector<Original> many;
  for (int i = 0; i < 6; ++i)
    many.push_back({"/m/f" + std::to_string(i),
                    RandomBytes(size_t(i) * 3000 + 1, unsigned(i)),
                    {{"mime_type", "text/plain"}}});
  Use(many);
  for (bool decode : {false, true}) {
    const uint64_t calls = CallsOf(decode);
    for (uint64_t call = 0; call <= calls; ++call) {
      for (double keep : {1.0, 0.0, 0.5}) {
        ModelDisk m(decode ? coded_ : plain_);
        m.CutPowerAt(call, keep, unsigned(call));
        Change(m, decode);
        ExpectWholeAfterLook(m.Disk(), std::string(decode ? "decoding" : "coding") + ", call " +
                                           std::to_string(call) + ", keep " + std::to_string(keep));
        if (HasFatalFailure()) return;
      }
    }
    FailEachCall(decode, {-EIO}, false);
  }
}

// Recovery cut at every one of its own calls, or failing there (a full disk): the next look
// still settles every file, and a completion that cannot be written is turned back. A flush that
// fails loses what it was to flush: the disk, once the rest is written back, is settled too.
TEST_P(PowerCutTest, RecoveryCutOrFailingAtEveryCallLeavesEveryFileWhole) {
  for (bool decode : {false, true}) {
    const ModelDisk::State state = Interrupted(decode, 0.6);
    uint64_t calls = 0;
    {
      ModelDisk m(state);
      Installed seams(m);
      for (const Original& f : files_)
        ASSERT_TRUE(RecoverFile(f.path, &sealPassword_).report->settled);
      calls = m.Calls();
    }
    int turnedBack = 0;
    for (uint64_t call = 0; call < calls; ++call) {
      const std::string trace = std::string(decode ? "decoding" : "coding") +
                                ", recovery stopped at call " + std::to_string(call);
      for (double keep : {1.0, 0.0, 0.5}) {
        ModelDisk m(state);
        m.CutPowerAt(call, keep, unsigned(call));
        {
          Installed seams(m);
          for (const Original& f : files_) RecoverFile(f.path, &sealPassword_);
        }
        ExpectWholeAfterLook(m.Disk(), trace);
        if (HasFatalFailure()) return;
      }
      ModelDisk m(state);
      m.FailAt(call, -ENOSPC);
      {
        Installed seams(m);
        for (const Original& f : files_) {
          std::optional<RecoveryReport> r = RecoverFile(f.path, &sealPassword_).report;
          turnedBack += r && r->settled && !r->completed;
        }
      }
      ExpectWholeAfterLook(m.Cache(), trace + " with ENOSPC");
      ExpectWholeAfterLook(m.WrittenBack(), trace + " with ENOSPC, then written back");
      if (HasFatalFailure()) return;
    }
    EXPECT_GT(turnedBack, 0);
  }
}

// A change that failed (a record that cannot be written) and is cut while being turned back:
// once the journal holds its turn-back note, the next look turns it back, never completes it.
// One whose turning back fails too stays marked, with its journal, and the next look settles it.
TEST_P(PowerCutTest, FailedChangeCutWhileTurnedBackIsTurnedBack) {
  const uint64_t calls = CallsOf(false);
  int noted = 0, leftMarked = 0;
  for (uint64_t fail = calls / 2; fail < calls; ++fail) {
    ModelDisk probe(plain_);
    probe.FailAt(fail, -ENOSPC);
    std::vector<WorkResult> results = Change(probe, false);
    if (!results[2].turnedBack) continue;
    for (uint64_t cut = fail + 1; cut < probe.Calls(); ++cut) {
      ModelDisk twice(plain_);
      twice.FailAt(fail, -ENOSPC);
      twice.FailAt(cut, -EIO);
      leftMarked += Change(twice, false)[2].pendingRecovery;
      const std::string trace =
          "failed at " + std::to_string(fail) + " and at " + std::to_string(cut);
      ExpectWholeAfterLook(twice.Cache(), trace);
      ExpectWholeAfterLook(twice.WrittenBack(), trace + ", then written back");
      if (HasFatalFailure()) return;
      for (double keep : {0.0, 1.0}) {
        ModelDisk m(plain_);
        m.FailAt(fail, -ENOSPC);
        m.CutPowerAt(cut, keep, unsigned(cut));
        Change(m, false);
        JournalContents journal;
        bool turnBack = false;
        {
          ModelDisk look(m.Disk());
          Installed seams(look);
          if (ReadJournal(JournalOn(m.Disk()), geteuid(), &journal))
            turnBack = journal.files.at(2).turnBack;
        }
        ExpectWholeAfterLook(
            m.Disk(), "failed at " + std::to_string(fail) + ", cut at " + std::to_string(cut));
        if (HasFatalFailure()) return;
        if (!turnBack) continue;
        noted += keep == 0.0;  // the note was flushed before the turning back began
        ModelDisk after(m.Disk());
        {
          Installed seams(after);
          RecoverFile(files_[2].path, &sealPassword_);
        }
        EXPECT_TRUE(after.Cached(files_[2].path)->bytes == files_[2].bytes) << fail << " " << cut;
      }
    }
    break;
  }
  EXPECT_GT(noted, 0);
  EXPECT_GT(leftMarked, 0);
}

// A model disk that keeps the journal's bytes as the cache holds them at each of its flushes, and
// the order of the journal's writes and flushes among the writes of the files' bytes.
class JournalWatch : public ModelDisk {
 public:
  using ModelDisk::ModelDisk;
  struct Call {
    char kind;  // 'j' a write to the journal, 's' its flush, 'd' a write of a file's bytes
    uint64_t offset;
    size_t len;
  };
  std::vector<Call> calls;
  std::vector<std::vector<uint8_t>> flushed;
  std::string journal;  // its path, once known

  int CreateUnique(std::string* path) override {
    const int fd = ModelDisk::CreateUnique(path);
    if (fd >= 0) Watch(fd, *path);
    return fd;
  }
  int Open(const std::string& path, int flags, mode_t mode) override {
    const int fd = ModelDisk::Open(path, flags, mode);
    if (fd >= 0 && path.find(".murvel-journal-") != std::string::npos) Watch(fd, path);
    return fd;
  }
  int Reopen(int fd, int flags) override {
    const int again = ModelDisk::Reopen(fd, flags);
    if (again >= 0 && fds_.count(fd)) fds_.insert(again);
    return again;
  }
  int Close(int fd) override {
    fds_.erase(fd);
    return ModelDisk::Close(fd);
  }
  int RenameNoReplace(const std::string& from, const std::string& to) override {
    const int r = ModelDisk::RenameNoReplace(from, to);
    if (r == 0 && from == journal) journal = to;
    return r;
  }
  // The pass writes and flushes from three threads: each call and what it saw is one step.
  ssize_t Pwrite(int fd, const void* buf, size_t len, uint64_t offset) override {
    std::lock_guard<std::mutex> lock(watchMutex_);
    calls.push_back({fds_.count(fd) ? 'j' : 'd', offset, len});
    return ModelDisk::Pwrite(fd, buf, len, offset);
  }
  int Fdatasync(int fd) override {
    std::lock_guard<std::mutex> lock(watchMutex_);
    const int r = ModelDisk::Fdatasync(fd);
    if (r == 0 && fds_.count(fd)) {
      calls.push_back({'s', 0, 0});
      flushed.push_back(Cached(journal)->bytes);
    }
    return r;
  }

 private:
  void Watch(int fd, const std::string& path) {
    fds_.insert(fd);
    journal = path;
  }
  std::set<int> fds_;
  std::mutex watchMutex_;
};

// Every record of the journal is on disk twice: its second copy written only once its first is
// on disk (so that no one cut spoils both), and both on disk before the work goes on, in a
// change turned back and in a recovery that keeps the pages' hashes. A slot whose two copies
// are both spoilt, or hold another slot's vacant note, is damage, not a slot never written.
TEST_P(PowerCutTest, EveryRecordIsOnDiskTwiceBeforeTheWorkGoesOn) {
  // A coding whose change fails late (its record cannot be written) and is turned back.
  const uint64_t calls = CallsOf(false);
  uint64_t fail = calls / 2;
  for (; fail < calls; ++fail) {
    ModelDisk m(plain_);
    m.FailAt(fail, -ENOSPC);
    if (Change(m, false)[2].turnedBack) break;
  }
  JournalWatch failed(plain_);
  failed.FailAt(fail, -ENOSPC);
  ASSERT_TRUE(Change(failed, false)[2].turnedBack);
  // A recovery that keeps the hashes of pages the pass never wrote.
  const ModelDisk::State cut = Interrupted(false, 0.6);
  JournalWatch recovery(cut);
  recovery.journal = JournalOn(cut);
  recovery.flushed.push_back(cut.nodes.at(cut.names.at(recovery.journal)).bytes);
  {
    Installed seams(recovery);
    for (const Original& f : files_)
      ASSERT_TRUE(RecoverFile(f.path, &sealPassword_).report->settled);
  }
  for (JournalWatch* w : {&failed, &recovery}) {
    SCOPED_TRACE(w == &failed ? "turned back" : "recovery");
    const std::vector<std::vector<uint8_t>>& at = w->flushed;
    ASSERT_GE(at.size(), 3u);
    const uint64_t half = at.back().size() / 2;
    // Once the journal is made, no second copy is written while a first is not on disk, and no
    // byte of a file while a copy is not.
    bool firstUnflushed = false, unflushed = false, made = w == &recovery;
    for (const JournalWatch::Call& c : w->calls) {
      if (c.kind == 's') {
        made = true;
        firstUnflushed = unflushed = false;
      } else if (c.kind == 'j' && made) {
        EXPECT_FALSE(c.offset >= half && firstUnflushed) << c.offset;
        firstUnflushed |= c.offset < half;
        unflushed = true;
      } else if (c.kind == 'd') {
        EXPECT_FALSE(unflushed) << "a file written at " << c.offset;
      }
    }
    // The records, from the writes once the journal is made: each first copy, and each second
    // copy the same `half` further, of a record whose first copy is written whole before it.
    // (The next window's first copy may be written, on the pass's reading thread, beside the
    // second copy of the one before.)
    std::vector<std::pair<uint64_t, uint64_t>> records;  // a record's first copy: from, to
    made = w == &recovery;
    for (const JournalWatch::Call& c : w->calls) {
      made |= c.kind == 's';
      if (c.kind != 'j' || !made) continue;
      if (c.offset < half) {
        EXPECT_LE(c.offset + c.len, half);
        records.push_back({c.offset, c.offset + c.len});
        continue;
      }
      const std::pair<uint64_t, uint64_t> first = {c.offset - half, c.offset - half + c.len};
      EXPECT_NE(std::find(records.begin(), records.end(), first), records.end())
          << "a second copy at " << c.offset << " without its first";
      EXPECT_TRUE(std::equal(at.back().begin() + long(c.offset),
                             at.back().begin() + long(c.offset + c.len),
                             at.back().begin() + long(first.first)));
    }
    ASSERT_GE(records.size(), w == &failed ? 2u : 1u);
    auto parse = [&](const std::vector<uint8_t>& bytes, JournalContents* out) {
      JournalTrouble trouble = JournalTrouble::None;
      (void)ParseJournal("j", std::string(bytes.begin(), bytes.end()), out, &trouble);
      return trouble;
    };
    const std::vector<uint8_t>& last = at.back();
    JournalContents whole;
    ASSERT_EQ(parse(last, &whole), JournalTrouble::None);
    for (const auto& [from, to] : records) {
      SCOPED_TRACE(from);
      std::vector<uint8_t> b = last;
      b[from] ^= 0x40;
      JournalContents read;
      ASSERT_EQ(parse(b, &read), JournalTrouble::None);
      for (const auto& [index, file] : whole.files) {
        EXPECT_EQ(read.files.at(index).known, file.known);
        EXPECT_EQ(read.files.at(index).hashes, file.hashes);
        EXPECT_EQ(read.files.at(index).turnBack, file.turnBack);
      }
      b[from + half] ^= 0x40;
      EXPECT_EQ(parse(b, &read), JournalTrouble::Damaged);
    }
    if (w == &recovery) continue;
    // The first window's slot given, in both copies, the vacant note the second window's had
    // when the journal was made.
    const auto [from, to] = records[0];
    const uint64_t other = records[1].first;
    std::vector<uint8_t> b = last;
    for (uint64_t copy : {uint64_t(0), half})
      std::copy(at[0].begin() + long(other), at[0].begin() + long(other + (to - from)),
                b.begin() + long(from + copy));
    JournalContents read;
    EXPECT_EQ(parse(b, &read), JournalTrouble::Damaged);
  }
}

// The journal flushed on its own thread, cut just after each write of the files' bytes with
// every unflushed journal write lost: whatever order the threads took, a window's bytes never
// reach the disk before its hashes.
TEST_P(PowerCutTest, BytesNeverOvertakeTheirHashesWhenTheJournalIsFlushedAlongside) {
  for (bool decode : {false, true}) {
    for (uint64_t write = 1;; ++write) {
      ModelDisk m(decode ? coded_ : plain_);
      m.CutPowerAtDataWrite(write);
      Change(m, decode, true);
      if (!m.PowerWasCut()) break;
      ExpectWholeAfterLook(m.Disk(), std::string(decode ? "decoding" : "coding") +
                                         " with the flusher, cut after data write " +
                                         std::to_string(write));
      if (HasFatalFailure()) return;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(, PowerCutTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "Sealing" : "Coding";
                         });

}  // namespace
