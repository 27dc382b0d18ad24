// The inspection of the current path: plain and coded files, stashed icons, folders, links,
// missing entries and volumes without attributes.
#include <sys/stat.h>
#include <unistd.h>

#include "EngineTestSupport.h"
#include "settings/ProgramIcons.h"

namespace {

class InspectionTest : public EngineTest {
 protected:
  std::string Check(const std::string& path, bool setLabel = true) {
    view_ = RecorderView();
    state_.currentPath = path;
    testing::internal::CaptureStdout();
    engine_->XCheck(setLabel);
    return testing::internal::GetCapturedStdout();
  }
  const Bytes programIcon_ = Bytes(DataBBits, DataBBits + 1024);
};

TEST_F(InspectionTest, PlainFileOffersCoding) {
  std::string path = MakeFile("notes.txt", Bytes(10, 'a'));
  state_.coded = true;
  EXPECT_EQ(Check(path), "MVW> NO  Codec-Attr.!\n");
  EXPECT_TRUE(state_.workable);
  EXPECT_FALSE(state_.coded);
  EXPECT_EQ(view_.fileLabels, std::vector<std::string>{"notes.txt"});
  EXPECT_EQ(view_.buttonLabels, std::vector<std::string>{"CODE IT"});
  EXPECT_EQ(view_.icon, programIcon_);
  EXPECT_EQ(view_.beeps, 0);
  Check(path, false);
  EXPECT_TRUE(view_.buttonLabels.empty());
}

TEST_F(InspectionTest, CodedFileOffersDecodingWithItsStashedIcon) {
  std::string withIcon = MakeFile("icon.bin", Bytes(50, 1));
  DecorateFile(withIcon);
  std::string icon = *GetXattr(withIcon, "BEOS:L:STD_ICON");
  std::string without = MakeFile("plain.bin", Bytes(50, 2));
  EnterPassword("pw");
  ASSERT_TRUE(InspectAndWork(withIcon));
  ASSERT_TRUE(InspectAndWork(without));

  EXPECT_EQ(Check(withIcon), "MVW> Has Codec-Attr.!\n");
  EXPECT_TRUE(state_.coded);
  EXPECT_EQ(view_.buttonLabels, std::vector<std::string>{"DECODE IT"});
  EXPECT_EQ(view_.icon, Bytes(icon.begin(), icon.end()));
  EXPECT_STREQ(state_.fileRecord->Name(), "icon.bin");
  Check(without);
  EXPECT_TRUE(state_.coded);
  EXPECT_EQ(view_.icon, programIcon_);
  // A stash of another size is no icon.
  SetXattr(without, "x_licon", std::string(1025, 'x'));
  Check(without);
  EXPECT_EQ(view_.icon, programIcon_);
}

TEST_F(InspectionTest, FolderAndMissingEntryAreNotWorkable) {
  ASSERT_EQ(mkdir(Path("sub").c_str(), 0755), 0);
  state_.coded = true;
  EXPECT_EQ(Check(Path("sub")), "");
  EXPECT_FALSE(state_.workable);
  EXPECT_TRUE(state_.coded);
  EXPECT_EQ(view_.fileLabels, std::vector<std::string>{"sub"});
  EXPECT_TRUE(view_.buttonLabels.empty() && view_.icon.empty());

  EXPECT_EQ(Check(Path("gone")), "CAN'T GET STAT's :(\n>>'" + Path("gone") + "'\n");
  EXPECT_FALSE(state_.workable);
  EXPECT_TRUE(view_.buttonLabels.empty() && view_.icon.empty());
}

TEST_F(InspectionTest, LinksWithLongTargetsAreFollowedFromTheLinksFolder) {
  std::string target = MakeFile("target.txt", Bytes(4, 't'));
  ASSERT_EQ(mkdir(Path("links").c_str(), 0755), 0);
  ASSERT_EQ(symlink(target.c_str(), Path("links/abs").c_str()), 0);
  ASSERT_EQ(symlink("../target.txt", Path("links/rel").c_str()), 0);
  ASSERT_EQ(symlink("four", Path("links/short").c_str()), 0);
  MakeFile("links/four", Bytes(1, 't'));

  Check(Path("links/abs"));
  EXPECT_EQ(state_.currentPath, target);
  EXPECT_EQ(view_.fileLabels, std::vector<std::string>{"abs"});
  // The tests' own folder is not the link's: the target must be taken from the link's folder.
  Check(Path("links/rel"));
  EXPECT_EQ(state_.currentPath, Path("links/../target.txt"));
  EXPECT_TRUE(state_.workable);
  // A target of four bytes or fewer is not followed.
  Check(Path("links/short"));
  EXPECT_EQ(state_.currentPath, Path("links/short"));
  EXPECT_TRUE(state_.workable);
  // A dangling link is followed all the same; the transaction then finds no file to open.
  ASSERT_EQ(symlink("/nonexistent/file", Path("links/dangling").c_str()), 0);
  Check(Path("links/dangling"));
  EXPECT_TRUE(state_.workable);
  EXPECT_EQ(state_.currentPath, "/nonexistent/file");
  // A short one that leads nowhere is the link's own: its volume is not blamed.
  ASSERT_EQ(symlink("nope", Path("links/gone").c_str()), 0);
  EXPECT_EQ(Check(Path("links/gone")), "MVW> NO  Codec-Attr.!\n");
  EXPECT_EQ(view_.beeps, 0);
  EnterPassword("pw");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(engine_->XWork());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "> dnode BAD InitCheck\n");
  // A target too long for the link buffer is not guessed at, even when it leads to a file.
  std::string longTarget = dir_;
  while (longTarget.size() < sizeof state_.linkTarget) longTarget += "/.";
  ASSERT_EQ(symlink((longTarget + "/target.txt").c_str(), Path("links/long").c_str()), 0);
  EXPECT_EQ(Check(Path("links/long")), "");
  EXPECT_FALSE(state_.workable);
  EXPECT_EQ(state_.currentPath, Path("links/long"));
}

TEST_F(InspectionTest, VolumeWithoutAttributesIsRefused) {
  if (!MountOn("ram", "ramfs", nullptr)) GTEST_SKIP() << "mounting ramfs needs root";
  std::string path = MakeFile("ram/file", Bytes(20, 'r'));
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
}

}  // namespace
