// murvelctl end to end, on real files in a scratch folder: the result lines and exit codes, the
// bytes and attributes it leaves, the password from standard input and from a terminal, and
// files passed between it and the window's engine.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "CtlRunner.h"
#include "codec/CCO.h"
#include "engine/CipherTransform.h"
#include "engine/Engine.h"
#include "engine/EngineView.h"
#include "engine/WorkState.h"

namespace {

// The engine's view as the window would be, reduced to what a test looks at.
class SilentView : public EngineView {
 public:
  void SetFileLabel(const std::string&) override {}
  void SetButtonLabel(const char*) override {}
  void ShowIcon(const uint8_t*) override {}
  void SetPassText(const char* text) override { passText = text; }
  void MakePassFocus(bool) override {}
  void Beep() override {}
  void UpdateIfNeeded() override {}
  std::string passText;
};

class MurvelctlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = ::testing::TempDir() + "murvelctl-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  std::string MakeFile(const std::string& name, size_t size, uint32_t seed = 7) {
    std::string bytes(size, '\0');
    std::mt19937 gen(seed);
    for (char& c : bytes) c = char(gen());
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return bytes;
  }
  std::string Contents(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // The user attributes of a file, without the "user." prefix, in the order listed.
  std::string AttrNames(const std::string& name) const {
    char buf[4096];
    ssize_t n = listxattr(Path(name).c_str(), buf, sizeof buf);
    std::string names;
    for (ssize_t i = 0; i < n; i += ssize_t(std::strlen(buf + i)) + 1) {
      names += std::string(buf + i).substr(5) + " ";
    }
    return names;
  }
  void SetAttr(const std::string& name, const std::string& attr, const std::string& value) {
    ASSERT_EQ(setxattr(Path(name).c_str(), ("user." + attr).c_str(), value.data(), value.size(), 0),
              0);
  }
  bool HasRecord(const std::string& name) const {
    char buf[512];
    return getxattr(Path(name).c_str(), "user.PrivCodec", buf, sizeof buf) >= 5;
  }

  CtlResult Ctl(const std::vector<std::string>& args, const std::string& input = "") {
    return RunCtl(args, input, dir_);
  }

  // Codes or decodes with the window's engine, as a drop and a press of "Do it" would.
  bool EngineWork(const std::string& name, const char* password) {
    WorkState state;
    SilentView view;
    Engine engine(state, view);
    state.currentPath = Path(name);
    engine.XCheck(true);
    std::snprintf(state.password, sizeof state.password, "%s", password);
    state.passwordSet = true;
    return engine.XWork();
  }

  std::string dir_;
};

TEST_F(MurvelctlTest, UsageErrorsExitWithTwoAndTouchNothing) {
  MakeFile("f", 100);
  for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                               {"encrypt", "f"},
                                               {"code"},
                                               {"--bogus", "code", "f"},
                                               {"code", "--password=abc", "f"},
                                               {"decode", "-p", "abc", "f"}}) {
    CtlResult r = Ctl(args, "pw\n");
    EXPECT_EQ(r.exitCode, 2) << (args.empty() ? "" : args[0]);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("murvelctl: "), std::string::npos);
  }
  EXPECT_FALSE(HasRecord("f"));
  EXPECT_NE(Ctl({"code", "--password=x", "f"}).err.find("never taken as an argument"),
            std::string::npos);

  CtlResult help = Ctl({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("Usage: murvelctl"), std::string::npos);
  CtlResult version = Ctl({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out.rfind("murvelctl ", 0), 0u);
}

TEST_F(MurvelctlTest, CodeStatusDecodeRoundTripRestoresBytesAndAttributes) {
  const std::string plain = MakeFile("notes.txt", 300000);
  SetAttr("notes.txt", "mime_type", "text/plain");
  const std::string attrsBefore = AttrNames("notes.txt");

  CtlResult coded = Ctl({"--password-stdin", "code", "notes.txt"}, "s3cret\n");
  EXPECT_EQ(coded.exitCode, 0) << coded.err;
  // Only the result line: the engine's diagnostics never reach standard output.
  EXPECT_EQ(coded.out, "coded: notes.txt\n");
  EXPECT_NE(Contents("notes.txt"), plain);
  EXPECT_EQ(Contents("notes.txt").size(), plain.size());
  EXPECT_TRUE(HasRecord("notes.txt"));

  CtlResult status = Ctl({"status", "notes.txt"});
  EXPECT_EQ(status.exitCode, 0);
  EXPECT_EQ(status.out.rfind("coded: notes.txt: \"notes.txt\", 20", 0), 0u) << status.out;
  EXPECT_EQ(status.out.find("s3cret"), std::string::npos);

  CtlResult decoded = Ctl({"decode", "--password-stdin", "notes.txt"}, "s3cret\n");
  EXPECT_EQ(decoded.exitCode, 0) << decoded.err;
  EXPECT_EQ(decoded.out, "decoded: notes.txt\n");
  EXPECT_EQ(Contents("notes.txt"), plain);
  EXPECT_EQ(AttrNames("notes.txt"), attrsBefore);
  EXPECT_EQ(Ctl({"status", "notes.txt"}).out, "plain: notes.txt\n");
}

TEST_F(MurvelctlTest, WrongPasswordLeavesTheCodedFileAsItWas) {
  MakeFile("a", 5000);
  ASSERT_EQ(Ctl({"--password-stdin", "code", "a"}, "right\n").exitCode, 0);
  const std::string codedBytes = Contents("a");

  for (const char* wrong : {"Right\n", "righ\n", "right \n", "\n"}) {
    CtlResult r = Ctl({"--password-stdin", "decode", "a"}, wrong);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "wrong password: a\n");
    EXPECT_EQ(Contents("a"), codedBytes);
    EXPECT_TRUE(HasRecord("a"));
  }
  // A password line ended the Windows way still counts as the same password.
  EXPECT_EQ(Ctl({"--password-stdin", "decode", "a"}, "right\r\n").exitCode, 0);
}

TEST_F(MurvelctlTest, RefusedFilesAreReportedAndTheOthersStillDone) {
  const std::string plain = MakeFile("plain", 1000, 1);
  MakeFile("coded", 1000, 2);
  ASSERT_EQ(Ctl({"--password-stdin", "code", "coded"}, "pw\n").exitCode, 0);
  const std::string codedBytes = Contents("coded");
  mkdir(Path("folder").c_str(), 0755);
  MakeFile("other", 10, 3);

  CtlResult code = Ctl({"--password-stdin", "code", "coded", "missing", "folder", "other"}, "pw\n");
  EXPECT_EQ(code.exitCode, 1);
  EXPECT_EQ(code.out,
            "skipped: coded: already coded\n"
            "not workable: missing: No such file or directory\n"
            "not workable: folder: it is a folder\n"
            "coded: other\n");
  EXPECT_EQ(Contents("coded"), codedBytes);

  CtlResult decode = Ctl({"--password-stdin", "decode", "plain"}, "pw\n");
  EXPECT_EQ(decode.exitCode, 1);
  EXPECT_EQ(decode.out, "skipped: plain: not coded\n");
  EXPECT_EQ(Contents("plain"), plain);
  EXPECT_FALSE(HasRecord("plain"));

  // No password on standard input: nothing is done.
  CtlResult empty = Ctl({"--password-stdin", "code", "plain"}, "");
  EXPECT_EQ(empty.exitCode, 1);
  EXPECT_EQ(empty.out, "");
  EXPECT_FALSE(HasRecord("plain"));
}

TEST_F(MurvelctlTest, LongPasswordIsCutToTwentyBytesWithAWarning) {
  MakeFile("f", 2000);
  CtlResult r = Ctl({"--password-stdin", "code", "f"}, "abcdefghijklmnopqrstuvwxy\n");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.err.find("warning"), std::string::npos);
  // The same 20 bytes open it, typed short or long.
  EXPECT_EQ(Ctl({"--password-stdin", "decode", "f"}, "abcdefghijklmnopqrs\n").exitCode, 1);
  EXPECT_EQ(Ctl({"--password-stdin", "decode", "f"}, "abcdefghijklmnopqrst\n").exitCode, 0);

  // The window keeps the same 20 bytes, even when the cut splits a character: a file it coded
  // with a long password opens with that password typed here.
  const std::string longPass = "abcdefghijklmnopqrs\xC3\xA9xyz";
  ASSERT_TRUE(EngineWork("f", "abcdefghijklmnopqrs\xC3"));
  EXPECT_EQ(Ctl({"--password-stdin", "decode", "f"}, longPass + "\n").exitCode, 0);
  ASSERT_EQ(Ctl({"--password-stdin", "code", "f"}, longPass + "\n").exitCode, 0);
  EXPECT_TRUE(EngineWork("f", "abcdefghijklmnopqrs\xC3"));
  EXPECT_FALSE(HasRecord("f"));
}

TEST_F(MurvelctlTest, BytesFollowTheCipherRuleAcrossChunkBoundaries) {
  // Several chunks of the content pass and a ragged end.
  const std::string plain = MakeFile("big", 3 * (1 << 20) + 12345);
  ASSERT_EQ(Ctl({"--password-stdin", "code", "big"}, "pw\n").exitCode, 0);
  char value[512] = {};
  ssize_t n = getxattr(Path("big").c_str(), "user.PrivCodec", value, kPrivCodecReadMax);
  ASSERT_GE(n, kPrivCodecMinBytes);
  CCO record;
  record.DecodeLine(value, size_t(n));
  std::string expected = plain;
  TransformBytesSimple(reinterpret_cast<uint8_t*>(expected.data()), expected.size(), 0,
                       reinterpret_cast<const uint8_t*>(record.GetFTime()), CipherDirection::Code);
  EXPECT_TRUE(Contents("big") == expected);
  EXPECT_STREQ(record.NPass(), "pw");
}

TEST_F(MurvelctlTest, FilesPassBetweenTheWindowsEngineAndMurvelctl) {
  const std::string one = MakeFile("by-window", 70000, 4);
  ASSERT_TRUE(EngineWork("by-window", "shared"));
  ASSERT_TRUE(HasRecord("by-window"));
  EXPECT_EQ(Ctl({"--password-stdin", "decode", "by-window"}, "other\n").exitCode, 1);
  CtlResult r = Ctl({"--password-stdin", "decode", "by-window"}, "shared\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Contents("by-window"), one);
  EXPECT_EQ(AttrNames("by-window"), "");

  const std::string two = MakeFile("by-ctl", 70000, 5);
  SetAttr("by-ctl", "mime_type", "image/png");
  ASSERT_EQ(Ctl({"--password-stdin", "code", "by-ctl"}, "shared\n").exitCode, 0);
  EXPECT_TRUE(EngineWork("by-ctl", "shared"));
  EXPECT_EQ(Contents("by-ctl"), two);
  EXPECT_EQ(AttrNames("by-ctl"), "mime_type ");
}

TEST_F(MurvelctlTest, TerminalAsksTwiceWithoutEchoWhenCoding) {
  const std::string plain = MakeFile("t", 4000);
  CtlResult differ = RunCtlOnTerminal({"code", "t"}, {"first-try", "first-trx"}, dir_);
  EXPECT_EQ(differ.exitCode, 1);
  EXPECT_NE(differ.err.find("differ"), std::string::npos);
  EXPECT_EQ(Contents("t"), plain);

  CtlResult same = RunCtlOnTerminal({"code", "t"}, {"typed-pw", "typed-pw"}, dir_);
  EXPECT_EQ(same.exitCode, 0) << same.err;
  EXPECT_NE(same.err.find("coded: t"), std::string::npos);
  EXPECT_EQ(same.err.find("typed-pw"), std::string::npos) << "the password was echoed";

  CtlResult decode = RunCtlOnTerminal({"decode", "t"}, {"typed-pw"}, dir_);
  EXPECT_EQ(decode.exitCode, 0) << decode.err;
  EXPECT_EQ(Contents("t"), plain);
}

}  // namespace
