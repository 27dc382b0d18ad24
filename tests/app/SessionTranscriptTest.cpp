// The window's standard output over one whole session, compared byte for byte with a transcript
// kept in tests/app/golden/: start-up, a file dropped and coded, a wrong password, the file
// decoded, "Decode All" over the codec folder, and closing with "watch Folder" on. The lines are
// what users and their scripts read; a change to any of them shows up here as a diff.
//
// Paths that differ between runs are written as <ROOT> (the temporary home) and <BIN> (the
// folder of the test program). MURVEL_UPDATE_GOLDEN=1 writes the transcript anew instead.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "app/MVApplication.h"
#include "app/MVWindow.h"
#include "platform/Paths.h"
#include "platform/gui/Button.h"
#include "platform/gui/CheckBox.h"
#include "platform/gui/StringView.h"
#include "platform/gui/TextControl.h"
#include "settings/Settings.h"
#include "tests/app/WindowDriving.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

class SessionTranscriptTest : public TempHomeTest {
 protected:
  void SetUp() override {
    TempHomeTest::SetUp();
    ResetSettings();
    plat::SetClock(&clock_);
    // The codec folder beside the program exists already, as after any earlier start.
    mkdir((plat::ParentOf(plat::AppExecutablePath()) + "/codec").c_str(), 0755);
  }
  void TearDown() override {
    plat::SetClock(nullptr);
    ResetSettings();
    TempHomeTest::TearDown();
  }

  void Click(QAbstractButton* button) {
    button->click();
    DeliverPosted();
  }

  plat::FixedClock clock_{FixtureMoment()};
  int argc_ = 1;
  char name_[16] = "murvel";
  char* argv_[2] = {name_, nullptr};
};

TEST_F(SessionTranscriptTest, WindowOutputOfAWholeSessionIsAsKept) {
  const std::string letter = root_ + "/letter.txt";
  WriteFileBytes(letter, RandomBytes(5000, 7));
  DecorateFile(letter);
  const std::string folder = root_ + "/codec";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  WriteFileBytes(folder + "/b-tocode.txt", RandomBytes(1700, 9));

  fflush(stdout);
  testing::internal::CaptureStdout();
  {
    MVApplication app(argc_, argv_);
    MVWindow* window = app.MainWindow();
    DeliverPosted();
    // The codec folder of this session lies in the temporary home.
    std::snprintf(path2scan, sizeof path2scan, "%s", folder.c_str());

    DropFileOn(window, letter);
    TypePassword(window, "Secret7");
    Click(window->Views().sBut);  // coded
    DropFileOn(window, letter);
    TypePassword(window, "secret7");
    Click(window->Views().sBut);  // wrong password
    TypePassword(window, "Secret7");
    Click(window->Views().sBut);  // decoded

    // One file of the codec folder coded by hand, then the whole folder decoded.
    DropFileOn(window, folder + "/b-tocode.txt");
    Click(window->Views().sBut);
    Click(window->Views().decB);

    // Closing with "watch Folder" on codes every plain file of the folder. (Folder order is the
    // file system's: the lines of the two files do not depend on it.)
    WriteFileBytes(folder + "/a-plain.txt", RandomBytes(900, 8));
    Click(window->Views().wBut);
    window->close();
    DeliverPosted();
  }
  fflush(stdout);
  std::string out = testing::internal::GetCapturedStdout();
  out = ReplaceAll(out, root_, "<ROOT>");
  out = ReplaceAll(out, plat::ParentOf(plat::AppExecutablePath()), "<BIN>");

  // Neither the password nor any guess at it is in any line.
  for (const char* password : {"Secret7", "secret7"})
    EXPECT_EQ(out.find(password), std::string::npos);

  const std::string golden =
      std::string(MURVEL_SOURCE_DIR) + "/tests/app/golden/window-session.out";
  if (std::getenv("MURVEL_UPDATE_GOLDEN")) {
    std::ofstream(golden, std::ios::binary) << out;
    GTEST_SKIP() << "wrote " << golden;
  }
  std::ifstream in(golden, std::ios::binary);
  ASSERT_TRUE(in) << "no transcript at " << golden;
  const std::string kept(std::istreambuf_iterator<char>(in), {});
  EXPECT_EQ(out, kept);
}

}  // namespace
