// The folder operations over a real folder: plain and coded files, a subfolder, links (never
// followed, wherever they lead), a second scan, and a file coded with another password.
#include <sys/stat.h>
#include <unistd.h>

#include "EngineTestSupport.h"
#include "platform/Directory.h"

namespace {

class FolderTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_EQ(mkdir(Path("codec").c_str(), 0755), 0);
  }
  bool IsCoded(const std::string& path) const { return GetXattr(path, "PrivCodec").has_value(); }
  // Runs a folder operation; the entries as told, in order.
  std::vector<FolderEntry> Run(bool decode, const std::string& folder = "codec") {
    std::vector<FolderEntry> told;
    engine_->WorkOverFolder(Path(folder), decode, password_,
                            [&](const FolderEntry& e) { told.push_back(e); });
    return told;
  }
  static int Count(const std::vector<FolderEntry>& entries, WorkOutcome outcome) {
    int n = 0;
    for (const FolderEntry& e : entries) n += e.work && e.work->outcome == outcome;
    return n;
  }
};

TEST_F(FolderTest, EmptyOrMissingFolderDoesNothing) {
  EnterPassword("pw");
  EXPECT_TRUE(Run(false).empty());
  EXPECT_TRUE(Run(true).empty());
  EXPECT_TRUE(Run(false, "missing").empty());
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
  ASSERT_EQ(symlink("../outside.bin", Path("codec/relative").c_str()), 0);
  ASSERT_EQ(symlink("../y", Path("codec/short").c_str()), 0);
  MakeFile("y", Bytes(5, 'y'));

  std::vector<FolderEntry> told = Run(false);
  EXPECT_EQ(told.size(), 6u);
  EXPECT_EQ(Count(told, WorkOutcome::Coded), 1);
  EXPECT_TRUE(IsCoded(plain));
  EXPECT_TRUE(ReadFileBytes(coded) == codedBytes);
  EXPECT_EQ(AllXattrs(coded), codedAttrs);
  // Links lead out of the folder: they are listed as skipped, and what they lead to is
  // untouched.
  int links = 0;
  for (const FolderEntry& e : told) links += e.skippedLink;
  EXPECT_EQ(links, 3);
  EXPECT_TRUE(ReadFileBytes(outside) == outsideBytes);
  EXPECT_EQ(AllXattrs(outside), XattrMap());
  EXPECT_EQ(AllXattrs(Path("y")), XattrMap());

  // A second scan, at another moment, finds every file coded and codes none again.
  const Bytes plainOnce = ReadFileBytes(plain);
  clock_->Set(Moment(2027, 1, 2, 3, 4, 5));
  EXPECT_EQ(Count(Run(false), WorkOutcome::Coded), 0);
  EXPECT_TRUE(ReadFileBytes(plain) == plainOnce);

  EXPECT_EQ(Count(Run(true), WorkOutcome::Decoded), 2);
  EXPECT_TRUE(ReadFileBytes(plain) == plainBytes);
  EXPECT_TRUE(ReadFileBytes(coded) == codedPlain);
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

  EnterPassword("first");
  std::vector<FolderEntry> told = Run(true);
  EXPECT_EQ(Count(told, WorkOutcome::Decoded), 1);
  EXPECT_EQ(Count(told, WorkOutcome::WrongPassword), 1);
  EXPECT_TRUE(ReadFileBytes(one) == oneBytes);
  EXPECT_FALSE(IsCoded(one));
  EXPECT_TRUE(ReadFileBytes(two) == twoCoded);
  EXPECT_TRUE(IsCoded(two));
}

// A folder of more entries than are held at once: every entry is told once, in folder order,
// and every plain file coded, whichever batch it fell in.
TEST_F(FolderTest, FolderLargerThanABatchIsWorkedWhole) {
  constexpr int kFiles = 1100;
  for (int i = 0; i < kFiles; ++i) MakeFile("codec/f" + std::to_string(i), Bytes(10, uint8_t(i)));
  EnterPassword("pw");
  std::vector<std::string> order;
  for (plat::Directory dir(Path("codec")); order.size() < kFiles + 1;) {
    std::string entry;
    if (dir.GetNextRef(&entry) != 0) break;
    order.push_back(entry);
  }
  const std::vector<FolderEntry> told = Run(false);
  ASSERT_EQ(told.size(), order.size());
  for (size_t i = 0; i < told.size(); ++i) ASSERT_EQ(told[i].inspection.path, order[i]);
  EXPECT_EQ(Count(told, WorkOutcome::Coded), kFiles);
  for (int i = 0; i < kFiles; ++i) ASSERT_TRUE(IsCoded(Path("codec/f" + std::to_string(i)))) << i;
}

}  // namespace

namespace {

TEST_F(FolderTest, ScanLeavesACodedCopyThatLostItsRecord) {
  std::string text;
  for (int i = 0; i < 20; ++i)
    text += "Note " + std::to_string(i) + ": buy bread and milk today.\n";
  std::string original = MakeFile("original.txt", Bytes(text.begin(), text.end()));
  EnterPassword("pw");
  ASSERT_TRUE(InspectAndWork(original));
  const Bytes coded = ReadFileBytes(original);
  std::string copy = MakeFile("codec/copy.txt", coded);

  std::vector<FolderEntry> told = Run(false);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].inspection.mismatch, RecordMismatch::RecordLost);
  EXPECT_FALSE(told[0].work.has_value());
  EXPECT_EQ(ReadFileBytes(copy), coded);
  EXPECT_FALSE(IsCoded(copy));
}

}  // namespace
