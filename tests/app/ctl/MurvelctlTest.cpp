// murvelctl end to end, on real files in a scratch folder: the result lines and exit codes, the
// password from standard input and from a terminal, and files passed between it and the
// window's engine. What the engine does to a file is the engine tests' business; here it is
// enough that murvelctl's files come back exactly.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "CtlRunner.h"
#include "engine/journal/ChangeMarker.h"
#include "platform/Paths.h"
#include "platform/SecretMemory.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/platform/DumpFlags.h"

namespace {

class MurvelctlTest : public EngineTest {
 protected:
  void TearDown() override {
    for (const std::string& path : unwritable_) EXPECT_TRUE(MakeUnwritable(path, false));
    EngineTest::TearDown();
  }
  CtlResult Ctl(const std::vector<std::string>& args, const std::string& input = "") {
    return RunCtl(args, input, dir_);
  }
  bool HasRecord(const std::string& leaf) const {
    return GetXattr(Path(leaf), "PrivCodec").has_value();
  }
  // Codes or decodes with the window's engine, as a drop and a press of "Do it" would.
  bool EngineWork(const std::string& leaf, const char* password) {
    EnterPassword(password);
    return InspectAndWork(Path(leaf));
  }

  std::vector<std::string> unwritable_;
};

TEST_F(MurvelctlTest, UsageErrorsExitWithTwoAndTouchNothing) {
  MakeFile("f", Bytes(100, 'f'));
  for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                               {"encrypt", "f"},
                                               {"code"},
                                               {"--bogus", "code", "f"},
                                               {"code", "--password=abc", "f"},
                                               {"decode", "-p", "abc", "f"}}) {
    CtlResult r = Ctl(args, "pw\n");
    EXPECT_EQ(r.exitCode, 2) << (args.empty() ? "" : args[0]);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("murvelctl: ", 0), 0u) << r.err;
  }
  EXPECT_FALSE(HasRecord("f"));
  EXPECT_NE(Ctl({"code", "--password=x", "f"}).err.find("never taken as an argument"),
            std::string::npos);

  CtlResult help = Ctl({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind("Usage: murvelctl", 0), 0u);
  CtlResult version = Ctl({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out.rfind("murvelctl ", 0), 0u);

  // Result lines that cannot be written are a failure.
  const std::string full =
      "cd '" + dir_ + "' && " MURVELCTL_PATH " status f >/dev/full 2>/dev/null";
  const int status = std::system(full.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
}

TEST_F(MurvelctlTest, CodeStatusDecodeRoundTrip) {
  const Bytes plain = RandomBytes(300000, 1);
  const std::string path = MakeFile("notes.txt", plain);
  SetXattr(path, "mime_type", "text/plain");
  const XattrMap before = AllXattrs(path);

  // Only the result lines: the engine's diagnostics never reach standard output.
  CtlResult coded = Ctl({"--password-stdin", "code", "notes.txt"}, "s3cret\n");
  EXPECT_EQ(coded.exitCode, 0) << coded.err;
  EXPECT_EQ(coded.out, "coded: notes.txt\n");
  EXPECT_TRUE(HasRecord("notes.txt"));

  CtlResult status = Ctl({"status", "notes.txt"});
  EXPECT_EQ(status.exitCode, 0);
  EXPECT_EQ(status.out.rfind("coded: notes.txt: \"notes.txt\", 20", 0), 0u) << status.out;
  EXPECT_EQ(status.out.find("s3cret"), std::string::npos);

  CtlResult decoded = Ctl({"decode", "--password-stdin", "notes.txt"}, "s3cret\n");
  EXPECT_EQ(decoded.exitCode, 0) << decoded.err;
  EXPECT_EQ(decoded.out, "decoded: notes.txt\n");
  EXPECT_TRUE(ReadFileBytes(path) == plain);
  EXPECT_EQ(AllXattrs(path), before);
  EXPECT_EQ(Ctl({"status", "notes.txt"}).out, "plain: notes.txt\n");
}

TEST_F(MurvelctlTest, WrongPasswordLeavesTheCodedFileAsItWas) {
  const std::string path = MakeFile("a", RandomBytes(5000, 2));
  ASSERT_EQ(Ctl({"--password-stdin", "code", "a"}, "right\n").exitCode, 0);
  const Bytes codedBytes = ReadFileBytes(path);

  // Blanks are part of the password; an empty line is an empty password.
  for (const char* wrong : {"Right\n", "right \n", "\n"}) {
    CtlResult r = Ctl({"--password-stdin", "decode", "a"}, wrong);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "wrong password: a\n");
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(ReadFileBytes(path) == codedBytes);
  }
  // A password line ended the Windows way still counts as the same password.
  EXPECT_EQ(Ctl({"--password-stdin", "decode", "a"}, "right\r\n").exitCode, 0);

  // Nothing it shows, diagnostics included, carries the password or the record's bytes.
  ASSERT_EQ(Ctl({"--password-stdin", "code", "a"}, "right\n").exitCode, 0);
  const std::string record = *GetXattr(path, "PrivCodec");
  for (const char* typed : {"wrong\n", "right\n"}) {
    CtlResult r = Ctl({"-v", "--password-stdin", "decode", "a"}, typed);
    for (const std::string& shown : {r.out, r.err}) {
      EXPECT_EQ(shown.find("right"), std::string::npos) << shown;
      EXPECT_EQ(shown.find("wrong\n"), std::string::npos) << shown;
      EXPECT_EQ(shown.find(record.substr(7, 6)), std::string::npos) << shown;
    }
    EXPECT_NE(r.err.find("MVW> Has   Codec-Attr. ! 'a' '20'"), std::string::npos) << r.err;
  }
}

TEST_F(MurvelctlTest, RefusedFilesAreReportedAndTheOthersStillDone) {
  const Bytes plain = RandomBytes(1000, 3);
  MakeFile("plain", plain);
  const std::string coded = MakeFile("coded", RandomBytes(1000, 4));
  ASSERT_EQ(Ctl({"--password-stdin", "code", "coded"}, "pw\n").exitCode, 0);
  const Bytes codedBytes = ReadFileBytes(coded);
  ASSERT_EQ(mkdir(Path("folder").c_str(), 0755), 0);
  MakeFile("other", Bytes(10, 'o'));
  const std::string locked = MakeFile("locked", Bytes(10, 'l'));
  ASSERT_TRUE(MakeUnwritable(locked, true));
  unwritable_.push_back(locked);

  CtlResult code =
      Ctl({"--password-stdin", "code", "coded", "missing", "folder", "locked", "other"}, "pw\n");
  EXPECT_EQ(code.exitCode, 1);
  // Failures and refusals on standard error, results on standard output.
  EXPECT_EQ(code.out, "coded: other\n");
  EXPECT_EQ(code.err,
            "skipped: coded: already coded\n"
            "not workable: missing: No such file or directory\n"
            "not workable: folder: it is a folder\n"
            "failed: locked: Not coded: can't open '" +
                locked + "' for reading and writing: " +
                (RunningAsRoot() ? "Operation not permitted" : "Permission denied") + "\n");
  EXPECT_TRUE(ReadFileBytes(coded) == codedBytes);
  // Control bytes of a name never reach the terminal, not even inside the engine's reason.
  const std::string escape = MakeFile("red\x1b[31m", Bytes(10, 'e'));
  ASSERT_TRUE(MakeUnwritable(escape, true));
  unwritable_.push_back(escape);
  CtlResult esc = Ctl({"--password-stdin", "code", "red\x1b[31m"}, "pw\n");
  EXPECT_EQ(esc.err.rfind("failed: red?[31m: Not coded: can't open '", 0), 0u) << esc.err;
  EXPECT_EQ(esc.err.find('\x1b'), std::string::npos);

  CtlResult decode = Ctl({"--password-stdin", "decode", "plain"}, "pw\n");
  EXPECT_EQ(decode.exitCode, 1);
  EXPECT_EQ(decode.err, "skipped: plain: not coded\n");
  EXPECT_TRUE(ReadFileBytes(Path("plain")) == plain);

  // No password on standard input: nothing is done.
  CtlResult empty = Ctl({"--password-stdin", "code", "plain"}, "");
  EXPECT_EQ(empty.exitCode, 1);
  EXPECT_EQ(empty.out, "");
  EXPECT_FALSE(HasRecord("plain"));

  // A coded file whose attributes its user may not read is not taken for a plain one.
  if (!RunningAsRoot()) return;
  ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
  ASSERT_EQ(chown(coded.c_str(), 65534, 65534), 0);
  ASSERT_EQ(chmod(coded.c_str(), 0200), 0);
  for (const char* command : {"status", "decode"}) {
    CtlResult r = RunCtl({"--password-stdin", command, "coded"}, "pw\n", dir_, true);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "not workable: coded: can't read its attributes: Permission denied\n");
  }
  EXPECT_TRUE(ReadFileBytes(coded) == codedBytes);

  MountOn("ram", "ramfs", nullptr);
  MakeFile("ram/f", Bytes(10, 'r'));
  EXPECT_EQ(Ctl({"status", "ram/f"}).err,
            "not workable: ram/f: its file system keeps no attributes\n");
}

// Folders with --recursive: every file inside, in name order, links listed as skipped and never
// followed out of the folder; status --quiet answers in its exit status.
TEST_F(MurvelctlTest, RecursiveFoldersAndQuietStatus) {
  ASSERT_EQ(mkdir(Path("d").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(Path("d/sub").c_str(), 0755), 0);
  MakeFile("d/a", RandomBytes(3000, 9));
  MakeFile("d/sub/b", RandomBytes(3000, 10));
  const Bytes outsideBytes = RandomBytes(3000, 11);
  MakeFile("outside", outsideBytes);
  ASSERT_EQ(symlink("../outside", Path("d/link").c_str()), 0);

  EXPECT_EQ(Ctl({"--password-stdin", "code", "d"}, "pw\n").err,
            "not workable: d: it is a folder\n");
  CtlResult r = Ctl({"--password-stdin", "-r", "code", "d"}, "pw\n");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "coded: d/a\ncoded: d/sub/b\n");
  EXPECT_EQ(r.err, "skipped: d/link: a link inside a folder, which is not followed\n");
  EXPECT_TRUE(ReadFileBytes(Path("outside")) == outsideBytes);
  EXPECT_EQ(AllXattrs(Path("outside")), XattrMap());

  for (const auto& [file, code] :
       std::vector<std::pair<std::string, int>>{{"d/a", 0}, {"outside", 3}, {"missing", 1}}) {
    CtlResult q = Ctl({"status", "--quiet", file});
    EXPECT_EQ(q.exitCode, code) << file;
    EXPECT_EQ(q.out, "") << file;
  }
  EXPECT_EQ(Ctl({"status", "-q", "d/a", "outside"}).exitCode, 3);
  EXPECT_EQ(Ctl({"status", "-q", "outside", "missing"}).exitCode, 1);
  EXPECT_EQ(Ctl({"--password-stdin", "-q", "code", "d/a"}, "pw\n").exitCode, 2);
  // A disagreement (plain text under a record left over) outranks a file that cannot be told.
  std::string text;
  for (int i = 0; i < 30; ++i)
    text += "Line " + std::to_string(i) + ": the minutes of the meeting, who said what.\n";
  MakeFile("left-over", Bytes(text.begin(), text.end()));
  SetXattr(Path("left-over"), "PrivCodec", *GetXattr(Path("d/a"), "PrivCodec"));
  EXPECT_EQ(Ctl({"status", "-q", "left-over", "missing"}).exitCode, 4);

  // A link named with -r is not walked into.
  ASSERT_EQ(symlink(Path("d/sub").c_str(), Path("to-sub").c_str()), 0);
  r = Ctl({"-r", "status", "to-sub"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "not workable: to-sub: it leads to a folder\n");

  // A folder the walk cannot read, inside or named, gets its line, and the command does not end
  // as if all were done.
  if (!RunningAsRoot()) return;
  ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
  ASSERT_EQ(mkdir(Path("d/locked").c_str(), 0700), 0);
  for (const char* command : {"status", "recover"}) {
    for (const char* named : {"d", "d/locked"}) {
      CtlResult r = RunCtl({"-r", command, named}, "", dir_, true);
      EXPECT_EQ(r.exitCode, 1) << command << " " << named;
      EXPECT_NE(r.err.find("skipped: d/locked: can't read the folder: Permission denied\n"),
                std::string::npos)
          << r.err;
    }
  }
}

// A journal whose file went elsewhere before its change was settled is kept and said, with what
// to do: name the journal with the file where it is now, or drop the journal knowingly.
TEST_F(MurvelctlTest, RecoverKeepsJournalsOfFilesItCannotFindAndSaysWhatToDo) {
  ASSERT_EQ(mkdir(Path("a").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(Path("b").c_str(), 0755), 0);
  const Bytes plain = RandomBytes(300000, 7);
  MakeFile("a/f", plain);
  MakeFile("a/other", Bytes(10, 'o'));
  ASSERT_TRUE(InterruptChange(Path("a/f"), "pw", 3));
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(Path("a")))
    if (e.path().filename().string().rfind(".murvel-journal-", 0) == 0)
      names.push_back(e.path().string());
  ASSERT_EQ(names.size(), 1u);
  const std::string journal = names[0];
  ASSERT_EQ(rename(Path("a/f").c_str(), Path("b/f").c_str()), 0);

  CtlResult r = Ctl({"recover", "a/other"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "whole: a/other: plain\n");
  EXPECT_EQ(r.err, "kept journal: " + journal +
                       ": files it names can't be found (moved or removed before their change "
                       "was settled) '" +
                       Path("a/f") +
                       "'; name it with the files where they are now: murvelctl recover JOURNAL "
                       "FILE..., or remove it knowingly: murvelctl recover --drop-journal "
                       "JOURNAL\n");
  // Named with the file where it went, the journal goes.
  r = Ctl({"recover", journal, "b/f"});
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(r.out, "recovered: b/f: its interrupted coding was completed\n");
  EXPECT_FALSE(std::filesystem::exists(journal));
  EXPECT_EQ(Ctl({"--password-stdin", "decode", "b/f"}, "pw\n").exitCode, 0);
  EXPECT_TRUE(ReadFileBytes(Path("b/f")) == plain);

  // A file removed: its journal is dropped only when asked.
  MakeFile("a/gone", plain);
  ASSERT_TRUE(InterruptChange(Path("a/gone"), "pw", 3));
  ASSERT_EQ(unlink(Path("a/gone").c_str()), 0);
  EXPECT_EQ(Ctl({"recover", "a/other"}).exitCode, 1);
  names.clear();
  for (const auto& e : std::filesystem::directory_iterator(Path("a")))
    if (e.path().filename().string().rfind(".murvel-journal-", 0) == 0)
      names.push_back(e.path().string());
  ASSERT_EQ(names.size(), 1u);
  r = Ctl({"recover", "--drop-journal", names[0]});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "dropped journal: " + names[0] + ": it named '" + Path("a/gone") + "'\n");
  EXPECT_FALSE(std::filesystem::exists(names[0]));
  EXPECT_EQ(Ctl({"recover", "--drop-journal", "a/other"}).exitCode, 0);  // no journal named
  EXPECT_EQ(Ctl({"status", "--drop-journal", "a/other"}).exitCode, 2);

  // A file that cannot be settled: exit 1, and the line says why.
  SetXattr(Path("a/other"), "murvel.change", "junk");
  r = Ctl({"recover", "a/other"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("failed: a/other: "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("its change marker is damaged"), std::string::npos) << r.err;
}

// What a marker names is taken for a journal only when it has a journal's name, and a journal is
// removed only when no file can need it: a user who may set a marker on a file of a shared
// folder gets no file of whoever runs recover removed (here root's: a file, a journal that
// cannot be read, one not yet flushed), and a damaged journal whose file went elsewhere stays,
// named or swept. --drop-journal removes only a journal of the user's own that no program holds.
TEST_F(MurvelctlTest, RecoverRemovesNoFileThatAFileMayNeed) {
  if (!RunningAsRoot()) GTEST_SKIP() << "a second user needs root";
  ASSERT_EQ(mkdir(Path("shared").c_str(), 0777), 0);
  ASSERT_EQ(mkdir(Path("root").c_str(), 0700), 0);
  const std::string secret = MakeFile("root/secret", Bytes(6, 's'));
  const std::string needed = MakeFile("root/.murvel-journal-Ab3dEf", Bytes(200, 'j'));
  const std::string unflushed = MakeFile("root/.murvel-journal-new-Ab3dEf", Bytes(200, 'n'));
  for (const auto& [leaf, named] : {std::pair<std::string, std::string>{"shared/s", secret},
                                    {"shared/n", needed},
                                    {"shared/u", unflushed}}) {
    MakeFile(leaf, Bytes(10, 'p'));
    ASSERT_EQ(chown(Path(leaf).c_str(), 65534, 65534), 0);
    ChangeMarker marker;
    marker.nonce = 1;
    marker.journal = named;
    SetXattr(Path(leaf), "murvel.change", EncodeMarker(marker));
  }
  CtlResult r = Ctl({"recover", "-r", "shared"});
  EXPECT_EQ(r.exitCode, 1);
  for (const char* leaf : {"shared/s", "shared/u"})
    EXPECT_NE(r.err.find(std::string("failed: ") + leaf +
                         ": it carries an interrupted change, which could not be settled: its "
                         "change marker is damaged"),
              std::string::npos)
        << r.err;
  EXPECT_TRUE(ReadFileBytes(secret) == Bytes(6, 's'));
  EXPECT_TRUE(ReadFileBytes(needed) == Bytes(200, 'j'));
  EXPECT_TRUE(ReadFileBytes(unflushed) == Bytes(200, 'n'));

  // Not dropped: another user's journal, a link named like one, one another program holds, and
  // one whose folder refuses its removal (which is not said to be dropped).
  const std::string others = MakeFile("shared/.murvel-journal-Nb0dy0", Bytes(200, 'o'));
  ASSERT_EQ(chown(others.c_str(), 65534, 65534), 0);
  const std::string link = Path("root/.murvel-journal-L1nk00");
  ASSERT_EQ(symlink(secret.c_str(), link.c_str()), 0);
  const int holder = open(needed.c_str(), O_RDONLY);
  ASSERT_EQ(flock(holder, LOCK_EX), 0);
  ASSERT_EQ(mkdir(Path("frozen").c_str(), 0700), 0);
  const std::string frozen = MakeFile("frozen/.murvel-journal-Fr0zen", Bytes(200, 'f'));
  ASSERT_TRUE(MakeUnwritable(Path("frozen"), true));
  unwritable_.push_back(Path("frozen"));
  r = Ctl({"recover", "--drop-journal", others, link, needed, frozen});
  close(holder);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  for (const std::string& kept : {others, link, needed, frozen}) {
    struct stat st {};
    EXPECT_EQ(lstat(kept.c_str(), &st), 0) << kept;
    EXPECT_NE(r.err.find("failed: " + kept + ": "), std::string::npos) << r.err;
  }

  // A journal damaged after its file was moved to another folder: kept, named or swept.
  MakeFile("f", RandomBytes(300000, 3));
  ASSERT_TRUE(InterruptChange(Path("f"), "pw", 3));
  std::string journal;
  for (const auto& e : std::filesystem::directory_iterator(dir_))
    if (e.path().filename().string().rfind(".murvel-journal-", 0) == 0) journal = e.path();
  ASSERT_FALSE(journal.empty());
  ASSERT_EQ(rename(Path("f").c_str(), Path("root/f").c_str()), 0);
  ASSERT_EQ(truncate(journal.c_str(), 4096), 0);
  r = Ctl({"recover", journal});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("kept journal: " + journal + ": the journal '" + journal +
                       "' is damaged: it is cut short"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(Ctl({"recover", "-r", "."}).exitCode, 1);
  EXPECT_TRUE(std::filesystem::exists(journal));
}

TEST_F(MurvelctlTest, LongPasswordIsCutToTwentyBytesWithAWarning) {
  MakeFile("f", RandomBytes(2000, 5));
  CtlResult r = Ctl({"--password-stdin", "code", "f"}, "abcdefghijklmnopqrstuvwxy\n");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.err.find("warning"), std::string::npos);
  // The same 20 bytes open it, typed short or long.
  EXPECT_EQ(Ctl({"--password-stdin", "decode", "f"}, "abcdefghijklmnopqrs\n").exitCode, 1);
  EXPECT_EQ(Ctl({"--password-stdin", "decode", "f"}, "abcdefghijklmnopqrst\n").exitCode, 0);

  // The window keeps the same 20 bytes, even when the cut splits a character: a file it coded
  // with a long password opens with that password typed here, and the other way round.
  const std::string longPass = "abcdefghijklmnopqrs\xC3\xA9xyz";
  ASSERT_TRUE(EngineWork("f", "abcdefghijklmnopqrs\xC3"));
  EXPECT_EQ(Ctl({"--password-stdin", "decode", "f"}, longPass + "\n").exitCode, 0);
  ASSERT_EQ(Ctl({"--password-stdin", "code", "f"}, longPass + "\n").exitCode, 0);
  EXPECT_TRUE(EngineWork("f", "abcdefghijklmnopqrs\xC3"));
  EXPECT_FALSE(HasRecord("f"));
}

TEST_F(MurvelctlTest, FilesPassBetweenTheWindowsEngineAndMurvelctl) {
  const Bytes one = RandomBytes(70000, 6);
  const std::string byWindow = MakeFile("by-window", one);
  ASSERT_TRUE(EngineWork("by-window", "shared"));
  ASSERT_TRUE(HasRecord("by-window"));
  EXPECT_EQ(Ctl({"--password-stdin", "decode", "by-window"}, "other\n").exitCode, 1);
  CtlResult r = Ctl({"--password-stdin", "decode", "by-window"}, "shared\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(ReadFileBytes(byWindow) == one);
  EXPECT_EQ(AllXattrs(byWindow), XattrMap());

  const Bytes two = RandomBytes(70000, 7);
  const std::string byCtl = MakeFile("by-ctl", two);
  SetXattr(byCtl, "mime_type", "image/png");
  ASSERT_EQ(Ctl({"--password-stdin", "code", "by-ctl"}, "shared\n").exitCode, 0);
  EXPECT_TRUE(EngineWork("by-ctl", "shared"));
  EXPECT_TRUE(ReadFileBytes(byCtl) == two);
  EXPECT_EQ(AllXattrs(byCtl), (XattrMap{{"mime_type", "image/png"}}));
}

TEST_F(MurvelctlTest, TerminalAsksTwiceWithoutEchoWhenCoding) {
  const Bytes plain = RandomBytes(4000, 8);
  const std::string path = MakeFile("t", plain);
  CtlResult differ = RunCtlOnTerminal({"code", "t"}, {"first-try", "first-trx"}, dir_);
  EXPECT_EQ(differ.exitCode, 1);
  EXPECT_NE(differ.err.find("differ"), std::string::npos);
  EXPECT_FALSE(HasRecord("t"));

  CtlResult same = RunCtlOnTerminal({"code", "t"}, {"typed-pw", "typed-pw"}, dir_);
  EXPECT_EQ(same.exitCode, 0) << same.err;
  EXPECT_NE(same.err.find("coded: t"), std::string::npos);
  EXPECT_EQ(same.err.find("typed-pw"), std::string::npos) << "the password was echoed";

  // Stopped with Ctrl-Z halfway through the password and continued by the shell, which shows
  // typing again: murvelctl hides it again and asks afresh, dropping what came before the stop.
  CtlResult decode =
      RunCtlOnTerminal({"decode", "t"}, {"typed-\x1a", "typed-pw"}, dir_, /*jobControl=*/true);
  EXPECT_EQ(decode.exitCode, 0) << decode.err;
  EXPECT_EQ(decode.err.find("typed-pw"), std::string::npos) << "the password was echoed";
  EXPECT_TRUE(ReadFileBytes(path) == plain);
}

// The setuid and setgid bits that writing clears come back exactly, coded and decoded, when
// the file's own (non-root) user works on it.
TEST_F(MurvelctlTest, SetuidAndSetgidBitsSurviveTheirOwnersChange) {
  if (!RunningAsRoot()) GTEST_SKIP() << "needs root to act as the file's owner, nobody";
  ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
  ASSERT_EQ(chown(dir_.c_str(), 65534, 65534), 0);
  const Bytes bytes = RandomBytes(20000, 60);
  for (mode_t mode : {04755, 02755, 06711}) {
    SCOPED_TRACE(mode);
    const std::string path = MakeFile("tool", bytes);
    ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
    for (const char* command : {"code", "decode"}) {
      CtlResult r = RunCtl({"--password-stdin", command, "tool"}, "pw\n", dir_, true);
      EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
      struct stat st;
      ASSERT_EQ(stat(path.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, mode) << command;
    }
    EXPECT_TRUE(ReadFileBytes(path) == bytes);
    unlink(path.c_str());
  }
}

// Files 22 folders deep, whose paths (over 4,400 bytes) the kernel would refuse whole: each is
// coded and decoded, and the one that cannot be changed fails alone, with its line.
TEST_F(MurvelctlTest, FilesDeeperThanAPathCanNameAreWorkedOn) {
  constexpr int kDepth = 22;
  const Bytes bytes = RandomBytes(5000, 70);
  std::vector<int> folders{open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  std::string shown = "t";
  std::vector<std::string> files;
  // A leaf name longer than a folder's step: at some depth the current folder's absolute name
  // still fits the kernel, but not with the leaf after it.
  const std::string leaf = "file" + std::string(246, 'y');
  for (int depth = 0; depth <= kDepth; ++depth) {
    const std::string name = depth == 0 ? "t" : "d" + std::to_string(depth) + std::string(200, 'x');
    if (depth > 0) shown += "/" + name;
    ASSERT_EQ(mkdirat(folders.back(), name.c_str(), 0755), 0);
    folders.push_back(openat(folders.back(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    int f = openat(folders.back(), leaf.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(write(f, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    close(f);
    files.push_back(shown + "/" + leaf);
  }
  ASSERT_GT(files.back().size(), size_t(PATH_MAX));
  auto readBack = [&](int depth) {
    Bytes back(bytes.size() + 1);
    int f = openat(folders[size_t(depth) + 1], leaf.c_str(), O_RDONLY | O_CLOEXEC);
    back.resize(size_t(std::max<ssize_t>(0, read(f, back.data(), back.size()))));
    close(f);
    return back;
  };
  // The deepest file cannot be written (immutable for root, read-only otherwise).
  const int deepest = openat(folders.back(), leaf.c_str(), O_RDONLY | O_CLOEXEC);
  int flags = 0;
  const bool root = RunningAsRoot();
  if (root) {
    ASSERT_EQ(ioctl(deepest, FS_IOC_GETFLAGS, &flags), 0);
    int on = flags | FS_IMMUTABLE_FL;
    ASSERT_EQ(ioctl(deepest, FS_IOC_SETFLAGS, &on), 0);
  } else {
    ASSERT_EQ(fchmod(deepest, 0444), 0);
  }

  CtlResult code = Ctl({"--password-stdin", "-r", "code", "t"}, "pw\n");
  EXPECT_EQ(code.exitCode, 1);
  EXPECT_EQ(code.err, "failed: " + files.back() + ": Not coded: can't open '" + leaf +
                          "' for reading and writing: " +
                          (root ? "Operation not permitted" : "Permission denied") + "\n");
  std::string expected;
  for (int depth = kDepth - 1; depth >= 0; --depth)
    expected += "coded: " + files[size_t(depth)] + "\n";
  EXPECT_EQ(code.out, expected);
  for (int depth = 0; depth < kDepth; ++depth) EXPECT_FALSE(readBack(depth) == bytes) << depth;

  CtlResult decode = Ctl({"--password-stdin", "-r", "decode", "t"}, "pw\n");
  EXPECT_EQ(decode.exitCode, 1);
  EXPECT_EQ(decode.err.rfind("skipped: " + files.back() + ": not coded\n", 0), 0u);
  for (int depth = 0; depth <= kDepth; ++depth) EXPECT_TRUE(readBack(depth) == bytes) << depth;

  if (root) {
    ASSERT_EQ(ioctl(deepest, FS_IOC_SETFLAGS, &flags), 0);
  }
  close(deepest);
  for (int fd : folders) close(fd);
  // Paths this long are beyond the fixture's own clean-up.
  EXPECT_EQ(std::system(("rm -rf '" + dir_ + "/t'").c_str()), 0);
}

// No core dump holds the password: murvelctl, started with core dumps allowed, is no longer
// dumpable (its /proc entries belong to root) and its core limit is 0 by the time it reads the
// password; the buffer it reads the password into is left out of dumps and wiped.
TEST_F(MurvelctlTest, NoCoreDumpHoldsThePassword) {
  {
    plat::SecretBuffer buffer(100);
    std::memcpy(buffer.data(), "secret", 6);
    EXPECT_TRUE(LeftOutOfCoreDumps(buffer.data()));
    buffer.Clear();
    EXPECT_EQ(std::string(buffer.data(), 6), std::string(6, '\0'));
  }

  int input[2];
  ASSERT_EQ(pipe(input), 0);
  const pid_t child = fork();
  if (child == 0) {
    const struct rlimit unlimited = {RLIM_INFINITY, RLIM_INFINITY};
    setrlimit(RLIMIT_CORE, &unlimited);
    if (RunningAsRoot() && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    dup2(input[0], 0);
    close(input[1]);
    execl(MURVELCTL_PATH, "murvelctl", "--password-stdin", "decode", "/nonexistent", nullptr);
    _exit(3);
  }
  close(input[0]);
  const std::string proc = "/proc/" + std::to_string(child);
  // Waits until it reads from standard input: read(2) is system call 0.
  std::string syscall;
  for (int i = 0; i < 200 && syscall.rfind("0 0x0 ", 0) != 0; ++i) {
    usleep(20000);
    std::ifstream in(proc + "/syscall");
    std::getline(in, syscall);
  }
  EXPECT_EQ(syscall.rfind("0 0x0 ", 0), 0u) << syscall;
  struct stat st {};
  ASSERT_EQ(stat((proc + "/status").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 0u);  // so, for a process of nobody's, not dumpable
  std::ifstream limits(proc + "/limits");
  std::string line, core;
  while (std::getline(limits, line))
    if (line.rfind("Max core file size", 0) == 0) core = line;
  std::istringstream fields(core.substr(std::strlen("Max core file size")));
  std::string soft, hard;
  fields >> soft >> hard;
  EXPECT_EQ(soft, "0") << core;
  EXPECT_EQ(hard, "0") << core;
  ASSERT_EQ(write(input[1], "pw\n", 3), 3);
  close(input[1]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
}

}  // namespace

// A catalog for a test language translates murvelctl's own texts, and only those: the result
// lines that scripts read stay as they are, and without the language nothing changes.
TEST_F(MurvelctlTest, ATestLanguageTranslatesItsOwnTextsAndNoResultLine) {
  MakeFile("f", Bytes(100, 'f'));
  ASSERT_EQ(symlink("nowhere-at-all", Path("l").c_str()), 0);
  const std::string locale = dir_ + "/locale";
  ASSERT_EQ(mkdir(locale.c_str(), 0755), 0);
  std::ofstream(locale + "/xx.txt") << "# test language\n"
                                    << "no file given\tkeine Datei\n"
                                    << "Try 'murvelctl --help'.\tSiehe 'murvelctl --help'.\n"
                                    << "%s is for %s only\t%s nur mit %s\n"
                                    << "and\tund\n"
                                    << "\\nOptions:\\n\t\\nOptionen:\\n\n"
                                    << "show the version and exit\tzeigt die Version\n"
                                    << "coded\tkodiert\n"
                                    << "its link leads nowhere\tsein Verweis geht ins Leere\n";
  const std::string original = Ctl({"--help"}).out;
  setenv("MURVEL_LOCALEDIR", locale.c_str(), 1);
  setenv("LANGUAGE", "xx_YY.UTF-8", 1);
  CtlResult none = Ctl({"code"});
  CtlResult wrongPlace = Ctl({"--force", "status", "f"});
  CtlResult help = Ctl({"--help"});
  CtlResult coded = Ctl({"--password-stdin", "code", "f"}, "pw\n");
  CtlResult broken = Ctl({"status", "l"});
  setenv("LANGUAGE", "C", 1);
  CtlResult plain = Ctl({"code"});
  unsetenv("LANGUAGE");
  unsetenv("MURVEL_LOCALEDIR");

  EXPECT_EQ(none.err, "murvelctl: keine Datei\nSiehe 'murvelctl --help'.\n");
  EXPECT_EQ(wrongPlace.err,
            "murvelctl: --force nur mit code, decode und rescue\nSiehe 'murvelctl --help'.\n");
  EXPECT_NE(help.out.find("\nOptionen:\n"), std::string::npos);
  EXPECT_NE(help.out.find("  -V, --version     zeigt die Version\n"), std::string::npos);
  // The texts not in the catalog are the original's, line for line.
  EXPECT_EQ(help.out.substr(0, help.out.find("Optionen")),
            original.substr(0, original.find("Options")));
  EXPECT_EQ(coded.out, "coded: f\n");
  // The engine's reason is said in the language; the state, a refusal, stays and goes to stderr.
  EXPECT_EQ(broken.err, "not workable: l: sein Verweis geht ins Leere\n");
  EXPECT_EQ(broken.out, "");
  EXPECT_EQ(plain.err, "murvelctl: no file given\nTry 'murvelctl --help'.\n");
}
