#pragma once
// Turns the signals that ask a program to end (SIGTERM at logout or from `kill`, SIGHUP when its
// terminal goes) into a request to close a window, handled in the event loop like a click on the
// window's close button: the window's QuitRequested() runs and decides what happens.
//
// The signal handler only writes the signal's number into a pipe; a socket notifier on the
// pipe's other end posts B_QUIT_REQUESTED to the window, which plat::Window answers by closing.
// A signal that comes while the program is busy (Busy.h) is answered once the work is done.
// Only one object of this class may live at a time; it puts the signals' former actions back
// when it goes.
#include <signal.h>

#include <QObject>
#include <initializer_list>
#include <vector>

class QSocketNotifier;

namespace plat {

class Window;

class CloseOnSignals : public QObject {
 public:
  // `window` becomes the object's parent. False from Ok() when the pipe or a handler could not
  // be set up (the signals then keep their former actions).
  CloseOnSignals(Window* window, std::initializer_list<int> which);
  ~CloseOnSignals() override;

  bool Ok() const { return ok_; }

 private:
  void Arrived();

  Window* window_;
  QSocketNotifier* notifier_ = nullptr;
  std::vector<int> signals_;
  std::vector<struct sigaction> former_;  // the actions the signals had before
  bool ok_ = false;
};

}  // namespace plat
