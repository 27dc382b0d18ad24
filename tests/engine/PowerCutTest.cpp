// Changes cut short at every call they make, on the model disk: by a power cut that loses any
// part of what was not flushed, by the program dying (nothing lost), and by a call that fails.
// After each, the next look at the files settles them, and every file must be whole: plain and
// exactly as before, or coded and decoding to exactly that.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "engine/Recovery.h"
#include "engine/Transaction.h"
#include "platform/AttrBackend.h"
#include "platform/Clock.h"
#include "platform/FileCalls.h"
#include "platform/Paths.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/engine/ModelDisk.h"

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

class PowerCutTest : public testing::Test {
 protected:
  void SetUp() override {
    plat::SetClock(&clock_);
    Attrs decorated = {{"mime_type", "text/plain"},
                       {"BEOS:PREF_APP", "application/x-vnd.Test-Editor"},
                       {"BEOS:L:STD_ICON", std::string(1024, 'L')},
                       {"BEOS:M:STD_ICON", std::string(256, 'M')},
                       {"other", "kept"}};
    files_ = {{"/m/empty", {}, {}},
              {"/m/decorated", RandomBytes(5000, 1), decorated},
              {"/m/pages", RandomBytes(9 * 4096 + 123, 2), {{"mime_type", "image/png"}}}};
    for (const Original& f : files_) plain_.AddFile(f.path, f.bytes, f.attrs);
    // The same files coded, flushed: the start of a decoding.
    ModelDisk coding(plain_.Disk());
    ASSERT_TRUE(AllDone(Change(coding, false)));
    coded_ = coding.Cache();
  }
  void TearDown() override { plat::SetClock(nullptr); }

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
      requests.push_back(r);
    }
    TransactionOptions o;
    o.passwordSet = true;
    o.password = "pw";
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

  // Settles `disk` as the next look would, then checks every file is whole.
  void ExpectWholeAfterLook(const ModelDisk::State& disk, const std::string& trace) {
    SCOPED_TRACE(trace);
    ModelDisk next(disk);
    {
      Installed seams(next);
      for (const Original& f : files_) {
        RecoveryAttempt a = RecoverFile(f.path);
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
      if (plain) continue;
      EXPECT_EQ(decoded[i].outcome, WorkOutcome::Decoded) << f.path << ": " << decoded[i].reason;
      const ModelDisk::Node* back = decoding.Cached(f.path);
      EXPECT_TRUE(back->bytes == f.bytes) << f.path;
      EXPECT_EQ(back->attrs, f.attrs) << f.path;
    }
  }

  // Runs the change once in full and returns how many calls it makes.
  uint64_t CallsOf(bool decode) {
    ModelDisk m(decode ? coded_ : plain_.Disk());
    EXPECT_TRUE(AllDone(Change(m, decode)));
    return m.Calls();
  }

  plat::FixedClock clock_{FixtureMoment()};
  std::vector<Original> files_;
  ModelDisk plain_;
  ModelDisk::State coded_;
};

TEST_F(PowerCutTest, EveryCutAtEveryCallLeavesEveryFileWhole) {
  int runs = 0;
  for (bool decode : {false, true}) {
    const uint64_t calls = CallsOf(decode);
    ASSERT_GT(calls, 50u);
    for (uint64_t call = 0; call <= calls; ++call) {
      // Nothing lost (the program killed), everything lost, and random parts of what was not
      // flushed.
      const double keeps[] = {1.0, 0.0, 0.5, 0.5, 0.5, 0.5, 0.2, 0.2, 0.8, 0.8, 0.05, 0.95};
      for (unsigned k = 0; k < sizeof keeps / sizeof keeps[0]; ++k) {
        ModelDisk m(decode ? coded_ : plain_.Disk());
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
TEST_F(PowerCutTest, CutsWhileTheJournalIsFlushedAlongsideLeaveEveryFileWhole) {
  std::mt19937 gen(11);
  for (bool decode : {false, true}) {
    const uint64_t calls = CallsOf(decode);
    for (int run = 0; run < 150; ++run) {
      const uint64_t call = gen() % (calls + 1);
      const unsigned seed = gen();
      ModelDisk m(decode ? coded_ : plain_.Disk());
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
// when it could not tell (a flush failed), it is left marked and the next look settles it.
TEST_F(PowerCutTest, EveryFailingCallLeavesEveryFileWholeAndSaysWhy) {
  for (bool decode : {false, true}) {
    const uint64_t calls = CallsOf(decode);
    for (uint64_t call = 0; call < calls; ++call) {
      for (int err : {-EIO, -ENOSPC}) {
        const std::string trace = std::string(decode ? "decoding" : "coding") + ", call " +
                                  std::to_string(call) + " fails with " + std::to_string(err);
        SCOPED_TRACE(trace);
        ModelDisk m(decode ? coded_ : plain_.Disk());
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
        ExpectWholeAfterLook(m.Cache(), trace);
        if (HasFatalFailure()) return;
      }
    }
  }
}

}  // namespace
