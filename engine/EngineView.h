#pragma once
// What the file work shows the user. The window implements it with its views; tests implement it
// with a recorder; the command-line tool with nothing, or a line on its terminal.
#include <cstdint>
#include <string>

class EngineView {
 public:
  virtual ~EngineView() = default;
  // The file label's text; shown at once.
  virtual void SetFileLabel(const std::string& text) = 0;
  // The Do-it button's label ("CODE IT", "DECODE THIS", ...).
  virtual void SetButtonLabel(const char* label) = 0;
  // A 32x32 colour-mapped icon (1024 bytes) for the password view's icon box.
  virtual void ShowIcon(const uint8_t* bits) = 0;
  // The password view's entry text, and its keyboard focus.
  virtual void SetPassText(const char* text) = 0;
  virtual void MakePassFocus(bool focus) = 0;
  virtual void Beep() = 0;
  // Brings the display up to date while a long operation runs on the window's thread.
  virtual void UpdateIfNeeded() = 0;
};
