#pragma once
// The program at work on the GUI thread (the file work runs there, not on a thread of its own).
// While a Busy lives:
//   - the busy cursor shows over the program's windows;
//   - user input (mouse, keys, wheel, touch, drags and drops, a close from the window manager)
//     is swallowed, not queued: a click during the work does nothing, then or afterwards;
//   - messages that the program posts to its windows or to the application wait and are posted
//     again, in their order, once the last Busy goes;
//   - Pump() lets the windows repaint and the window system be answered, so the window does not
//     freeze; socket notifiers are left for the event loop.
// When the last Busy goes, input that came since the last pump is swallowed as well before the
// cursor goes back. Busy objects nest; only the outermost one does all this.
namespace plat {

class Busy {
 public:
  Busy();
  ~Busy();
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

  // Processes what is pending (swallowing user input): at once on the first call of the busy
  // time, then at most every 100 ms. Does nothing when no Busy lives.
  static void Pump();
  static bool Active();
};

}  // namespace plat
