#pragma once
// The line under the "Do it" button that says what the button does when it seals or unseals:
// a raised panel with a near-white label, like the file label's. The window grows by it while
// it shows and is back at its own 118 x 190 when it goes, so the window looks as it always did
// when nothing is sealed. Its views are made the first time it shows.
#include <string>

class fView;
namespace plat {
class StringView;
class Window;
}  // namespace plat

class ModeLine {
 public:
  ModeLine(plat::Window* window, fView* backView);

  // Shows the line with `text`, the window grown by the line's height.
  void Show(const std::string& text);
  // Hides it, the window back at its own size.
  void Hide();

  bool Shown() const { return shown_; }
  // The label; null until the line first showed.
  plat::StringView* Label() const { return label_; }

  // How much taller the window is while the line shows.
  static constexpr int kExtraHeight = 22;

 private:
  void Resize(int extra);

  plat::Window* window_;
  fView* backView_;
  fView* panel_ = nullptr;
  plat::StringView* label_ = nullptr;
  bool shown_ = false;
  int width_;
  int height_;  // the window's own height
};
