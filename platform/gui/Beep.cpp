#include "platform/gui/Beep.h"

#include <QApplication>

namespace plat {
namespace {

class SystemBeep : public BeepHook {
 public:
  void Beep() override { QApplication::beep(); }
};

SystemBeep gSystemBeep;
BeepHook* gHook = &gSystemBeep;

}  // namespace

void beep() {
  gHook->Beep();
}

void SetBeepHook(BeepHook* hook) {
  gHook = hook ? hook : &gSystemBeep;
}

}  // namespace plat
