#include "app/MVWindow.h"

#include <QAction>
#include <QKeySequence>
#include <QShortcut>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "app/DoError.h"
#include "app/DoItProgress.h"
#include "app/FileLabel.h"
#include "app/FolderSummary.h"
#include "app/Notices.h"
#include "app/OpenFileDialog.h"
#include "app/Translation.h"
#include "app/words/Diagnostics.h"
#include "app/words/PasswordStrength.h"
#include "app/words/SealWaitWords.h"
#include "codec/TimeCode.h"
#include "desktop/ProgramIcons.h"
#include "desktop/TypeSetup.h"
#include "platform/Clock.h"
#include "platform/Directory.h"
#include "platform/Node.h"
#include "platform/NodeInfo.h"
#include "platform/Paths.h"
#include "platform/Program.h"
#include "platform/TypeCodes.h"
#include "platform/gui/Application.h"
#include "platform/gui/Beep.h"
#include "platform/gui/Busy.h"
#include "platform/gui/Button.h"
#include "platform/gui/CheckBox.h"
#include "platform/gui/StringView.h"
#include "platform/gui/TextControl.h"
#include "settings/ColourHelpers.h"
#include "settings/SealingChoice.h"
#include "settings/Settings.h"
#include "ui/CodeView.h"
#include "ui/ModeLine.h"
#include "ui/fView.h"

MVWindow::MVWindow(const plat::Rect& frame, const Settings& settings)
    : plat::Window(frame, "Murvel"),
      settings_(settings),
      fileRecord_(new CCO),
      workingRecord_(new CCO),
      engine_(this) {
  engine_.MarkCodedFiles(true);
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

  fileLabel_ = std::make_unique<FileLabel>(views_->askFile);
  doIt_ = std::make_unique<DoItProgress>(views_->sBut);
  modeLine_ = std::make_unique<ModeLine>(this, views_->backView);

  // The choice to seal rather than code, in the window's context menu; the button's tooltip
  // tells where it is.
  sealAction_ = new QAction(QString::fromStdString(TrText("Seal rather than code")), this);
  sealAction_->setCheckable(true);
  connect(sealAction_, &QAction::toggled, this, [this](bool on) {
    if (on != sealing_) SetSealing(on, true);
  });
  addAction(sealAction_);
  setContextMenuPolicy(Qt::ActionsContextMenu);
  views_->sBut->setToolTip(QString::fromStdString(
      TrText("Right-click the window to seal rather than code: a sealed file opens only with "
             "its password.")));
  SetSealing(LoadSealingChoice(), false);

  // The information alert on F1; no control of the window leads to it.
  auto* about = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(about, &QShortcut::activated, this, [this] { AboutRequested(); });
  AddOpenShortcut(this);

  Show();
}

// The window never destroys its two records: they are handed to a list that lives as long as
// the program, so no record's destructor runs (and says so) when the window closes.
MVWindow::~MVWindow() {
  static std::vector<std::unique_ptr<CCO>>* const kept = new std::vector<std::unique_ptr<CCO>>;
  kept->push_back(std::move(fileRecord_));
  kept->push_back(std::move(workingRecord_));
}

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
  switch (message->what) {
    case CW_PASS:
    case plat::B_SIMPLE_DATA:
    case DEC_BUTT:
    case WTH_FOLD:
    case SAV_BUTT:
      // The user did something: a notice in the file label has been seen.
      fileLabel_->EndNotice();
      break;
    default:
      break;
  }
  if (message->WasDropped()) CheckDroppedColour(*message);
  switch (message->what) {
    case CW_PASS:
      TakePassword();
      break;
    case plat::B_SIMPLE_DATA:
      TakeFile(*message);
      break;
    case DEC_BUTT:
      if (state_.passwordSet)
        DecAllFold();
      else
        ShowNotice(NoPasswordNotice("\"Decode All\""));
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
    if (node.InitCheck() == 0 && node.ReadAttr("RGBCOLOR", &dropColor_, 4) == 4) ApplyDropColour();
  }
}

void MVWindow::ApplyDropColour() {
  settings_.backcolor = dropColor_;
  DrawNCol(settings_.backcolor);
}

void MVWindow::TakePassword() {
  const char* entered = views_->cview->GetPass();
  std::strncpy(state_.password, entered, plat::kPasswordMax);
  state_.password[plat::kPasswordMax] = '\0';
  state_.passwordSet = true;
  // A seal takes the whole entry, as GetPass reads it (UTF-8); the copy made here is wiped.
  {
    std::string whole = views_->cview->PassControl()->Text();
    sealText_ = plat::SecretText(whole.data(), std::min(whole.size(), plat::kSealPasswordMax + 1));
    std::fill(whole.begin(), whole.end(), '\0');
  }
  sealPassword_.reset();
  engine_.SetSealPassword(nullptr);
  if (sealText_.size() <= plat::kSealPasswordMax) {
    sealPassword_ = std::make_unique<SealPassword>(sealText_, sealCost_);
    engine_.SetSealPassword(sealPassword_.get());
  }
  views_->cview->CWSetText("******");
  views_->cview->CWMakeFocus(false);
  // A file in hand whose interrupted sealing or unsealing waited for its password: settled now.
  if (!state_.currentPath.empty() && SealWaitOf(state_.inspection) != SealWait::None) XCheck(true);
}

void MVWindow::SetSealing(bool on, bool remember) {
  sealing_ = on;
  sealAction_->setChecked(on);
  if (remember) {
    const plat::Outcome kept = SaveSealingChoice(on);
    if (!kept) std::printf("Can't keep the sealing choice: %s\n", kept.why().c_str());
  }
  const Inspection& f = state_.inspection;
  if (!state_.currentPath.empty() && f.workable() && !f.coded && !f.sealed)
    doIt_->SetLabel(PlainLabel());
  UpdateModeLine();
}

const char* MVWindow::PlainLabel() const {
  return sealing_ ? "SEAL IT" : "CODE IT";
}

void MVWindow::UpdateModeLine() {
  const Inspection& f = state_.inspection;
  const bool inHand = !state_.currentPath.empty();
  const SealWait wait = inHand ? SealWaitOf(f) : SealWait::None;
  std::string text;
  if (wait != SealWait::None)
    text = TrText(SealWaitDetail(wait));
  else if (inHand && f.workable() && f.sealed)
    text = TrText("Do it unseals");
  else if (!sealing_)
    return modeLine_->Hide();
  else if (inHand && f.workable() && f.coded)
    text = TrText("Do it decodes");
  else
    text = TrText("Do it seals");
  modeLine_->Show(text);
}

void MVWindow::TakeFile(const plat::Message& message) {
  std::string path;
  if (!message.FindRef("refs", 0, &path) || path.empty()) return;
  fileLabel_->Show(path, path);
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

Password MVWindow::EnteredPassword() const {
  return {state_.passwordSet, state_.password};
}

void MVWindow::ShowInspection(const Inspection& found, bool setLabel) {
  std::fputs(InspectionLines(found).c_str(), stdout);
  Beep(InspectionBeeps(found));
  state_.inspection = found;
  state_.workable = found.workable();
  // A followed link: the current path names the file it leads to.
  if (found.file != found.path && !found.file.empty()) state_.currentPath = found.file;
  if (!found.opened || !found.workable()) return;
  state_.coded = found.coded;
  if (found.coded) (void)fileRecord_->DecodeLine(EncodeRecordValue(found.record).c_str());
  if (setLabel)
    doIt_->SetLabel(found.sealed ? "UNSEAL IT" : found.coded ? "DECODE IT" : PlainLabel());
  views_->cview->CWViewIcon(
      found.stashedIcon.size() == plat::kLargeIconBytes ? found.stashedIcon.data() : DataBBits);
  plat::Window::UpdateIfNeeded();
}

void MVWindow::ShowWork(const WorkResult& r) {
  std::fputs(WorkLines(r).c_str(), stdout);
  AfterWork(r);
  if (r.recovery) Beep();
  if (r.direction == CipherDirection::Decode && r.outcome != WorkOutcome::WrongPassword)
    views_->cview->CWSetText("******");
  switch (r.outcome) {
    case WorkOutcome::Coded:
      (void)workingRecord_->DecodeLine(EncodeRecordValue(r.record).c_str());
      doIt_->SetLabel("DECODE THIS");
      break;
    case WorkOutcome::Decoded:
      doIt_->SetLabel(sealing_ ? "SEAL THIS" : "CODE THIS");
      break;
    case WorkOutcome::Sealed:
      views_->cview->CWSetText("******");
      doIt_->SetLabel("UNSEAL THIS");
      break;
    case WorkOutcome::Unsealed:
      doIt_->SetLabel(sealing_ ? "SEAL THIS" : "CODE THIS");
      break;
    case WorkOutcome::WrongPassword:
      views_->cview->CWSetText(" -wrong!- ");
      views_->cview->CWMakeFocus(true);
      Beep();
      break;
    case WorkOutcome::CantOpen:
    case WorkOutcome::NoPassword:
    case WorkOutcome::NotWorkable:
      break;
    default:
      Beep();
      break;
  }
}

void MVWindow::AfterWork(const WorkResult& r) {
  Inspection& f = state_.inspection;
  if (r.file != f.file) return;
  if (r.done()) {
    f.coded = r.outcome == WorkOutcome::Coded;
    f.sealed = r.outcome == WorkOutcome::Sealed;
    f.recovery.reset();
    state_.coded = f.coded;
  } else if (r.outcome == WorkOutcome::StateChanged) {
    f.coded = r.foundCoded;
    state_.coded = f.coded;
  }
  UpdateModeLine();
}

void MVWindow::RunFolder(bool decode) {
  Working working(*doIt_, decode ? "DECODING" : "CODING");
  FolderSummary summary(decode ? "Decode All" : "watch Folder", decode);
  const std::string folder = path2scan;
  plat::Directory probe(folder);
  if (probe.InitCheck() != 0) {
    summary.FolderUnreadable(folder, std::strerror(-probe.InitCheck()));
  } else {
    engine_.WorkOverFolder(folder, decode, EnteredPassword(), [&](const FolderEntry& e) {
      state_.currentPath = e.inspection.path;
      if (e.skippedLink) {
        std::fputs(InspectionLines(e.inspection).c_str(), stdout);
      } else {
        ShowInspection(e.inspection, false);
      }
      SetFileLabel(state_.currentPath);
      if (e.work) ShowWork(*e.work);
      summary.Add(e);
    });
  }
  // A line only when something was left: a pass that did all it could says nothing more.
  if (!summary.AllDone()) std::printf("%s\n", summary.Line().c_str());
  fileLabel_->ShowNotice(summary.Brief(), summary.Details());
}

void MVWindow::DecAllFold() {
  RunFolder(true);
}
void MVWindow::ScanFold() {
  RunFolder(false);
}

void MVWindow::XCheck(bool setLabel) {
  SetFileLabel(state_.currentPath);
  plat::Busy busy;  // an interrupted change found on the file is settled first, which takes time
  const Inspection found = engine_.Inspect(state_.currentPath);
  ShowInspection(found, setLabel);
  UpdateModeLine();
  if (std::optional<Notice> notice = DropNotice(found)) ShowNotice(*notice);
}

bool MVWindow::XWork() {
  if (!state_.workable) {
    // Refused: the inspection says why, unless there is no file at all (the label asks for one).
    if (!state_.currentPath.empty())
      if (std::optional<Notice> notice = InspectionNotice(state_.inspection)) ShowNotice(*notice);
    return false;
  }
  // Bytes that disagree with the record are neither coded a second time nor scrambled.
  if (state_.inspection.mismatch != RecordMismatch::None) {
    if (std::optional<Notice> notice = InspectionNotice(state_.inspection)) ShowNotice(*notice);
    return false;
  }
  // A sealed file is unsealed whatever the choice; a plain one sealed when sealing is chosen.
  if (state_.inspection.sealed || (sealing_ && !state_.inspection.coded)) return SealWork();
  WorkResult r;
  {
    Working working(*doIt_, state_.inspection.coded ? "DECODING" : "CODING");
    r = engine_.Work(state_.inspection, EnteredPassword());
  }
  ShowWork(r);
  std::optional<Notice> notice = WorkNotice(r);
  // Decoding without any password entered is refused as a wrong password (" -wrong!- "); the
  // label says what is missing.
  if (!state_.passwordSet && r.outcome == WorkOutcome::WrongPassword)
    notice = NoPasswordNotice("\"Do it\"");
  if (notice) ShowNotice(*notice);
  switch (r.outcome) {
    case WorkOutcome::Coded:
    case WorkOutcome::Decoded:
    case WorkOutcome::NoPassword:
      return true;
    default:
      return false;
  }
}

bool MVWindow::SealWork() {
  const bool unseal = state_.inspection.sealed;
  if (!state_.passwordSet) {
    ShowNotice(NoPasswordNotice("\"Do it\""));
    return true;
  }
  if (!sealPassword_) {
    ShowNotice(SealPasswordTooLongNotice());
    return false;
  }
  WorkResult r;
  {
    Working working(*doIt_, unseal ? "UNSEALING" : "SEALING");
    // The key is derived from the password before a byte moves, a second or so: the button
    // shows the work begun, as the pass shows its progress, and the cursor is busy meanwhile.
    doIt_->Show(0, 1);
    plat::Window::UpdateIfNeeded();
    ChangeRequest request = RequestFor(state_.inspection, unseal);
    request.sealing = true;
    r = engine_.WorkMany({request}, EnteredPassword(), {})[0];
  }
  ShowWork(r);
  std::optional<Notice> notice = WorkNotice(r);
  // Sealed with a password that guessing finds soon: said, as murvelctl warns of it.
  if (!notice && r.outcome == WorkOutcome::Sealed && TooWeakToSeal(sealText_))
    notice = WeakPasswordNotice(r.file, GuessesLog10(sealText_));
  if (notice) ShowNotice(*notice);
  return r.done();
}

plat::Outcome MVWindow::CodSim() {
  Working working(*doIt_, "CODING");
  WorkResult r = engine_.TurnBytes(state_.inspection.file,
                                   reinterpret_cast<const uint8_t*>(workingRecord_->GetFTime()),
                                   CipherDirection::Code);
  return r.done() ? plat::Outcome::Ok() : plat::Outcome::Fail(FaultText(r.reason));
}

plat::Outcome MVWindow::DecodSim() {
  Working working(*doIt_, "DECODING");
  WorkResult r = engine_.TurnBytes(state_.inspection.file,
                                   reinterpret_cast<const uint8_t*>(fileRecord_->GetFTime()),
                                   CipherDirection::Decode);
  return r.done() ? plat::Outcome::Ok() : plat::Outcome::Fail(FaultText(r.reason));
}

const char* MVWindow::NewText() {
  static char text[kTimeCodeBytes + 1];
  FormTimeCode(plat::CurrentClock().LocalNow(), text);
  return text;
}

void MVWindow::SetFileLabel(const std::string& path) {
  fileLabel_->Show(plat::LeafOf(path), path);
}

void MVWindow::ShowNotice(const Notice& notice) {
  fileLabel_->ShowNotice(notice.Brief() + "!", notice.reason);
}

void MVWindow::Beep(int times) {
  for (int i = 0; i < times; ++i) plat::beep();
}

// The engine runs on this thread: the window shows how far it is, repaints and answers the
// window system now and then (Busy::Pump() keeps to every 100 ms), and user input meanwhile is
// swallowed.
void MVWindow::Progress(const std::string&, uint64_t done, uint64_t total) {
  doIt_->Show(done, total);
  plat::Busy::Pump();
}

void MVWindow::Looking(const std::string& path) {
  SetFileLabel(path);
  plat::Busy::Pump();
}
