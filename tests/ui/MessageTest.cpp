// Messages, their routing from views to the window, drops turned into messages, and the
// command-line arguments turned into "refs".
#include <gtest/gtest.h>

#include <QDir>
#include <QMimeData>
#include <QUrl>

#include "platform/gui/Button.h"
#include "platform/gui/CheckBox.h"
#include "platform/gui/TextControl.h"
#include "platform/gui/View.h"
#include "tests/ui/GuiTestSupport.h"

using plat::Message;

TEST(MessageTest, FieldsAreFoundByNameTypeAndIndex) {
  Message m(plat::B_SIMPLE_DATA);
  m.AddRef("refs", "/a");
  m.AddRef("refs", "/b c");
  m.AddData("text/plain", plat::B_MIME_TYPE, "62B2B2", 6);
  EXPECT_EQ(m.CountItems("refs"), 2);
  std::string path;
  ASSERT_TRUE(m.FindRef("refs", 1, &path));
  EXPECT_EQ(path, "/b c");
  EXPECT_FALSE(m.FindRef("refs", 2, &path));
  EXPECT_FALSE(m.FindRef("other", 0, &path));

  const void* data = nullptr;
  size_t size = 0;
  EXPECT_FALSE(m.FindData("text/plain", plat::B_RAW_TYPE, 0, &data, &size));
  ASSERT_TRUE(m.FindData("text/plain", plat::B_ANY_TYPE, 0, &data, &size));
  EXPECT_EQ(std::string(static_cast<const char*>(data), size), "62B2B2");
  plat::Outcome wrongType = m.FindData("refs", plat::B_MIME_TYPE, 0, &data, &size);
  EXPECT_NE(wrongType.why().find("'RREF'"), std::string::npos);
}

TEST(MessageTest, DumpListsCodeAndEveryField) {
  Message m(plat::FourCC("CWPA"));
  EXPECT_EQ(m.Dump(), "Message('CWPA') {\n}\n");
  m.AddRef("refs", "/tmp/x\"y");
  uint8_t raw[] = {0x01, 0xff};
  m.AddData("bits", plat::B_RAW_TYPE, raw, 2);
  m.SetDropped(true);
  EXPECT_EQ(m.Dump(),
            "Message('CWPA') dropped {\n"
            "    refs[0] ('RREF', 8 bytes) = \"/tmp/x\\\"y\"\n"
            "    bits[0] ('RAWT', 2 bytes) = 01 ff\n"
            "}\n");
  EXPECT_EQ(plat::CodeText(0x00000001), "0x00000001");
}

TEST(MessageTest, DropDataBecomesRefsTextOrColour) {
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile("/tmp/one"), QUrl("https://example.org/x"),
                 QUrl::fromLocalFile("/tmp/two")});
  files.setText("/tmp/one\n/tmp/two");
  Message m = plat::MessageFromMimeData(files);
  EXPECT_EQ(m.what, plat::B_SIMPLE_DATA);
  EXPECT_FALSE(m.WasDropped());
  EXPECT_EQ(m.CountItems("refs"), 2);
  EXPECT_EQ(m.CountItems("text/plain"), 0);  // the names of the files are no colour text

  QMimeData text;
  text.setText("62B2B2");
  m = plat::MessageFromMimeData(text);
  const void* data = nullptr;
  size_t size = 0;
  ASSERT_TRUE(m.FindData("text/plain", plat::B_MIME_TYPE, 0, &data, &size));
  EXPECT_EQ(std::string(static_cast<const char*>(data), size), "62B2B2");

  QMimeData colour;
  colour.setColorData(QColor(0x12, 0x34, 0x56));
  m = plat::MessageFromMimeData(colour);
  ASSERT_TRUE(m.FindData("RGBColor", plat::B_RGB_COLOR_TYPE, 0, &data, &size));
  ASSERT_EQ(size, 4u);
  const uint8_t* rgba = static_cast<const uint8_t*>(data);
  EXPECT_EQ(rgba[0], 0x12);
  EXPECT_EQ(rgba[1], 0x34);
  EXPECT_EQ(rgba[2], 0x56);

  QMimeData nothing;
  nothing.setData("application/octet-stream", "x");
  EXPECT_FALSE(plat::AcceptsMimeData(nothing));
  EXPECT_TRUE(plat::AcceptsMimeData(colour));
}

TEST(MessageTest, ArgumentsBecomeOneRefsMessageWithAbsolutePaths) {
  char prog[] = "murvel", rel[] = "sub/../file.txt", abs[] = "/tmp/b",
       url[] = "file:///tmp/with%20blank";
  char* argv[] = {prog, rel, abs, url, nullptr};
  Message m = plat::Application::ArgvRefs(4, argv);
  EXPECT_EQ(m.what, plat::B_REFS_RECEIVED);
  ASSERT_EQ(m.CountItems("refs"), 3);
  std::string path;
  ASSERT_TRUE(m.FindRef("refs", 0, &path));
  EXPECT_EQ(path, QDir::currentPath().toStdString() + "/sub/../file.txt");
  ASSERT_TRUE(m.FindRef("refs", 2, &path));
  EXPECT_EQ(path, "/tmp/with blank");
  EXPECT_TRUE(plat::Application::ArgvRefs(1, argv).IsEmpty());
}

namespace {

class RoutingTest : public testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    window_ = new RecordingWindow;
    outer_ = new plat::View(plat::Rect(0, 0, 118, 190), "outer", 0, 0);
    inner_ = new plat::View(plat::Rect(6, 6, 112, 22), "inner", 0, 0);
    outer_->AddChild(inner_);
    window_->AddChild(outer_);
    window_->show();
  }
  void TearDown() override { delete window_; }

  RecordingWindow* window_;
  plat::View* outer_;
  plat::View* inner_;
};

}  // namespace

TEST_F(RoutingTest, UnhandledMessagesClimbToTheWindowInPostingOrder) {
  window_->PostMessage(Message(plat::FourCC("AAAA")), inner_);
  window_->PostMessage(Message(plat::FourCC("BBBB")));
  EXPECT_TRUE(window_->received.empty());  // queued, not delivered at once
  DeliverPosted();
  ASSERT_EQ(window_->received.size(), 2u);
  EXPECT_EQ(window_->received[0].what, plat::FourCC("AAAA"));
  EXPECT_EQ(window_->received[1].what, plat::FourCC("BBBB"));
  EXPECT_EQ(window_->ChildAt(0), outer_);
  EXPECT_EQ(window_->ChildAt(1), nullptr);
}

TEST_F(RoutingTest, MessageForAViewThatWentAwayIsDropped) {
  window_->PostMessage(Message(plat::FourCC("AAAA")), inner_);
  delete inner_;
  DeliverPosted();
  EXPECT_TRUE(window_->received.empty());
}

TEST_F(RoutingTest, DropIsMarkedAndGoesToTheViewUnderThePointer) {
  struct Keeper : plat::View {
    using plat::View::View;
    void MessageReceived(Message* m) override { kept.push_back(*m); }
    std::vector<Message> kept;
  };
  auto* keeper = new Keeper(plat::Rect(10, 100, 50, 140), "keeper", 0, 0);
  outer_->AddChild(keeper);
  QMimeData text;
  text.setText("ABCDEF");
  DragAndDrop(window_, text, QPoint(20, 110));
  DeliverPosted();
  ASSERT_EQ(keeper->kept.size(), 1u);
  EXPECT_TRUE(keeper->kept[0].WasDropped());
  EXPECT_TRUE(window_->received.empty());

  window_->DeliverDrop(Message(plat::B_SIMPLE_DATA), QPoint(80, 30));  // on "outer" only
  DeliverPosted();
  ASSERT_EQ(window_->received.size(), 1u);
  EXPECT_TRUE(window_->received[0].WasDropped());
}

TEST_F(RoutingTest, ControlsSendTheirMessagesToTheWindow) {
  auto* button = new plat::Button(plat::Rect(6, 105, 112, 130), "b", "Go",
                                  Message(plat::FourCC("BUTT")), 0, 0);
  auto* box = new plat::CheckBox(plat::Rect(6, 140, 112, 160), "c", "box",
                                 Message(plat::FourCC("CHEK")), 0, 0);
  outer_->AddChild(button);
  outer_->AddChild(box);
  box->SetValue(1);  // set by the program: sends nothing
  EXPECT_EQ(box->Value(), 1);
  button->click();
  box->click();
  DeliverPosted();
  ASSERT_EQ(window_->received.size(), 2u);
  EXPECT_EQ(window_->received[0].what, plat::FourCC("BUTT"));
  EXPECT_EQ(window_->received[1].what, plat::FourCC("CHEK"));
  EXPECT_EQ(box->Value(), 0);
  EXPECT_EQ(button->focusPolicy(), Qt::ClickFocus);
  EXPECT_EQ(box->focusPolicy(), Qt::ClickFocus);
}

TEST_F(RoutingTest, EntryCommitsOnEnterOrOnLosingTheFocusAfterAChange) {
  auto* entry = new plat::TextControl(plat::Rect(40, 17, 100, 38), "e", "",
                                      Message(plat::FourCC("TEXT")), 0, plat::B_NAVIGABLE);
  entry->HideTyping(true);
  outer_->AddChild(entry);
  auto focusOut = [&](Qt::FocusReason why) {
    QFocusEvent out(QEvent::FocusOut, why);
    QCoreApplication::sendEvent(entry, &out);
    DeliverPosted();
  };

  focusOut(Qt::TabFocusReason);  // nothing changed: no commit
  EXPECT_TRUE(window_->received.empty());

  TypeText(entry, "abc");
  focusOut(Qt::ActiveWindowFocusReason);  // another window took over: no commit
  EXPECT_TRUE(window_->received.empty());
  focusOut(Qt::MouseFocusReason);
  EXPECT_EQ(window_->received.size(), 1u);
  focusOut(Qt::MouseFocusReason);  // committed already
  EXPECT_EQ(window_->received.size(), 1u);

  PressKey(entry, Qt::Key_Return);
  DeliverPosted();
  EXPECT_EQ(window_->received.size(), 2u);

  // A notice from the program shows as written; typing hides again.
  entry->SetText(" -wrong!- ");
  EXPECT_EQ(entry->echoMode(), QLineEdit::Normal);
  focusOut(Qt::MouseFocusReason);  // set by the program: no commit
  EXPECT_EQ(window_->received.size(), 2u);
  entry->MakeFocus(true);
  EXPECT_EQ(entry->selectedText(), " -wrong!- ");
  TypeText(entry, "x");
  EXPECT_EQ(entry->echoMode(), QLineEdit::Password);
  EXPECT_EQ(entry->Text(), "x");
}
