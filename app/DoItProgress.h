#pragma once
// The Do-it button while the window works on files: it shows how far the pass is, in percent
// ("CODING 42%"), and gets its own label back when the work ends. Labels that the work gives the
// button meanwhile ("DECODE THIS") are kept for that moment.
#include <cstdint>
#include <string>

#include "platform/gui/Busy.h"

namespace plat {
class Button;
}

class DoItProgress {
 public:
  explicit DoItProgress(plat::Button* button);

  // The button's own label: shown now, or when the work ends.
  void SetLabel(const char* label);
  // Work begins; `verb` ("CODING", "DECODING") leads the percentage. Work may nest: only the
  // outermost counts.
  void Begin(const char* verb);
  // `done` of `total` bytes are through.
  void Show(uint64_t done, uint64_t total);
  // The work ended: the button shows its own label again.
  void End();

 private:
  plat::Button* button_;
  std::string label_;
  std::string verb_;
  int depth_ = 0;
  int shownPercent_ = -1;  // -1 while the button shows its own label
};

// One piece of work in the window: the busy time (plat::Busy) and the button's progress.
class Working {
 public:
  Working(DoItProgress& progress, const char* verb) : progress_(progress) { progress_.Begin(verb); }
  ~Working() { progress_.End(); }
  Working(const Working&) = delete;
  Working& operator=(const Working&) = delete;

 private:
  plat::Busy busy_;  // made first and gone last, so the button's own label is painted at the end
  DoItProgress& progress_;
};
