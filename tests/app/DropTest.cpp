// Things dropped on the window: colour text, colours from a colour picker, files with and without
// an "RGBCOLOR" attribute, and drops on the password panel, which keeps them.
#include <gtest/gtest.h>
#include <sys/xattr.h>

#include <QMimeData>
#include <QUrl>

#include "platform/gui/Button.h"
#include "platform/gui/CheckBox.h"
#include "platform/gui/StringView.h"
#include "settings/ColourHelpers.h"
#include "tests/app/WindowTestSupport.h"
#include "ui/CodeView.h"
#include "ui/fView.h"

namespace {

// Points of the window over the background view, the file label, the check box and the
// password panel's icon box.
const QPoint kOnBackground(60, 26);
const QPoint kOnFileLabel(20, 12);
const QPoint kOnCheckBox(60, 86);
const QPoint kOnIconBox(20, 50);

class DropTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    backcolor = kStart;
    Open();
  }
  void DropText(const char* text, QPoint where = kOnBackground) {
    QMimeData data;
    data.setText(text);
    DragAndDrop(window_, data, where);
    DeliverPosted();
  }
  void DropFile(const std::string& path, QPoint where) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    data.setText(QString::fromStdString(path));
    DragAndDrop(window_, data, where);
    DeliverPosted();
  }
  std::string ColouredFile(rgb_color colour) {
    std::string path = root_ + "/coloured.txt";
    WriteFile(path, "some words");
    EXPECT_EQ(setxattr(path.c_str(), "user.RGBCOLOR", &colour, 4, 0), 0);
    return path;
  }
  // Every recoloured view shows `c`, the check box's text reads well on it.
  void ExpectViewsIn(rgb_color c) {
    const MainLayout& v = window_->Views();
    EXPECT_EQ(v.backView->ViewColor(), c);
    EXPECT_EQ(v.sBut->ViewColor(), c);
    EXPECT_EQ(v.decB->ViewColor(), c);
    EXPECT_EQ(v.cview->ViewColor(), c);
    EXPECT_EQ(v.wView->ViewColor(), c);
    EXPECT_EQ(v.wBut->ViewColor(), c);
    EXPECT_EQ(v.wBut->HighColor(), GetTextCol(c));
    EXPECT_EQ(v.cview->Label()->HighColor(), GetTextCol(c));
    EXPECT_EQ(v.cview->BackgroundBox()->ViewColor(), c);
    EXPECT_EQ(v.askFile->ViewColor(), (rgb_color{250, 250, 250, 255}));
  }

  static constexpr rgb_color kStart = {10, 20, 30, 255};
};

}  // namespace

TEST_F(DropTest, ColourTextRecoloursTheWindow) {
  ExpectViewsIn(kStart);
  DropText("62B2B2", kOnFileLabel);
  EXPECT_EQ(backcolor, (rgb_color{98, 178, 178, 0}));
  ExpectViewsIn(backcolor);
  EXPECT_TRUE(window_->checked.empty());  // text is no file
}

TEST_F(DropTest, NumberSignFormLosesItsLastDigit) {
  std::string out = CapturedStdout([&] { DropText("#62B2B2"); });
  EXPECT_EQ(out, "#");
  EXPECT_EQ(backcolor, (rgb_color{98, 178, 176, 0}));
  ExpectViewsIn(backcolor);
}

TEST_F(DropTest, ColourFromAColourPickerIsTakenWhole) {
  QMimeData data;
  data.setColorData(QColor(0x12, 0x34, 0x56));
  data.setText("#123456");  // pickers send the colour's name beside it
  CapturedStdout([&] {
    DragAndDrop(window_, data, kOnCheckBox);
    DeliverPosted();
  });
  EXPECT_EQ(backcolor, (rgb_color{0x12, 0x34, 0x56, 0}));
  ExpectViewsIn(backcolor);
}

TEST_F(DropTest, FileWithRgbColourRecoloursAndBecomesTheCurrentFile) {
  // Three colour bytes are no colour; the file is taken all the same.
  std::string plain = root_ + "/plain.txt";
  WriteFile(plain, "x");
  ASSERT_EQ(setxattr(plain.c_str(), "user.RGBCOLOR", "abc", 3, 0), 0);
  DropFile(plain, kOnBackground);
  EXPECT_EQ(backcolor, kStart);
  ASSERT_EQ(window_->checked.size(), 1u);

  std::string path = ColouredFile(rgb_color{1, 2, 3, 4});
  DropFile(path, kOnCheckBox);
  EXPECT_EQ(backcolor, (rgb_color{1, 2, 3, 4}));
  ExpectViewsIn(backcolor);
  ASSERT_EQ(window_->checked.size(), 2u);
  EXPECT_EQ(window_->checked[1], path);
  EXPECT_EQ(window_->Views().askFile->Text(), path);
}

TEST_F(DropTest, DropOnThePasswordPanelIsOnlyLogged) {
  std::string path = ColouredFile(rgb_color{1, 2, 3, 4});
  std::string out = CapturedStdout([&] { DropFile(path, kOnIconBox); });
  EXPECT_EQ(out.rfind("**CODEVIEW**\nMessage('DATA') dropped {\n", 0), 0u) << out;
  EXPECT_NE(out.find(path), std::string::npos);
  out = CapturedStdout([&] { DropText("000000", kOnIconBox); });
  EXPECT_EQ(out.rfind("**CODEVIEW**\n", 0), 0u) << out;
  EXPECT_NE(out.find("\"000000\""), std::string::npos);

  EXPECT_EQ(backcolor, kStart);
  EXPECT_TRUE(window_->checked.empty());
  EXPECT_EQ(window_->Views().askFile->Text(), "-Drag a file-");
}
