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
    ASSERT_EQ(mkdir(Path("codec").c_str(), 0755), 0);
  }
  bool IsCoded(const std::string& path) const { return GetXattr(path, "PrivCodec").has_value(); }
  std::string Run(bool decode, const std::string& folder = "codec") {
    testing::internal::CaptureStdout();
    decode ? engine_->DecAllFold(Path(folder)) : engine_->ScanFold(Path(folder));
    return testing::internal::GetCapturedStdout();
  }
};

TEST_F(FolderTest, EmptyOrMissingFolderDoesNothing) {
  EnterPassword("pw");
  EXPECT_EQ(Run(false), "");
  EXPECT_EQ(Run(true), "");
  EXPECT_EQ(Run(false, "missing"), "");
  EXPECT_TRUE(view_.fileLabels.empty());
}

TEST_F(FolderTest, ScanCodesPlainFilesOnceAndDecodeAllDecodesCodedOnes) {
  const Bytes plainBytes = RandomBytes(1000, 31), codedPlain = RandomBytes(1500, 32);
  const Bytes outsideBytes = RandomBytes(700, 35);
  std::string plain = MakeFile("codec/plain.txt", plainBytes);
  std::string coded = MakeFile("codec/coded.txt", codedPlain);
  EnterPassword("pw");
  ASSERT_TRUE(InspectAndWork(coded));
  const Bytes codedBytes = ReadFileBytes(coded);
  const XattrMap codedAttrs = AllXattrs(coded);
  ASSERT_EQ(mkdir(Path("codec/sub").c_str(), 0755), 0);
  std::string inner = MakeFile("codec/sub/inner.txt", Bytes(10, 'i'));
  std::string outside = MakeFile("outside.bin", outsideBytes);
  ASSERT_EQ(symlink(outside.c_str(), Path("codec/to-outside").c_str()), 0);
  view_ = RecorderView();

  Run(false);
  EXPECT_TRUE(IsCoded(plain));
  EXPECT_TRUE(ReadFileBytes(coded) == codedBytes);
  EXPECT_EQ(AllXattrs(coded), codedAttrs);
  // The link's target was coded wherever it lies; the link stayed a link.
  EXPECT_TRUE(IsCoded(outside));
  struct stat st {};
  ASSERT_EQ(lstat(Path("codec/to-outside").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  // Each entry was shown (a followed link then by its target's name); the inspections left the
  // button's label alone, and each coding set it.
  EXPECT_EQ(std::set<std::string>(view_.fileLabels.begin(), view_.fileLabels.end()),
            (std::set<std::string>{"plain.txt", "coded.txt", "sub", "to-outside", "outside.bin"}));
  EXPECT_EQ(view_.buttonLabels, (std::vector<std::string>{"DECODE THIS", "DECODE THIS"}));

  // A second scan, at another moment, finds every file coded and codes none again.
  const Bytes plainOnce = ReadFileBytes(plain), outsideOnce = ReadFileBytes(outside);
  clock_->Set(Moment(2027, 1, 2, 3, 4, 5));
  Run(false);
  EXPECT_TRUE(ReadFileBytes(plain) == plainOnce);
  EXPECT_TRUE(ReadFileBytes(outside) == outsideOnce);

  Run(true);
  EXPECT_TRUE(ReadFileBytes(plain) == plainBytes);
  EXPECT_TRUE(ReadFileBytes(coded) == codedPlain);
  EXPECT_TRUE(ReadFileBytes(outside) == outsideBytes);
  EXPECT_EQ(AllXattrs(plain), XattrMap());
  // The subfolder was neither entered nor changed.
  EXPECT_EQ(ReadFileBytes(inner), Bytes(10, 'i'));
  EXPECT_EQ(AllXattrs(inner), XattrMap());
}

TEST_F(FolderTest, WrongPasswordLeavesThatFileCodedAndGoesOn) {
  const Bytes oneBytes = RandomBytes(600, 36);
  std::string one = MakeFile("codec/one", oneBytes);
  std::string two = MakeFile("codec/two", RandomBytes(650, 37));
  EnterPassword("first");
  ASSERT_TRUE(InspectAndWork(one));
  EnterPassword("second");
  ASSERT_TRUE(InspectAndWork(two));
  const Bytes twoCoded = ReadFileBytes(two);
  view_ = RecorderView();

  EnterPassword("first");
  Run(true);
  EXPECT_TRUE(ReadFileBytes(one) == oneBytes);
  EXPECT_FALSE(IsCoded(one));
  EXPECT_TRUE(ReadFileBytes(two) == twoCoded);
  EXPECT_TRUE(IsCoded(two));
  EXPECT_EQ(std::count(view_.passTexts.begin(), view_.passTexts.end(), " -wrong!- "), 1);
  EXPECT_EQ(view_.beeps, 1);
}

}  // namespace
