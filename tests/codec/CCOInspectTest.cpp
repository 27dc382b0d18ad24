#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "codec/CCO.h"
#include "platform/AttrBackend.h"
#include "tests/codec/CodecTestSupport.h"
#include "tests/codec/CodecVectors.h"

namespace fs = std::filesystem;

namespace {

// Attributes kept in memory, by path and name, so the inspection runs on any file system.
class MemoryAttrs : public plat::AttrBackend {
 public:
  ssize_t Get(const std::string& path, const std::string& name, void* buf, size_t size) override {
    auto it = values_.find(path + "|" + name);
    if (it == values_.end()) return -ENODATA;
    const size_t n = std::min(size, it->second.size());
    std::memcpy(buf, it->second.data(), n);
    return static_cast<ssize_t>(n);
  }
  int Set(const std::string& path, const std::string& name, const void* data,
          size_t size) override {
    values_[path + "|" + name].assign(static_cast<const char*>(data), size);
    return 0;
  }
  int Remove(const std::string& path, const std::string& name) override {
    return values_.erase(path + "|" + name) ? 0 : -ENODATA;
  }

 private:
  std::map<std::string, std::string> values_;
};

class CodecInspect : public FixedClockTest {
 protected:
  void SetUp() override {
    FixedClockTest::SetUp();
    plat::SetAttrBackend(&attrs_);
    char tmpl[] = "/tmp/murvel-cco-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    record_.SetStatusView(
        [](void* ctx, const char* text) { *static_cast<std::string*>(ctx) += text; }, &view_);
  }
  void TearDown() override {
    plat::SetAttrBackend(nullptr);
    fs::remove_all(dir_);
    FixedClockTest::TearDown();
  }

  std::string MakeFile(const std::string& leaf, const std::string* codec = nullptr) {
    const std::string path = dir_ + "/" + leaf;
    std::ofstream(path) << "contents";
    if (codec) {
      EXPECT_EQ(attrs_.Set(path, kPrivCodecAttr, codec->data(), codec->size()), 0);
    }
    return path;
  }

  std::string Inspect(const std::string& path) {
    record_.SetPath(path);
    return Captured([&] { record_.XCheck(); });
  }

  MemoryAttrs attrs_;
  std::string dir_;
  std::string view_;
  CCO record_;
};

const char kTerminalDump[] =
    "Attr.Len  : [22]\n"
    "MVoded um : [15:9:26]\n"
    "       am : [14/3/2026]\n"
    " Filename : [abc.txt][7]\n"
    " Passwort : [Geheim][6]\n";

TEST_F(CodecInspect, CodedFileIsDecodedAndShown) {
  const std::string value = PlainAsciiVector().value;
  const std::string path = MakeFile("coded.txt", &value);
  EXPECT_EQ(Inspect(path), std::string("Cco> Has Codec-Attr.!\n") + kTerminalDump);
  EXPECT_TRUE(record_.IsFile());
  EXPECT_TRUE(record_.HasRecord());
  EXPECT_STREQ(record_.NPass(), "Geheim");
  EXPECT_EQ(view_, "\n  'Geheim'\tfor:  'abc.txt'");
}

TEST_F(CodecInspect, FiveBytesMakeARecordAndFourDoNot) {
  const std::string four("\x0c\x01\x02\x03", 4);
  EXPECT_EQ(Inspect(MakeFile("four", &four)), "CCo> NO  Codec-Attr.!\n");
  EXPECT_FALSE(record_.HasRecord());
  EXPECT_EQ(view_, "> no Codec-Attr.!\n");

  const std::string five("\x0c\x01\x02\x03\x04", 5);
  const std::string out = Inspect(MakeFile("five", &five));
  EXPECT_EQ(out.rfind("Cco> Has Codec-Attr.!\nAttr.Len  : [12]\n", 0), 0u) << out;
  EXPECT_TRUE(record_.HasRecord());
}

TEST_F(CodecInspect, MissingEntriesAndFoldersAreNotFiles) {
  EXPECT_EQ(Inspect(dir_ + "/absent"), "CAN'T GET STAT's :(\n> dnode BAD InitCheck\n");
  EXPECT_FALSE(record_.IsFile());
  EXPECT_EQ(Inspect(dir_), "> dnode BAD InitCheck\n");
  EXPECT_FALSE(record_.IsFile());
  EXPECT_EQ(view_, "");
}

TEST_F(CodecInspect, LinksWithLongerTargetsAreFollowedBesideTheLink) {
  const std::string value = PlainAsciiVector().value;
  MakeFile("coded.txt", &value);
  fs::create_symlink("coded.txt", dir_ + "/link");
  EXPECT_EQ(Inspect(dir_ + "/link"), std::string("Cco> Has Codec-Attr.!\n") + kTerminalDump);
  EXPECT_TRUE(record_.HasRecord());

  // A target text of 4 bytes or fewer is not followed: the link itself carries nothing.
  MakeFile("c.x", &value);
  fs::create_symlink("c.x", dir_ + "/short");
  EXPECT_EQ(Inspect(dir_ + "/short"), "CCo> NO  Codec-Attr.!\n");
  EXPECT_TRUE(record_.IsFile());
  EXPECT_FALSE(record_.HasRecord());
}

}  // namespace
