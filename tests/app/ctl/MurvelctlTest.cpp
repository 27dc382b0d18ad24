// murvelctl end to end, on real files in a scratch folder: the result lines and exit codes, the
// password from standard input and from a terminal, and files passed between it and the
// window's engine. What the engine does to a file is the engine tests' business; here it is
// enough that murvelctl's files come back exactly.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "CtlRunner.h"
#include "tests/engine/EngineTestSupport.h"

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
    EXPECT_EQ(r.out, "wrong password: a\n");
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
  EXPECT_EQ(code.out,
            "skipped: coded: already coded\n"
            "not workable: missing: No such file or directory\n"
            "not workable: folder: it is a folder\n"
            "failed: locked: Not coded: can't open '" +
                locked + "' for reading and writing: " +
                (RunningAsRoot() ? "Operation not permitted" : "Permission denied") +
                "\n"
                "coded: other\n");
  EXPECT_TRUE(ReadFileBytes(coded) == codedBytes);
  // Control bytes of a name never reach the terminal, not even inside the engine's reason.
  const std::string escape = MakeFile("red\x1b[31m", Bytes(10, 'e'));
  ASSERT_TRUE(MakeUnwritable(escape, true));
  unwritable_.push_back(escape);
  CtlResult esc = Ctl({"--password-stdin", "code", "red\x1b[31m"}, "pw\n");
  EXPECT_EQ(esc.out.rfind("failed: red?[31m: Not coded: can't open '", 0), 0u) << esc.out;
  EXPECT_EQ(esc.out.find('\x1b'), std::string::npos);

  CtlResult decode = Ctl({"--password-stdin", "decode", "plain"}, "pw\n");
  EXPECT_EQ(decode.exitCode, 1);
  EXPECT_EQ(decode.out, "skipped: plain: not coded\n");
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
    EXPECT_EQ(r.out, "not workable: coded: can't read its attributes: Permission denied\n");
  }
  EXPECT_TRUE(ReadFileBytes(coded) == codedBytes);

  MountOn("ram", "ramfs", nullptr);
  MakeFile("ram/f", Bytes(10, 'r'));
  EXPECT_EQ(Ctl({"status", "ram/f"}).out,
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

  EXPECT_EQ(Ctl({"--password-stdin", "code", "d"}, "pw\n").out,
            "not workable: d: it is a folder\n");
  CtlResult r = Ctl({"--password-stdin", "-r", "code", "d"}, "pw\n");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out,
            "coded: d/a\n"
            "skipped: d/link: a link inside a folder, which is not followed\n"
            "coded: d/sub/b\n");
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
  EXPECT_EQ(r.out, "whole: a/other: plain\nkept journal: " + journal +
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
  EXPECT_NE(r.out.find("failed: a/other: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("its change marker is damaged"), std::string::npos) << r.out;
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

}  // namespace
