#include "app/FileLabel.h"

#include "platform/gui/StringView.h"

void FileLabel::Show(const std::string& text, const std::string& tip) {
  noticeShown_ = false;
  text_ = text;
  tip_ = tip;
  Set(text, tip);
}

void FileLabel::ShowNotice(const std::string& text, const std::string& tip) {
  if (!noticeShown_) {
    text_ = label_->Text();
    tip_ = label_->Tip();
  }
  noticeShown_ = true;
  Set(text, tip);
}

void FileLabel::EndNotice() {
  if (!noticeShown_) return;
  noticeShown_ = false;
  Set(text_, tip_);
}

void FileLabel::Set(const std::string& text, const std::string& tip) {
  label_->SetText(text.c_str());
  label_->SetTip(tip);
  // Shown at once: the window may be at work, with its event loop waiting.
  label_->repaint();
}
