#pragma once
// The system beep, behind a hook so that tests can count beeps. The real hook is
// QApplication::beep().
namespace plat {

class BeepHook {
 public:
  virtual ~BeepHook() = default;
  virtual void Beep() = 0;
};

// Beeps through the installed hook.
void beep();
// Installs a hook (not owned); nullptr goes back to QApplication::beep().
void SetBeepHook(BeepHook* hook);

}  // namespace plat
