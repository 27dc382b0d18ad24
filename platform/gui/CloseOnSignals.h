#pragma once
// Turns the signals that ask a program to end (SIGTERM at logout or from `kill`, SIGHUP when its
// terminal goes) into a request to close a window, handled in the event loop like a click on the
// window's close button: the window's QuitRequested() runs and decides what happens.
//
// The signal handler only writes the signal's number into a pipe; a socket notifier on the
// pipe's other end posts B_QUIT_REQUESTED to the window, which plat::Window answers by closing.
// A signal that comes while the program is busy (Busy.h) is answered once the work is done.
// CatchEarly() sets the handler up at the program's first moment, before there is a window: a
// signal that comes while the program is still starting waits in the pipe and closes the window
// as soon as its event loop runs. Only one object of this class may live at a time; it puts the
// signals' former actions back when it goes.
#include <QObject>
#include <initializer_list>

class QSocketNotifier;

namespace plat {

class Window;

class CloseOnSignals : public QObject {
 public:
  // Catches the signals from now on (and unblocks them, should the program have been started
  // with them blocked), keeping them for the object made later. False when the pipe or a
  // handler could not be set up.
  static bool CatchEarly(std::initializer_list<int> which);

  // `window` becomes the object's parent. The signals caught early are the ones answered; without
  // CatchEarly() they are caught from here on. False from Ok() when the pipe or a handler could
  // not be set up (the signals then keep their former actions).
  CloseOnSignals(Window* window, std::initializer_list<int> which);
  ~CloseOnSignals() override;

  bool Ok() const { return ok_; }

 private:
  void Arrived();

  Window* window_;
  QSocketNotifier* notifier_ = nullptr;
  bool ok_ = false;
};

}  // namespace plat
