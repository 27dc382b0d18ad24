// A coded copy that lost its record, dropped on the window: a line on standard output, the
// notice "Record lost!" in the file label with the way to rescue it in its tooltip, and "Do it"
// leaves it as it is instead of coding it a second time. The watch-folder pass at closing
// leaves it too.
#include <gtest/gtest.h>

#include "app/MVWindow.h"
#include "platform/gui/Button.h"
#include "platform/gui/StringView.h"
#include "tests/app/WindowDriving.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/platform/CapturedStdout.h"

namespace {

class RecordLostWindowTest : public RealWindowTest<MVWindow> {};

TEST_F(RecordLostWindowTest, ACopyWithoutItsRecordIsToldAndNotCodedAgain) {
  std::string text;
  for (int i = 0; i < 25; ++i)
    text += "Entry " + std::to_string(i) + " of the diary: rain and then sun.\n";
  const std::string original = dir_ + "/diary.txt", copy = dir_ + "/diary copy.txt";
  WriteFileBytes(original, Bytes(text.begin(), text.end()));
  Engine engine;
  ASSERT_TRUE(engine.Work(engine.Inspect(original), Password{true, "pw"}).done());
  const Bytes coded = ReadFileBytes(original);
  WriteFileBytes(copy, coded);

  const std::string dropped = CapturedStdout([&] { DropFile(copy); });
  EXPECT_EQ(dropped, "MVW> NO  Codec-Attr.!\n> Coded, record lost: '" + copy +
                         "' (coded on 2026-12-07 08:30:15; turned back: ASCII text); murvelctl "
                         "rescue gives it back\n");
  plat::StringView* label = window_->Views().askFile;
  EXPECT_EQ(label->Text(), "Record lost!");
  EXPECT_NE(label->Tip().find("murvelctl rescue '" + copy + "'"), std::string::npos)
      << label->Tip();

  EnterPassword("pw");
  const std::string pressed = CapturedStdout([&] {
    window_->Views().sBut->click();
    DeliverPosted();
  });
  EXPECT_EQ(pressed, "");
  EXPECT_EQ(ReadFileBytes(copy), coded);
  EXPECT_FALSE(GetXattr(copy, "PrivCodec").has_value());
  EXPECT_EQ(label->Text(), "Record lost!");
}

}  // namespace
