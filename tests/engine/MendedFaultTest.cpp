// Failures provoked for real: a pass that cannot finish, attribute writes and removals that
// fail, links, files that cannot be written, and crafted records. Each must leave the file
// exactly as it was.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "EngineTestSupport.h"
#include "platform/AttrBackend.h"

namespace {

// The real xattrs, except that writes or removals of one attribute fail, every time.
class RefusingBackend : public plat::XattrBackend {
 public:
  RefusingBackend(bool set, std::string name) : set_(set), name_(std::move(name)) {}
  int Set(const std::string& path, const std::string& name, const void* data,
          size_t size) override {
    if (set_ && name == name_) {
      ++refusals;
      return -ENOSPC;
    }
    return XattrBackend::Set(path, name, data, size);
  }
  int Remove(const std::string& path, const std::string& name) override {
    if (!set_ && name == name_) {
      ++refusals;
      return -EIO;
    }
    return XattrBackend::Remove(path, name);
  }
  int refusals = 0;

 private:
  bool set_;
  std::string name_;
};

// Sets or clears the immutable flag, which even root cannot write through.
bool SetImmutable(const std::string& path, bool on) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
  ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  close(fd);
  return ok;
}

struct Refusal {
  bool set;  // a write fails; otherwise a removal
  const char* name;
};

std::ostream& operator<<(std::ostream& os, const Refusal& r) {
  return os << (r.set ? "write " : "remove ") << r.name;
}

class FaultTest : public EngineTest {
 protected:
  void TearDown() override {
    plat::SetAttrBackend(nullptr);
    for (const std::string& path : immutable_) EXPECT_TRUE(SetImmutable(path, false));
    EngineTest::TearDown();
  }
  // A file with contents, type, preferred application and icons.
  std::string FullFile(const std::string& leaf) {
    std::string path = MakeFile(leaf, RandomBytes(3000, 21));
    Decorate(path);
    return path;
  }
  // Runs the transaction on `path` and expects it refused with the file as it was.
  void ExpectRefusedUnchanged(const std::string& path, const std::string& lineStart) {
    Bytes bytes = ReadFileBytes(path);
    XattrMap attrs = AllXattrs(path);
    view_ = RecorderView();
    std::string out;
    EXPECT_FALSE(InspectAndWork(path, &out));
    EXPECT_NE(out.find(lineStart), std::string::npos) << out;
    EXPECT_EQ(view_.beeps, 1);
    EXPECT_TRUE(ReadFileBytes(path) == bytes);
    EXPECT_EQ(AllXattrs(path), attrs);
  }
  std::vector<std::string> immutable_;
};

class CodingStepFails : public FaultTest, public testing::WithParamInterface<Refusal> {};

TEST_P(CodingStepFails, FileStaysPlain) {
  std::string path = FullFile("plain.txt");
  EnterPassword("pw");
  RefusingBackend backend(GetParam().set, GetParam().name);
  plat::SetAttrBackend(&backend);
  ExpectRefusedUnchanged(path, "\n> Not coded, file left as it was: ");
  EXPECT_GE(backend.refusals, 1);
}

INSTANTIATE_TEST_SUITE_P(EachStep, CodingStepFails,
                         testing::Values(Refusal{true, "x_prefapp"}, Refusal{true, "PrivCodec"},
                                         Refusal{true, "x_beos:type"}, Refusal{true, "mime_type"},
                                         Refusal{true, "x_licon"}, Refusal{true, "x_micon"},
                                         Refusal{false, "BEOS:PREF_APP"},
                                         Refusal{false, "BEOS:L:STD_ICON"},
                                         Refusal{false, "BEOS:M:STD_ICON"}));

class DecodingStepFails : public FaultTest, public testing::WithParamInterface<Refusal> {};

TEST_P(DecodingStepFails, FileStaysCoded) {
  std::string path = FullFile("coded.txt");
  EnterPassword("pw");
  ASSERT_TRUE(InspectAndWork(path));
  RefusingBackend backend(GetParam().set, GetParam().name);
  plat::SetAttrBackend(&backend);
  ExpectRefusedUnchanged(path, "> Not decoded, file left as it was: ");
  EXPECT_GE(backend.refusals, 1);
  // Once the file system takes the change again, the file decodes as usual.
  plat::SetAttrBackend(nullptr);
  EXPECT_TRUE(InspectAndWork(path));
  EXPECT_FALSE(GetXattr(path, "PrivCodec"));
}

INSTANTIATE_TEST_SUITE_P(EachStep, DecodingStepFails,
                         testing::Values(Refusal{true, "mime_type"}, Refusal{true, "BEOS:PREF_APP"},
                                         Refusal{true, "BEOS:L:STD_ICON"},
                                         Refusal{true, "BEOS:M:STD_ICON"},
                                         Refusal{false, "x_beos:type"}, Refusal{false, "x_prefapp"},
                                         Refusal{false, "x_licon"}, Refusal{false, "x_micon"},
                                         Refusal{false, "PrivCodec"}));

TEST_F(FaultTest, PassThatCannotFinishTouchesNoAttribute) {
  if (!RunningAsRoot()) GTEST_SKIP() << "mounting a small tmpfs needs root";
  std::string mnt = Path("small");
  ASSERT_EQ(mkdir(mnt.c_str(), 0755), 0);
  ASSERT_EQ(mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=1m"), 0) << std::strerror(errno);
  std::string path = mnt + "/sparse";
  WriteFileBytes(path, Bytes(10, 1));
  ASSERT_EQ(truncate(path.c_str(), 4 << 20), 0);
  SetXattr(path, "mime_type", "application/octet-stream");
  EnterPassword("pw");
  Bytes bytes = ReadFileBytes(path);
  std::string out;
  EXPECT_FALSE(InspectAndWork(path, &out));
  // One line, after the coding's own, says why.
  const std::string start = "MVW> NO  Codec-Attr.!\n\n> NO  Codec-Attr.!-> CODING:\n> Not coded, ";
  ASSERT_EQ(out.rfind(start, 0), 0u) << out;
  EXPECT_EQ(out.find('\n', start.size()), out.size() - 1) << out;
  EXPECT_EQ(view_.beeps, 1);
  EXPECT_EQ(AllXattrs(path), (XattrMap{{"mime_type", "application/octet-stream"}}));
  EXPECT_TRUE(ReadFileBytes(path) == bytes);
}

TEST_F(FaultTest, ShortLinkCodesTheFileItNames) {
  Bytes plain = RandomBytes(900, 22);
  std::string file = MakeFile("f", plain);
  std::string link = Path("ln");
  ASSERT_EQ(symlink("f", link.c_str()), 0);
  EnterPassword("pw");
  ASSERT_TRUE(InspectAndWork(link));
  EXPECT_EQ(state_.currentPath, link);
  EXPECT_TRUE(GetXattr(file, "PrivCodec"));
  EXPECT_NE(ReadFileBytes(file), plain);
  char target[16] = {};
  EXPECT_EQ(readlink(link.c_str(), target, sizeof target), 1);

  ASSERT_TRUE(InspectAndWork(link));
  EXPECT_TRUE(ReadFileBytes(file) == plain);
  EXPECT_EQ(AllXattrs(file), XattrMap());
}

TEST_F(FaultTest, RelativeLinkCodesTheFileBesideIt) {
  ASSERT_EQ(mkdir(Path("sub").c_str(), 0755), 0);
  Bytes plain = RandomBytes(500, 23);
  std::string file = MakeFile("sub/data.bin", plain);
  std::string link = Path("sub/link");
  ASSERT_EQ(symlink("data.bin", link.c_str()), 0);
  // A file of the same name in the current folder must not be the one coded.
  Bytes decoyBytes = RandomBytes(500, 25);
  std::string decoy = MakeFile("data.bin", decoyBytes);
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  EnterPassword("pw");
  bool worked = InspectAndWork(link);
  ASSERT_EQ(chdir(cwd), 0);
  ASSERT_TRUE(worked);
  EXPECT_EQ(state_.currentPath, file);
  EXPECT_TRUE(GetXattr(file, "PrivCodec"));
  EXPECT_NE(ReadFileBytes(file), plain);
  EXPECT_EQ(ReadFileBytes(decoy), decoyBytes);
  EXPECT_EQ(AllXattrs(decoy), XattrMap());
}

TEST_F(FaultTest, UnwritableFileIsRefusedBothWays) {
  std::string plainFile = FullFile("locked.txt");
  std::string codedFile = FullFile("locked-coded.txt");
  EnterPassword("pw");
  ASSERT_TRUE(InspectAndWork(codedFile));
  bool immutable = RunningAsRoot();
  for (const std::string& path : {plainFile, codedFile}) {
    if (immutable) {
      ASSERT_TRUE(SetImmutable(path, true));
      immutable_.push_back(path);
    } else {
      ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    }
  }
  ExpectRefusedUnchanged(plainFile, "> Can't work on '" + plainFile + "', left as it was: ");
  ExpectRefusedUnchanged(codedFile, "> Can't work on '" + codedFile + "', left as it was: ");
}

TEST_F(FaultTest, FileOnReadOnlyMountIsRefused) {
  if (!RunningAsRoot()) GTEST_SKIP() << "a read-only bind mount needs root";
  std::string file = FullFile("ro.txt");
  std::string mnt = Path("ro");
  ASSERT_EQ(mkdir(mnt.c_str(), 0755), 0);
  ASSERT_EQ(mount(dir_.c_str(), mnt.c_str(), nullptr, MS_BIND, nullptr), 0);
  ASSERT_EQ(mount(nullptr, mnt.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr), 0);
  EnterPassword("pw");
  std::string path = mnt + "/ro.txt";
  ExpectRefusedUnchanged(path, "> Can't work on '" + path + "'");
  EXPECT_EQ(umount(mnt.c_str()), 0);
}

TEST_F(FaultTest, CraftedRecordsAreReadWithinTheirBounds) {
  Bytes plain = RandomBytes(200, 24);
  std::string path = MakeFile("crafted", plain);
  EnterPassword("pw");
  // Longer than the buffer and without a zero byte.
  SetXattr(path, "PrivCodec", std::string(600, '\xEE'));
  std::string out;
  view_ = RecorderView();
  EXPECT_FALSE(InspectAndWork(path, &out));
  EXPECT_EQ(state_.attrSize, 511);
  EXPECT_EQ(out, "MVW> Has Codec-Attr.!\nMVW> Has   Codec-Attr. ! '" + std::string(511, '\xEE') +
                     "' '20'\n");
  EXPECT_EQ(view_.passTexts, std::vector<std::string>{" -wrong!- "});

  // Lengths that point past the line and past the value.
  const char lying[] = {12, 30, 40, 20, 85, 33, 30, char(250), 'a', 'b', 'c', char(200)};
  SetXattr(path, "PrivCodec", std::string(lying, sizeof lying));
  EXPECT_FALSE(InspectAndWork(path, &out));
  EXPECT_TRUE(ReadFileBytes(path) == plain);
  EXPECT_EQ(*GetXattr(path, "PrivCodec"), std::string(lying, sizeof lying));
}

}  // namespace
