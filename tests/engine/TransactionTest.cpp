// The coding transaction on real files with real xattrs: what a coded file carries when it had
// less than everything, what a wrong or missing password does, and records that are renewed.
// (A fully decorated file is coded and decoded through the window in tests/app/EndToEndTest.)
#include "EngineTestSupport.h"

namespace {

using TransactionTest = EngineTest;

TEST_F(TransactionTest, StashesOnlyWhatTheFileHad) {
  std::string typed = MakeFile("typed.txt", Bytes(300, 'x'));
  SetXattr(typed, "mime_type", "text/plain");
  std::string bare = MakeFile("bare.bin", Bytes(300, 'y'));
  EnterPassword("pw");
  ASSERT_TRUE(InspectAndWork(typed));
  ASSERT_TRUE(InspectAndWork(bare));
  XattrMap typedCoded = AllXattrs(typed), bareCoded = AllXattrs(bare);
  for (XattrMap* coded : {&typedCoded, &bareCoded}) {
    coded->erase("PrivCodec");
    coded->erase("murvel.integrity");
  }
  EXPECT_EQ(typedCoded,
            (XattrMap{{"x_beos:type", CText("text/plain")}, {"mime_type", "text/x-CodedData"}}));
  EXPECT_EQ(bareCoded, (XattrMap{{"mime_type", "text/x-CodedData"}}));

  // Decoding gives back the type; a file that had none is typed by its contents again, and one
  // that had no preferred application has none, whatever it was given while coded.
  SetXattr(bare, "BEOS:PREF_APP", "application/x-vnd.Other");
  ASSERT_TRUE(InspectAndWork(typed));
  ASSERT_TRUE(InspectAndWork(bare));
  EXPECT_EQ(AllXattrs(typed), (XattrMap{{"mime_type", "text/plain"}}));
  EXPECT_EQ(AllXattrs(bare), XattrMap());
  EXPECT_EQ(ReadFileBytes(bare), Bytes(300, 'y'));
}

TEST_F(TransactionTest, WrongPasswordChangesNothing) {
  std::string path = MakeFile("secret.doc", RandomBytes(2000, 2));
  DecorateFile(path);
  EnterPassword("Secret7");
  ASSERT_TRUE(InspectAndWork(path));
  Bytes coded = ReadFileBytes(path);
  XattrMap codedAttrs = AllXattrs(path);

  for (const char* wrong : {"Secret8", "secret7", "Secret", "Secret77", ""}) {
    SCOPED_TRACE(wrong);
    EnterPassword(wrong);
    std::string out;
    EXPECT_FALSE(InspectAndWork(path, &out));
    EXPECT_EQ(out, "MVW> Has Codec-Attr.!\nMVW> Has   Codec-Attr. ! 'secret.doc' '20'\n");
    EXPECT_EQ(result_.outcome, WorkOutcome::WrongPassword);
    EXPECT_TRUE(ReadFileBytes(path) == coded);
    EXPECT_EQ(AllXattrs(path), codedAttrs);
  }
}

TEST_F(TransactionTest, NoPasswordNoWorkEmptyPasswordCodes) {
  std::string path = MakeFile("a.txt", Bytes(100, 'a'));
  std::string out;
  EXPECT_TRUE(InspectAndWork(path, &out));
  EXPECT_EQ(out, "MVW> NO  Codec-Attr.!\n\n> NO  Codec-Attr.!-> CODING:");
  EXPECT_EQ(result_.outcome, WorkOutcome::NoPassword);
  EXPECT_EQ(ReadFileBytes(path), Bytes(100, 'a'));
  EXPECT_EQ(AllXattrs(path), XattrMap());

  // An empty password, entered, codes: the record keeps p = 0, and only the empty password
  // decodes it.
  EnterPassword("");
  ASSERT_TRUE(InspectAndWork(path));
  EXPECT_EQ(result_.outcome, WorkOutcome::Coded);
  EXPECT_EQ(UnscrambleRecord(*GetXattr(path, "PrivCodec")).password, "");
  EnterPassword("x");
  EXPECT_FALSE(InspectAndWork(path));
  EXPECT_EQ(result_.outcome, WorkOutcome::WrongPassword);
  EnterPassword("");
  ASSERT_TRUE(InspectAndWork(path));
  EXPECT_EQ(result_.outcome, WorkOutcome::Decoded);
  EXPECT_EQ(ReadFileBytes(path), Bytes(100, 'a'));
  EXPECT_EQ(AllXattrs(path), XattrMap());

  // A record whose password is empty (coded elsewhere) matches the empty buffer, yet without an
  // entered password nothing is decoded.
  const std::string value =
      EncodeRecordValue(NewRecordFields("a.txt", "", kFixtureTimeCode.c_str()));
  SetXattr(path, "PrivCodec", value);
  password_ = Password();
  EXPECT_TRUE(InspectAndWork(path));
  EXPECT_EQ(result_.outcome, WorkOutcome::NoPassword);
  EXPECT_EQ(ReadFileBytes(path), Bytes(100, 'a'));
  EXPECT_EQ(*GetXattr(path, "PrivCodec"), value);
}

TEST_F(TransactionTest, ShortRecordIsCodedOver) {
  Bytes plain = RandomBytes(64, 3);
  std::string path = MakeFile("c.bin", plain);
  SetXattr(path, "PrivCodec", "abcd");
  EnterPassword("pw");
  ASSERT_TRUE(InspectAndWork(path));
  EXPECT_EQ(UnscrambleRecord(*GetXattr(path, "PrivCodec")).password, "pw");
  EXPECT_TRUE(ReadFileBytes(path) == CodedByRule(plain, KeyBytes(kFixtureTimeCode)));
}

TEST_F(TransactionTest, CodingsAtTwoMomentsDifferAndEachDecodes) {
  Bytes plain = RandomBytes(4000, 4);
  std::string path = MakeFile("d.bin", plain);
  EnterPassword("pw");
  ASSERT_TRUE(InspectAndWork(path));
  Bytes first = ReadFileBytes(path);
  ASSERT_TRUE(InspectAndWork(path));
  clock_->Set(Moment(2027, 3, 1, 17, 5, 59));
  ASSERT_TRUE(InspectAndWork(path));
  EXPECT_NE(ReadFileBytes(path), first);
  EXPECT_NE(UnscrambleRecord(*GetXattr(path, "PrivCodec")).timeCode, kFixtureTimeCode);
  ASSERT_TRUE(InspectAndWork(path));
  EXPECT_TRUE(ReadFileBytes(path) == plain);
}

}  // namespace
