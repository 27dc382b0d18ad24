#include "engine/Recovery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "codec/CCO.h"
#include "engine/AttrPlan.h"
#include "engine/ChangeMarker.h"
#include "engine/IntegrityAttr.h"
#include "engine/Settle.h"
#include "platform/AttrBackend.h"
#include "platform/FileCalls.h"
#include "platform/Paths.h"

namespace {

// The marker on the open file, when it carries one of ours.
std::optional<ChangeMarker> ReadMarker(int fd) {
  char buf[8192];
  ssize_t r = plat::Attrs().Get(fd, kChangeMarkerAttr, buf, sizeof buf);
  if (r < 0) return std::nullopt;
  return DecodeMarker(std::string(buf, size_t(r)));
}

// The integrity the coded bytes had when they were coded, from the plan's values before a
// decoding.
std::optional<Integrity> IntegrityBefore(const AttrPlan& plan) {
  for (const AttrChange& c : plan)
    if (c.name == kIntegrityAttr && c.before.present) return DecodeIntegrity(c.before.bytes);
  return std::nullopt;
}

bool StillMarked(const JournalFile& file, uint64_t nonce) {
  int fd = plat::Files().Open(file.entry.path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  std::optional<ChangeMarker> m = ReadMarker(fd);
  plat::Files().Close(fd);
  return m && m->nonce == nonce && m->entry == file.entry.index;
}

// Completes the change, or turns it back when it is to be turned back or cannot be completed.
RecoveryReport SettleFrom(int fd, const JournalFile& file) {
  RecoveryReport report;
  report.direction = file.entry.direction;
  bool complete = !file.turnBack;
  if (file.turnBack) report.why = "the change had failed";
  // A decoding is completed only for bytes that are still what was coded.
  std::optional<Integrity> expected = IntegrityBefore(file.entry.plan);
  if (complete && file.entry.direction == CipherDirection::Decode && expected) {
    uint64_t digest = 0;
    plat::Outcome read = CodedDigest(fd, file, &digest);
    if (!read) {
      report.why = read.why();
      return report;
    }
    if (digest != expected->digest || file.entry.size != expected->length) {
      complete = false;
      report.why = "its bytes had changed since they were coded";
    }
  }
  SettleResult settled;
  plat::Outcome bytes = Settle(fd, file, complete, &settled);
  if (!bytes && complete) {
    // What cannot be completed is turned back.
    report.why = bytes.why();
    complete = false;
    bytes = Settle(fd, file, false, &settled);
  }
  if (!bytes) {
    report.why = bytes.why();
    return report;
  }
  const std::string integrity = EncodeIntegrity({file.entry.size, settled.digest});
  plat::Outcome attrs = ApplyPlan(fd, file.entry.plan, complete, integrity, true, false);
  int synced = attrs ? plat::Files().Fsync(fd) : 0;
  if (!attrs || synced < 0) {
    report.why = !attrs ? attrs.why() : std::string("flushing failed: ") + std::strerror(-synced);
    return report;
  }
  int removed = plat::Attrs().Remove(fd, kChangeMarkerAttr);
  if (removed < 0 && removed != -ENODATA) {
    report.why = std::string("can't remove the change marker: ") + std::strerror(-removed);
    return report;
  }
  report.settled = true;
  report.completed = complete;
  report.pagesRewritten = settled.pagesRewritten;
  return report;
}

// A marked file whose journal is gone: the journal goes only after the change was flushed whole,
// so the change is complete, as far as the file itself can show: a coding whose bytes still
// match the integrity it wrote, or a decoding that left no record behind.
RecoveryReport SettleWithoutJournal(int fd, const ChangeMarker& marker,
                                    const std::string& journalPath) {
  RecoveryReport report;
  report.direction = marker.direction;
  char buf[512];
  ssize_t record = plat::Attrs().Get(fd, kPrivCodecAttr, buf, sizeof buf);
  std::string integrity(64, '\0');
  ssize_t n = plat::Attrs().Get(fd, kIntegrityAttr, integrity.data(), integrity.size());
  integrity.resize(n > 0 ? size_t(n) : 0);
  bool whole = false;
  if (marker.direction == CipherDirection::Code) {
    std::optional<Integrity> expected = DecodeIntegrity(integrity);
    uint64_t digest = 0;
    struct stat st {};
    whole = record >= kPrivCodecMinBytes && expected && plat::Files().Fstat(fd, &st) == 0 &&
            uint64_t(st.st_size) == expected->length && FileDigest(fd, &digest) &&
            digest == expected->digest;
  } else {
    whole = record < kPrivCodecMinBytes && n < 0;
  }
  if (!whole) {
    report.why = "its journal '" + journalPath + "' is gone and the file is not whole";
    return report;
  }
  int removed = plat::Attrs().Remove(fd, kChangeMarkerAttr);
  if (removed < 0 && removed != -ENODATA) {
    report.why = std::string("can't remove the change marker: ") + std::strerror(-removed);
    return report;
  }
  report.settled = report.completed = true;
  return report;
}

}  // namespace

void RemoveStaleJournals(const std::string& folder) {
  std::vector<std::string> names;
  if (plat::Files().ListNames(folder, &names) < 0) return;
  for (const std::string& name : names) {
    if (name.rfind(kJournalPrefix, 0) != 0) continue;
    const std::string path = (folder == "/" ? folder : folder + "/") + name;
    int fd = plat::Files().Open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    // Another program's journal in use, or another user's, is not ours to remove.
    struct stat st {};
    const bool inUse = plat::Files().Flock(fd, LOCK_EX | LOCK_NB) == -EWOULDBLOCK;
    const bool ours = plat::Files().Fstat(fd, &st) == 0 && st.st_uid == geteuid();
    plat::Files().Close(fd);
    if (inUse || !ours) continue;
    JournalContents journal;
    bool noHeader = false;
    if (ReadJournal(path, &journal, &noHeader)) {
      RemoveJournalIfDone(path, journal);
    } else if (noHeader) {
      plat::Files().Unlink(path);
    }
    // A journal that cannot be read otherwise is left for a person to look at.
  }
}

void RemoveJournalIfDone(const std::string& path, const JournalContents& journal) {
  for (const auto& [index, file] : journal.files)
    if (StillMarked(file, journal.nonce)) return;
  plat::Files().Unlink(path);
}

std::optional<RecoveryReport> SettleMarkedChange(int fd, const std::string& path) {
  std::optional<ChangeMarker> marker = ReadMarker(fd);
  if (!marker) {
    // A marker this program cannot read is left alone but not ignored.
    char probe;
    if (plat::Attrs().Get(fd, kChangeMarkerAttr, &probe, 0) < 0) return std::nullopt;
    RecoveryReport report;
    report.why = "its change marker is damaged";
    return report;
  }
  const std::string journalPath = JournalPathOf(*marker, plat::ParentOf(path));
  struct stat st {};
  if (plat::Files().Stat(journalPath, &st) == -ENOENT) {
    return SettleWithoutJournal(fd, *marker, journalPath);
  }
  JournalContents journal;
  plat::Outcome read = ReadJournal(journalPath, &journal);
  auto file = journal.files.find(marker->entry);
  if (!read || journal.nonce != marker->nonce || file == journal.files.end()) {
    RecoveryReport report;
    report.direction = marker->direction;
    report.why = !read ? read.why() : "its journal '" + journalPath + "' is not the one it names";
    return report;
  }
  RecoveryReport report = SettleFrom(fd, file->second);
  if (report.settled) RemoveJournalIfDone(journalPath, journal);
  return report;
}

RecoveryAttempt RecoverFile(const std::string& path) {
  RecoveryAttempt attempt;
  struct stat st {};
  int r = plat::Files().Stat(path, &st);
  if (r == 0 && !S_ISREG(st.st_mode)) r = -EINVAL;
  int fd = r < 0 ? r : plat::Files().Open(path, O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    attempt.whyNotOpened = fd == -EINVAL ? "it is not a regular file" : std::strerror(-fd);
    return attempt;
  }
  attempt.opened = true;
  r = plat::Files().Flock(fd, LOCK_EX | LOCK_NB);
  if (r == -EWOULDBLOCK) {
    attempt.busy = true;
  } else {
    attempt.report = SettleMarkedChange(fd, path);
  }
  plat::Files().Close(fd);
  return attempt;
}
