#pragma once
// The application object. Its constructor starts the program in a fixed order: the coded-file
// type and the folders, the settings (written with the defaults on a first start), then the main
// window at the stored position. Files handed to the program go on to the window as if dropped
// there, without the colour checks of a real drop; only the first of them is taken. SIGTERM and
// SIGHUP close the window as its close button does.
#include "platform/gui/Application.h"

class MVWindow;

class MVApplication : public plat::Application {
 public:
  // `argc` must outlive the application. With `seal` the window starts with sealing chosen for
  // this run (murvel --seal).
  MVApplication(int& argc, char** argv, bool seal = false);
  ~MVApplication() override;

  void RefsReceived(plat::Message* message) override;

  MVWindow* MainWindow() const { return mainWindow_; }

 private:
  MVWindow* mainWindow_;
};
