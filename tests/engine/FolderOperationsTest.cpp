// The folder operations over a real folder: plain and coded files, a subfolder, a link to a
// file elsewhere, a second scan, and a file coded with another password.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>

#include "EngineTestSupport.h"

namespace {

class FolderTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    folder_ = Path("codec");
    ASSERT_EQ(mkdir(folder_.c_str(), 0755), 0);
  }
  std::string InFolder(const std::string& leaf) const { return folder_ + "/" + leaf; }
  bool IsCoded(const std::string& path) const { return GetXattr(path, "PrivCodec").has_value(); }
  std::string Scan() {
    testing::internal::CaptureStdout();
    engine_->ScanFold(folder_);
    return testing::internal::GetCapturedStdout();
  }
  std::string DecodeAll() {
    testing::internal::CaptureStdout();
    engine_->DecAllFold(folder_);
    return testing::internal::GetCapturedStdout();
  }
  std::string folder_;
};

TEST_F(FolderTest, EmptyOrMissingFolderDoesNothing) {
  EnterPassword("pw");
  EXPECT_EQ(Scan(), "");
  EXPECT_EQ(DecodeAll(), "");
  folder_ = Path("missing");
  EXPECT_EQ(Scan(), "");
  EXPECT_TRUE(view_.fileLabels.empty());
}

TEST_F(FolderTest, ScanCodesPlainFilesAndDecodeAllDecodesCodedOnes) {
  Bytes plainBytes = RandomBytes(1000, 31);
  Bytes codedPlain = RandomBytes(1500, 32);
  std::string plain = MakeFile("codec/plain.txt", plainBytes);
  std::string coded = MakeFile("codec/coded.txt", codedPlain);
  EnterPassword("pw");
  ASSERT_TRUE(InspectAndWork(coded));
  Bytes codedBytes = ReadFileBytes(coded);
  XattrMap codedAttrs = AllXattrs(coded);
  ASSERT_EQ(mkdir(InFolder("sub").c_str(), 0755), 0);
  std::string inner = MakeFile("codec/sub/inner.txt", Bytes(10, 'i'));
  view_ = RecorderView();

  Scan();
  EXPECT_TRUE(IsCoded(plain));
  EXPECT_TRUE(ReadFileBytes(coded) == codedBytes);
  EXPECT_EQ(AllXattrs(coded), codedAttrs);
  EXPECT_EQ(ReadFileBytes(inner), Bytes(10, 'i'));
  EXPECT_EQ(AllXattrs(inner), XattrMap());
  // Each entry was shown; the button kept its label.
  std::set<std::string> shown(view_.fileLabels.begin(), view_.fileLabels.end());
  EXPECT_EQ(shown, (std::set<std::string>{"plain.txt", "coded.txt", "sub"}));
  EXPECT_TRUE(std::count(view_.buttonLabels.begin(), view_.buttonLabels.end(), "CODE IT") +
                  std::count(view_.buttonLabels.begin(), view_.buttonLabels.end(), "DECODE IT") ==
              0);

  DecodeAll();
  EXPECT_FALSE(IsCoded(plain));
  EXPECT_FALSE(IsCoded(coded));
  EXPECT_TRUE(ReadFileBytes(plain) == plainBytes);
  EXPECT_TRUE(ReadFileBytes(coded) == codedPlain);
  EXPECT_EQ(ReadFileBytes(inner), Bytes(10, 'i'));
}

TEST_F(FolderTest, SecondScanCodesNothingAgain) {
  std::string a = MakeFile("codec/a", RandomBytes(800, 33));
  std::string b = MakeFile("codec/b", RandomBytes(900, 34));
  EnterPassword("pw");
  Scan();
  Bytes aOnce = ReadFileBytes(a);
  Bytes bOnce = ReadFileBytes(b);
  ASSERT_TRUE(IsCoded(a) && IsCoded(b));
  clock_->Set(Moment(2027, 1, 2, 3, 4, 5));
  Scan();
  EXPECT_TRUE(ReadFileBytes(a) == aOnce);
  EXPECT_TRUE(ReadFileBytes(b) == bOnce);
}

TEST_F(FolderTest, LinkWithAbsolutePathCodesItsTargetAndStaysALink) {
  Bytes bytes = RandomBytes(700, 35);
  std::string outside = MakeFile("outside.bin", bytes);
  std::string link = InFolder("to-outside");
  ASSERT_EQ(symlink(outside.c_str(), link.c_str()), 0);
  EnterPassword("pw");
  Scan();
  EXPECT_TRUE(IsCoded(outside));
  EXPECT_NE(ReadFileBytes(outside), bytes);
  struct stat st {};
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  DecodeAll();
  EXPECT_TRUE(ReadFileBytes(outside) == bytes);
}

TEST_F(FolderTest, WrongPasswordLeavesThatFileCodedAndGoesOn) {
  Bytes oneBytes = RandomBytes(600, 36);
  Bytes twoBytes = RandomBytes(650, 37);
  std::string one = MakeFile("codec/one", oneBytes);
  std::string two = MakeFile("codec/two", twoBytes);
  EnterPassword("first");
  ASSERT_TRUE(InspectAndWork(one));
  EnterPassword("second");
  ASSERT_TRUE(InspectAndWork(two));
  Bytes twoCoded = ReadFileBytes(two);
  view_ = RecorderView();

  EnterPassword("first");
  std::string out = DecodeAll();
  EXPECT_TRUE(ReadFileBytes(one) == oneBytes);
  EXPECT_FALSE(IsCoded(one));
  EXPECT_TRUE(ReadFileBytes(two) == twoCoded);
  EXPECT_TRUE(IsCoded(two));
  EXPECT_EQ(view_.beeps, 1);
  EXPECT_NE(out.find("> Remo. Codec-Attr. !"), std::string::npos);
}

}  // namespace
