#include "app/FolderSummary.h"

#include <cctype>
#include <utility>

#include "engine/Diagnostics.h"
#include "platform/Paths.h"

namespace {

// Files named one by one in the details; the rest are counted.
constexpr size_t kNamedFiles = 8;

bool OutOfReach(NotWorkable n) {
  return n == NotWorkable::Folder || n == NotWorkable::NotRegular || n == NotWorkable::Missing;
}

std::string Lowered(std::string text) {
  if (!text.empty()) text[0] = char(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

}  // namespace

FolderSummary::FolderSummary(std::string operation, bool decode)
    : operation_(std::move(operation)), decode_(decode) {}

void FolderSummary::Add(const FolderEntry& e) {
  if (e.work) {
    const WorkResult& r = *e.work;
    if (r.done()) {
      ++done_;
      return;
    }
    if (r.outcome == WorkOutcome::StateChanged) return;
    std::optional<Notice> why = WorkNotice(r);
    if (why) left_.push_back(*why);
    return;
  }
  if (e.inspection.workable() || OutOfReach(e.inspection.notWorkable)) return;
  std::optional<Notice> why = InspectionNotice(e.inspection);
  if (why) left_.push_back(*why);
}

void FolderSummary::FolderUnreadable(const std::string& folder, const std::string& why) {
  unreadable_ = "the codec folder '" + Printable(folder) + "' can't be read: " + why;
}

std::string FolderSummary::Counts() const {
  if (!unreadable_.empty()) return unreadable_;
  std::string out = std::to_string(done_) + (decode_ ? " decoded" : " coded");
  if (!left_.empty()) out += ", " + std::to_string(left_.size()) + " left";
  return out;
}

std::string FolderSummary::Brief() const {
  return unreadable_.empty() ? Counts() : "Folder unreadable";
}

std::string FolderSummary::Line() const {
  std::string out = "> " + operation_ + ": " + Counts();
  // The reasons, each with its count, in the order they first came.
  std::vector<std::pair<std::string, int>> reasons;
  for (const Notice& left : left_) {
    auto it = reasons.begin();
    while (it != reasons.end() && it->first != left.brief) ++it;
    if (it == reasons.end())
      reasons.push_back({left.brief, 1});
    else
      ++it->second;
  }
  for (size_t i = 0; i < reasons.size(); ++i)
    out += (i == 0 ? " (" : ", ") + std::to_string(reasons[i].second) + " " +
           Lowered(reasons[i].first) + (i + 1 == reasons.size() ? ")" : "");
  return out;
}

std::string FolderSummary::Details() const {
  std::string out = Line().substr(2);
  for (size_t i = 0; i < left_.size() && i < kNamedFiles; ++i) out += "\n" + left_[i].reason;
  if (left_.size() > kNamedFiles)
    out += "\n... and " + std::to_string(left_.size() - kNamedFiles) + " more.";
  return out;
}
