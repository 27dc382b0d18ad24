// Interrupted changes on real files, with their journals tampered with, moved, locked or gone,
// and integrity attributes that do or do not belong to their record: the next look settles
// each file rightly, or says it cannot and leaves file, marker and journal as they are.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <utility>

#include "engine/journal/ChangeMarker.h"
#include "engine/journal/IntegrityAttr.h"
#include "engine/journal/Journal.h"
#include "engine/journal/JournalPolicy.h"
#include "engine/journal/Recovery.h"
#include "platform/FileCalls.h"
#include "platform/Paths.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

constexpr uid_t kNobody = 65534;

// The journal in `folder`, or "".
std::string JournalIn(const std::string& folder) {
  std::vector<std::string> names;
  plat::Files().ListNames(folder, &names);
  for (const std::string& n : names)
    if (IsJournalName(n)) return folder + "/" + n;
  return {};
}

std::string ReadAll(const std::string& path) {
  Bytes b = ReadFileBytes(path);
  return std::string(b.begin(), b.end());
}

// Runs `work` in a child process as the user nobody; its exit status (0: done).
int AsNobody(const std::function<bool()>& work) {
  pid_t pid = fork();
  if (pid == 0) _exit(setgid(kNobody) == 0 && setuid(kNobody) == 0 && work() ? 0 : 1);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class RecoveryTest : public EngineTest {
 protected:
  // A file `leaf` of 300 KiB whose coding was killed partway, and its journal.
  std::string Interrupted(const std::string& leaf, Bytes* plain = nullptr) {
    const Bytes bytes = RandomBytes(300 * 1024, unsigned(leaf.size()));
    const std::string path = MakeFile(leaf, bytes);
    SetXattr(path, "mime_type", "text/plain");
    EXPECT_TRUE(InterruptChange(path, "pw", 3));
    if (plain) *plain = bytes;
    return path;
  }
  // The file is coded and decodes to `plain`, or is plain as `plain`.
  void ExpectWhole(const std::string& path, const Bytes& plain) {
    EXPECT_FALSE(GetXattr(path, "murvel.change").has_value());
    if (GetXattr(path, "PrivCodec")) {
      EnterPassword("pw");
      ASSERT_TRUE(InspectAndWork(path)) << WorkLines(result_);
    }
    EXPECT_TRUE(ReadFileBytes(path) == plain);
  }
  // Looks at the file: it is not settled, for a reason that holds `why`, and neither it nor its
  // journal changed.
  void ExpectLeft(const std::string& path, const std::string& journal, const std::string& why) {
    const Bytes bytes = ReadFileBytes(path);
    const XattrMap attrs = AllXattrs(path);
    const std::string kept = ReadAll(journal);
    Inspection found = engine_->Inspect(path);
    EXPECT_EQ(found.notWorkable, NotWorkable::Unsettled);
    EXPECT_NE(FaultText(found.whyNot).find(why), std::string::npos) << found.whyNot;
    EXPECT_TRUE(ReadFileBytes(path) == bytes);
    EXPECT_EQ(AllXattrs(path), attrs);
    EXPECT_EQ(ReadAll(journal), kept);
  }
};

// Another user who can write the folder replaces the journal by one of its own, even with the
// very same bytes; or the journal is made writable by others, or a link: none is used. Put back,
// the owner's journal settles the file.
TEST_F(RecoveryTest, JournalNotOfTheFilesOwnerIsNeverUsed) {
  if (!RunningAsRoot()) GTEST_SKIP() << "planting a journal as another user needs root";
  ASSERT_EQ(chmod(dir_.c_str(), 0777), 0);
  Bytes plain;
  const std::string path = Interrupted("shared.txt", &plain);
  const std::string journal = JournalIn(dir_);
  const std::string bytes = ReadAll(journal);
  ASSERT_EQ(AsNobody([&] {
              const std::string planted = dir_ + "/planted";
              FILE* f = std::fopen(planted.c_str(), "w");
              bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
              ok = f && std::fclose(f) == 0 && ok;
              return ok && rename(planted.c_str(), journal.c_str()) == 0;
            }),
            0);
  struct stat st {};
  ASSERT_EQ(stat(journal.c_str(), &st), 0);
  ASSERT_EQ(st.st_uid, kNobody);
  ExpectLeft(path, journal, "belongs to user 65534");
  EXPECT_TRUE(RemoveStaleJournals(dir_).empty());  // another user's: not ours to judge
  EXPECT_EQ(stat(journal.c_str(), &st), 0);

  ASSERT_EQ(unlink(journal.c_str()), 0);
  WriteFileBytes(journal, Bytes(bytes.begin(), bytes.end()));
  ASSERT_EQ(chmod(journal.c_str(), 0620), 0);
  ExpectLeft(path, journal, "others may write it");
  ASSERT_EQ(rename(journal.c_str(), (journal + "-real").c_str()), 0);
  ASSERT_EQ(symlink((journal + "-real").c_str(), journal.c_str()), 0);
  ExpectLeft(path, journal, "is a link");

  ASSERT_EQ(unlink(journal.c_str()), 0);
  ASSERT_EQ(rename((journal + "-real").c_str(), journal.c_str()), 0);
  ASSERT_EQ(chmod(journal.c_str(), 0600), 0);
  Inspection found = engine_->Inspect(path);
  ASSERT_TRUE(found.recovery && found.recovery->settled) << found.whyNot;
  ExpectWhole(path, plain);
  EXPECT_EQ(JournalIn(dir_), "");
}

// A FIFO where a marker's journal should be, or named like a journal in the folder, is never
// opened (opening alone acts on a device; here, it would let a writer waiting on the FIFO go
// on): the look, the sweep and a coding in that folder all end.
TEST_F(RecoveryTest, FifoInAJournalsPlaceHangsNothing) {
  alarm(60);
  Bytes plain;
  const std::string path = Interrupted("f", &plain);
  const std::string journal = JournalIn(dir_);
  ASSERT_EQ(rename(journal.c_str(), (journal + "-real").c_str()), 0);
  ASSERT_EQ(mkfifo(journal.c_str(), 0600), 0);
  std::atomic<bool> opened{false};
  std::atomic<pid_t> writerThread{0};
  std::thread writer([&] {
    writerThread = pid_t(syscall(SYS_gettid));
    const int fd = open(journal.c_str(), O_WRONLY);  // waits for a reader
    opened = true;
    close(fd);
  });
  // Any open for reading from now on lets it go on.
  for (int tries = 0; tries < 10000; ++tries) {
    std::ifstream call("/proc/self/task/" + std::to_string(writerThread) + "/syscall");
    long number = -1;
    if (writerThread && call >> number && number == SYS_openat) break;
    usleep(1000);
  }
  Inspection found = engine_->Inspect(path);
  EXPECT_EQ(found.notWorkable, NotWorkable::Unsettled);
  EXPECT_NE(FaultText(found.whyNot).find("not a regular file"), std::string::npos) << found.whyNot;

  ASSERT_EQ(mkfifo(Path(".murvel-journal-x").c_str(), 0600), 0);
  EXPECT_TRUE(RemoveStaleJournals(dir_).empty());
  usleep(100 * 1000);
  EXPECT_FALSE(opened);
  close(open(journal.c_str(), O_RDONLY | O_NONBLOCK));
  writer.join();
  EnterPassword("pw");
  EXPECT_TRUE(InspectAndWork(MakeFile("other", Bytes(5000, 'o'))));
  ASSERT_EQ(unlink(journal.c_str()), 0);
  ASSERT_EQ(rename((journal + "-real").c_str(), journal.c_str()), 0);
  EXPECT_TRUE(engine_->Inspect(path).recovery->settled);
  alarm(0);
  ExpectWhole(path, plain);
  struct stat st {};
  EXPECT_EQ(lstat(Path(".murvel-journal-x").c_str(), &st), 0);
}

// A file moved to another folder before its change was settled keeps its journal alive, even
// with another file now at its path: the sweep in the old folder keeps it and says which file it
// waits for, and the file, looked at where it went, finds its journal and settles. A file moved
// with its folder finds it too, and one renamed in its folder is found there, in use.
TEST_F(RecoveryTest, MovedFileStillFindsItsJournal) {
  ASSERT_EQ(mkdir(Path("a").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(Path("b").c_str(), 0755), 0);
  Bytes plain;
  const std::string path = Interrupted("a/f", &plain);
  const std::string journal = JournalIn(Path("a"));
  ASSERT_EQ(rename(path.c_str(), Path("b/f").c_str()), 0);
  MakeFile("a/f", Bytes(10, 'n'));

  EnterPassword("pw");
  ASSERT_TRUE(InspectAndWork(MakeFile("a/other", Bytes(100, 'o'))));  // sweeps a/
  std::vector<KeptJournal> kept = RemoveStaleJournals(Path("a"));
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].path, journal);
  EXPECT_EQ(kept[0].missing, std::vector<std::string>{path});

  Inspection found = engine_->Inspect(Path("b/f"));
  ASSERT_TRUE(found.recovery && found.recovery->settled) << found.whyNot;
  EXPECT_EQ(found.recovery->journal, journal);
  EXPECT_EQ(JournalIn(Path("a")), "");
  ExpectWhole(Path("b/f"), plain);

  const std::string moved = Interrupted("a/g", &plain);
  ASSERT_EQ(rename(Path("a").c_str(), Path("c").c_str()), 0);
  found = engine_->Inspect(Path("c/g"));
  ASSERT_TRUE(found.recovery && found.recovery->settled) << found.whyNot;
  ExpectWhole(Path("c/g"), plain);
  (void)moved;

  Interrupted("c/h", &plain);
  ASSERT_EQ(rename(Path("c/h").c_str(), Path("c/renamed").c_str()), 0);
  EXPECT_TRUE(RemoveStaleJournals(Path("c")).empty());
  EXPECT_NE(JournalIn(Path("c")), "");
  ASSERT_TRUE(engine_->Inspect(Path("c/renamed")).recovery->settled);
  ExpectWhole(Path("c/renamed"), plain);
}

// A journal that another process holds locked is in use: neither the settling of its file nor
// the sweep removes it, flushed or not yet. The journal of a running change is so locked. A
// journal whose file went on to another change is not in use.
TEST_F(RecoveryTest, LockedJournalIsInUse) {
  Bytes plain;
  const std::string path = Interrupted("f", &plain);
  const std::string journal = JournalIn(dir_);
  const std::string unflushed = MakeFile(".murvel-journal-new-Ab3dEf", Bytes(100, 'u'));
  int lock = open(journal.c_str(), O_RDONLY);
  ASSERT_EQ(flock(lock, LOCK_EX), 0);
  int lockNew = open(unflushed.c_str(), O_RDONLY);
  ASSERT_EQ(flock(lockNew, LOCK_EX), 0);
  EXPECT_TRUE(engine_->Inspect(path).recovery->settled);
  EXPECT_TRUE(RemoveStaleJournals(dir_).empty());
  std::vector<std::string> left = JournalsIn(dir_), both{journal, unflushed};
  std::sort(left.begin(), left.end());
  std::sort(both.begin(), both.end());
  EXPECT_EQ(left, both);
  close(lock);
  close(lockNew);
  EXPECT_TRUE(RemoveStaleJournals(dir_).empty());
  EXPECT_EQ(JournalIn(dir_), "");
  ExpectWhole(path, plain);

  ASSERT_TRUE(InterruptChange(path, "pw", 3));
  const std::string first = JournalIn(dir_);
  const std::string firstBytes = ReadAll(first);
  ASSERT_TRUE(engine_->Inspect(path).recovery->settled);
  ASSERT_TRUE(InterruptChange(path, "pw", 3));
  const std::string second = JournalIn(dir_);
  WriteFileBytes(first, Bytes(firstBytes.begin(), firstBytes.end()));
  ASSERT_EQ(chmod(first.c_str(), 0600), 0);
  EXPECT_TRUE(RemoveStaleJournals(dir_).empty());
  EXPECT_EQ(JournalsIn(dir_), std::vector<std::string>{second});
  ASSERT_TRUE(engine_->Inspect(path).recovery->settled);
  ExpectWhole(path, plain);

  struct Probe : plat::SystemFileCalls {
    std::string folder;
    int locked = 0, probes = 0;
    ssize_t Pwrite(int fd, const void* buf, size_t len, uint64_t offset) override {
      const std::string journal = JournalIn(folder);
      int other = journal.empty() ? -1 : open(journal.c_str(), O_RDONLY);
      if (other >= 0) {
        ++probes;
        locked += flock(other, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        close(other);
      }
      return SystemFileCalls::Pwrite(fd, buf, len, offset);
    }
  } probe;
  probe.folder = dir_;
  plat::SetFileCalls(&probe);
  EnterPassword("pw");
  EXPECT_TRUE(InspectAndWork(path));
  plat::SetFileCalls(nullptr);
  EXPECT_GT(probe.probes, 0);
  EXPECT_EQ(probe.locked, probe.probes);
}

// A marker whose nonce is not its journal's is refused; a marker whose journal is gone is
// settled only when the file shows its change whole (coded bytes that match the integrity
// written with the record, or a decoding that left nothing behind).
TEST_F(RecoveryTest, MarkerIsTrustedOnlyWithItsJournalOrAWholeFile) {
  Bytes plain;
  const std::string path = Interrupted("f", &plain);
  const std::string journal = JournalIn(dir_);
  std::optional<ChangeMarker> m = DecodeMarker(*GetXattr(path, "murvel.change"));
  ASSERT_TRUE(m);
  const std::string real = EncodeMarker(*m);
  m->nonce ^= 1;
  SetXattr(path, "murvel.change", EncodeMarker(*m));
  ExpectLeft(path, journal, "is not the one it names");
  // Asked to work on it all the same (its marker came after the look): refused, nothing changed.
  const Bytes cut = ReadFileBytes(path);
  ChangeRequest again;
  again.file = path;
  const WorkResult refused = engine_->WorkMany({again}, Password{true, "pw"}, {})[0];
  EXPECT_EQ(refused.reason.code, FaultCode::InterruptedNotSettled) << refused.reason;
  EXPECT_TRUE(ReadFileBytes(path) == cut);
  SetXattr(path, "murvel.change", real);
  ASSERT_TRUE(engine_->Inspect(path).recovery->settled);

  // Whole and coded, with a marker naming a journal that is gone.
  EnterPassword("pw");
  const std::string coded = MakeFile("coded", RandomBytes(9000, 3));
  ASSERT_TRUE(InspectAndWork(coded));
  m->journal = dir_ + "/.murvel-journal-gone";
  m->direction = CipherDirection::Code;
  const std::string integrity = *GetXattr(coded, "murvel.integrity");
  for (int step = 0; step < 3; ++step) {
    SetXattr(coded, "murvel.change", EncodeMarker(*m));
    Bytes bytes = ReadFileBytes(coded);
    if (step == 1) bytes[4000] ^= 1;  // a byte changed
    if (step == 2)                    // the right length and digest, written with another record
      SetXattr(coded, "murvel.integrity",
               EncodeIntegrity(CheckIntegrity(integrity, {}).integrity, "another record"));
    WriteFileBytes(coded, bytes);
    Inspection found = engine_->Inspect(coded);
    ASSERT_TRUE(found.recovery);
    EXPECT_EQ(found.recovery->settled, step == 0) << step << ": " << found.whyNot;
    if (step == 1) {
      bytes[4000] ^= 1;
      WriteFileBytes(coded, bytes);
    }
  }
  // A decoding whose journal is gone, with the integrity still on the file: not whole.
  m->direction = CipherDirection::Decode;
  const std::string plainFile = MakeFile("plain", Bytes(100, 'p'));
  SetXattr(plainFile, "murvel.change", EncodeMarker(*m));
  SetXattr(plainFile, "murvel.integrity", integrity);
  EXPECT_FALSE(engine_->Inspect(plainFile).recovery->settled);
}

// The integrity attribute counts only with the record it was written with: one left by an
// earlier coding is no reason to refuse; a damaged one is, as a damaged record is; the old form
// still checks the bytes.
TEST_F(RecoveryTest, IntegrityAttributeBelongsToItsRecord) {
  EnterPassword("pw");
  const Bytes plain = RandomBytes(20000, 9);
  const std::string path = MakeFile("f", plain);
  ASSERT_TRUE(InspectAndWork(path));
  const std::string first = *GetXattr(path, "murvel.integrity");
  ASSERT_TRUE(InspectAndWork(path));
  // Coded again at another moment by a program that keeps no integrity: ours is left over.
  clock_->Set(Moment(2027, 1, 2, 3, 4, 5));
  ASSERT_TRUE(InspectAndWork(path));
  SetXattr(path, "murvel.integrity", first);
  std::string out;
  ASSERT_TRUE(InspectAndWork(path, &out)) << out;
  EXPECT_TRUE(ReadFileBytes(path) == plain);
  EXPECT_FALSE(GetXattr(path, "murvel.integrity").has_value());

  ASSERT_TRUE(InspectAndWork(path));
  const std::string good = *GetXattr(path, "murvel.integrity");
  const Bytes coded = ReadFileBytes(path);
  std::string flipped = good, magic = good;
  flipped[9] ^= 1;
  magic[0] = 'X';
  for (const std::string& damaged : {flipped, magic, good.substr(0, 21), good + '\0'}) {
    SetXattr(path, "murvel.integrity", damaged);
    EXPECT_FALSE(InspectAndWork(path, &out));
    EXPECT_NE(out.find("> Not decoded: damaged integrity attribute ("), std::string::npos) << out;
    EXPECT_TRUE(ReadFileBytes(path) == coded);
  }
  // The old form: the length and digest alone.
  std::string old = "MVI1" + good.substr(4, 16);
  SetXattr(path, "murvel.integrity", old);
  Bytes changed = coded;
  changed[100] ^= 1;
  WriteFileBytes(path, changed);
  EXPECT_FALSE(InspectAndWork(path, &out));
  EXPECT_NE(out.find("it changed since it was coded"), std::string::npos) << out;
  WriteFileBytes(path, coded);
  ASSERT_TRUE(InspectAndWork(path));
  EXPECT_TRUE(ReadFileBytes(path) == plain);
}

// A folder whose file is reached twice through hard links: the second name says what it is.
TEST_F(RecoveryTest, HardLinkReachedTwiceSaysWhatItIs) {
  const std::string folder = Path("codec");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  const Bytes plain = RandomBytes(5000, 4);
  MakeFile("codec/a", plain);
  ASSERT_EQ(link(Path("codec/a").c_str(), Path("codec/b").c_str()), 0);
  EnterPassword("pw");
  std::vector<std::string> reasons;
  int coded = 0;
  engine_->WorkOverFolder(folder, false, password_, [&](const FolderEntry& e) {
    if (!e.work) return;
    coded += e.work->done();
    if (!e.work->done()) reasons.push_back(FaultText(e.work->reason));
  });
  EXPECT_EQ(coded, 1);
  ASSERT_EQ(reasons.size(), 1u);
  EXPECT_NE(reasons[0].find("another name (a hard link) of '" + folder), std::string::npos)
      << reasons[0];
  ASSERT_TRUE(InspectAndWork(Path("codec/b")));
  EXPECT_TRUE(ReadFileBytes(Path("codec/a")) == plain);
}

// A decoding of bytes altered since they were coded, cut partway: the next look turns it back,
// as the decoding itself would have, and says why. A change whose file another program made
// longer since it was cut is left as it is (its pages cannot be told apart by their hashes), and
// settles once the file is back to its size.
TEST_F(RecoveryTest, CutDecodingOfAlteredBytesIsTurnedBack) {
  EnterPassword("pw");
  const std::string path = MakeFile("f", RandomBytes(300 * 1024, 5));
  ASSERT_TRUE(InspectAndWork(path));
  Bytes altered = ReadFileBytes(path);
  altered[200000] ^= 0x10;
  WriteFileBytes(path, altered);
  const XattrMap attrs = AllXattrs(path);
  ASSERT_TRUE(InterruptChange(path, "pw", 3));
  Inspection found = engine_->Inspect(path);
  ASSERT_TRUE(found.recovery && found.recovery->settled) << found.whyNot;
  EXPECT_FALSE(found.recovery->completed);
  EXPECT_EQ(found.recovery->why.code, FaultCode::BytesChangedSinceCoded);
  EXPECT_TRUE(ReadFileBytes(path) == altered);
  EXPECT_EQ(AllXattrs(path), attrs);

  Bytes plain;
  const std::string grown = Interrupted("grown", &plain);
  const Bytes cut = ReadFileBytes(grown);
  Bytes longer = cut;
  longer.push_back('!');
  WriteFileBytes(grown, longer);
  ExpectLeft(grown, JournalIn(dir_), "its size changed since the change began");
  WriteFileBytes(grown, cut);
  found = engine_->Inspect(grown);
  ASSERT_TRUE(found.recovery && found.recovery->settled) << found.whyNot;
  ExpectWhole(grown, plain);
}

// A file deep enough that a journal beside it would have a path longer than a marker keeps:
// the journal goes to the state folder, the marker stays small, and the batch's other files
// are done all the same, whichever comes first.
TEST_F(RecoveryTest, LongPathsKeepTheMarkerSmall) {
  setenv("XDG_STATE_HOME", Path("state").c_str(), 1);
  std::string deep = "deep";
  for (int i = 0; i < 5; ++i) deep += "/" + std::string(240, char('a' + i));
  ASSERT_TRUE(std::filesystem::create_directories(Path(deep)));
  Bytes plain;
  const std::string path = Interrupted(deep + "/f", &plain);
  std::optional<ChangeMarker> m = DecodeMarker(*GetXattr(path, "murvel.change"));
  ASSERT_TRUE(m);
  EXPECT_EQ(m->journal.rfind(Path("state/murvel/.murvel-journal-"), 0), 0u) << m->journal;
  ASSERT_TRUE(engine_->Inspect(path).recovery->settled);
  ExpectWhole(path, plain);

  const std::string shallow = MakeFile("shallow", Bytes(5000, 's'));
  const std::string other = MakeFile(deep + "/g", Bytes(5000, 'g'));
  for (const auto& order : {std::vector<std::string>{shallow, other}, {other, shallow}}) {
    std::vector<ChangeRequest> requests;
    for (const std::string& file : order) requests.push_back(RequestFor(engine_->Inspect(file)));
    for (const WorkResult& r : engine_->WorkMany(requests, Password{true, "pw"}, {}))
      EXPECT_TRUE(r.done()) << r.file << ": " << r.reason;
  }
  unsetenv("XDG_STATE_HOME");
}

}  // namespace

// A journal is made where the policy puts it, named as it names journals: the sweep finds it
// there, and the folder's list leaves it out. It lies beside its files when its path there fits
// in a marker, to the byte, and its folder takes new files; else in the state folder, which is
// an absolute path, fits a marker too, and is the user's own and closed to others: another
// user's is neither used nor changed.
TEST_F(RecoveryTest, AJournalIsFoundWhereItIsMadeAndListedNowhere) {
  std::string journal = NewJournalTemplate(JournalFolder(dir_));
  const int fd = mkostemp(&journal[0], 0);
  ASSERT_GE(fd, 0);
  close(fd);
  EXPECT_EQ(plat::ParentOf(journal), dir_);
  // No journal's names: files of the user's.
  MakeFile(".murvel-journal", Bytes(3, 'x'));
  MakeFile("a.murvel-journal-x", Bytes(3, 'x'));
  MakeFile("a.txt", Bytes(3, 'a'));
  EXPECT_EQ(JournalsIn(dir_), std::vector<std::string>{journal});
  std::vector<std::string> listed;
  engine_->WorkOverFolder(dir_, true, Password{}, [&](const FolderEntry& e) {
    listed.push_back(plat::LeafOf(e.inspection.file));
  });
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, (std::vector<std::string>{".murvel-journal", "a.murvel-journal-x", "a.txt"}));

  const std::string state = Path("state/murvel");
  setenv("XDG_STATE_HOME", Path("state").c_str(), 1);
  int fitted = 0, moved = 0;
  for (size_t length = kMarkerJournalMax - 30; length < kMarkerJournalMax - 15; ++length) {
    const std::string folder = "/" + std::string(length - 1, 'd');
    const std::string named = FlushedJournalName(NewJournalTemplate(folder));
    const bool fits =
        DecodeMarker(EncodeMarker({CipherDirection::Code, false, 0, 1, named})).has_value();
    EXPECT_EQ(JournalFolder(folder), fits ? folder : state) << length;
    fitted += fits;
    moved += !fits;
  }
  EXPECT_TRUE(fitted && moved);
  EXPECT_EQ(JournalFolder("relative"), state);
  struct stat st {};
  ASSERT_EQ(chmod(state.c_str(), 0777), 0);
  EXPECT_EQ(JournalFolder(dir_ + "/" + std::string(1100, 'l')), state);
  ASSERT_EQ(stat(state.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  // A relative XDG_STATE_HOME or HOME counts for none; a state folder too long for a marker is no
  // place.
  const char* home = getenv("HOME");
  const std::string homeWas = home ? home : "";
  setenv("HOME", dir_.c_str(), 1);
  setenv("XDG_STATE_HOME", "state", 1);
  EXPECT_EQ(JournalFolder("relative"), Path(".local/state/murvel"));
  setenv("HOME", "home", 1);
  EXPECT_EQ(JournalFolder("relative"), "");
  setenv("HOME", dir_.c_str(), 1);
  std::string deep = Path("s");
  for (int i = 0; i < 5; ++i) deep += "/" + std::string(200, 's');
  setenv("XDG_STATE_HOME", deep.c_str(), 1);
  EXPECT_EQ(JournalFolder("relative"), "");
  if (RunningAsRoot()) {
    // Root run with another user's environment.
    const std::string others = Path("others/murvel");
    ASSERT_TRUE(std::filesystem::create_directories(others));
    ASSERT_EQ(chown(others.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(chmod(others.c_str(), 0777), 0);
    setenv("XDG_STATE_HOME", Path("others").c_str(), 1);
    EXPECT_EQ(JournalFolder("relative"), "");
    ASSERT_EQ(stat(others.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0777u);
    // A folder that takes no new file: the journal goes to the state folder, and the change is
    // made.
    setenv("XDG_STATE_HOME", Path("state").c_str(), 1);
    ASSERT_EQ(mkdir(Path("frozen").c_str(), 0755), 0);
    const std::string frozen = MakeFile("frozen/f", RandomBytes(5000, 6));
    ASSERT_TRUE(MakeUnwritable(Path("frozen"), true));
    EnterPassword("pw");
    std::string out;
    EXPECT_TRUE(InspectAndWork(frozen, &out)) << out;
    EXPECT_TRUE(MakeUnwritable(Path("frozen"), false));
    EXPECT_EQ(JournalsIn(state), std::vector<std::string>());
  }
  if (home)
    setenv("HOME", homeWas.c_str(), 1);
  else
    unsetenv("HOME");
  unsetenv("XDG_STATE_HOME");
}

// A user's setuid and setgid file whose coding was killed: the pass's writes cleared the bits.
// Root's look leaves the change to the user whose journal it is (a journal says what to do to
// the file, the bits among it: root must never do more than its writer could); the user's own
// look settles it and puts the bits back.
TEST_F(RecoveryTest, AChangeIsSettledOnlyByTheUserWhoseJournalItIs) {
  if (!RunningAsRoot()) GTEST_SKIP() << "acting as a second user needs root";
  ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
  const std::string folder = Path("nobody");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  ASSERT_EQ(chown(folder.c_str(), kNobody, kNobody), 0);
  const std::string path = folder + "/tool";
  auto modeOf = [&] {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  };
  ASSERT_EQ(AsNobody([&] {
              WriteFileBytes(path, RandomBytes(300 * 1024, 9));
              return chmod(path.c_str(), 06755) == 0 && InterruptChange(path, "pw", 3);
            }),
            0);
  const mode_t killed = modeOf();
  EXPECT_NE(killed, 06755u);
  ExpectLeft(path, JournalIn(folder), "user 65534, the file's owner");
  EXPECT_TRUE(RemoveStaleJournals(folder).empty());
  EXPECT_EQ(modeOf(), killed);
  EXPECT_EQ(AsNobody([&] {
              Engine engine;
              Inspection found = engine.Inspect(path);
              return found.recovery && found.recovery->settled;
            }),
            0);
  EXPECT_EQ(modeOf(), 06755u);
  EXPECT_EQ(JournalIn(folder), "");
}
