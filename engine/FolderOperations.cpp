// The codec folder as a whole: every coded file decoded, or every plain file coded, entry by
// entry as if each had been dropped on the window and the Do-it button pressed; the files are
// changed in batches, and their entries told in folder order.
#include <sys/stat.h>

#include "engine/Engine.h"
#include "engine/journal/JournalPolicy.h"
#include "platform/Directory.h"
#include "platform/Paths.h"

void Engine::WorkOverFolder(const std::string& folder, bool decode, const Password& password,
                            const std::function<void(const FolderEntry&)>& onEntry) {
  // The entries are held a batch at a time, so that a folder of any size takes the same memory.
  constexpr size_t kEntriesHeld = 512;
  plat::Directory dir(folder);
  std::vector<FolderEntry> entries;
  std::vector<ChangeRequest> requests;
  std::vector<size_t> worked;  // the entry of each request
  VolumeAnswers volumes;
  auto workHeld = [&] {
    size_t told = 0;
    auto tellUpTo = [&](size_t end) {
      for (; told < end; ++told) onEntry(entries[told]);
    };
    WorkMany(requests, password, [&](size_t i, const WorkResult& r) {
      FolderEntry& e = entries[worked[i]];
      e.work = r;
      tellUpTo(worked[i] + 1);
    });
    tellUpTo(entries.size());
    entries.clear();
    requests.clear();
    worked.clear();
  };
  std::string path;
  while (dir.GetNextRef(&path) == 0) {
    // A change's own journal is no file of the user's.
    if (IsJournalName(path)) continue;
    if (view_) view_->Looking(path);
    FolderEntry e;
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
      // A link may lead out of the folder: the folder operations never follow one.
      e.skippedLink = true;
      e.inspection.path = e.inspection.file = path;
      e.inspection.notWorkable = NotWorkable::LinkNotFollowed;
      e.inspection.whyNot = Fault(FaultCode::LinkInFolder);
    } else {
      e.inspection = Inspect(path, &volumes);
      // A file whose bytes and record disagree would be coded twice or scrambled: it is left.
      if (e.inspection.workable() && e.inspection.coded == decode &&
          e.inspection.mismatch == RecordMismatch::None) {
        requests.push_back(RequestFor(e.inspection, decode));
        worked.push_back(entries.size());
      }
    }
    entries.push_back(std::move(e));
    if (entries.size() == kEntriesHeld) workHeld();
  }
  workHeld();
}
