#include "app/FolderSummary.h"

#include <cctype>
#include <utility>

#include "app/words/Diagnostics.h"
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
  // A sealed file is left by both operations, which neither code nor decode it (the engine
  // refuses to code one): counted as sealed.
  if (e.inspection.workable() && e.inspection.sealed && !(e.work && e.work->done())) {
    if (std::optional<Notice> why = InspectionNotice(e.inspection)) Leave(*why);
    return;
  }
  if (e.work) {
    const WorkResult& r = *e.work;
    if (r.done()) {
      ++done_;
      return;
    }
    if (r.outcome == WorkOutcome::StateChanged) return;
    std::optional<Notice> why = WorkNotice(r);
    if (why) Leave(*why);
    return;
  }
  const bool mismatched =
      e.inspection.mismatch != RecordMismatch::None && e.inspection.coded == decode_;
  if ((e.inspection.workable() && !mismatched) || OutOfReach(e.inspection.notWorkable)) return;
  std::optional<Notice> why = InspectionNotice(e.inspection);
  if (why) Leave(*why);
}

void FolderSummary::Leave(const Notice& why) {
  ++leftCount_;
  if (left_.size() < kNamedFiles) left_.push_back(why);
  auto it = reasons_.begin();
  while (it != reasons_.end() && it->first != why.kind) ++it;
  if (it == reasons_.end())
    reasons_.push_back({why.kind, 1});
  else
    ++it->second;
}

void FolderSummary::FolderUnreadable(const std::string& folder, const std::string& why) {
  unreadable_ = "the codec folder '" + Printable(folder) + "' can't be read: " + why;
}

std::string FolderSummary::Counts() const {
  if (!unreadable_.empty()) return unreadable_;
  std::string out = std::to_string(done_) + (decode_ ? " decoded" : " coded");
  if (leftCount_) out += ", " + std::to_string(leftCount_) + " left";
  return out;
}

std::string FolderSummary::Brief() const {
  return unreadable_.empty() ? Counts() : "Folder unreadable";
}

std::string FolderSummary::Line() const {
  std::string out = "> " + operation_ + ": " + Counts();
  // The reasons, each with its count, in the order they first came.
  const std::vector<std::pair<NoticeKind, int>>& reasons = reasons_;
  for (size_t i = 0; i < reasons.size(); ++i)
    out += (i == 0 ? " (" : ", ") + std::to_string(reasons[i].second) + " " +
           Lowered(NoticeBrief(reasons[i].first)) + (i + 1 == reasons.size() ? ")" : "");
  return out;
}

std::string FolderSummary::Details() const {
  std::string out = Line().substr(2);
  for (const Notice& left : left_) out += "\n" + left.reason;
  if (leftCount_ > left_.size())
    out += "\n... and " + std::to_string(leftCount_ - left_.size()) + " more.";
  return out;
}
