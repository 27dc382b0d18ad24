// The inspection of the current path: plain and coded files, stashed icons, folders, links,
// missing entries and volumes without attributes.
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "EngineTestSupport.h"
#include "engine/AttrNames.h"
#include "settings/ProgramIcons.h"

namespace {

class InspectionTest : public EngineTest {
 protected:
  std::string Check(const std::string& path, bool setLabel = true) {
    state_.currentPath = path;
    testing::internal::CaptureStdout();
    engine_->XCheck(setLabel);
    return testing::internal::GetCapturedStdout();
  }
  // A file coded through the engine with the password "pw".
  std::string CodedFile(const std::string& leaf) {
    std::string path = MakeFile(leaf, RandomBytes(100, 5));
    EnterPassword("pw");
    EXPECT_TRUE(InspectAndWork(path));
    EXPECT_TRUE(GetXattr(path, "PrivCodec"));
    view_ = RecorderView();
    return path;
  }
  Bytes ProgramIcon() const { return Bytes(DataBBits, DataBBits + 1024); }
};

TEST_F(InspectionTest, PlainFileOffersCoding) {
  std::string path = MakeFile("notes.txt", Bytes(10, 'a'));
  state_.coded = true;
  EXPECT_EQ(Check(path), "MVW> NO  Codec-Attr.!\n");
  EXPECT_TRUE(state_.workable);
  EXPECT_FALSE(state_.coded);
  EXPECT_EQ(view_.fileLabels, std::vector<std::string>{"notes.txt"});
  EXPECT_EQ(view_.buttonLabels, std::vector<std::string>{"CODE IT"});
  EXPECT_EQ(view_.icon, ProgramIcon());
  EXPECT_GE(view_.updates, 1);
  EXPECT_EQ(view_.beeps, 0);
}

TEST_F(InspectionTest, CodedFileOffersDecodingAndShowsItsStashedIcon) {
  std::string withIcon = MakeFile("icon.bin", Bytes(50, 1));
  Decorate(withIcon);
  std::string stored = *GetXattr(withIcon, "BEOS:L:STD_ICON");
  Bytes icon(stored.begin(), stored.end());
  EnterPassword("pw");
  ASSERT_TRUE(InspectAndWork(withIcon));
  view_ = RecorderView();
  EXPECT_EQ(Check(withIcon), "MVW> Has Codec-Attr.!\n");
  EXPECT_TRUE(state_.coded);
  EXPECT_EQ(view_.buttonLabels, std::vector<std::string>{"DECODE IT"});
  EXPECT_EQ(view_.icon, icon);
  EXPECT_STREQ(state_.fileRecord->Name(), "icon.bin");

  std::string without = CodedFile("plain.bin");
  Check(without);
  EXPECT_TRUE(state_.coded);
  EXPECT_EQ(view_.icon, ProgramIcon());
}

TEST_F(InspectionTest, StashOfAnotherSizeIsNoIcon) {
  std::string path = CodedFile("odd.bin");
  SetXattr(path, "x_licon", std::string(1025, 'x'));
  Check(path);
  EXPECT_EQ(view_.icon, ProgramIcon());
}

TEST_F(InspectionTest, ShortRecordCountsAsPlain) {
  std::string path = MakeFile("short.bin", Bytes(10, 0));
  SetXattr(path, "PrivCodec", "abcd");
  EXPECT_EQ(Check(path), "MVW> NO  Codec-Attr.!\n");
  EXPECT_FALSE(state_.coded);
  SetXattr(path, "PrivCodec", "abcde");
  EXPECT_EQ(Check(path), "MVW> Has Codec-Attr.!\n");
  EXPECT_TRUE(state_.coded);
}

TEST_F(InspectionTest, FolderIsNotWorkableAndKeepsButtonAndIcon) {
  ASSERT_EQ(mkdir(Path("sub").c_str(), 0755), 0);
  state_.coded = true;
  EXPECT_EQ(Check(Path("sub")), "");
  EXPECT_FALSE(state_.workable);
  EXPECT_TRUE(state_.coded);
  EXPECT_EQ(view_.fileLabels, std::vector<std::string>{"sub"});
  EXPECT_TRUE(view_.buttonLabels.empty());
  EXPECT_TRUE(view_.icon.empty());
}

TEST_F(InspectionTest, MissingEntryCannotBeStated) {
  std::string path = Path("gone");
  EXPECT_EQ(Check(path), "CAN'T GET STAT's :(\n>>'" + path + "'\n");
  EXPECT_FALSE(state_.workable);
  EXPECT_TRUE(view_.buttonLabels.empty());
  EXPECT_EQ(view_.beeps, 0);
}

TEST_F(InspectionTest, QuietModeLeavesTheButtonAlone) {
  std::string path = MakeFile("q.txt", Bytes(3, 'q'));
  Check(path, false);
  EXPECT_TRUE(state_.workable);
  EXPECT_TRUE(view_.buttonLabels.empty());
}

TEST_F(InspectionTest, LinksWithLongTargetsAreFollowedFromTheLinksFolder) {
  std::string target = MakeFile("target.txt", Bytes(4, 't'));
  ASSERT_EQ(mkdir(Path("links").c_str(), 0755), 0);
  std::string absolute = Path("links/abs");
  std::string relative = Path("links/rel");
  ASSERT_EQ(symlink(target.c_str(), absolute.c_str()), 0);
  ASSERT_EQ(symlink("../target.txt", relative.c_str()), 0);

  Check(absolute);
  EXPECT_EQ(state_.currentPath, target);
  EXPECT_TRUE(state_.workable);
  EXPECT_EQ(view_.fileLabels.back(), "abs");

  // The test's own folder is not the link's folder: the target must be taken from the link's.
  Check(relative);
  EXPECT_EQ(state_.currentPath, Path("links/../target.txt"));
  EXPECT_TRUE(state_.workable);
  EXPECT_STREQ(state_.linkTarget, "../target.txt");
}

TEST_F(InspectionTest, LinkWithShortTargetIsNotFollowed) {
  MakeFile("t", Bytes(4, 't'));
  std::string link = Path("short");
  ASSERT_EQ(symlink("t", link.c_str()), 0);
  EXPECT_EQ(Check(link), "MVW> NO  Codec-Attr.!\n");
  EXPECT_EQ(state_.currentPath, link);
  EXPECT_TRUE(state_.workable);
}

TEST_F(InspectionTest, VolumeWithoutAttributesIsRefused) {
  if (!RunningAsRoot()) GTEST_SKIP() << "mounting ramfs needs root";
  std::string mnt = Path("ram");
  ASSERT_EQ(mkdir(mnt.c_str(), 0755), 0);
  ASSERT_EQ(mount("ramfs", mnt.c_str(), "ramfs", 0, nullptr), 0) << std::strerror(errno);
  std::string path = mnt + "/file";
  WriteFileBytes(path, Bytes(20, 'r'));
  EXPECT_EQ(Check(path), "No valid Volume (Mime)!\nNo valid Volume (Attr)!\n");
  EXPECT_EQ(view_.beeps, 2);
  EXPECT_FALSE(state_.workable);
  EXPECT_TRUE(view_.buttonLabels.empty());

  // A later press of the Do-it button does nothing.
  EnterPassword("pw");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(engine_->XWork());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(ReadFileBytes(path), Bytes(20, 'r'));
  EXPECT_EQ(umount(mnt.c_str()), 0);
}

}  // namespace
