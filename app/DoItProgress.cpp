#include "app/DoItProgress.h"

#include "platform/gui/Button.h"

DoItProgress::DoItProgress(plat::Button* button) : button_(button), label_(button->Label()) {}

void DoItProgress::SetLabel(const char* label) {
  label_ = label;
  if (shownPercent_ < 0) button_->SetLabel(label);
}

void DoItProgress::Begin(const char* verb) {
  if (depth_++ == 0) verb_ = verb;
}

void DoItProgress::Show(uint64_t done, uint64_t total) {
  if (depth_ == 0 || total == 0) return;
  const int percent = int((done < total ? done : total) * 100 / total);
  if (percent == shownPercent_) return;
  shownPercent_ = percent;
  button_->SetLabel((verb_ + " " + std::to_string(percent) + "%").c_str());
}

void DoItProgress::End() {
  if (depth_ == 0 || --depth_ > 0) return;
  if (shownPercent_ >= 0) button_->SetLabel(label_.c_str());
  shownPercent_ = -1;
}
