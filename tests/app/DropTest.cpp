// Things dropped on the window: colour text, colours from a colour picker, files with and without
// an "RGBCOLOR" attribute, and drops on the password panel, which keeps them.
#include <gtest/gtest.h>
#include <sys/xattr.h>

#include <QMimeData>
#include <QShortcut>
#include <QUrl>

#include "app/OpenFileDialog.h"
#include "platform/gui/TextControl.h"
#include "tests/app/WindowTestSupport.h"

namespace {

// Points of the window over the background view, the file label, the check box, and the
// password panel's icon box and entry field.
const QPoint kOnBackground(60, 26);
const QPoint kOnFileLabel(20, 12);
const QPoint kOnCheckBox(60, 86);
const QPoint kOnIconBox(20, 50);
const QPoint kOnEntry(76, 58);

constexpr rgb_color kStart = {10, 20, 30, 255};

class DropTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    Settings start;
    start.backcolor = kStart;
    Open(start);
  }
  rgb_color Colour() const { return window_->CurrentSettings().backcolor; }
  // Drops `data` at `where` and returns what the window printed.
  std::string Drop(const QMimeData& data, QPoint where) {
    return CapturedStdout([&] {
      DragAndDrop(window_, data, where);
      DeliverPosted();
    });
  }
  std::string DropText(const char* text, QPoint where) {
    QMimeData data;
    data.setText(text);
    return Drop(data, where);
  }
  // A file manager's drag: the URL and the path as text.
  std::string DropFile(const std::string& path, QPoint where) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    data.setText(QString::fromStdString(path));
    return Drop(data, where);
  }
  // A file with `size` bytes of `colour` as its RGBCOLOR attribute.
  std::string ColouredFile(const char* name, rgb_color colour, size_t size = 4) {
    std::string path = root_ + "/" + name;
    WriteFile(path, "some words");
    EXPECT_EQ(setxattr(path.c_str(), "user.RGBCOLOR", &colour, size, 0), 0);
    return path;
  }
};

}  // namespace

TEST_F(DropTest, ColourTextRecoloursTheWindow) {
  const struct {
    const char* text;
    QPoint where;
    rgb_color colour;
    const char* printed;
  } cases[] = {
      {"62B2B2", kOnFileLabel, {98, 178, 178, 0}, ""},
      {"#62B2B2", kOnBackground, {98, 178, 176, 0}, "#"},  // six characters: the last digit lost
      {"9a", kOnCheckBox, {0x9a, 0, 0, 0}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(DropText(c.text, c.where), c.printed);
    EXPECT_EQ(Colour(), c.colour);
    ExpectViewsIn(c.colour);
  }
  EXPECT_TRUE(window_->checked.empty());  // text is no file
}

TEST_F(DropTest, ColourFromAColourPickerIsTakenWhole) {
  QMimeData data;
  data.setColorData(QColor(0x12, 0x34, 0x56));
  data.setText("#123456");                 // pickers send the colour's name beside it
  EXPECT_EQ(Drop(data, kOnCheckBox), "");  // the name is not read as colour text
  EXPECT_EQ(Colour(), (rgb_color{0x12, 0x34, 0x56, 0}));
  ExpectViewsIn(Colour());
}

TEST_F(DropTest, FileWithRgbColourRecoloursAndBecomesTheCurrentFile) {
  // Three colour bytes are no colour; the file is taken all the same.
  std::string plain = ColouredFile("plain.txt", rgb_color{1, 2, 3, 4}, 3);
  DropFile(plain, kOnBackground);
  EXPECT_EQ(Colour(), kStart);
  ExpectViewsIn(kStart);
  EXPECT_EQ(window_->checked, std::vector<std::string>{plain});

  std::string path = ColouredFile("coloured.txt", rgb_color{1, 2, 3, 4});
  DropFile(path, kOnCheckBox);
  EXPECT_EQ(Colour(), (rgb_color{1, 2, 3, 4}));
  ExpectViewsIn(Colour());
  EXPECT_EQ(window_->checked, (std::vector<std::string>{plain, path}));
  EXPECT_EQ(window_->Views().askFile->Text(), path);

  // A name that is no UTF-8 comes percent-encoded in the URL; its bytes are kept.
  std::string latin1 = ColouredFile("caf\xE9.txt", rgb_color{5, 6, 7, 8});
  QMimeData data;
  data.setUrls(
      {QUrl::fromEncoded("file://" + QByteArray::fromStdString(latin1).toPercentEncoding("/"))});
  Drop(data, kOnBackground);
  EXPECT_EQ(Colour(), (rgb_color{5, 6, 7, 8}));
  EXPECT_EQ(window_->checked.back(), latin1);
}

TEST_F(DropTest, DropOnThePasswordPanelIsOnlyLogged) {
  std::string path = ColouredFile("coloured.txt", rgb_color{1, 2, 3, 4});
  std::string out = DropFile(path, kOnIconBox);
  EXPECT_EQ(out.rfind("**CODEVIEW**\nMessage('DATA') dropped {\n", 0), 0u) << out;
  EXPECT_NE(out.find(path), std::string::npos);
  out = DropText("000000", kOnIconBox);
  EXPECT_EQ(out.rfind("**CODEVIEW**\n", 0), 0u) << out;
  EXPECT_NE(out.find("\"000000\""), std::string::npos);
  // Nor does the entry field take a drop into the password.
  EXPECT_EQ(DropFile(path, kOnEntry).rfind("**CODEVIEW**\n", 0), 0u);
  EXPECT_EQ(DropText("000000", kOnEntry).rfind("**CODEVIEW**\n", 0), 0u);
  EXPECT_EQ(window_->Views().cview->PassControl()->Text(), "");

  ExpectViewsIn(kStart);
  EXPECT_EQ(Colour(), kStart);
  EXPECT_TRUE(window_->checked.empty());
  EXPECT_EQ(window_->Views().askFile->Text(), "-Drag a file-");
}

// Ctrl+O: the file chosen is taken as a dropped file is, its colour with it; nothing chosen
// changes nothing.
TEST_F(DropTest, ControlOTakesTheChosenFileAsADroppedOne) {
  constexpr rgb_color kRed = {200, 10, 10, 255};
  const std::string file = ColouredFile("chosen.txt", kRed);
  QShortcut* open = nullptr;
  for (QShortcut* shortcut : window_->findChildren<QShortcut*>())
    if (shortcut->key() == QKeySequence(Qt::CTRL | Qt::Key_O)) open = shortcut;
  ASSERT_NE(open, nullptr);
  std::vector<std::string> answers = {"", file};
  QWidget* asked = nullptr;
  SetFileChooser([&](QWidget* parent) {
    asked = parent;
    std::string answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  });
  emit open->activated();
  DeliverPosted();
  EXPECT_EQ(asked, window_);
  EXPECT_TRUE(window_->checked.empty());
  EXPECT_EQ(Colour(), kStart);
  emit open->activated();
  DeliverPosted();
  SetFileChooser(nullptr);
  EXPECT_TRUE(answers.empty());
  EXPECT_EQ(window_->checked, std::vector<std::string>{file});
  EXPECT_EQ(Colour(), kRed);
  ExpectViewsIn(kRed);
}
