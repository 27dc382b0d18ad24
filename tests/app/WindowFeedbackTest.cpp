// What the window shows while it works and after: the progress on the Do-it button with input
// swallowed meanwhile, the reasons of refused and failed presses in the file label, the summary
// of a folder operation. Real files through the real engine, on the offscreen platform.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/MVWindow.h"
#include "app/Translation.h"
#include "engine/journal/SealPassword.h"
#include "platform/gui/Button.h"
#include "platform/gui/StringView.h"
#include "platform/gui/TextControl.h"
#include "settings/Settings.h"
#include "tests/app/WindowDriving.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/platform/CapturedStdout.h"
#include "ui/CodeView.h"
#include "ui/GuiTestSupport.h"

namespace {

// A window that, when impatient, at every report of progress notes what the user sees and does
// what a user might: clicks "Do it" and "Decode All", presses Enter; once, a message is posted
// to it too.
class ImpatientWindow : public MVWindow {
 public:
  using MVWindow::MVWindow;
  void Progress(const std::string& file, uint64_t done, uint64_t total) override {
    if (!impatient) return MVWindow::Progress(file, done, total);
    QWidget* doIt = Views().sBut;
    for (QWidget* button : {doIt, static_cast<QWidget*>(Views().decB)}) {
      const QPointF at = QPointF(button->rect().center());
      for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
        QCoreApplication::postEvent(
            button,
            new QMouseEvent(type, at, button->mapToGlobal(at), Qt::LeftButton,
                            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                            Qt::NoModifier));
    }
    QCoreApplication::postEvent(doIt, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, {}));
    if (!quitPosted) PostMessage(plat::Message(plat::B_QUIT_REQUESTED));
    quitPosted = true;
    MVWindow::Progress(file, done, total);
    labels.push_back(Views().sBut->Label());
    const QCursor* cursor = QGuiApplication::overrideCursor();
    busyCursor = busyCursor && cursor && cursor->shape() == Qt::WaitCursor;
  }
  bool QuitRequested() override {
    quitWhile.push_back(Views().sBut->Label());
    return true;
  }

  bool impatient = false;
  bool quitPosted = false;
  bool busyCursor = true;
  std::vector<std::string> labels;
  std::vector<std::string> quitWhile;  // the button's label when closing was asked
};

class WindowFeedbackTest : public RealWindowTest<ImpatientWindow> {
 protected:
  std::string Press(QAbstractButton* button) {
    return CapturedStdout([&] {
      button->click();
      DeliverPosted();
    });
  }
  std::string Label() const { return window_->Views().askFile->Text(); }
  std::string Tip() const { return window_->Views().askFile->Tip(); }
};

bool Coded(const std::string& path) {
  return GetXattr(path, "PrivCodec").has_value();
}

TEST_F(WindowFeedbackTest, PassShowsItsProgressAndInputMeanwhileDoesNothing) {
  const std::string path = dir_ + "/big.bin";
  WriteFileBytes(path, RandomBytes(3 << 20, 5));  // some twenty reports of progress
  DropFile(path);
  EnterPassword("Secret7");
  window_->impatient = true;
  const std::string out = Press(window_->Views().sBut);

  // Coded once: the clicks and the Enter during the pass neither decoded it again afterwards
  // nor ran "Decode All".
  EXPECT_EQ(out, "\n> NO  Codec-Attr.!-> CODING:\n");
  EXPECT_TRUE(Coded(path));
  EXPECT_EQ(window_->Views().sBut->Label(), "DECODE THIS");
  ASSERT_GT(window_->labels.size(), 2u);
  EXPECT_EQ(window_->labels.front().rfind("CODING ", 0), 0u) << window_->labels.front();
  EXPECT_EQ(window_->labels.back(), "CODING 100%");
  EXPECT_TRUE(window_->busyCursor);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  // The request to close, posted during the pass, came afterwards, once.
  EXPECT_EQ(window_->quitWhile, std::vector<std::string>{"DECODE THIS"});
}

TEST_F(WindowFeedbackTest, RefusedAndFailedPressesSayWhyUntilTheNextAction) {
  const std::string path = dir_ + "/memo.txt";
  WriteFileBytes(path, Bytes(3000, 'm'));
  const std::string coded = dir_ + "/coded.txt";
  WriteFileBytes(coded, Bytes(3000, 'c'));
  Engine engine;
  ASSERT_TRUE(engine.Work(engine.Inspect(coded), Password{true, "right"}).done());

  std::vector<std::string> notices;
  auto expectNotice = [&](const char* words) {
    EXPECT_EQ(Label().back(), '!');
    EXPECT_NE(Tip().find(words), std::string::npos) << Tip();
    notices.push_back(Label());
  };
  // No password yet: for a coded file (refused as a wrong one) and for a plain one alike.
  DropFile(coded);
  Press(window_->Views().sBut);
  expectNotice("needs a password");
  DropFile(path);
  EXPECT_EQ(Label(), "memo.txt");
  EXPECT_EQ(Tip(), path);
  Press(window_->Views().sBut);
  expectNotice("needs a password");
  Press(window_->Views().decB);
  expectNotice("needs a password");
  // The next action, an empty password entered: the label names the file again.
  plat::TextControl* entry = window_->Views().cview->PassControl();
  entry->MakeFocus(true);
  TypeText(entry, "x");
  PressKey(entry, Qt::Key_Backspace);
  PressKey(entry, Qt::Key_Return);
  DeliverPosted();
  EXPECT_EQ(Label(), "memo.txt");
  // The empty password is a password: it codes, and decodes what it coded.
  Press(window_->Views().sBut);
  EXPECT_TRUE(Coded(path));
  EXPECT_EQ(Label(), "memo.txt");
  Press(window_->Views().sBut);
  EXPECT_FALSE(Coded(path));
  EXPECT_EQ(ReadFileBytes(path), Bytes(3000, 'm'));

  EnterPassword("right");
  Press(window_->Views().sBut);
  EXPECT_TRUE(Coded(path));
  EXPECT_EQ(Label(), "memo.txt");  // done: nothing to say
  DropFile(path);
  EnterPassword("wrong");
  Press(window_->Views().sBut);
  expectNotice("'memo.txt'");

  // A folder is refused at the drop, and again at a press, with the inspection's reason.
  DropFile(dir_);
  expectNotice("it is a folder");
  EnterPassword("right");
  EXPECT_NE(Label(), notices.back());
  Press(window_->Views().sBut);
  expectNotice("it is a folder");

  // Each reason its own words: no password, wrong password, a folder.
  std::sort(notices.begin(), notices.end());
  EXPECT_EQ(std::unique(notices.begin(), notices.end()) - notices.begin(), 3);
}

TEST_F(WindowFeedbackTest, DecodeAllEndsWithWhatItDidAndALineWhenFilesWereLeft) {
  const std::string folder = dir_ + "/codec";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  std::snprintf(path2scan, sizeof path2scan, "%s", folder.c_str());
  for (const char* leaf : {"a.txt", "b.txt", "other.txt", "plain.txt"})
    WriteFileBytes(folder + "/" + leaf, RandomBytes(2000, leaf[0]));
  for (const char* leaf : {"a.txt", "b.txt", "other.txt"}) {
    DropFile(folder + "/" + leaf);
    EnterPassword(leaf[0] == 'o' ? "other" : "right");
    Press(window_->Views().sBut);
    ASSERT_TRUE(Coded(folder + "/" + leaf));
  }
  ASSERT_EQ(symlink("a.txt", (folder + "/link-to-a").c_str()), 0);
  ASSERT_EQ(mkdir((folder + "/sub").c_str(), 0755), 0);

  EnterPassword("right");
  std::string out = Press(window_->Views().decB);
  EXPECT_FALSE(Coded(folder + "/a.txt"));
  EXPECT_TRUE(Coded(folder + "/other.txt"));
  // The last line counts: two decoded; the file with another password and the link left. The
  // plain file and the subfolder are no business of "Decode All".
  const std::string last = out.substr(out.rfind('\n', out.size() - 2) + 1);
  EXPECT_EQ(last.rfind("> Decode All: 2 decoded, 2 left (", 0), 0u) << last;
  EXPECT_NE(last.find("1 wrong password"), std::string::npos) << last;
  EXPECT_NE(last.find("1 link not followed"), std::string::npos) << last;
  EXPECT_EQ(Label(), "2 decoded, 2 left");
  EXPECT_NE(Tip().find("'other.txt'"), std::string::npos) << Tip();

  // All done: the label says so, and standard output has only the files' own lines.
  ASSERT_EQ(unlink((folder + "/link-to-a").c_str()), 0);
  EnterPassword("other");
  out = Press(window_->Views().decB);
  EXPECT_FALSE(Coded(folder + "/other.txt"));
  EXPECT_EQ(out.find("Decode All"), std::string::npos) << out;
  EXPECT_EQ(Label(), "1 decoded");
  EXPECT_EQ(Press(window_->Views().decB).find("Decode All"), std::string::npos);
  EXPECT_EQ(Label(), "0 decoded");

  // A codec folder that cannot be read is said, not taken for an empty one.
  std::snprintf(path2scan, sizeof path2scan, "%s/gone", dir_.c_str());
  out = Press(window_->Views().decB);
  EXPECT_NE(out.find("can't be read"), std::string::npos) << out;
  EXPECT_NE(out.find(strerror(ENOENT)), std::string::npos) << out;
}

// The folder operations leave a sealed file as it is, whatever the password, and count it:
// sealing a folder is murvelctl's (seal -r).
TEST_F(WindowFeedbackTest, FolderOperationsLeaveSealedFilesAndCountThem) {
  const std::string folder = dir_ + "/codec";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  std::snprintf(path2scan, sizeof path2scan, "%s", folder.c_str());
  const std::string path = folder + "/letter.txt";
  WriteFileBytes(path, RandomBytes(5000, 9));
  {
    Engine engine;
    SealPassword sealing("pw", seal::kMinCost);
    engine.SetSealPassword(&sealing);
    ChangeRequest r = RequestFor(engine.Inspect(path));
    r.sealing = true;
    ASSERT_EQ(engine.WorkMany({r}, Password{}, {})[0].outcome, WorkOutcome::Sealed);
  }
  const Bytes sealedBytes = ReadFileBytes(path);
  const XattrMap sealedAttrs = AllXattrs(path);

  EnterPassword("pw");
  std::string out = Press(window_->Views().decB);
  EXPECT_NE(out.find("> Decode All: 0 decoded, 1 left (1 sealed)"), std::string::npos) << out;
  EXPECT_EQ(Label(), "0 decoded, 1 left");
  EXPECT_NE(Tip().find("drop it on the window to unseal it"), std::string::npos) << Tip();
  out = CapturedStdout([&] { window_->ScanFold(); });
  EXPECT_NE(out.find("> watch Folder: 0 coded, 1 left (1 sealed)"), std::string::npos) << out;
  EXPECT_EQ(ReadFileBytes(path), sealedBytes);
  EXPECT_EQ(AllXattrs(path), sealedAttrs);
}

// A test language translates the window's notices; what the window prints on standard output
// and its own quoted texts stay byte for byte, even when the catalog names them.
TEST_F(WindowFeedbackTest, ATestLanguageTranslatesTheNoticesAndNoQuotedText) {
  const std::string coded = dir_ + "/coded.txt";
  WriteFileBytes(coded, Bytes(3000, 'c'));
  Engine engine;
  ASSERT_TRUE(engine.Work(engine.Inspect(coded), Password{true, "right"}).done());
  const std::string locale = dir_ + "/locale";
  ASSERT_EQ(mkdir(locale.c_str(), 0755), 0);
  std::ofstream(locale + "/xx.txt")
      << "Wrong password\tFalsches Passwort\n"
      << "Not decoded: the password is not the one %s was coded with. The file is as it "
         "was.\tNicht dekodiert: %s hat ein anderes Passwort.\n"
      << " -wrong!- \t -falsch!- \n";
  struct Seen {
    std::string out, label, tip, view;
  };
  auto wrongPassword = [&] {
    DropFile(coded);
    EnterPassword("wrong");
    Seen seen;
    seen.out = Press(window_->Views().sBut);
    seen.label = Label();
    seen.tip = Tip();
    seen.view = window_->Views().cview->PassControl()->Text();
    return seen;
  };
  const Seen before = wrongPassword();
  setenv("MURVEL_LOCALEDIR", locale.c_str(), 1);
  setenv("LANGUAGE", "xx", 1);
  InstallTextCatalog();
  const Seen after = wrongPassword();
  unsetenv("LANGUAGE");
  unsetenv("MURVEL_LOCALEDIR");
  InstallTextCatalog();
  const Seen again = wrongPassword();

  EXPECT_EQ(before.label, "Wrong password!");
  EXPECT_EQ(after.label, "Falsches Passwort!");
  EXPECT_EQ(after.tip, "Nicht dekodiert: 'coded.txt' hat ein anderes Passwort.");
  EXPECT_EQ(after.out, before.out);
  EXPECT_EQ(after.view, before.view);
  EXPECT_EQ(before.view, " -wrong!- ");
  EXPECT_EQ(again.label, before.label);
  EXPECT_EQ(again.tip, before.tip);
}

}  // namespace
