// The inspection of an entry: plain and coded files, stashed icons, folders, links, missing
// entries and volumes without attributes; and the lines the window prints for each.
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <utility>

#include "EngineTestSupport.h"
#include "engine/journal/ChangeMarker.h"
#include "platform/AttrBackend.h"

namespace {

class InspectionTest : public EngineTest {
 protected:
  Inspection Check(const std::string& path, std::string* lines = nullptr) {
    Inspection found = engine_->Inspect(path);
    if (lines) *lines = InspectionLines(found);
    return found;
  }
};

TEST_F(InspectionTest, PlainAndCodedFilesWithTheirStashedIcons) {
  std::string plain = MakeFile("notes.txt", Bytes(10, 'a'));
  std::string lines;
  Inspection found = Check(plain, &lines);
  EXPECT_EQ(lines, "MVW> NO  Codec-Attr.!\n");
  EXPECT_TRUE(found.workable() && found.opened && !found.coded);
  EXPECT_EQ(found.file, plain);
  EXPECT_EQ(InspectionBeeps(found), 0);

  std::string withIcon = MakeFile("icon.bin", Bytes(50, 1));
  DecorateFile(withIcon);
  std::string icon = *GetXattr(withIcon, "BEOS:L:STD_ICON");
  EnterPassword("pw");
  ASSERT_TRUE(InspectAndWork(withIcon));
  ASSERT_TRUE(InspectAndWork(plain));
  found = Check(withIcon, &lines);
  EXPECT_EQ(lines, "MVW> Has Codec-Attr.!\n");
  EXPECT_TRUE(found.coded);
  EXPECT_EQ(found.record.name, "icon.bin");
  EXPECT_EQ(found.record.password, "pw");
  EXPECT_EQ(found.stashedIcon, Bytes(icon.begin(), icon.end()));
  EXPECT_TRUE(Check(plain).stashedIcon.empty());
  // A stash of another size is no icon.
  SetXattr(plain, "x_licon", std::string(1025, 'x'));
  EXPECT_TRUE(Check(plain).stashedIcon.empty());
}

TEST_F(InspectionTest, FolderAndMissingEntryAreNotWorkable) {
  ASSERT_EQ(mkdir(Path("sub").c_str(), 0755), 0);
  std::string lines;
  EXPECT_EQ(Check(Path("sub"), &lines).notWorkable, NotWorkable::Folder);
  EXPECT_EQ(lines, "");
  Inspection gone = Check(Path("gone"), &lines);
  EXPECT_EQ(lines, "CAN'T GET STAT's :(\n>>'" + Path("gone") + "'\n");
  EXPECT_FALSE(gone.workable() || gone.opened);
}

// Links with targets of more than four bytes are followed to the file they finally name, the
// work acts on exactly that file; others are named for what they are.
TEST_F(InspectionTest, LinksAreFollowedOrRefusedWithTheirReason) {
  std::string target = MakeFile("target.txt", Bytes(4, 't'));
  ASSERT_EQ(mkdir(Path("links").c_str(), 0755), 0);
  ASSERT_EQ(symlink(target.c_str(), Path("links/abs").c_str()), 0);
  ASSERT_EQ(symlink("../target.txt", Path("links/rel").c_str()), 0);
  ASSERT_EQ(symlink("relx", Path("links/via").c_str()), 0);  // four bytes: not followed
  MakeFile("links/five5", Bytes(5, 'f'));
  ASSERT_EQ(symlink("five5", Path("links/to-five").c_str()), 0);  // five: followed
  ASSERT_EQ(symlink("/nonexistent/file", Path("links/dangling").c_str()), 0);
  ASSERT_EQ(symlink(Path("links/loop-b").c_str(), Path("links/loop-a").c_str()), 0);
  ASSERT_EQ(symlink(Path("links/loop-a").c_str(), Path("links/loop-b").c_str()), 0);
  ASSERT_EQ(symlink(dir_.c_str(), Path("links/to-dir").c_str()), 0);

  EXPECT_EQ(Check(Path("links/abs")).file, target);
  EXPECT_EQ(Check(Path("links/to-five")).file, Path("links/five5"));
  // The tests' own folder is not the link's: the target is taken from the link's folder.
  Inspection rel = Check(Path("links/rel"));
  EXPECT_TRUE(rel.workable());
  EXPECT_EQ(rel.file, target);

  const struct {
    const char* leaf;
    NotWorkable why;
    const char* line;
  } refused[] = {
      {"via", NotWorkable::LinkNotFollowed,
       "it is a link whose target is named in 4 bytes or fewer, which is not followed"},
      {"dangling", NotWorkable::LinkNowhere, "its link leads nowhere"},
      {"loop-a", NotWorkable::LinkLoop, "its links lead round in a loop"},
      {"to-dir", NotWorkable::Folder, "it leads to a folder"},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.leaf);
    std::string lines;
    Inspection found = Check(Path("links/") + r.leaf, &lines);
    EXPECT_EQ(found.notWorkable, r.why);
    EXPECT_EQ(lines, "> Not workable: '" + Path("links/") + r.leaf + "': " + r.line + "\n");
    EXPECT_EQ(InspectionBeeps(found), 1);
    // The work does nothing for what the inspection refused.
    EnterPassword("pw");
    EXPECT_EQ(engine_->Work(found, password_).outcome, WorkOutcome::NotWorkable);
  }
  EXPECT_EQ(AllXattrs(target), XattrMap());
}

TEST_F(InspectionTest, VolumeWithoutAttributesIsRefused) {
  if (!MountOn("ram", "ramfs", nullptr)) GTEST_SKIP() << "mounting ramfs needs root";
  std::string path = MakeFile("ram/file", Bytes(20, 'r'));
  std::string lines;
  Inspection found = Check(path, &lines);
  EXPECT_EQ(lines, "No valid Volume (Mime)!\nNo valid Volume (Attr)!\n");
  EXPECT_EQ(InspectionBeeps(found), 2);
  EXPECT_EQ(found.notWorkable, NotWorkable::NoAttributes);
  EnterPassword("pw");
  EXPECT_EQ(engine_->Work(found, password_).outcome, WorkOutcome::NotWorkable);
  EXPECT_EQ(ReadFileBytes(path), Bytes(20, 'r'));
}

}  // namespace

namespace {

// A text long and varied enough for its key to be told from its likeness.
Bytes Letter() {
  std::string text;
  for (int i = 0; i < 20; ++i)
    text += "Dear reader, line " + std::to_string(i) +
            " of this letter tells of the weather, the garden and the neighbours' cat.\n";
  return Bytes(text.begin(), text.end());
}

TEST_F(InspectionTest, CodedBytesWithoutTheirRecordAndPlainBytesUnderOneAreTold) {
  EnterPassword("pw");
  const std::string coded = MakeFile("letter.txt", Letter());
  ASSERT_TRUE(InspectAndWork(coded));
  EXPECT_EQ(Check(coded).mismatch, RecordMismatch::None);

  // A copy made without the attributes: coded bytes, no record.
  const std::string copy = MakeFile("copy.txt", ReadFileBytes(coded));
  std::string lines;
  Inspection found = Check(copy, &lines);
  EXPECT_TRUE(found.workable() && !found.coded);
  ASSERT_EQ(found.mismatch, RecordMismatch::RecordLost);
  EXPECT_TRUE(found.lostKey.found);
  EXPECT_EQ(std::string(found.lostKey.key, found.lostKey.key + 6), kFixtureTimeCode);
  EXPECT_EQ(lines, "MVW> NO  Codec-Attr.!\n> Coded, record lost: '" + copy +
                       "' (coded on 2026-12-07 08:30:15; turned back: " + found.lostKey.kind +
                       "); murvelctl rescue gives it back\n");

  // The plain letter written over the coded file: its record is left over. The integrity
  // attribute already tells such a change when it is there; without it the bytes tell.
  WriteFileBytes(coded, Letter());
  EXPECT_EQ(Check(coded).mismatch, RecordMismatch::None);
  ASSERT_EQ(removexattr(coded.c_str(), "user.murvel.integrity"), 0);
  found = Check(coded, &lines);
  EXPECT_TRUE(found.coded);
  EXPECT_EQ(found.mismatch, RecordMismatch::RecordLeftOver);
  EXPECT_NE(lines.find("> Plain, record left over: '" + coded + "'"), std::string::npos);

  // Coded bytes under their record, without the integrity attribute, are what they say.
  WriteFileBytes(coded, ReadFileBytes(copy));
  EXPECT_EQ(Check(coded).mismatch, RecordMismatch::None);
  // And a plain file is plain.
  EXPECT_EQ(Check(MakeFile("plain.txt", Letter())).mismatch, RecordMismatch::None);
}

}  // namespace

namespace {

TEST_F(InspectionTest, ACodedCopyOnAFileSystemWithoutAttributesIsToldToo) {
  if (!MountOn("stick", "ramfs", nullptr)) GTEST_SKIP() << "mounting ramfs needs root";
  EnterPassword("pw");
  const std::string coded = MakeFile("letter.txt", Letter());
  ASSERT_TRUE(InspectAndWork(coded));
  const std::string copy = MakeFile("stick/letter.txt", ReadFileBytes(coded));
  Inspection found = Check(copy);
  EXPECT_EQ(found.notWorkable, NotWorkable::NoAttributes);
  EXPECT_EQ(found.mismatch, RecordMismatch::RecordLost);
  EXPECT_EQ(std::string(found.lostKey.key, found.lostKey.key + 6), kFixtureTimeCode);
}

}  // namespace

// A marker that another program settled between the inspection's listing and its own look
// (gone when it reads it): the file is inspected as it now is.
struct MarkerGoneAfterListing : plat::XattrBackend {
  bool once = true;
  int List(int fd, std::vector<std::string>* names) override {
    const int r = XattrBackend::List(fd, names);
    if (r == 0 && std::exchange(once, false)) names->push_back(kChangeMarkerAttr);
    return r;
  }
};

TEST_F(InspectionTest, AMarkerSettledByAnotherMeanwhileLeavesTheFileWorkable) {
  const std::string plain = MakeFile("f", Bytes(100, 'a'));
  MarkerGoneAfterListing attrs;
  plat::SetAttrBackend(&attrs);
  Inspection found = Check(plain);
  plat::SetAttrBackend(nullptr);
  EXPECT_FALSE(attrs.once);
  EXPECT_TRUE(found.workable()) << found.whyNot;
  EXPECT_TRUE(found.opened && !found.coded && !found.recovery);
}
