// Sealing through the real window (offscreen), as a person does it: sealing chosen in the
// context menu, a file dropped, its password typed and "Do it" pressed; the choice kept for the
// next start; the sealed file unsealed by the same field and button; a wrong password and a
// changed sealed file refused with the file as it was; an interrupted sealing settled by the
// password typed in the field. The derivation runs at the cheapest cost the format allows.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <fstream>
#include <sstream>

#include "app/MVWindow.h"
#include "engine/journal/SealPassword.h"
#include "platform/gui/Button.h"
#include "platform/gui/StringView.h"
#include "platform/gui/TextControl.h"
#include "settings/SealingChoice.h"
#include "settings/Settings.h"
#include "tests/app/WindowDriving.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/platform/CapturedStdout.h"
#include "ui/CodeView.h"
#include "ui/GuiTestSupport.h"
#include "ui/ModeLine.h"

namespace {

// Longer than the 20 characters a coding keeps: a seal takes all of it.
const char kPassword[] = "correct horse battery staple, twice";

class SealWindowTest : public RealWindowTest<MVWindow> {
 protected:
  void SetUp() override {
    RealWindowTest<MVWindow>::SetUp();
    window_->SetSealCost(seal::kMinCost);
  }
  // A new window, as at the next start.
  void StartAgain() {
    window_.reset();
    window_ = std::make_unique<MVWindow>(plat::Rect(100, 100, 218, 290));
    window_->SetSealCost(seal::kMinCost);
  }
  std::string PressDoIt() {
    return CapturedStdout([&] {
      window_->Views().sBut->click();
      DeliverPosted();
    });
  }
  std::string Button() const { return window_->Views().sBut->Label(); }
  std::string Label() const { return window_->Views().askFile->Text(); }
  std::string Tip() const { return window_->Views().askFile->Tip(); }
  std::string PassText() const { return window_->Views().cview->PassControl()->Text(); }
  // The line under the button, or "" while it is hidden; the window's height with it.
  std::string Mode() const {
    const ModeLine& m = window_->Mode();
    return m.Shown() ? m.Label()->Text() : "";
  }
  int Height() const { return window_->height(); }
  std::string KeptChoice() const {
    std::string path;
    EXPECT_TRUE(SettingsFilePath(kSealingChoiceName, false, &path));
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::pair<Bytes, XattrMap> Now(const std::string& path) const {
    return {ReadFileBytes(path), AllXattrs(path)};
  }
};

TEST_F(SealWindowTest, SealUnsealRefuseAndSettleThroughTheWindow) {
  const Bytes plain = RandomBytes(70000, 7);
  const std::string path = dir_ + "/letter.txt";
  WriteFileBytes(path, plain);
  SetXattr(path, "mime_type", "text/plain");
  const XattrMap before = AllXattrs(path);

  // Coding is the default, and the window looks as it always did: no line under the button.
  EXPECT_FALSE(window_->Sealing());
  const int ownHeight = Height();
  EXPECT_EQ(Mode(), "");

  // Sealing chosen: the line says what the button does, before a file is even dropped.
  window_->SealingChoice()->trigger();
  EXPECT_TRUE(window_->Sealing());
  EXPECT_EQ(Height(), ownHeight + ModeLine::kExtraHeight);
  EXPECT_EQ(Mode(), "Do it seals");
  EXPECT_EQ(KeptChoice(), "seal\n");
  DropFile(path);
  EXPECT_EQ(Button(), "SEAL IT");
  EnterPassword(kPassword);
  EXPECT_EQ(PressDoIt(), "> Sealed: '" + path + "'\n");
  EXPECT_EQ(Label(), "letter.txt");  // a strong password: nothing to say
  EXPECT_EQ(Button(), "UNSEAL THIS");
  EXPECT_EQ(Mode(), "Do it unseals");
  EXPECT_EQ(PassText(), "******");
  EXPECT_EQ(ReadFileBytes(path).size(), plain.size() + 161);
  EXPECT_EQ(*GetXattr(path, "mime_type"), "application/x-murvel-sealed");
  {
    // Sealed with the whole password: its first 20 characters do not open it.
    Engine engine;
    SealPassword first20(std::string(kPassword, 20).c_str(), seal::kMinCost);
    engine.SetSealPassword(&first20);
    ChangeRequest r = RequestFor(engine.Inspect(path), true);
    r.sealing = true;
    EXPECT_EQ(engine.WorkMany({r}, Password{}, {})[0].outcome, WorkOutcome::WrongPassword);
  }
  const auto sealed = Now(path);

  // The next start keeps the choice; the sealed file is told and unsealed by the same button,
  // after a wrong password that changes nothing.
  StartAgain();
  EXPECT_TRUE(window_->Sealing());
  EXPECT_TRUE(window_->SealingChoice()->isChecked());
  EXPECT_EQ(Mode(), "Do it seals");
  DropFile(path);
  EXPECT_EQ(Label(), "letter.txt");
  EXPECT_EQ(Button(), "UNSEAL IT");
  EXPECT_EQ(Mode(), "Do it unseals");
  EnterPassword("not the password");
  PressDoIt();
  EXPECT_EQ(PassText(), " -wrong!- ");
  EXPECT_EQ(Label(), "Wrong password!");
  EXPECT_NE(Tip().find("was sealed with"), std::string::npos) << Tip();
  EXPECT_EQ(Now(path), sealed);
  EnterPassword(kPassword);
  EXPECT_EQ(PressDoIt(), "> Unsealed: '" + path + "'\n");
  EXPECT_EQ(Button(), "SEAL THIS");
  EXPECT_EQ(Now(path), std::make_pair(plain, before));

  // Sealed again, then one byte changed: refused before a byte is written, and said why.
  PressDoIt();
  Bytes changed = ReadFileBytes(path);
  ASSERT_EQ(changed.size(), plain.size() + 161);
  changed[40000] ^= 1;
  WriteFileBytes(path, changed);
  const auto tampered = Now(path);
  DropFile(path);
  PressDoIt();
  EXPECT_EQ(Label(), "Not unsealed!");
  EXPECT_NE(Tip().find("changed since it was sealed"), std::string::npos) << Tip();
  EXPECT_EQ(Now(path), tampered);

  // A sealing cut short waits for its password, and says so in murvelctl's words; a wrong one
  // touches nothing, its own settles it.
  const Bytes other = RandomBytes(300 * 1024, 8);
  const std::string cut = dir_ + "/cut.bin";
  WriteFileBytes(cut, other);
  ASSERT_TRUE(InterruptChange(cut, "pw", 3, true));
  const auto interrupted = Now(cut);
  StartAgain();
  DropFile(cut);
  EXPECT_EQ(Label(), "Sealing interrupted!");
  EXPECT_NE(Tip().find("sealing interrupted: needs its password"), std::string::npos) << Tip();
  EXPECT_EQ(Mode(), "needs its password");
  EXPECT_EQ(Now(cut), interrupted);
  EnterPassword("px");
  EXPECT_NE(Tip().find("the password given is not its own; nothing was touched"), std::string::npos)
      << Tip();
  EXPECT_EQ(Now(cut), interrupted);
  EnterPassword("pw");
  EXPECT_TRUE(Label() == "Change completed!" || Label() == "Change undone!") << Label();
  EXPECT_FALSE(GetXattr(cut, "murvel.change").has_value());
  if (Button() == "UNSEAL IT") PressDoIt();
  EXPECT_EQ(ReadFileBytes(cut), other);
  // Sealed with that password, which guessing finds at once: said, as murvelctl warns of it.
  EXPECT_EQ(PressDoIt(), "> Sealed: '" + cut + "'\n");
  EXPECT_EQ(Label(), "Weak password!");
  EXPECT_NE(Tip().find("easy to guess"), std::string::npos) << Tip();

  // Coding chosen again: the sealed file in hand is still unsealed by the button, and once it is
  // plain the window is back at its own size. The choice is kept.
  window_->SealingChoice()->trigger();
  EXPECT_FALSE(window_->Sealing());
  EXPECT_EQ(KeptChoice(), "code\n");
  EXPECT_EQ(Mode(), "Do it unseals");
  PressDoIt();
  EXPECT_EQ(Button(), "CODE THIS");
  EXPECT_EQ(Mode(), "");
  EXPECT_EQ(Height(), ownHeight);
  EXPECT_EQ(ReadFileBytes(cut), other);
}

}  // namespace
