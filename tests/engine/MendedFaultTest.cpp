// Failures provoked for real: a pass that cannot finish, attribute writes and removals that
// fail, links, files that cannot be written, crafted records. Each leaves the file as it was.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <utility>

#include "EngineTestSupport.h"
#include "engine/journal/JournalPolicy.h"
#include "platform/AttrBackend.h"
#include "platform/FileCalls.h"

namespace {

// One attribute step made to fail: the write (or the removal) of one attribute, while coding or
// while decoding.
struct Refusal {
  bool decoding;
  bool write;
  const char* name;
};

std::ostream& operator<<(std::ostream& os, const Refusal& r) {
  return os << (r.decoding ? "decoding, " : "coding, ") << (r.write ? "write " : "remove ")
            << r.name;
}

// The real xattrs, except for the refused step.
class RefusingBackend : public plat::XattrBackend {
 public:
  explicit RefusingBackend(Refusal r) : r_(r) {}
  int Set(int fd, const std::string& name, const void* data, size_t size) override {
    return Refuses(true, name) ? -ENOSPC : XattrBackend::Set(fd, name, data, size);
  }
  int Remove(int fd, const std::string& name) override {
    return Refuses(false, name) ? -EIO : XattrBackend::Remove(fd, name);
  }
  int refusals = 0;

 private:
  bool Refuses(bool write, const std::string& name) {
    bool refused = r_.write == write && name == r_.name;
    refusals += refused;
    return refused;
  }
  Refusal r_;
};

class FaultTest : public EngineTest {
 protected:
  void TearDown() override {
    plat::SetAttrBackend(nullptr);
    for (const std::string& path : unwritable_) EXPECT_TRUE(MakeUnwritable(path, false));
    EngineTest::TearDown();
  }
  std::string FullFile(const std::string& leaf) {
    std::string path = MakeFile(leaf, RandomBytes(3000, 21));
    DecorateFile(path);
    return path;
  }
  // Runs the transaction on `path`: refused with one line, the last, starting `line`, and the
  // file's bytes and attributes as they were.
  void ExpectRefusedUnchanged(const std::string& path, const std::string& line,
                              std::optional<bool> expectCoded = std::nullopt) {
    Bytes bytes = ReadFileBytes(path);
    XattrMap attrs = AllXattrs(path);
    inspection_ = engine_->Inspect(path);
    result_ = engine_->Work(inspection_, password_, expectCoded);
    std::string out = InspectionLines(inspection_) + WorkLines(result_);
    EXPECT_FALSE(result_.done());
    EXPECT_TRUE(result_.leftAsItWas);
    size_t at = out.find(line);
    ASSERT_NE(at, std::string::npos) << out;
    EXPECT_EQ(out.find('\n', at + 1), out.size() - 1) << out;
    EXPECT_TRUE(ReadFileBytes(path) == bytes);
    EXPECT_EQ(AllXattrs(path), attrs);
  }
  std::vector<std::string> unwritable_;
};

class StepFails : public FaultTest, public testing::WithParamInterface<Refusal> {};

TEST_P(StepFails, FileStaysAsItWasAndCanBeWorkedOnLater) {
  const Refusal& r = GetParam();
  std::string path = FullFile("file.txt");
  EnterPassword("pw");
  if (r.decoding) {
    ASSERT_TRUE(InspectAndWork(path));
  }
  RefusingBackend backend(r);
  plat::SetAttrBackend(&backend);
  // The marker refused: nothing was begun, so nothing is turned back.
  const bool marker = std::string(r.name) == "murvel.change";
  ExpectRefusedUnchanged(path, std::string(r.decoding ? "> Not decoded" : "\n> Not coded") +
                                   (marker ? ": can't mark it" : ", file left as it was: "));
  EXPECT_GE(backend.refusals, 1);
  plat::SetAttrBackend(nullptr);
  EXPECT_TRUE(InspectAndWork(path));
  EXPECT_EQ(GetXattr(path, "PrivCodec").has_value(), !r.decoding);
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, StepFails,
    testing::Values(Refusal{false, true, "murvel.change"}, Refusal{true, true, "murvel.change"},
                    Refusal{false, true, "x_prefapp"}, Refusal{false, true, "PrivCodec"},
                    Refusal{false, true, "x_beos:type"}, Refusal{false, true, "mime_type"},
                    Refusal{false, true, "x_licon"}, Refusal{false, true, "x_micon"},
                    Refusal{false, true, "murvel.integrity"},
                    Refusal{true, false, "murvel.integrity"},
                    Refusal{false, false, "BEOS:PREF_APP"},
                    Refusal{false, false, "BEOS:L:STD_ICON"},
                    Refusal{false, false, "BEOS:M:STD_ICON"}, Refusal{true, true, "mime_type"},
                    Refusal{true, true, "BEOS:PREF_APP"}, Refusal{true, true, "BEOS:L:STD_ICON"},
                    Refusal{true, true, "BEOS:M:STD_ICON"}, Refusal{true, false, "x_beos:type"},
                    Refusal{true, false, "x_prefapp"}, Refusal{true, false, "x_licon"},
                    Refusal{true, false, "x_micon"}, Refusal{true, false, "PrivCodec"}));

// A sparse file on a tiny tmpfs: coding fills its holes until the file system is full, partway
// through the pass. No attribute may change, and the bytes written must be turned back.
TEST_F(FaultTest, PassThatCannotFinishTouchesNoAttribute) {
  if (!MountOn("small", "tmpfs", "size=1m")) GTEST_SKIP() << "mounting tmpfs needs root";
  std::string path = MakeFile("small/sparse", Bytes(10, 1));
  ASSERT_EQ(truncate(path.c_str(), 4 << 20), 0);
  SetXattr(path, "mime_type", "application/octet-stream");
  EnterPassword("pw");
  ExpectRefusedUnchanged(
      path, "\n> Not coded, file left as it was: write failed: No space left on device");

  // Full before the journal is written (and the state folder on the same disk): refused, and no
  // journal is left behind.
  const std::string note = MakeFile("small/note", Bytes(100, 'n'));
  setenv("XDG_STATE_HOME", Path("small/state").c_str(), 1);
  ASSERT_FALSE(JournalFolder(Path("small/state")).empty());
  const int fill = open(Path("small/fill").c_str(), O_WRONLY | O_CREAT, 0600);
  const Bytes block(4096, 'f');
  while (write(fill, block.data(), block.size()) > 0) {
  }
  close(fill);
  ExpectRefusedUnchanged(note, "can't keep a journal of the change");
  unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(JournalsIn(Path("small")), std::vector<std::string>());
  EXPECT_EQ(JournalsIn(Path("small/state/murvel")), std::vector<std::string>());
}

// A termination request that comes while a file is being coded (here: as its record is written)
// ends the program only once the file is whole: bytes coded and record written.
TEST_F(FaultTest, TerminationWaitsForTheFileInHand) {
  struct TerminatingBackend : plat::XattrBackend {
    int Set(int fd, const std::string& name, const void* data, size_t size) override {
      if (name == "PrivCodec") raise(SIGTERM);
      return XattrBackend::Set(fd, name, data, size);
    }
  } backend;
  Bytes plain = RandomBytes(5000, 26);
  std::string path = MakeFile("f", plain);
  EnterPassword("pw");
  pid_t pid = fork();
  if (pid == 0) {
    plat::SetAttrBackend(&backend);
    InspectAndWork(path);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
  EXPECT_TRUE(GetXattr(path, "PrivCodec").has_value());
  EXPECT_TRUE(ReadFileBytes(path) == CodedByRule(plain, KeyBytes(kFixtureTimeCode)));
}

// A file that another program has locked (another murvelctl coding it, say) is left to it, and
// one it changed since the inspection is not turned back.
TEST_F(FaultTest, FileLockedOrChangedElsewhereIsLeftAlone) {
  std::string path = FullFile("busy");
  EnterPassword("pw");
  int other = open(path.c_str(), O_RDONLY);
  ASSERT_EQ(flock(other, LOCK_EX), 0);
  ExpectRefusedUnchanged(path, "> Not worked on: another program has '" + path + "' locked");
  close(other);
  EXPECT_TRUE(InspectAndWork(path));
  // Coded meanwhile by another program: a caller that wants to code it does not decode it.
  ExpectRefusedUnchanged(path, "> Not worked on: '" + path + "' was coded meanwhile", false);
}

TEST_F(FaultTest, UnwritableFileIsRefusedBothWays) {
  std::string plainFile = FullFile("locked.txt");
  std::string codedFile = FullFile("locked-coded.txt");
  EnterPassword("pw");
  ASSERT_TRUE(InspectAndWork(codedFile));
  for (const std::string& path : {plainFile, codedFile}) {
    ASSERT_TRUE(MakeUnwritable(path, true));
    unwritable_.push_back(path);
  }
  ExpectRefusedUnchanged(plainFile, "\n> Not coded: can't open '" + plainFile + "' for reading");
  ExpectRefusedUnchanged(codedFile, "> Not decoded: can't open '" + codedFile + "' for reading");

  // A file on a read-only mount likewise.
  if (!RunningAsRoot()) GTEST_SKIP() << "a read-only bind mount needs root";
  std::string mnt = Path("ro");
  FullFile("ro.txt");
  ASSERT_EQ(mkdir(mnt.c_str(), 0755), 0);
  ASSERT_EQ(mount(dir_.c_str(), mnt.c_str(), nullptr, MS_BIND, nullptr), 0);
  ASSERT_EQ(mount(nullptr, mnt.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr), 0);
  ExpectRefusedUnchanged(mnt + "/ro.txt", "> Not coded: can't open '" + mnt + "/ro.txt'");
}

// The limits, at their edges: a type of 255 bytes is stashed and put back, one of 256 (which
// the file's type could not be set back to) is refused, not cut; an icon of 1,025 bytes is no
// icon and stays on the file through coding and decoding; a coded file cut short is refused
// before its bytes are read, with both lengths.
TEST_F(FaultTest, LimitsAreWhereTheySay) {
  const Bytes plain = RandomBytes(9000, 25);
  const std::string path = MakeFile("edges", plain);
  const std::string type = "text/" + std::string(250, 'x');
  SetXattr(path, "mime_type", type);
  SetXattr(path, "BEOS:L:STD_ICON", std::string(1025, 'i'));
  const XattrMap before = AllXattrs(path);
  EnterPassword("pw");
  ASSERT_TRUE(InspectAndWork(path));
  EXPECT_EQ(*GetXattr(path, "x_beos:type"), type + '\0');
  EXPECT_EQ(GetXattr(path, "BEOS:L:STD_ICON")->size(), 1025u);
  const Bytes coded = ReadFileBytes(path);
  WriteFileBytes(path, Bytes(coded.begin(), coded.begin() + 8192));
  ExpectRefusedUnchanged(
      path, "> Not decoded: it changed since it was coded (8192 bytes, coded were 9000)\n");
  WriteFileBytes(path, coded);
  ASSERT_TRUE(InspectAndWork(path));
  EXPECT_TRUE(ReadFileBytes(path) == plain);
  EXPECT_EQ(AllXattrs(path), before);

  const std::string longer = MakeFile("long-type", RandomBytes(2000, 25));
  SetXattr(longer, "mime_type", type + 'y');
  ExpectRefusedUnchanged(longer, "\n> Not coded: the value of mime_type is too long to keep");
}

// A link to a FIFO is refused without the FIFO ever being opened, which would wait for a writer
// that never comes (the alarm ends a hung run); so is a FIFO put in place of a file that was
// inspected.
TEST_F(FaultTest, FifoIsRefusedWithoutWaiting) {
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0644), 0);
  ASSERT_EQ(symlink(Path("fifo").c_str(), Path("to-fifo").c_str()), 0);
  EnterPassword("pw");
  alarm(60);
  std::string out;
  EXPECT_FALSE(InspectAndWork(Path("to-fifo"), &out));
  EXPECT_EQ(
      out, "> Not workable: '" + Path("to-fifo") + "': it leads to something not a regular file\n");
  Inspection found = engine_->Inspect(MakeFile("was-a-file", Bytes(10, 'w')));
  ASSERT_EQ(unlink(found.file.c_str()), 0);
  ASSERT_EQ(mkfifo(found.file.c_str(), 0644), 0);
  WorkResult r = engine_->Work(found, password_);
  alarm(0);
  EXPECT_EQ(WorkLines(r), "> Not worked on: '" + found.file + "' is not a regular file\n");
  EXPECT_EQ(AllXattrs(Path("fifo")), XattrMap());
}

// Crafted or damaged record values are no records: the file is not workable, never decoded
// (an empty password would once "decode" a plain file with a junk record), and the value never
// reaches a line.
TEST_F(FaultTest, DamagedRecordsAreNeverDecodedNorPrinted) {
  Bytes plain = RandomBytes(200, 24);
  std::string path = MakeFile("crafted", plain);
  const std::string lying = {12, 30, 40, 20, 85, 33, 30, char(250), 'a', 'b', 'c', char(200)};
  const std::string whole = EncodeRecordValue(NewRecordFields("x", "", kFixtureTimeCode.c_str()));
  // Longer than what is read and without a zero byte; lengths that point past the line and
  // past the value; five junk bytes; a whole record with a byte more; one cut short.
  for (const std::string& value : {std::string(600, '\xEE'), lying, std::string("\x05junk"),
                                   whole + 'x', whole.substr(0, whole.size() - 1)}) {
    for (const char* password : {"pw", ""}) {
      EnterPassword(password);
      SetXattr(path, "PrivCodec", value);
      std::string out;
      EXPECT_FALSE(InspectAndWork(path, &out));
      EXPECT_EQ(inspection_.notWorkable, NotWorkable::DamagedRecord);
      EXPECT_EQ(
          out.rfind("MVW> Has Codec-Attr.!\n> Not workable: '" + path + "': damaged record (", 0),
          0u)
          << out;
      EXPECT_EQ(out.find(value.substr(1, 4)), std::string::npos) << out;
      EXPECT_TRUE(ReadFileBytes(path) == plain);
      EXPECT_EQ(*GetXattr(path, "PrivCodec"), value);
    }
  }
}

// File calls that run `once` (then forget it) after the first write that does not begin at a
// file's start: the journal's second header copy, before the pass reads any file; or, with `file`
// set, the first such write to the file of that inode (the pass's second window of it).
struct AfterAWriteBeyondTheStart : plat::SystemFileCalls {
  std::function<void()> once;
  ino_t file = 0;
  ssize_t Pwrite(int fd, const void* buf, size_t len, uint64_t offset) override {
    ssize_t r = SystemFileCalls::Pwrite(fd, buf, len, offset);
    struct stat st {};
    if (once && offset > 0 && (!file || (fstat(fd, &st) == 0 && st.st_ino == file)))
      std::exchange(once, nullptr)();
    return r;
  }
};

// A file renamed away, or replaced by another (an editor's save, a sync) while it is being coded:
// the change follows the one open file, is turned back there, and the file now at the path is
// left alone. The hook runs once the journal is made, before the pass reads the file.
TEST_F(FaultTest, FileMovedOrReplacedMidPassIsTurnedBackWhereItIs) {
  using Hook = AfterAWriteBeyondTheStart;
  engine_->SetWindowBytes(8192);
  EnterPassword("pw");
  for (bool replace : {false, true}) {
    SCOPED_TRACE(replace ? "replaced" : "moved away");
    const std::string path = FullFile("doc.txt");
    const Bytes bytes = ReadFileBytes(path);
    const XattrMap attrs = AllXattrs(path);
    const std::string newer = MakeFile("newer", Bytes(100, 'n'));
    Hook hook;
    hook.once = [&] {
      ASSERT_EQ(rename(path.c_str(), Path("moved").c_str()), 0);
      if (replace) {
        ASSERT_EQ(rename(newer.c_str(), path.c_str()), 0);
      }
    };
    Inspection found = engine_->Inspect(path);
    plat::SetFileCalls(&hook);
    WorkResult r = engine_->Work(found, password_);
    plat::SetFileCalls(nullptr);
    EXPECT_EQ(WorkLines(r), "\n> NO  Codec-Attr.!-> CODING:\n> Not coded, file left as it was: '" +
                                path + "' was replaced or moved while it was being worked on\n");
    EXPECT_TRUE(ReadFileBytes(Path("moved")) == bytes);
    EXPECT_EQ(AllXattrs(Path("moved")), attrs);
    if (replace) {
      EXPECT_EQ(ReadFileBytes(path), Bytes(100, 'n'));
      EXPECT_EQ(AllXattrs(path), XattrMap());
    }
    unlink(path.c_str());
    unlink(Path("moved").c_str());
  }

  // Replaced between its look and its opening: the file now at the path is left alone.
  struct ReplacedAtOpen : plat::SystemFileCalls {
    std::function<void()> once;
    int Open(const std::string& path, int flags, mode_t mode) override {
      if (once) std::exchange(once, nullptr)();
      return SystemFileCalls::Open(path, flags, mode);
    }
  } atOpen;
  const std::string path = FullFile("doc.txt");
  const std::string newer = MakeFile("newer", Bytes(100, 'n'));
  atOpen.once = [&] { ASSERT_EQ(rename(newer.c_str(), path.c_str()), 0); };
  Inspection found = engine_->Inspect(path);
  plat::SetFileCalls(&atOpen);
  WorkResult r = engine_->Work(found, password_);
  plat::SetFileCalls(nullptr);
  EXPECT_EQ(r.reason.code, FaultCode::ReplacedWhileOpening) << r.reason;
  EXPECT_EQ(ReadFileBytes(path), Bytes(100, 'n'));
  EXPECT_EQ(AllXattrs(path), XattrMap());
}

// Decoding proves the bytes are those that were coded: bytes added, bytes changed, or a plain
// file copied over a coded one (which keeps the old record) are refused, never decoded.
TEST_F(FaultTest, DecodingRefusesBytesChangedSinceCoding) {
  EnterPassword("pw");
  const std::string path = MakeFile("coded", RandomBytes(50000, 40));
  ASSERT_TRUE(InspectAndWork(path));
  const Bytes coded = ReadFileBytes(path);

  Bytes appended = coded;
  appended.push_back('!');
  Bytes edited = coded;
  edited[30000] ^= 0x20;
  Bytes copiedOver = RandomBytes(50000, 41);
  for (const Bytes& changed : {appended, edited, copiedOver}) {
    WriteFileBytes(path, changed);
    const XattrMap attrs = AllXattrs(path);
    std::string out;
    EXPECT_FALSE(InspectAndWork(path, &out));
    EXPECT_NE(out.find("> Not decoded"), std::string::npos) << out;
    EXPECT_NE(out.find("it changed since it was coded"), std::string::npos) << out;
    EXPECT_TRUE(ReadFileBytes(path) == changed);
    EXPECT_EQ(AllXattrs(path), attrs);
  }
  // As it was coded, it decodes.
  WriteFileBytes(path, coded);
  EXPECT_TRUE(InspectAndWork(path));
  EXPECT_EQ(result_.outcome, WorkOutcome::Decoded);
}

// Another program appends to the file, cuts it short, or saves it in place a line longer, while
// it is coded: the change is turned back, what that program wrote is kept, and nothing says
// "coded". It does so once the pass has written the file's first 16384 bytes (or before the pass
// reads it): a cut may leave a part of a page the pass turned, to be turned back, or of one it
// never wrote, to be left as it is.
TEST_F(FaultTest, FileResizedByAnotherProgramMidPassIsTurnedBack) {
  using Hook = AfterAWriteBeyondTheStart;
  engine_->SetWindowBytes(8192);
  EnterPassword("pw");
  const Bytes plain = RandomBytes(30000, 50);
  Bytes longer = plain;
  longer.insert(longer.end(), {'t', 'a', 'i', 'l'});
  const auto cut = [&](size_t n) { return Bytes(plain.begin(), plain.begin() + long(n)); };
  struct Resize {
    const char* what;
    bool midPass;
    Bytes after;   // the file as the other program leaves it
    bool inPlace;  // written whole from its start; else appended to or cut
  };
  for (const Resize& resize :
       {Resize{"appended", true, longer, false}, Resize{"saved in place", true, longer, true},
        Resize{"cut past the bytes written", true, cut(20000), false},
        Resize{"cut in a page written", true, cut(6000), false},
        Resize{"cut before the pass", false, cut(6000), false}}) {
    SCOPED_TRACE(resize.what);
    const std::string path = MakeFile("resized", plain);
    DecorateFile(path);
    const XattrMap attrs = AllXattrs(path);
    Hook hook;
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    if (resize.midPass) hook.file = st.st_ino;
    hook.once = [&] {
      if (resize.inPlace) {
        WriteFileBytes(path, resize.after);
      } else if (resize.after.size() > plain.size()) {
        int other = open(path.c_str(), O_WRONLY | O_APPEND);
        ASSERT_GE(other, 0);
        const size_t more = resize.after.size() - plain.size();
        ASSERT_EQ(write(other, resize.after.data() + plain.size(), more), ssize_t(more));
        close(other);
      } else {
        ASSERT_EQ(truncate(path.c_str(), off_t(resize.after.size())), 0);
      }
    };
    Inspection found = engine_->Inspect(path);
    plat::SetFileCalls(&hook);
    WorkResult r = engine_->Work(found, password_);
    plat::SetFileCalls(nullptr);
    EXPECT_EQ(r.outcome, WorkOutcome::NotDone);
    EXPECT_EQ(r.reason.code, FaultCode::ResizedWhileCoding) << r.reason;
    EXPECT_TRUE(r.turnedBack);
    EXPECT_TRUE(ReadFileBytes(path) == resize.after);
    EXPECT_EQ(AllXattrs(path), attrs);
    unlink(path.c_str());
  }
}

}  // namespace
