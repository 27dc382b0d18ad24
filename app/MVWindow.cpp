#include "app/MVWindow.h"

#include <QKeySequence>
#include <QShortcut>
#include <cstdio>
#include <cstring>

#include "app/DoError.h"
#include "codec/TimeCode.h"
#include "platform/Clock.h"
#include "platform/Node.h"
#include "platform/TypeCodes.h"
#include "platform/gui/Application.h"
#include "platform/gui/Beep.h"
#include "platform/gui/Button.h"
#include "platform/gui/CheckBox.h"
#include "platform/gui/StringView.h"
#include "settings/ColourHelpers.h"
#include "settings/ProgramIcons.h"
#include "settings/Settings.h"
#include "settings/TypeSetup.h"
#include "ui/CodeView.h"
#include "ui/fView.h"

MVWindow::MVWindow(const plat::Rect& frame, const Settings& settings)
    : plat::Window(frame, "Murvel"), settings_(settings), engine_(state_, *this) {
  settings_.WIN_X = frame.left;
  settings_.WIN_Y = frame.top;
  state_.passwordSet = false;
  state_.password[0] = '\0';
  state_.workable = false;
  state_.coded = false;

  const plat::Rect B = Bounds();
  std::printf("xB.Width()=%6.2f\n", double(B.Width()));

  views_ = std::make_unique<MainLayout>(this, settings_.backcolor, settings_.wtfold);

  LoadBackgroundImage();
  views_->cview->CWMakeFocus(true);
  views_->cview->CWViewIcon(DataBBits);

  // The information alert on F1; no control of the window leads to it.
  auto* about = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(about, &QShortcut::activated, this, [this] { AboutRequested(); });

  Show();
}

MVWindow::~MVWindow() = default;

void MVWindow::LoadBackgroundImage() {
  const std::string path = BackImagePath();
  if (!IsNodeTypeOk(path.c_str(), "image/")) {
    DrawNCol(settings_.backcolor);
    return;
  }
  DrawNCol(views_->backView->MenuCol());
  std::unique_ptr<QImage> image = GetImage(path.c_str());
  views_->SetBackgroundImage(image.get());
}

void MVWindow::MessageReceived(plat::Message* message) {
  if (message->WasDropped()) CheckDroppedColour(*message);
  switch (message->what) {
    case CW_PASS:
      TakePassword();
      break;
    case plat::B_SIMPLE_DATA:
      TakeFile(*message);
      break;
    case DEC_BUTT:
      if (state_.passwordSet) DecAllFold();
      break;
    case WTH_FOLD:
      settings_.wtfold = views_->wBut->Value() != 0 ? 1 : 0;
      break;
    case SAV_BUTT:
      XWork();
      break;
    default:
      break;
  }
}

void MVWindow::CheckDroppedColour(const plat::Message& message) {
  const void* data = nullptr;
  size_t size = 0;
  if (message.FindData("text/plain", plat::B_MIME_TYPE, 0, &data, &size)) {
    dropColor_ = ColourOfDropText(data, size);
    ApplyDropColour();
  }
  // A colour dragged from a colour picker counts as its six-digit colour text.
  if (message.FindData("RGBColor", plat::B_RGB_COLOR_TYPE, 0, &data, &size) && size >= 3) {
    dropColor_ = ColourOfPickedColour(static_cast<const uint8_t*>(data));
    ApplyDropColour();
  }
  std::string path;
  if (message.FindRef("refs", 0, &path)) {
    plat::Node node(path);
    if (node.InitCheck() == 0 &&
        node.ReadAttr("RGBCOLOR", plat::B_RGB_COLOR_TYPE, 0, &dropColor_, 4) == 4)
      ApplyDropColour();
  }
}

void MVWindow::ApplyDropColour() {
  settings_.backcolor = dropColor_;
  DrawNCol(settings_.backcolor);
}

void MVWindow::TakePassword() {
  const char* entered = views_->cview->GetPass();
  std::strncpy(state_.password, entered, 20);
  state_.password[20] = '\0';
  state_.passwordSet = true;
  views_->cview->CWSetText("******");
  views_->cview->CWMakeFocus(false);
}

void MVWindow::TakeFile(const plat::Message& message) {
  std::string path;
  if (!message.FindRef("refs", 0, &path) || path.empty()) return;
  views_->askFile->SetText(path.c_str());
  state_.currentPath = path;
  XCheck(true);
}

bool MVWindow::QuitRequested() {
  // A failure to save is told on standard output; the window closes all the same.
  static_cast<void>(Setsettings(kSettingsFileName, settings_));
  if (settings_.wtfold && state_.passwordSet) ScanFold();
  if (plat::Application* app = plat::Application::Instance())
    app->PostMessage(plat::Message(plat::B_QUIT_REQUESTED));
  return true;
}

void MVWindow::FrameMoved(QPoint position) {
  settings_.WIN_X = float(position.x());
  settings_.WIN_Y = float(position.y());
}

void MVWindow::DrawNCol(rgb_color color) {
  views_->Recolor(color);
}

void MVWindow::AboutRequested() {
  DoError("InfoBox");
}

void MVWindow::DecAllFold() {
  engine_.DecAllFold(path2scan);
}
void MVWindow::ScanFold() {
  engine_.ScanFold(path2scan);
}
void MVWindow::XCheck(bool setLabel) {
  engine_.XCheck(setLabel);
}
bool MVWindow::XWork() {
  return engine_.XWork();
}
plat::Outcome MVWindow::CodSim() {
  return engine_.CodSim();
}
plat::Outcome MVWindow::DecodSim() {
  return engine_.DecodSim();
}

const char* MVWindow::NewText() {
  static char text[kTimeCodeBytes + 1];
  FormTimeCode(plat::CurrentClock().LocalNow(), text);
  return text;
}

void MVWindow::SetFileLabel(const std::string& text) {
  views_->askFile->SetText(text.c_str());
  views_->askFile->repaint();
}

void MVWindow::SetButtonLabel(const char* label) {
  views_->sBut->SetLabel(label);
}
void MVWindow::ShowIcon(const uint8_t* bits) {
  views_->cview->CWViewIcon(bits);
}
void MVWindow::SetPassText(const char* text) {
  views_->cview->CWSetText(text);
}
void MVWindow::MakePassFocus(bool focus) {
  views_->cview->CWMakeFocus(focus);
}
void MVWindow::Beep() {
  plat::beep();
}
void MVWindow::UpdateIfNeeded() {
  plat::Window::UpdateIfNeeded();
}
