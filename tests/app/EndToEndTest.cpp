// Coding and decoding a file through the real window (offscreen): the file dropped on the
// window, the password typed into the password panel and committed, "Do it" pressed. Real files,
// real xattrs; the record and the coded bytes are checked against the format and the cipher rule
// as the tests write them out, not as the engine computes them.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "app/MVWindow.h"
#include "platform/CodedEmblem.h"
#include "platform/gui/Button.h"
#include "platform/gui/StringView.h"
#include "platform/gui/TextControl.h"
#include "settings/Settings.h"
#include "tests/app/WindowDriving.h"
#include "tests/engine/EngineTestSupport.h"
#include "ui/CodeView.h"
#include "ui/GuiTestSupport.h"

namespace {

class EndToEndTest : public RealWindowTest<MVWindow> {
 protected:
  // Presses "Do it"; what the work printed.
  std::string PressDoIt() {
    testing::internal::CaptureStdout();
    window_->Views().sBut->click();
    DeliverPosted();
    return testing::internal::GetCapturedStdout();
  }
  std::string ButtonLabel() const { return window_->Views().sBut->Label(); }
  std::string PassText() const { return window_->Views().cview->PassControl()->Text(); }
};

TEST_F(EndToEndTest, DroppedFileIsCodedAndComesBackExactly) {
  const Bytes plain = RandomBytes(20000, 99);
  const std::string path = dir_ + "/letter.txt";
  WriteFileBytes(path, plain);
  DecorateFile(path);
  const XattrMap before = AllXattrs(path);

  DropFile(path);
  EXPECT_EQ(ButtonLabel(), "CODE IT");
  EnterPassword("Secret7");
  EXPECT_EQ(PassText(), "******");
  EXPECT_EQ(PressDoIt(), "\n> NO  Codec-Attr.!-> CODING:\n");
  EXPECT_EQ(ButtonLabel(), "DECODE THIS");

  // The coded file: the record, its integrity, the four stashes and the coded type, nothing else.
  XattrMap coded = AllXattrs(path);
  ASSERT_EQ(coded["murvel.integrity"].size(), 36u);
  EXPECT_EQ(coded["murvel.integrity"].substr(0, 6), std::string("MVI2\x20\x4e", 6));  // 20000
  EXPECT_EQ(coded, (XattrMap{{"PrivCodec", coded["PrivCodec"]},
                             {"murvel.integrity", coded["murvel.integrity"]},
                             {"x_beos:type", CText("text/plain")},
                             {"x_prefapp", CText("application/x-vnd.Test-Editor")},
                             {"x_licon", before.at("BEOS:L:STD_ICON")},
                             {"x_micon", before.at("BEOS:M:STD_ICON")},
                             {"mime_type", "text/x-CodedData"}}));
  PlainRecord record = UnscrambleRecord(coded["PrivCodec"]);
  EXPECT_EQ(record.lineLength, 9 + 10 + 7);
  EXPECT_EQ(record.name, "letter.txt");
  EXPECT_EQ(record.password, "Secret7");
  EXPECT_EQ(record.timeCode, kFixtureTimeCode);
  EXPECT_TRUE(ReadFileBytes(path) == CodedByRule(plain, KeyBytes(kFixtureTimeCode)));

  // Decoding with the same password brings back bytes and attributes exactly.
  DropFile(path);
  EXPECT_EQ(ButtonLabel(), "DECODE IT");
  EnterPassword("Secret7");
  // The line names the file, never the record's bytes or the password.
  EXPECT_EQ(PressDoIt(), "MVW> Has   Codec-Attr. ! 'letter.txt' '20'\n> Remo. Codec-Attr. !\n");
  EXPECT_EQ(ButtonLabel(), "CODE THIS");
  EXPECT_EQ(PassText(), "******");
  EXPECT_TRUE(ReadFileBytes(path) == plain);
  EXPECT_EQ(AllXattrs(path), before);
}

TEST_F(EndToEndTest, WrongPasswordInTheWindowChangesNothing) {
  const std::string path = dir_ + "/memo.bin";
  WriteFileBytes(path, Bytes(3000, 'm'));
  DropFile(path);
  EnterPassword("right");
  PressDoIt();
  const Bytes coded = ReadFileBytes(path);
  const XattrMap codedAttrs = AllXattrs(path);
  ASSERT_EQ(codedAttrs.count("PrivCodec"), 1u);

  DropFile(path);
  EnterPassword("Right");
  PressDoIt();
  EXPECT_EQ(PassText(), " -wrong!- ");
  EXPECT_EQ(ButtonLabel(), "DECODE IT");
  EXPECT_TRUE(ReadFileBytes(path) == coded);
  EXPECT_EQ(AllXattrs(path), codedAttrs);
}

// A file whose coding was cut short shows up as such when dropped, and is settled before anything
// else happens to it: here completed, so it is coded and decodes back.
TEST_F(EndToEndTest, InterruptedChangeIsSettledWhenTheFileIsDropped) {
  const Bytes plain = RandomBytes(300000, 98);
  const std::string path = dir_ + "/interrupted.bin";
  WriteFileBytes(path, plain);
  ASSERT_TRUE(InterruptChange(path, "pw"));
  ASSERT_FALSE(ReadFileBytes(path) == plain);

  testing::internal::CaptureStdout();
  DropFile(path);
  const std::string shown = testing::internal::GetCapturedStdout();
  EXPECT_EQ(shown,
            "> Interrupted coding of '" + path + "' found: completed\nMVW> Has Codec-Attr.!\n");
  EXPECT_EQ(ButtonLabel(), "DECODE IT");
  EXPECT_FALSE(GetXattr(path, "murvel.change").has_value());
  EnterPassword("pw");
  PressDoIt();
  EXPECT_TRUE(ReadFileBytes(path) == plain);
  EXPECT_EQ(AllXattrs(path), XattrMap());
  // Nothing of the change is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
}

// The last of the changes to a file that inotify told its watchers of, from the watch's start
// (0 for none): IN_MODIFY, IN_ATTRIB or IN_CLOSE_WRITE, the changes on which file managers read
// a file again.
class LastChangeTold {
 public:
  explicit LastChangeTold(const std::string& path) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0) inotify_add_watch(fd_, path.c_str(), IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE);
  }
  ~LastChangeTold() {
    if (fd_ >= 0) close(fd_);
  }
  uint32_t Get() {
    alignas(inotify_event) char buffer[4096];
    uint32_t last = 0;
    ssize_t n;
    while (fd_ >= 0 && (n = read(fd_, buffer, sizeof buffer)) > 0)
      for (char* p = buffer; p < buffer + n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(p);
        last = event->mask & (IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE);
        p += sizeof(inotify_event) + event->len;
      }
    return last;
  }

 private:
  int fd_ = -1;
};

// In a session with GVfs's metadata daemon (ctest's WindowEmblemTest runs this under
// dbus-run-session), the window gives what it codes the lock emblem and takes it off again.
// GVfs tells no one of a metadata change: a file manager shows the new emblem only when it reads
// the file again after it, on a change to the file it is told of. So the last change told is an
// attribute change made once the emblem is in place, not the end of the coding or decoding.
TEST_F(EndToEndTest, CodedFileCarriesTheLockEmblemInASession) {
  if (!std::getenv("MURVEL_EMBLEM_SESSION"))
    GTEST_SKIP() << "needs a session bus with GVfs (ctest -R WindowEmblemTest)";
  const std::string path = dir_ + "/photo.png";
  WriteFileBytes(path, RandomBytes(3000, 5));
  DropFile(path);
  EnterPassword("pw");
  LastChangeTold coding(path);
  PressDoIt();
  EXPECT_EQ(ButtonLabel(), "DECODE THIS");
  EXPECT_EQ(coding.Get(), uint32_t(IN_ATTRIB));
  EXPECT_EQ(plat::CodedEmblemsOf(path), plat::kCodedEmblem);
  LastChangeTold decoding(path);
  PressDoIt();
  EXPECT_EQ(ButtonLabel(), "CODE THIS");
  EXPECT_EQ(decoding.Get(), uint32_t(IN_ATTRIB));
  EXPECT_EQ(plat::CodedEmblemsOf(path), "");
}

}  // namespace
