#pragma once
// The engine's view for murvelctl: there is no window, so labels, icons, focus and beeps go
// nowhere. The password view's text is kept, since it tells whether the record's password
// matched (" -wrong!- ").
#include <string>

#include "engine/EngineView.h"

class CtlView : public EngineView {
 public:
  void SetFileLabel(const std::string&) override {}
  void SetButtonLabel(const char*) override {}
  void ShowIcon(const uint8_t*) override {}
  void SetPassText(const char* text) override { passText_ = text ? text : ""; }
  void MakePassFocus(bool) override {}
  void Beep() override {}
  void UpdateIfNeeded() override {}

  // Forgets the last text, before a file is worked on.
  void Clear() { passText_.clear(); }
  // True when the last transaction refused the password.
  bool PasswordRefused() const { return passText_.find("wrong") != std::string::npos; }

 private:
  std::string passText_;
};
