// Messages, their routing from views to the window, and the entry field's commit.
#include <gtest/gtest.h>

#include "platform/gui/TextControl.h"
#include "platform/gui/View.h"
#include "tests/ui/GuiTestSupport.h"

using plat::Message;

TEST(MessageTest, FieldsAreFoundByNameTypeAndIndexAndDumped) {
  Message m(plat::FourCC("CWPA"));
  m.AddRef("refs", "/a");
  m.AddRef("refs", "/tmp/x\"y\n");
  const uint8_t raw[] = {0x01, 0xff};
  m.AddData("bits", plat::FourCC("RAWT"), raw, 2);
  std::string path;
  EXPECT_TRUE(m.FindRef("refs", 1, &path) && path == "/tmp/x\"y\n");
  EXPECT_FALSE(m.FindRef("refs", 2, &path));
  const void* data = nullptr;
  size_t size = 0;
  EXPECT_FALSE(m.FindData("bits", plat::B_MIME_TYPE, 0, &data, &size));
  EXPECT_TRUE(m.FindData("bits", plat::B_ANY_TYPE, 0, &data, &size) && size == 2);
  m.SetDropped(true);
  EXPECT_EQ(m.Dump(),
            "Message('CWPA') dropped {\n"
            "    refs[0] ('RREF', 2 bytes) = \"/a\"\n"
            "    refs[1] ('RREF', 9 bytes) = \"/tmp/x\\\"y\\x0a\"\n"
            "    bits[0] ('RAWT', 2 bytes) = 01 ff\n"
            "}\n");
}

namespace {

class RoutingTest : public testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    window_ = new RecordingWindow;
    outer_ = new plat::View(plat::Rect(0, 0, 118, 190), "outer");
    inner_ = new plat::View(plat::Rect(6, 6, 112, 22), "inner");
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

  // A message for a view that went away while it waited is dropped.
  window_->PostMessage(Message(plat::FourCC("CCCC")), inner_);
  delete inner_;
  DeliverPosted();
  EXPECT_EQ(window_->received.size(), 2u);
}

TEST_F(RoutingTest, EntryCommitsOnEnterOrOnLosingTheFocusAfterAChange) {
  auto* entry = new plat::TextControl(plat::Rect(40, 17, 100, 38), "e", "",
                                      Message(plat::FourCC("TEXT")), plat::B_NAVIGABLE);
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
  PressKey(entry, Qt::Key_Return);  // Enter commits, changed or not
  DeliverPosted();
  EXPECT_EQ(window_->received.size(), 2u);

  // A notice from the program shows as written; typing hides again.
  entry->SetText(" -wrong!- ");
  EXPECT_EQ(entry->echoMode(), QLineEdit::Normal);
  focusOut(Qt::MouseFocusReason);  // set by the program: no commit
  EXPECT_EQ(window_->received.size(), 2u);
  PressKey(entry, Qt::Key_Return);  // nor does Enter on the untouched notice
  DeliverPosted();
  EXPECT_EQ(window_->received.size(), 2u);
  entry->MakeFocus(true);
  EXPECT_EQ(entry->selectedText(), " -wrong!- ");
  TypeText(entry, "x");
  EXPECT_EQ(entry->echoMode(), QLineEdit::Password);
  EXPECT_EQ(entry->Text(), "x");
  PressKey(entry, Qt::Key_Return);  // what the user typed over it commits
  DeliverPosted();
  EXPECT_EQ(window_->received.size(), 3u);

  // Clicked into, a notice is replaced by what is typed, not added to.
  entry->SetText("******");
  ClickAt(entry, QPoint(20, 10));
  TypeText(entry, "y");
  EXPECT_EQ(entry->Text(), "y");
  ClickAt(entry, QPoint(20, 10));  // the user's own text: the click only places the cursor
  EXPECT_FALSE(entry->hasSelectedText());
}
