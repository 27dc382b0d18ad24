// murvelctl seal and unseal end to end: the result lines and exit codes, status of a sealed
// file, the two ways never mixed (a sealed file is not coded, a coded one not sealed, rescue
// leaves a sealed one), a weak password warned of, and every refusal leaving the file as it was.
// What the seal does to the bytes is the engine's and seal/'s tests' business. Each seal and
// unseal derives the key at the default cost: a second or so each.
#include "CtlRunner.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

class SealCtlTest : public EngineTest {
 protected:
  CtlResult Ctl(const std::vector<std::string>& args, const std::string& input = "") {
    return RunCtl(args, input, dir_);
  }
  std::pair<Bytes, XattrMap> Now(const std::string& leaf) {
    return {ReadFileBytes(Path(leaf)), AllXattrs(Path(leaf))};
  }
};

const char kStrong[] = "a pass phrase of my own making\n";

TEST_F(SealCtlTest, SealStatusUnsealRoundTripAndRefusals) {
  const Bytes plain = RandomBytes(70000, 1);
  MakeFile("a.txt", plain);
  SetXattr(Path("a.txt"), "mime_type", "text/plain");
  const XattrMap before = AllXattrs(Path("a.txt"));
  // b.txt lies between the seal's largest record and the look's prefix: its record is found in
  // the prefix's last bytes.
  MakeFile("b.txt", RandomBytes(30000, 2));
  MakeFile("coded", RandomBytes(3000, 3));
  ASSERT_EQ(Ctl({"--password-stdin", "code", "coded"}, "pw\n").exitCode, 0);

  // One call: the plain files sealed, the coded one skipped with what to do instead. A strong
  // password draws no warning.
  CtlResult sealed = Ctl({"--password-stdin", "seal", "a.txt", "coded", "b.txt"}, kStrong);
  EXPECT_EQ(sealed.exitCode, 1);
  EXPECT_EQ(sealed.out, "sealed: a.txt\nsealed: b.txt\n");
  EXPECT_EQ(sealed.err, "skipped: coded: it is coded: decode it before sealing it\n");
  EXPECT_EQ(ReadFileBytes(Path("a.txt")).size(), plain.size() + 161);
  EXPECT_EQ(*GetXattr(Path("a.txt"), "mime_type"), "application/x-murvel-sealed");

  CtlResult status = Ctl({"status", "a.txt", "coded"});
  EXPECT_EQ(status.exitCode, 0);
  EXPECT_EQ(status.out.substr(0, status.out.find('\n') + 1),
            "sealed: a.txt: format 1, Argon2id 3 passes over 256 MiB\n");
  EXPECT_EQ(Ctl({"status", "-q", "a.txt", "coded"}).exitCode, 0);
  EXPECT_EQ(Ctl({"status", "b.txt"}).out,
            "sealed: b.txt: format 1, Argon2id 3 passes over 256 MiB\n");

  // Neither coded nor decoded, nor sealed again, nor rescued; unsealed only with its password.
  const auto sealedNow = Now("a.txt");
  const std::vector<std::pair<std::vector<std::string>, std::string>> refusals = {
      {{"--password-stdin", "code", "a.txt"},
       "skipped: a.txt: it is sealed: unseal it (murvelctl unseal)\n"},
      {{"--password-stdin", "decode", "a.txt"},
       "skipped: a.txt: it is sealed: unseal it (murvelctl unseal)\n"},
      {{"--password-stdin", "seal", "a.txt"}, "skipped: a.txt: already sealed\n"},
      {{"--password-stdin", "unseal", "coded"},
       "skipped: coded: it is coded, not sealed: decode it (murvelctl decode)\n"},
      {{"--password-stdin", "unseal", "a.txt"}, "wrong password: a.txt\n"},
  };
  for (const auto& [args, err] : refusals) {
    CtlResult r =
        Ctl(args,
            args[1] == "code" || args[1] == "decode" ? "pw\n" : "A pass phrase of my own making\n");
    EXPECT_EQ(r.exitCode, 1) << args[1];
    EXPECT_EQ(r.err, err);
    EXPECT_EQ(r.out, "");
  }
  CtlResult rescue = Ctl({"--force", "--key-date", "2024-05-01 18:30:00", "rescue", "a.txt"});
  EXPECT_EQ(rescue.exitCode, 1);
  EXPECT_TRUE(Now("a.txt") == sealedNow);

  // A byte changed anywhere: refused before a byte is written, and said so.
  const std::string bPath = Path("b.txt");
  Bytes b = ReadFileBytes(bPath);
  b[1234] ^= 1;
  WriteFileBytes(bPath, b);
  const auto changed = Now("b.txt");
  CtlResult unseal = Ctl({"--password-stdin", "unseal", "a.txt", "b.txt"}, kStrong);
  EXPECT_EQ(unseal.exitCode, 1);
  EXPECT_EQ(unseal.out, "unsealed: a.txt\n");
  EXPECT_EQ(unseal.err, "failed: b.txt: Not unsealed: it was changed since it was sealed\n");
  EXPECT_TRUE(Now("b.txt") == changed);
  EXPECT_TRUE(ReadFileBytes(Path("a.txt")) == plain);
  EXPECT_EQ(AllXattrs(Path("a.txt")), before);
  EXPECT_EQ(Ctl({"status", "a.txt"}).out, "plain: a.txt\n");
}

// A password a guesser tries early is warned of (the seal is still made); an empty one seals
// nothing; a long one counts whole, where coding keeps its first 20 bytes.
TEST_F(SealCtlTest, WeakEmptyAndLongPasswords) {
  MakeFile("f", RandomBytes(2000, 4));
  CtlResult empty = Ctl({"--password-stdin", "seal", "f"}, "\n");
  EXPECT_EQ(empty.exitCode, 1);
  EXPECT_NE(empty.err.find("empty password seals nothing"), std::string::npos) << empty.err;

  CtlResult weak = Ctl({"--password-stdin", "seal", "f"}, "Summer2024!\n");
  EXPECT_EQ(weak.exitCode, 0);
  EXPECT_EQ(weak.out, "sealed: f\n");
  EXPECT_EQ(weak.err.rfind("murvelctl: warning: this password is easy to guess", 0), 0u)
      << weak.err;
  EXPECT_NE(weak.err.find("0.7 s and 256 MiB"), std::string::npos) << weak.err;
  EXPECT_EQ(weak.err.find("Summer2024"), std::string::npos) << weak.err;
  ASSERT_EQ(Ctl({"--password-stdin", "unseal", "f"}, "Summer2024!\n").exitCode, 0);

  const std::string longPass(60, 'q');
  ASSERT_EQ(Ctl({"--password-stdin", "seal", "f"}, longPass + "x\n").exitCode, 0);
  EXPECT_EQ(Ctl({"--password-stdin", "unseal", "f"}, longPass + "y\n").err, "wrong password: f\n");
  EXPECT_EQ(Ctl({"--password-stdin", "unseal", "f"}, longPass + "x\n").exitCode, 0);
  CtlResult tooLong = Ctl({"--password-stdin", "seal", "f"}, std::string(251, 'z') + "\n");
  EXPECT_EQ(tooLong.exitCode, 1);
  EXPECT_NE(tooLong.err.find("longer than 250 bytes"), std::string::npos) << tooLong.err;
  EXPECT_EQ(Ctl({"status", "f"}).out, "plain: f\n");
}

}  // namespace
