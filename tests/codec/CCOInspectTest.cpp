// The record's own inspection of a file, on real files with real extended attributes.
#include <gtest/gtest.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <string>

#include "codec/CCOInspect.h"
#include "tests/codec/CodecTestSupport.h"
#include "tests/codec/CodecVectors.h"
#include "tests/platform/TempHome.h"

namespace {

class CodecInspect : public TempHomeTest {
 protected:
  std::string MakeFile(const std::string& leaf, const std::string& codec) {
    const std::string path = root_ + "/" + leaf;
    WriteFile(path, "contents");
    EXPECT_EQ(setxattr(path.c_str(), "user.PrivCodec", codec.data(), codec.size(), 0), 0);
    return path;
  }
  ClockAt clock_{Moment(2026, 3, 14, 15, 9, 26)};
};

TEST_F(CodecInspect, FilesLinksAndFolders) {
  const std::string value = PlainAsciiVector().value;
  const std::string shown = std::string("Cco> Has Codec-Attr.!\n") +
                            "Attr.Len  : [22]\n"
                            "MVoded um : [15:9:26]\n"
                            "       am : [14/3/2026]\n"
                            " Filename : [abc.txt][7]\n"
                            " Passwort : [******][6]\n";
  const std::string coded = MakeFile("coded.txt", value);
  // A relative target longer than four bytes is followed, beside the link.
  ASSERT_EQ(symlink("coded.txt", (root_ + "/link").c_str()), 0);
  // Five bytes make a record (decoded without further checks), four do not.
  const std::string five = MakeFile("five", std::string("\x0c\x01\x02\x03\x04", 5));
  const std::string four = MakeFile("four", std::string("\x0c\x01\x02\x03", 4));
  const struct {
    std::string path, out;
    bool isFile, hasRecord;
    std::string view;
  } cases[] = {
      {coded, shown, true, true, "\n  '******'\tfor:  'abc.txt'"},
      {root_ + "/link", shown, true, true, "\n  '******'\tfor:  'abc.txt'"},
      {five,
       "Cco> Has Codec-Attr.!\nAttr.Len  : [12]\nMVoded um : [-8:-10:-12]\n"
       "       am : [-23/-21/1945]\n Filename : [\xff\xfe\xfd\xf4][244]\n Passwort : [][0]\n",
       true, true, "\n  ''\tfor:  '\xff\xfe\xfd\xf4'"},
      {four, "CCo> NO  Codec-Attr.!\n", true, false, "> no Codec-Attr.!\n"},
      {root_ + "/absent", "CAN'T GET STAT's :(\n> dnode BAD InitCheck\n", false, false, ""},
      {root_, "> dnode BAD InitCheck\n", false, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    CCO record;
    std::string view;
    record.SetStatusView(
        [](void* ctx, const char* text) { *static_cast<std::string*>(ctx) += text; }, &view);
    CCOInspect inspect(&record);
    inspect.SetPath(c.path);
    EXPECT_EQ(CapturedStdout([&] { inspect.XCheck(); }), c.out);
    EXPECT_EQ(inspect.IsFile(), c.isFile);
    EXPECT_EQ(inspect.HasRecord(), c.hasRecord);
    EXPECT_EQ(view, c.view);
  }
}

}  // namespace
