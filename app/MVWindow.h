#pragma once
// The program's one window and the owner of all working state: the current file, the entered
// password, the flags of the inspection, the two codec records, the cipher state and the icon
// buffers (all in its WorkState, which the file work shares), and the views.
//
// Its controller: files and colours dropped on it, the password entry, the two buttons and the
// check box, window moves, and closing, which saves the settings (and codes the codec folder
// when "watch Folder" is on and a password was entered) before the program ends. The file work
// itself is done by the Engine; the window's operations of the same names delegate to it.
#include <QPoint>
#include <memory>
#include <string>

#include "engine/Engine.h"
#include "engine/EngineView.h"
#include "engine/WorkState.h"
#include "platform/Outcome.h"
#include "platform/gui/Window.h"
#include "platform/rgb_color.h"
#include "settings/SettingsFormat.h"
#include "ui/MainLayout.h"

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
  // Folder operations over the codec folder.
  virtual void DecAllFold();
  virtual void ScanFold();
  // Inspects, codes or decodes the current file.
  virtual void XCheck(bool setLabel);
  virtual bool XWork();
  virtual plat::Outcome CodSim();
  virtual plat::Outcome DecodSim();
  // The time code of the current moment: six characters in a buffer that the next call reuses.
  virtual const char* NewText();

  // What the file work shows.
  void SetFileLabel(const std::string& text) override;
  void SetButtonLabel(const char* label) override;
  void ShowIcon(const uint8_t* bits) override;
  void SetPassText(const char* text) override;
  void MakePassFocus(bool focus) override;
  void Beep() override;
  void UpdateIfNeeded() override;

  const WorkState& State() const { return state_; }
  // The settings as they stand: position, colour, watch flag.
  const Settings& CurrentSettings() const { return settings_; }
  const MainLayout& Views() const { return *views_; }

 private:
  // The colour checks of a dropped message.
  void CheckDroppedColour(const plat::Message& message);
  void ApplyDropColour();
  void TakePassword();
  void TakeFile(const plat::Message& message);
  void LoadBackgroundImage();

  Settings settings_;
  WorkState state_;
  Engine engine_;
  std::unique_ptr<MainLayout> views_;
  rgb_color dropColor_ = {0, 0, 0, 0};
};
