#pragma once
// The program's one window and the owner of all working state: the current file, the entered
// password, the flags of the inspection (its WorkState), the two codec records and the views.
//
// Its controller: files and colours dropped on it, the password entry, the two buttons and the
// check box, window moves, and closing, which saves the settings (and codes the codec folder
// when "watch Folder" is on and a password was entered) before the program ends. The file work
// itself is done by the Engine; the window's operations of the same names delegate to it, print
// the diagnostic lines made from its results and show the results in the views.
//
// While the engine works (on this thread), the Do-it button shows the progress in percent, the
// busy cursor shows and user input is swallowed (plat::Busy). What a refused or failed action
// means, and what a folder operation did, shows in the file label until the next action, the
// whole reason in the label's tooltip (FileLabel, Notices.h, FolderSummary.h).
//
// Sealing: the window's context menu (a right click) holds the choice to seal rather than code,
// kept between starts (settings/SealingChoice.h). While the Do-it button will seal or unseal, a
// line under it says so (ModeLine); a sealed file dropped on the window is unsealed by the same
// field and button, whatever the choice. A seal's password is the whole entry, not its first 20
// characters. An interrupted sealing or unsealing found on a dropped file waits for its password,
// and the password committed in the field settles it.
#include <QPoint>
#include <memory>
#include <string>

#include "app/WorkState.h"
#include "codec/CCO.h"
#include "engine/Engine.h"
#include "engine/EngineView.h"
#include "engine/journal/SealPassword.h"
#include "platform/Outcome.h"
#include "platform/gui/Window.h"
#include "platform/rgb_color.h"
#include "settings/SettingsFormat.h"
#include "ui/MainLayout.h"

class DoItProgress;
class FileLabel;
class ModeLine;
class QAction;
struct Notice;

class MVWindow : public plat::Window, public EngineView {
 public:
  // `frame`: the content area, 118 x 190 at the stored position. `settings`: the colour and the
  // watch flag it starts with. The window keeps them and its position up to date in its settings
  // value, and saves that when it is closed.
  explicit MVWindow(const plat::Rect& frame, const Settings& settings = Settings());
  ~MVWindow() override;

  void MessageReceived(plat::Message* message) override;
  bool QuitRequested() override;
  void FrameMoved(QPoint position) override;

  // Recolours the views (the grey instead while the background view has an image).
  virtual void DrawNCol(rgb_color color);
  // The information alert.
  virtual void AboutRequested();
  // Folder operations over the codec folder; each ends with its summary in the file label, and
  // on standard output when it left files.
  virtual void DecAllFold();
  virtual void ScanFold();
  // Inspects the current file; with `setLabel` the Do-it button's label becomes "CODE IT" or
  // "DECODE IT" (while sealing is chosen "SEAL IT" instead of "CODE IT"; "UNSEAL IT" for a sealed
  // file).
  virtual void XCheck(bool setLabel);
  // Codes or decodes the current file. False when it was not workable, the password did not
  // match, or the work could not be done (the file is then as it was, or settled at the next
  // look); true otherwise, also when no password was entered and so nothing was done.
  virtual bool XWork();
  // Only the current file's bytes, coded with the working record's time code or decoded with the
  // file record's.
  virtual plat::Outcome CodSim();
  virtual plat::Outcome DecodSim();
  // The time code of the current moment: six characters in a buffer that the next call reuses.
  virtual const char* NewText();

  // What the engine tells while it works.
  void Progress(const std::string& file, uint64_t done, uint64_t total) override;
  void Looking(const std::string& path) override;

  const WorkState& State() const { return state_; }
  const CCO& FileRecord() const { return *fileRecord_; }
  const CCO& WorkingRecord() const { return *workingRecord_; }
  // The settings as they stand: position, colour, watch flag.
  const Settings& CurrentSettings() const { return settings_; }
  const MainLayout& Views() const { return *views_; }

  // Whether the Do-it button seals plain files rather than codes them. With `remember` the
  // choice is kept for the next start.
  void SetSealing(bool on, bool remember);
  bool Sealing() const { return sealing_; }
  // The context menu's item of that choice.
  QAction* SealingChoice() const { return sealAction_; }
  // The line under the Do-it button while it seals or unseals.
  const ModeLine& Mode() const { return *modeLine_; }
  // What a new seal's key derivation costs (tests make it cheap); from the next entered password.
  void SetSealCost(seal::Cost cost) { sealCost_ = cost; }

 private:
  // The colour checks of a dropped message.
  void CheckDroppedColour(const plat::Message& message);
  void ApplyDropColour();
  void TakePassword();
  void TakeFile(const plat::Message& message);
  void LoadBackgroundImage();
  // Prints what an inspection or a work found and shows it in the views.
  void ShowInspection(const Inspection& found, bool setLabel);
  void ShowWork(const WorkResult& result);
  void RunFolder(bool decode);
  // Seals the current plain file, or unseals the current sealed one.
  bool SealWork();
  // The inspection's view of the file brought up to date after a work on it.
  void AfterWork(const WorkResult& result);
  // The Do-it button's label for a workable file in hand that is neither coded nor sealed.
  const char* PlainLabel() const;
  // Shows or hides the line under the Do-it button as the button's work asks.
  void UpdateModeLine();
  Password EnteredPassword() const;
  // The file label shows the leaf of `path`, its tooltip the whole path.
  void SetFileLabel(const std::string& path);
  void ShowNotice(const Notice& notice);
  void Beep(int times = 1);

  Settings settings_;
  WorkState state_;
  // Created in this order: the file record (rebuilt from a coded file), then the working record
  // (generated for the file being coded).
  std::unique_ptr<CCO> fileRecord_;
  std::unique_ptr<CCO> workingRecord_;
  Engine engine_;
  std::unique_ptr<MainLayout> views_;
  std::unique_ptr<FileLabel> fileLabel_;
  std::unique_ptr<DoItProgress> doIt_;
  rgb_color dropColor_ = {0, 0, 0, 0};
  std::unique_ptr<ModeLine> modeLine_;
  QAction* sealAction_ = nullptr;
  bool sealing_ = false;
  seal::Cost sealCost_ = seal::kDefaultCost;
  // The whole entry, for seals (one byte more than a seal takes, so that a longer one is told),
  // and the keys derived from it, kept for the run of one password.
  plat::SecretText sealText_;
  std::unique_ptr<SealPassword> sealPassword_;
};
