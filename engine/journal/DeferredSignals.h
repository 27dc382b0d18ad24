#pragma once
// Holds back the signals that would end the program (an interrupt from the terminal, a request
// to terminate, a hang-up, a broken pipe) while a file is being changed, so that the program does
// not end with a file half coded: its bytes transformed but no record written, say. A signal that
// came meanwhile ends the program as it would have, once the object goes. Signals the program
// handles itself (murvelctl stops after the file in hand) are left as they are.
//
// The signals' actions are changed for the whole process, not masked in one thread: a process's
// other threads (Qt has some) would otherwise take the signal and end the program all the same.
class DeferredSignals {
 public:
  DeferredSignals();
  ~DeferredSignals();
  DeferredSignals(const DeferredSignals&) = delete;
  DeferredSignals& operator=(const DeferredSignals&) = delete;

 private:
  static constexpr int kCount = 5;
  bool held_[kCount] = {};
};
