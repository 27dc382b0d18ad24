#pragma once
// The window's file label ("askFile") as the controller uses it. It shows the name of the file in
// hand, with its whole path in the tooltip; after an action that did not do what was asked (or
// after a folder operation) it shows a notice instead: a few words in the label, where the user
// looks, and the whole reason in the tooltip, since the label has room for a few words only. The
// notice stays until the next action, which gives the label back what it showed before.
#include <string>

namespace plat {
class StringView;
}

class FileLabel {
 public:
  explicit FileLabel(plat::StringView* label) : label_(label) {}

  // Shows `text`, with `tip` as tooltip; a notice that shows ends.
  void Show(const std::string& text, const std::string& tip);
  // Shows `text` in the label and `tip` in its tooltip until EndNotice().
  void ShowNotice(const std::string& text, const std::string& tip);
  // The label shows again what it showed before the notice. Nothing when no notice shows.
  void EndNotice();
  bool NoticeShown() const { return noticeShown_; }

 private:
  void Set(const std::string& text, const std::string& tip);

  plat::StringView* label_;
  bool noticeShown_ = false;
  std::string text_;  // what the label shows apart from a notice
  std::string tip_;
};
