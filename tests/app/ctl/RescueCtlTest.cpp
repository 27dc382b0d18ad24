// murvelctl and coded copies that lost their record: status tells them (exit 4 with --quiet),
// code refuses them unless --force, and rescue gives them back byte for byte with no password;
// plain bytes under a record left over are told too, and decode refuses them. Where no key is
// certain, nothing changes unless the user gives the moment of coding.
#include <sys/xattr.h>

#include "CtlRunner.h"
#include "codec/TimeCode.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

class RescueCtlTest : public EngineTest {
 protected:
  CtlResult Ctl(const std::vector<std::string>& args, const std::string& input = "") {
    return RunCtl(args, input, dir_);
  }
  // The moment of the coded file's record ("YYYY-MM-DD HH:MM:SS").
  std::string CodedOn(const std::string& leaf) {
    TimeFields t =
        ReadTimeCode(UnscrambleRecord(*GetXattr(Path(leaf), "PrivCodec")).timeCode.c_str());
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hours, t.minutes, t.seconds);
    return text;
  }
  // Codes `leaf` here, by the fixed clock, so that the key, and what the key finder makes of the
  // bytes under it, do not depend on the moment the test runs.
  void CodeHere(const std::string& leaf) {
    EnterPassword("pw");
    ASSERT_TRUE(InspectAndWork(Path(leaf)));
    ASSERT_EQ(result_.outcome, WorkOutcome::Coded);
  }
  // A copy of `leaf` as cp without -a makes it: the bytes, no attributes.
  void CopyBytes(const std::string& leaf, const std::string& to) {
    MakeFile(to, ReadFileBytes(Path(leaf)));
  }
};

Bytes Letter(int lines = 30) {
  std::string text;
  for (int i = 0; i < lines; ++i)
    text +=
        "Line " + std::to_string(i) + ": the minutes of the meeting, who said what, and when.\n";
  return Bytes(text.begin(), text.end());
}

TEST_F(RescueCtlTest, ACopyWithoutItsRecordIsToldRefusedAndGivenBack) {
  const Bytes letter = Letter();
  MakeFile("letter.txt", letter);
  CodeHere("letter.txt");
  CopyBytes("letter.txt", "copy.txt");
  const std::string when = CodedOn("letter.txt");

  CtlResult status = Ctl({"status", "copy.txt", "letter.txt"});
  EXPECT_EQ(status.exitCode, 0);
  EXPECT_EQ(status.out.rfind("coded, record lost (coded on " + when + "): copy.txt: ", 0), 0u)
      << status.out;
  EXPECT_EQ(Ctl({"status", "-q", "copy.txt", "letter.txt"}).exitCode, 4);
  EXPECT_EQ(Ctl({"status", "-q", "letter.txt"}).exitCode, 0);

  // Coding it would code it twice: refused, naming the rescue.
  CtlResult code = Ctl({"--password-stdin", "code", "copy.txt"}, "pw\n");
  EXPECT_EQ(code.exitCode, 1);
  EXPECT_NE(code.err.find("murvelctl rescue"), std::string::npos) << code.err;
  EXPECT_EQ(ReadFileBytes(Path("copy.txt")), ReadFileBytes(Path("letter.txt")));

  // Rescued with no password: the bytes come back exactly, and nothing is left on the file.
  CtlResult rescue = Ctl({"rescue", "copy.txt"});
  EXPECT_EQ(rescue.exitCode, 0) << rescue.out << rescue.err;
  EXPECT_EQ(rescue.out.rfind("found: copy.txt: coded on " + when + "; turned back it is: ", 0), 0u)
      << rescue.out;
  EXPECT_NE(rescue.out.find("\nrescued: copy.txt\n"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(Path("copy.txt")), letter);
  EXPECT_EQ(AllXattrs(Path("copy.txt")), XattrMap());
  // Rescued, it is plain; a second rescue changes nothing.
  EXPECT_EQ(Ctl({"status", "-q", "copy.txt"}).exitCode, 3);
  EXPECT_EQ(Ctl({"rescue", "copy.txt"}).exitCode, 1);
  EXPECT_EQ(ReadFileBytes(Path("copy.txt")), letter);

  // With --force, code codes the copy a second time.
  CopyBytes("letter.txt", "again.txt");
  EXPECT_EQ(Ctl({"--password-stdin", "--force", "code", "again.txt"}, "pw\n").exitCode, 0);
  EXPECT_TRUE(GetXattr(Path("again.txt"), "PrivCodec").has_value());
}

TEST_F(RescueCtlTest, WithoutACertainKeyNothingChangesUnlessTheMomentIsGiven) {
  // Random bytes: no key can be told from them.
  const Bytes random = RandomBytes(5000, 7);
  MakeFile("blob.bin", random);
  CodeHere("blob.bin");
  CopyBytes("blob.bin", "copy.bin");
  const Bytes coded = ReadFileBytes(Path("copy.bin"));
  EXPECT_EQ(Ctl({"status", "-q", "copy.bin"}).exitCode, 3);  // it cannot be told from plain

  CtlResult none = Ctl({"rescue", "copy.bin"});
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_EQ(ReadFileBytes(Path("copy.bin")), coded);
  // The moment given: its key turns the bytes into nothing known, so --force is needed.
  const std::vector<std::string> given = {"rescue", "--key-date", CodedOn("blob.bin"), "copy.bin"};
  CtlResult refused = Ctl(given);
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
  EXPECT_EQ(ReadFileBytes(Path("copy.bin")), coded);
  std::vector<std::string> forced = given;
  forced.insert(forced.begin(), "--force");
  EXPECT_EQ(Ctl(forced).exitCode, 0);
  EXPECT_EQ(ReadFileBytes(Path("copy.bin")), random);

  // A moment that is none is a usage error.
  EXPECT_EQ(Ctl({"rescue", "--key-date", "2026-02-30 10:00:00", "blob.bin"}).exitCode, 2);
  EXPECT_EQ(Ctl({"status", "--key-date", "2026-01-01 10:00:00", "blob.bin"}).exitCode, 2);
}

TEST_F(RescueCtlTest, PlainBytesUnderALeftOverRecordAreToldAndNotDecoded) {
  const Bytes letter = Letter();
  MakeFile("letter.txt", letter);
  CodeHere("letter.txt");
  // The plain letter written over the coded file, and the integrity attribute gone.
  WriteFileBytes(Path("letter.txt"), letter);
  ASSERT_EQ(removexattr(Path("letter.txt").c_str(), "user.murvel.integrity"), 0);

  CtlResult status = Ctl({"status", "letter.txt"});
  EXPECT_EQ(status.out.rfind("plain, record left over: letter.txt: ", 0), 0u) << status.out;
  EXPECT_EQ(Ctl({"status", "-q", "letter.txt"}).exitCode, 4);
  CtlResult decode = Ctl({"--password-stdin", "decode", "letter.txt"}, "pw\n");
  EXPECT_EQ(decode.exitCode, 1);
  EXPECT_EQ(ReadFileBytes(Path("letter.txt")), letter);
  // Forced, it decodes (and so scrambles) as asked.
  EXPECT_EQ(Ctl({"--password-stdin", "--force", "decode", "letter.txt"}, "pw\n").exitCode, 0);
  EXPECT_NE(ReadFileBytes(Path("letter.txt")), letter);

  // Text the type database names by a type of its own, and text in another script, are told
  // the same way.
  std::string json = "{\n", svg = "<svg xmlns=\"http://www.w3.org/2000/svg\">\n", cjk;
  for (int i = 0; i < 40; ++i) {
    json += "  \"item" + std::to_string(i) + "\": [" + std::to_string(i * 37) + ", true],\n";
    svg += "  <rect x=\"" + std::to_string(i) + "\" y=\"4\" width=\"20\" height=\"9\"/>\n";
    cjk += "我们的会议报告，明年的计划。東京の今日は晴れです。\n";
  }
  json += "  \"end\": null\n}\n";
  svg += "</svg>\n";
  for (const std::string& text : {json, svg, cjk}) {
    const Bytes plain(text.begin(), text.end());
    MakeFile("other.txt", Letter());
    CodeHere("other.txt");
    WriteFileBytes(Path("other.txt"), plain);
    ASSERT_EQ(removexattr(Path("other.txt").c_str(), "user.murvel.integrity"), 0);
    CtlResult told = Ctl({"status", "other.txt"});
    EXPECT_EQ(told.out.rfind("plain, record left over: other.txt: ", 0), 0u) << told.out;
    EXPECT_EQ(Ctl({"--password-stdin", "decode", "other.txt"}, "pw\n").exitCode, 1);
    EXPECT_EQ(ReadFileBytes(Path("other.txt")), plain);
    ASSERT_EQ(std::remove(Path("other.txt").c_str()), 0);
  }
}

// A copy that went on as a log after it lost its record: the look finds the key from the coded
// start, but the plain text at the end would be scrambled, so nothing is written.
TEST_F(RescueCtlTest, APlainTailIsNotScrambled) {
  MakeFile("log.txt", Letter(1000));  // past the 64 KiB the look reads
  CodeHere("log.txt");
  Bytes copy = ReadFileBytes(Path("log.txt"));
  const Bytes tail = Letter(300);
  copy.insert(copy.end(), tail.begin(), tail.end());
  MakeFile("copy.txt", copy);
  ASSERT_EQ(Ctl({"status", "-q", "copy.txt"}).exitCode, 4);

  CtlResult rescue = Ctl({"rescue", "copy.txt"});
  EXPECT_EQ(rescue.exitCode, 1);
  EXPECT_NE(rescue.err.find("looks plain already"), std::string::npos) << rescue.err;
  EXPECT_EQ(ReadFileBytes(Path("copy.txt")), copy);
  // The moment given does not pass over it either.
  EXPECT_EQ(Ctl({"rescue", "--key-date", CodedOn("log.txt"), "copy.txt"}).exitCode, 1);
  EXPECT_EQ(ReadFileBytes(Path("copy.txt")), copy);
}

// Two words repeated: classes of the key that see one word's letters can be shifted together
// into other words, so the key is not certain. The rescue lists the moments that fit, the moment
// of the coding among them, and given that moment gives the file back.
TEST_F(RescueCtlTest, ANotCertainKeyListsTheMomentsThatFit) {
  std::string words;
  while (words.size() < 3000) words += "one two\n";
  const Bytes plain(words.begin(), words.end());
  MakeFile("words.txt", plain);
  CodeHere("words.txt");
  CopyBytes("words.txt", "copy.txt");
  const Bytes coded = ReadFileBytes(Path("copy.txt"));
  CtlResult status = Ctl({"status", "copy.txt"});
  EXPECT_EQ(status.out.rfind("coded, record lost (its key not certain): copy.txt: ", 0), 0u)
      << status.out;

  CtlResult listed = Ctl({"rescue", "copy.txt"});
  EXPECT_EQ(listed.exitCode, 1);
  EXPECT_EQ(ReadFileBytes(Path("copy.txt")), coded);
  const std::string when = CodedOn("words.txt");
  EXPECT_NE(listed.err.find("\n  --key-date '" + when + "': ASCII text"), std::string::npos)
      << listed.err;
  EXPECT_NE(listed.err.find(": \"one two one two"), std::string::npos) << listed.err;

  EXPECT_EQ(Ctl({"rescue", "--key-date", when, "copy.txt"}).exitCode, 0);
  EXPECT_EQ(ReadFileBytes(Path("copy.txt")), plain);
}

}  // namespace
