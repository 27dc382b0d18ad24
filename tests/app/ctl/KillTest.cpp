// murvelctl killed in the middle of coding and decoding real files, with SIGKILL, which nothing
// holds back: at random moments of the whole change, and before each of its file calls in turn
// (by strace's fault injection). After each kill, the next look at the file (`murvelctl recover`
// or `murvelctl status`) must leave it whole: plain and exactly as it was, bytes and attributes,
// or coded and decoding to exactly that. The same for sealing and unsealing, whose interrupted
// change the next look without the password leaves exactly as it is, and says so; given the
// password, it settles it.
//
// The run is bounded (about a minute in all); scripts/killtest.sh runs the same with more kills
// and larger files, from the environment: MURVEL_KILLS (random kills), MURVEL_KILL_MAX_MIB
// (largest file), MURVEL_KILL_DIR (folder for the files, which must keep user attributes).
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "CtlRunner.h"
#include "engine/journal/PageHash.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

using Clock = std::chrono::steady_clock;

long EnvOr(const char* name, long fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atol(v) : fallback;
}

// Writes `size` bytes of fast pseudo-random data.
void MakeRandomFile(const std::string& path, uint64_t size, uint64_t seed) {
  unlink(path.c_str());  // a new file: no attributes of the last one
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  std::vector<uint64_t> buf(1 << 17);
  uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
  for (uint64_t done = 0; done < size;) {
    for (uint64_t& w : buf) {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      w = x;
    }
    size_t n = size_t(std::min<uint64_t>(buf.size() * 8, size - done));
    ASSERT_EQ(write(fd, buf.data(), n), ssize_t(n));
    done += n;
  }
  close(fd);
}

// What a file is: the digest of its bytes and its attributes.
struct Look {
  uint64_t digest = 0;
  XattrMap attrs;
  bool operator==(const Look& o) const { return digest == o.digest && attrs == o.attrs; }
};

Look LookAt(const std::string& path) {
  Look l;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  std::vector<uint8_t> buf(1 << 20);
  std::vector<uint64_t> hashes(buf.size() / kPageBytes);
  ContentDigest d;
  for (ssize_t n; fd >= 0 && (n = read(fd, buf.data(), buf.size())) > 0;) {
    HashPages(buf.data(), size_t(n), hashes.data());
    d.Add(hashes.data(), size_t(PageCount(uint64_t(n))));
  }
  if (fd >= 0) close(fd);
  l.digest = d.Value();
  l.attrs = AllXattrs(path);
  return l;
}

// The password of the sealing runs.
const char kSealPw[] = "a kill test's own pass phrase";

// Starts murvelctl with `args` (the password on standard input), under `wrapper` when given;
// its standard output to `out` when given.
pid_t Start(const std::vector<std::string>& args, const std::vector<std::string>& wrapper = {},
            const std::string& out = {}, const std::string& password = "kill-pw") {
  int in[2];
  if (pipe(in) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    close(in[0]);
    close(in[1]);
    int null = open("/dev/null", O_WRONLY);
    int to = out.empty() ? null : open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(to, 1);
    dup2(null, 2);
    std::vector<std::string> all = wrapper;
    all.push_back(MURVELCTL_PATH);
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(in[0]);
  // A murvelctl killed before it read its password must not take the test with it.
  signal(SIGPIPE, SIG_IGN);
  const std::string pw = password + "\n";
  (void)!write(in[1], pw.data(), pw.size());
  close(in[1]);
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

int Ctl(const std::vector<std::string>& args) {
  int status = Wait(Start(args));
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class KillTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    if (const char* dir = std::getenv("MURVEL_KILL_DIR")) {
      folder_ = std::string(dir) + "/murvel-kill-" + std::to_string(getpid());
      ASSERT_EQ(mkdir(folder_.c_str(), 0755), 0);
    } else {
      folder_ = dir_;
    }
  }
  void TearDown() override {
    if (folder_ != dir_) std::filesystem::remove_all(folder_);
    EngineTest::TearDown();
  }

  // A plain file of `size` bytes (coded too when `coded`), and what it was before.
  Look Prepare(const std::string& path, uint64_t size, uint64_t seed, bool coded) {
    MakeRandomFile(path, size, seed);
    SetXattr(path, "mime_type", "application/x-test");
    SetXattr(path, "BEOS:PREF_APP", "application/x-vnd.Test");
    Look before = LookAt(path);
    if (coded) {
      EXPECT_EQ(Ctl({"--password-stdin", "code", path}), 0);
    }
    return before;
  }

  // After the kill: the next look, then the file must be whole. Counts a loss and says why.
  void ExpectWhole(const std::string& path, const Look& before, bool byStatus,
                   const std::string& what) {
    SCOPED_TRACE(what);
    const std::string said = folder_ + "/.look";
    Wait(Start({byStatus ? "status" : "recover", path}, {}, said));
    std::ifstream in(said);
    const std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (line.rfind("recovered:", 0) == 0) {
      ++settled_;
      completed_ += line.find("completed") != std::string::npos;
    }
    Look now = LookAt(path);
    EXPECT_EQ(now.attrs.count("murvel.change"), 0u);
    if (now == before) {
      ++plain_;
      return;
    }
    ASSERT_TRUE(now.attrs.count("PrivCodec")) << "neither plain as before nor coded";
    EXPECT_EQ(Ctl({"--password-stdin", "decode", path}), 0);
    Look decoded = LookAt(path);
    if (decoded == before) {
      ++coded_;
    } else {
      ADD_FAILURE() << "coded, but does not decode to what it was";
    }
  }

  // How the files ended, and how many carried an interrupted change that the look settled (by
  // completing it, or else by turning it back).
  std::string Figures() const {
    return std::to_string(plain_) + " ended plain, " + std::to_string(coded_) + " coded; " +
           std::to_string(settled_) + " were found interrupted and settled (" +
           std::to_string(completed_) + " completed, " + std::to_string(settled_ - completed_) +
           " turned back); 0 lost";
  }

  std::string folder_;
  int plain_ = 0, coded_ = 0, settled_ = 0, completed_ = 0;
};

TEST_F(KillTest, KilledAtRandomMomentsEveryFileEndsWhole) {
  const long kills = EnvOr("MURVEL_KILLS", 60);
  const uint64_t maxMiB = uint64_t(EnvOr("MURVEL_KILL_MAX_MIB", 64));
  const std::string path = folder_ + "/victim.bin";

  // How long a pass takes here, per MiB: kills are spread over the whole of each change.
  Prepare(path, 64 << 20, 1, false);
  auto t0 = Clock::now();
  ASSERT_EQ(Ctl({"--password-stdin", "code", path}), 0);
  const double secondsPerMiB = std::chrono::duration<double>(Clock::now() - t0).count() / 64;

  std::mt19937_64 gen(uint64_t(EnvOr("MURVEL_KILL_SEED", 5)));
  for (long k = 0; k < kills; ++k) {
    const uint64_t mib = 1 + gen() % maxMiB;
    const uint64_t size = (mib << 20) - gen() % 4096;
    const bool decode = gen() % 2;
    Look before = Prepare(path, size, k + 2, decode);
    const double span = 0.02 + 1.3 * secondsPerMiB * double(mib);
    const auto delay = std::chrono::duration<double>(span * double(gen() % 1000) / 1000);
    pid_t pid = Start({"--password-stdin", decode ? "decode" : "code", path});
    std::this_thread::sleep_for(delay);
    kill(pid, SIGKILL);
    Wait(pid);
    ExpectWhole(path, before, k % 3 == 0,
                "kill " + std::to_string(k) + ": " + (decode ? "decoding " : "coding ") +
                    std::to_string(size) + " bytes after " + std::to_string(delay.count()) + " s");
    if (HasFatalFailure()) return;
  }
  std::printf("%ld kills at random moments: %s\n", kills, Figures().c_str());
  RecordProperty("kills", int(kills));
}

// Before each file call of a change in turn: every open, read, write, flush, lock, attribute
// step and removal.
TEST_F(KillTest, KilledBeforeEachFileCallEveryFileEndsWhole) {
  if (system("strace -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "strace is not installed";
  const std::string path = folder_ + "/steps.bin";
  const char* calls[] = {"openat",       "pread64", "pwrite64",       "fdatasync",
                         "fsync",        "syncfs",  "flock",          "fsetxattr",
                         "fremovexattr", "unlink",  "sync_file_range"};
  int runs = 0;
  for (bool decode : {false, true}) {
    for (const char* call : calls) {
      for (int n = 1;; ++n) {
        Look before = Prepare(path, (3 << 20) + 1234, 99, decode);
        const std::string inject =
            std::string("inject=") + call + ":signal=SIGKILL:when=" + std::to_string(n);
        pid_t pid = Start({"--password-stdin", decode ? "decode" : "code", path},
                          {"strace", "-qq", "-f", "-o", "/dev/null", "-e",
                           std::string("trace=") + call, "-e", inject});
        int status = Wait(pid);
        // strace ends with the program's status: killed, or done when there was no n-th call.
        const bool killed = (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) ||
                            (WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGKILL);
        ExpectWhole(path, before, n % 2 == 0,
                    std::string(decode ? "decoding" : "coding") + ", killed before " + call +
                        " number " + std::to_string(n));
        if (HasFatalFailure()) return;
        ++runs;
        if (!killed || n > 400) break;
      }
    }
  }
  std::printf("%d kills before single calls: %s\n", runs, Figures().c_str());
}

}  // namespace

namespace {

// A text file of `size` bytes, whose key a rescue finds from its likeness.
void MakeTextFile(const std::string& path, uint64_t size, uint64_t seed) {
  unlink(path.c_str());
  std::string text;
  for (uint64_t i = 0; text.size() < size; ++i)
    text += "line " + std::to_string(i * seed) + " of the minutes, with who said what and why\n";
  text.resize(size_t(size));
  std::ofstream(path, std::ios::binary) << text;
}

void StripAttributes(const std::string& path) {
  for (const auto& [name, value] : AllXattrs(path))
    ASSERT_EQ(removexattr(path.c_str(), ("user." + name).c_str()), 0) << name;
}

}  // namespace

// A rescue (a coded copy that lost its record turned back with the key its bytes tell) killed
// at random moments and before each of its attribute, flush and write calls: the next look
// leaves the copy either as it was (coded, no record, to be rescued again) or given back.
TEST_F(KillTest, RescueKilledAnywhereEndsWholeAndCanBeDoneAgain) {
  const std::string path = folder_ + "/copy.txt";
  std::mt19937_64 gen(uint64_t(EnvOr("MURVEL_KILL_SEED", 5)));
  int given = 0, asItWas = 0, runs = 0;
  auto prepare = [&](uint64_t size, uint64_t seed, Look* plain, Look* coded) {
    MakeTextFile(path, size, seed);
    *plain = LookAt(path);
    ASSERT_EQ(Ctl({"--password-stdin", "code", path}), 0);
    StripAttributes(path);
    *coded = LookAt(path);
  };
  auto expectWhole = [&](const Look& plain, const Look& coded, bool byStatus,
                         const std::string& what) {
    SCOPED_TRACE(what);
    Wait(Start({byStatus ? "status" : "recover", path}));
    Look now = LookAt(path);
    EXPECT_EQ(now.attrs, XattrMap());  // no marker, nothing else
    if (now == plain) {
      ++given;
      return;
    }
    ASSERT_TRUE(now == coded) << "neither given back nor as it was";
    ++asItWas;
    EXPECT_EQ(Ctl({"rescue", path}), 0);
    EXPECT_TRUE(LookAt(path) == plain);
  };

  const double secondsPerMiB = 0.05;
  for (int k = 0; k < 8; ++k) {
    const uint64_t mib = 1 + gen() % 16;
    Look plain, coded;
    prepare(mib << 20, uint64_t(k) + 3, &plain, &coded);
    if (HasFatalFailure()) return;
    const auto delay = std::chrono::duration<double>((0.01 + 1.5 * secondsPerMiB * double(mib)) *
                                                     double(gen() % 1000) / 1000);
    pid_t pid = Start({"rescue", path});
    std::this_thread::sleep_for(delay);
    kill(pid, SIGKILL);
    Wait(pid);
    expectWhole(plain, coded, k % 2 == 0, "random kill " + std::to_string(k));
    if (HasFatalFailure()) return;
    ++runs;
  }
  if (system("strace -V >/dev/null 2>&1") == 0) {
    for (const char* call :
         {"fsetxattr", "pwrite64", "fdatasync", "fsync", "fremovexattr", "unlink"}) {
      for (int n = 1; n < 50; ++n) {
        Look plain, coded;
        prepare((2 << 20) + 777, 11, &plain, &coded);
        if (HasFatalFailure()) return;
        const std::string inject =
            std::string("inject=") + call + ":signal=SIGKILL:when=" + std::to_string(n);
        int status = Wait(Start({"rescue", path}, {"strace", "-qq", "-f", "-o", "/dev/null", "-e",
                                                   std::string("trace=") + call, "-e", inject}));
        const bool killed = (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) ||
                            (WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGKILL);
        expectWhole(plain, coded, n % 2 == 1,
                    std::string("killed before ") + call + " number " + std::to_string(n));
        if (HasFatalFailure()) return;
        ++runs;
        if (!killed) break;
      }
    }
  }
  std::printf(
      "%d rescues killed: %d given back by the next look, %d left as they were (and "
      "rescued again); 0 lost\n",
      runs, given, asItWas);
}

namespace {

// Sealing and unsealing killed. After each kill, a look without the password (recover, no
// password on its standard input) leaves an interrupted change exactly as it is and says so;
// the password then settles it, given to recover or to the unseal that checks the file.
class SealKillTest : public KillTest {
 protected:
  // Whether `folder` holds a journal: a change has begun there.
  static bool JournalIn(const std::string& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      if (entry.path().filename().string().rfind(".murvel-journal-", 0) == 0) return true;
    return false;
  }

  CtlResult Run(const std::vector<std::string>& args, const std::string& password = kSealPw) {
    return RunCtl(args, password.empty() ? "" : password + "\n", folder_);
  }

  // Puts back a file as it was: its bytes and its attributes (a new file).
  static void Restore(const std::string& path, const Bytes& bytes, const XattrMap& attrs) {
    unlink(path.c_str());
    WriteFileBytes(path, bytes);
    for (const auto& [name, value] : attrs) SetXattr(path, name, value);
  }

  // Kills the run of murvelctl `command` on `path` before call `call` number `n` (strace's
  // fault injection); true when it was killed (else the run ended, having no n-th call).
  bool KillBefore(const std::string& command, const std::string& path, const char* call, int n,
                  const std::string& password = kSealPw) {
    const std::string inject =
        std::string("inject=") + call + ":signal=SIGKILL:when=" + std::to_string(n);
    int status = Wait(Start({"--password-stdin", command, path},
                            {"strace", "-qq", "-f", "-o", "/dev/null", "-e",
                             std::string("trace=") + call, "-e", inject},
                            {}, password));
    return (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) ||
           (WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGKILL);
  }

  // After the kill: the file must end plain exactly as `before`, or sealed and unsealing to
  // exactly that. `byRecover`: the password goes to recover, else to unseal.
  void ExpectWholeSealed(const std::string& path, const Look& before, bool byRecover,
                         const std::string& what) {
    SCOPED_TRACE(what);
    const Look found = LookAt(path);
    CtlResult none = Run({"--password-stdin", "recover", path}, "");
    if (found.attrs.count("murvel.change")) {
      ++waited_;
      EXPECT_EQ(none.exitCode, 1);
      const std::string said = none.err.substr(none.err.find('\n') + 1);
      EXPECT_TRUE(said == "sealing interrupted: " + path + ": needs its password\n" ||
                  said == "unsealing interrupted: " + path + ": needs its password\n")
          << none.err;
      EXPECT_EQ(none.out, "");
      ASSERT_TRUE(LookAt(path) == found) << "touched without its password";
    }
    CtlResult settle = Run({"--password-stdin", byRecover ? "recover" : "unseal", path});
    if (settle.out.rfind("recovered: ", 0) == 0) {
      ++settled_;
      completed_ += settle.out.find(" was completed") != std::string::npos;
    }
    EXPECT_EQ(settle.err.find("interrupted"), std::string::npos) << settle.err;
    Look now = LookAt(path);
    EXPECT_EQ(now.attrs.count("murvel.change"), 0u);
    bool endedSealed = settle.out.find("unsealed: ") != std::string::npos;
    if (byRecover && !(now == before)) {
      ASSERT_EQ(Run({"status", path}, "").out.rfind("sealed: " + path + ": format 1", 0), 0u)
          << "neither plain as before nor sealed";
      ASSERT_EQ(Run({"--password-stdin", "unseal", path}).exitCode, 0);
      endedSealed = true;
      now = LookAt(path);
    }
    if (now == before) {
      ++(endedSealed ? coded_ : plain_);
    } else {
      ADD_FAILURE() << (endedSealed ? "sealed, but does not unseal to what it was"
                                    : "neither plain as before nor sealed");
    }
  }

  std::string SealFigures() const {
    return std::to_string(plain_) + " ended plain, " + std::to_string(coded_) + " sealed; " +
           std::to_string(waited_) + " were found interrupted, left as they were without the " +
           "password and said so, then settled with it (" + std::to_string(completed_) +
           " completed, " + std::to_string(settled_ - completed_) + " turned back); 0 lost";
  }

  int waited_ = 0;
};

TEST_F(SealKillTest, SealingKilledAtRandomMomentsWaitsForItsPasswordAndEndsWhole) {
  const long kills = EnvOr("MURVEL_SEAL_KILLS", std::max(4L, EnvOr("MURVEL_KILLS", 60) / 5));
  const uint64_t maxMiB = std::max<uint64_t>(1, uint64_t(EnvOr("MURVEL_KILL_MAX_MIB", 64)) / 2);
  const std::string path = folder_ + "/sealed.bin";

  // How long a pass takes here per MiB, past the key derivation (a tiny file's sealing).
  Prepare(path, 100, 1, false);
  auto t0 = Clock::now();
  ASSERT_EQ(Run({"--password-stdin", "seal", path}).exitCode, 0);
  const double derivation = std::chrono::duration<double>(Clock::now() - t0).count();
  Prepare(path, 32 << 20, 1, false);
  t0 = Clock::now();
  ASSERT_EQ(Run({"--password-stdin", "seal", path}).exitCode, 0);
  const double secondsPerMiB =
      std::max(0.001, std::chrono::duration<double>(Clock::now() - t0).count() - derivation) / 32;

  std::mt19937_64 gen(uint64_t(EnvOr("MURVEL_KILL_SEED", 5)));
  for (long k = 0; k < kills; ++k) {
    const uint64_t mib = 1 + gen() % maxMiB;
    const uint64_t size = (mib << 20) - gen() % 4096;
    const bool unseal = gen() % 2;
    Look before = Prepare(path, size, k + 2, false);
    if (unseal) {
      ASSERT_EQ(Run({"--password-stdin", "seal", path}).exitCode, 0);
    }
    // The derivation takes its own time, unevenly: the kill is timed from the moment the change
    // begins, which its journal shows.
    const double span = 0.02 + 1.3 * secondsPerMiB * double(mib);
    const auto delay = std::chrono::duration<double>(span * double(gen() % 1000) / 1000);
    pid_t pid = Start({"--password-stdin", unseal ? "unseal" : "seal", path}, {}, {}, kSealPw);
    const auto limit = Clock::now() + std::chrono::seconds(20);
    bool ended = false;
    while (!JournalIn(folder_) && Clock::now() < limit && !ended) {
      ended = waitpid(pid, nullptr, WNOHANG) == pid;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (!ended) {
      std::this_thread::sleep_for(delay);
      kill(pid, SIGKILL);
      Wait(pid);
    }
    ExpectWholeSealed(path, before, k % 2 == 0,
                      "kill " + std::to_string(k) + ": " + (unseal ? "unsealing " : "sealing ") +
                          std::to_string(size) + " bytes after " + std::to_string(delay.count()) +
                          " s");
    if (HasFatalFailure()) return;
  }
  std::printf("%ld sealings and unsealings killed at random moments: %s\n", kills,
              SealFigures().c_str());
}

// Before each call that changes anything, in turn: every write, flush, attribute step,
// truncation and removal.
TEST_F(SealKillTest, SealingKilledBeforeEachFileCallWaitsForItsPasswordAndEndsWhole) {
  if (system("strace -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "strace is not installed";
  const std::string path = folder_ + "/steps.bin";
  // The file plain and sealed, each put back before a run: no derivation spent on that.
  const Look before = Prepare(path, (300 << 10) + 1234, 99, false);
  const Bytes plainBytes = ReadFileBytes(path);
  ASSERT_EQ(Run({"--password-stdin", "seal", path}).exitCode, 0);
  const Bytes sealedBytes = ReadFileBytes(path);
  const XattrMap sealedAttrs = AllXattrs(path);
  const char* calls[] = {"pwrite64",  "fdatasync",    "fsync",     "syncfs",
                         "fsetxattr", "fremovexattr", "ftruncate", "unlink"};
  int runs = 0;
  for (bool unseal : {false, true}) {
    for (const char* call : calls) {
      for (int n = 1;; ++n) {
        if (unseal)
          Restore(path, sealedBytes, sealedAttrs);
        else
          Restore(path, plainBytes, before.attrs);
        const bool killed = KillBefore(unseal ? "unseal" : "seal", path, call, n);
        ExpectWholeSealed(path, before, n % 2 == 0,
                          std::string(unseal ? "unsealing" : "sealing") + ", killed before " +
                              call + " number " + std::to_string(n));
        if (HasFatalFailure()) return;
        ++runs;
        if (!killed || n > 100) break;
      }
    }
  }
  std::printf("%d sealings and unsealings killed before single calls: %s\n", runs,
              SealFigures().c_str());
}

// recover asks for the password once, when it meets the first interrupted sealing, on the
// terminal: a file sealed with it is settled, one sealed with another is left as it is.
TEST_F(SealKillTest, RecoverAsksForThePasswordOnceAndLeavesAnotherPasswordsFileAsItIs) {
  if (system("strace -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "strace is not installed";
  const std::string mine = folder_ + "/mine.bin", other = folder_ + "/other.bin";
  const std::string otherPw = "another phrase, another file";
  const Look mineBefore = Prepare(mine, (1 << 20) + 5, 7, false);
  const Look otherBefore = Prepare(other, (1 << 20) + 9, 8, false);
  // Each killed in its pass: the first write after its marker.
  for (const auto& [file, pw] :
       {std::make_pair(mine, std::string(kSealPw)), std::make_pair(other, otherPw)}) {
    const Bytes bytes = ReadFileBytes(file);
    const XattrMap attrs = AllXattrs(file);
    for (int n = 1; n < 40 && !LookAt(file).attrs.count("murvel.change"); ++n) {
      Restore(file, bytes, attrs);
      ASSERT_TRUE(KillBefore("seal", file, "pwrite64", n, pw));
    }
    ASSERT_TRUE(LookAt(file).attrs.count("murvel.change"));
  }
  const Look otherInterrupted = LookAt(other);

  CtlResult r = RunCtlOnTerminal({"recover", mine, other}, {kSealPw}, folder_);
  EXPECT_EQ(r.exitCode, 1);
  size_t prompts = 0;
  for (size_t at = 0; (at = r.err.find("Password it was sealed with: ", at)) != std::string::npos;
       ++at)
    ++prompts;
  EXPECT_EQ(prompts, 1u) << r.err;
  EXPECT_NE(r.err.find("recovered: " + mine + ": its interrupted sealing was "), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("sealing interrupted: " + other +
                       ": the password given is not its own; nothing was touched"),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(LookAt(other) == otherInterrupted);
  EXPECT_EQ(LookAt(mine).attrs.count("murvel.change"), 0u);

  // Its own password settles the other; both then unseal (or are plain) exactly as they were.
  EXPECT_EQ(Run({"--password-stdin", "recover", other}, otherPw).exitCode, 0);
  for (const auto& [file, pw, look] : {std::make_tuple(mine, std::string(kSealPw), mineBefore),
                                       std::make_tuple(other, otherPw, otherBefore)}) {
    if (!(LookAt(file) == look)) {
      EXPECT_EQ(Run({"--password-stdin", "unseal", file}, pw).exitCode, 0);
    }
    EXPECT_TRUE(LookAt(file) == look) << file;
  }
}

}  // namespace
