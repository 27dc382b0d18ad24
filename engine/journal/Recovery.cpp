#include "engine/journal/Recovery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

#include "codec/CCO.h"
#include "engine/journal/AttrChanges.h"
#include "engine/journal/ChangeMarker.h"
#include "engine/journal/IntegrityAttr.h"
#include "engine/journal/JournalPolicy.h"
#include "engine/journal/SealedContent.h"
#include "engine/journal/Settle.h"
#include "engine/journal/WholeIo.h"
#include "platform/AttrBackend.h"
#include "platform/FileCalls.h"
#include "platform/OpenFile.h"
#include "platform/Paths.h"

namespace {

// The largest attribute value Linux keeps.
constexpr size_t kLargestAttr = 64 * 1024;

std::optional<ChangeMarker> MarkerIn(ssize_t r, const char* buf) {
  if (r < 0) return std::nullopt;
  return DecodeMarker(std::string(buf, size_t(r)));
}

// The marker on the open file, when it carries one of ours.
std::optional<ChangeMarker> ReadMarker(int fd) {
  char buf[2048];
  return MarkerIn(plat::Attrs().Get(fd, kChangeMarkerAttr, buf, sizeof buf), buf);
}

std::string AttrOf(int fd, const char* name, bool* present) {
  std::string value(kLargestAttr, '\0');
  ssize_t n = plat::Attrs().Get(fd, name, value.data(), value.size());
  *present = n >= 0;
  value.resize(n > 0 ? size_t(n) : 0);
  return value;
}

std::string Joined(const std::string& folder, const std::string& leaf) {
  return (folder == "/" ? folder : folder + "/") + leaf;
}

// Where a journal's file is now, as far as its change goes.
enum class Whereabouts { Settled, Marked, Missing };

// The file at `path`, when it is the one of device and inode `id`: settled, or still marked
// with the journal's `nonce`.
bool LookAt(const std::string& path, const std::pair<uint64_t, uint64_t>& id, uint64_t nonce,
            Whereabouts* out) {
  struct stat st {};
  if (plat::Files().Stat(path, &st) < 0 || !S_ISREG(st.st_mode) ||
      std::make_pair(uint64_t(st.st_dev), uint64_t(st.st_ino)) != id)
    return false;
  char buf[2048];
  const ssize_t r = plat::Attrs().Get(path, kChangeMarkerAttr, buf, sizeof buf);
  std::optional<ChangeMarker> m = MarkerIn(r, buf);
  // A marker that cannot be read may be this journal's.
  *out = (m && m->nonce == nonce) || (r < 0 && r != -ENODATA) ? Whereabouts::Marked
                                                              : Whereabouts::Settled;
  return true;
}

// Where each file of the journal is: at its path, among `settled`, or renamed in its folder
// (each folder listed once, whatever the number of files looked for in it).
std::map<uint32_t, Whereabouts> FindFiles(const JournalContents& journal, const FileIds& settled) {
  std::map<uint32_t, Whereabouts> found;
  std::map<std::string, std::map<std::pair<uint64_t, uint64_t>, uint32_t>> sought;
  for (const auto& [index, file] : journal.files) {
    const JournalEntry& e = file.entry;
    const std::pair<uint64_t, uint64_t> id{e.device, e.inode};
    Whereabouts& w = found[index];
    w = Whereabouts::Settled;
    if (settled.count(id) || LookAt(e.path, id, journal.nonce, &w)) continue;
    w = Whereabouts::Missing;
    sought[plat::ParentOf(e.path)][id] = index;
  }
  for (const auto& [folder, ids] : sought) {
    std::vector<std::string> names;
    if (plat::Files().ListNames(folder, &names) < 0) continue;
    for (const std::string& name : names) {
      struct stat st {};
      const std::string path = Joined(folder, name);
      if (IsJournalName(name) || plat::Files().Stat(path, &st) < 0) continue;
      auto it = ids.find({uint64_t(st.st_dev), uint64_t(st.st_ino)});
      if (it != ids.end()) LookAt(path, it->first, journal.nonce, &found[it->second]);
    }
  }
  return found;
}

// Whether another program holds the journal at `path` locked (its change is running).
bool InUse(const std::string& path) {
  struct stat st {};
  plat::OpenFile journal = plat::OpenFile::OpenRegular(path, O_RDONLY, &st);
  return journal.IsOpen() && journal.LockedByAnother();
}

// Completes the change, or turns it back when it is to be turned back or cannot be completed.
// Before completing writes pages the pass never wrote, their hashes are kept in the journal at
// `journalPath`, so that a recovery cut short is settled by the next.
RecoveryReport SettleFrom(int fd, JournalFile file, const std::string& journalPath, uid_t owner,
                          SealPassword* password) {
  RecoveryReport report;
  report.direction = file.entry.direction;
  report.sealed = file.entry.sealed;
  const AttrPlan& plan = file.entry.plan;
  const JournalEntry& e = file.entry;
  // A sealed file's keys come from its password, which the journal never holds: without it,
  // nothing is touched.
  ContentKey key = ContentKey::Coding(e.key);
  seal::Record sealRecord;
  if (e.sealed) {
    if (!ReadSealRecord(e.sealRecord, &sealRecord)) {
      report.why = Fault(FaultCode::JournalDamaged)
                       .Path(journalPath)
                       .Because(Fault(FaultCode::EntriesDamaged));
      return report;
    }
    if (!password) {
      report.why = Fault(FaultCode::NeedsPassword);
      return report;
    }
    SealPassword::Opened opened = password->Open(sealRecord.header);
    if (opened.fault != seal::SealFault::None) {
      report.why = Fault(FaultCode::SealFailed).Seal(opened.fault);
      return report;
    }
    key = ContentKey::Sealing(opened.keys);
  }
  bool complete = !file.turnBack;
  if (file.turnBack) report.why = Fault(FaultCode::ChangeHadFailed);
  // A decoding is completed only for bytes that are still what was coded, as far as the
  // integrity written with the record can tell.
  if (complete && !e.sealed && e.direction == CipherDirection::Decode) {
    const std::string before = PlannedValue(plan, kIntegrityAttr, false);
    IntegrityCheck check = before.empty()
                               ? IntegrityCheck{IntegrityCheck::NotItsOwn, {}, {}}
                               : CheckIntegrity(before, PlannedValue(plan, kPrivCodecAttr, false));
    uint64_t digest = 0;
    if (check.kind == IntegrityCheck::Fits) {
      Step read = CodedDigest(fd, file, &digest);
      if (!read) {
        report.why = read.fault();
        return report;
      }
    }
    if (check.kind == IntegrityCheck::Damaged) {
      complete = false;
      report.why = Fault(FaultCode::DamagedIntegrity).Because(check.why);
    } else if (check.kind == IntegrityCheck::Fits &&
               (digest != check.integrity.digest || file.entry.size != check.integrity.length)) {
      complete = false;
      report.why = Fault(FaultCode::BytesChangedSinceCoded);
    }
  }
  if (complete && std::find(file.known.begin(), file.known.end(), false) != file.known.end()) {
    Step kept = HashUnrecordedPages(fd, &file, key);
    if (kept) kept = KeepHashesBefore(journalPath, owner, &file);
    if (!kept) {
      report.why = kept.fault();
      return report;
    }
  }
  SettleResult settled;
  std::string computed;
  // The pages, then a sealed file's end: its record after the content when it ends sealed (made
  // anew over the content when a sealing is completed), nothing after it when it ends plain.
  auto settle = [&](bool forward) {
    Step bytes = Settle(fd, file, key, forward, &settled);
    if (!bytes || !e.sealed) return bytes;
    const bool endsSealed = forward == (e.direction == CipherDirection::Code);
    if (!endsSealed) return CutToContent(fd, e.size);
    if (e.direction == CipherDirection::Decode) return WriteTrailer(fd, e.size, e.sealRecord);
    bytes = MakeSealRecord(fd, *key.SealKeys(), sealRecord.header, &computed);
    return bytes ? WriteTrailer(fd, e.size, computed) : bytes;
  };
  Step bytes = settle(complete);
  if (!bytes && complete) {
    // What cannot be completed is turned back.
    report.why = bytes.fault();
    complete = false;
    bytes = settle(false);
  }
  if (!bytes) {
    report.why = bytes.fault();
    return report;
  }
  if (!e.sealed)
    computed = EncodeIntegrity({e.size, settled.digest}, PlannedValue(plan, kPrivCodecAttr, true));
  Step attrs = ApplyPlan(fd, plan, complete, computed, true, false);
  if (attrs) PutBackSetIdBits(fd, file.entry.mode);
  int synced = attrs ? plat::Files().Fsync(fd) : 0;
  if (!attrs || synced < 0) {
    report.why = !attrs ? attrs.fault() : Fault(FaultCode::Flush).Err(synced);
    return report;
  }
  int removed = plat::Attrs().Remove(fd, kChangeMarkerAttr);
  if (removed < 0 && removed != -ENODATA) {
    report.why = Fault(FaultCode::RemoveMarker).Err(removed);
    return report;
  }
  report.settled = true;
  report.completed = complete;
  report.pagesRewritten = settled.pagesRewritten;
  return report;
}

// For a sealed change whose journal is gone: whether the file shows it whole. Sealed: the seal's
// record in its attribute, the same record after the content, and the file as long as the two.
// Unsealed: neither. (The MAC needs the password; that the two records agree, and the length,
// are what a change cut short would not leave.)
bool SealedWhole(int fd, bool sealed) {
  bool hasAttr = false;
  const std::string value = AttrOf(fd, seal::kSealAttr, &hasAttr);
  struct stat st {};
  if (plat::Files().Fstat(fd, &st) < 0) return false;
  std::string tail(std::min<uint64_t>(uint64_t(st.st_size), seal::kMaxRecordSize), '\0');
  if (!ReadWhole(fd, reinterpret_cast<uint8_t*>(tail.data()), tail.size(),
                 uint64_t(st.st_size) - tail.size()))
    return false;
  const seal::RecordResult trailer =
      seal::FindTrailer(reinterpret_cast<const uint8_t*>(tail.data()), tail.size());
  if (!sealed) return !hasAttr && trailer.fault == seal::SealFault::NotSealed;
  seal::Record record;
  return hasAttr && ReadSealRecord(value, &record) && trailer.fault == seal::SealFault::None &&
         trailer.size == value.size() &&
         tail.compare(tail.size() - value.size(), value.size(), value) == 0 &&
         uint64_t(st.st_size) == record.header.length + value.size();
}

// A marked file whose journal is gone: the journal goes only after the change was flushed whole,
// so the change is complete, as far as the file itself can show: a coding whose bytes still
// match the integrity it wrote with its record, or a decoding that left no record behind.
RecoveryReport SettleWithoutJournal(int fd, const ChangeMarker& marker) {
  RecoveryReport report;
  report.direction = marker.direction;
  report.sealed = marker.sealed;
  report.journal = marker.journal;
  bool hasRecord = false, hasIntegrity = false;
  const std::string record = AttrOf(fd, kPrivCodecAttr, &hasRecord);
  const std::string integrity = AttrOf(fd, kIntegrityAttr, &hasIntegrity);
  bool whole = false;
  if (marker.sealed) {
    whole = SealedWhole(fd, marker.direction == CipherDirection::Code);
  } else if (marker.direction == CipherDirection::Code) {
    IntegrityCheck check = CheckIntegrity(integrity, record);
    uint64_t digest = 0;
    struct stat st {};
    whole = record.size() >= size_t(kPrivCodecMinBytes) && hasIntegrity &&
            check.kind == IntegrityCheck::Fits && plat::Files().Fstat(fd, &st) == 0 &&
            uint64_t(st.st_size) == check.integrity.length && FileDigest(fd, &digest) &&
            digest == check.integrity.digest;
  } else {
    whole = record.size() < size_t(kPrivCodecMinBytes) && !hasIntegrity;
  }
  if (!whole) {
    report.why = Fault(FaultCode::JournalGone).Path(marker.journal);
    return report;
  }
  int removed = plat::Attrs().Remove(fd, kChangeMarkerAttr);
  if (removed < 0 && removed != -ENODATA) {
    report.why = Fault(FaultCode::RemoveMarker).Err(removed);
    return report;
  }
  report.settled = report.completed = true;
  return report;
}

}  // namespace

std::optional<KeptJournal> RemoveJournalIfDone(const std::string& path,
                                               const JournalContents& journal,
                                               const FileIds& settled) {
  KeptJournal kept;
  kept.path = path;
  bool marked = false;
  for (const auto& [index, w] : FindFiles(journal, settled)) {
    if (w == Whereabouts::Marked) marked = true;
    if (w == Whereabouts::Missing) kept.missing.push_back(journal.files.at(index).entry.path);
  }
  if (marked) return std::nullopt;  // in use: its file's next look settles it
  if (!kept.missing.empty()) {
    kept.why = Fault(FaultCode::FilesMissing);
    return kept;
  }
  if (InUse(path)) return std::nullopt;
  plat::Files().Unlink(path);
  return std::nullopt;
}

std::optional<KeptJournal> RemoveJournalIfStale(const std::string& path, const FileIds& settled) {
  // A marker may name anything: only a journal's name is looked at as a journal.
  if (!IsJournalName(path)) return std::nullopt;
  {
    // Another program's journal in use, another user's, or anything but a file is not ours.
    struct stat st {};
    plat::OpenFile journal = plat::OpenFile::OpenRegular(path, O_RDONLY, &st);
    if (!journal.IsOpen() || st.st_uid != geteuid() || journal.LockedByAnother())
      return std::nullopt;
  }
  // Cut before its first flush: no marker names it yet, whatever it holds.
  if (IsUnflushedJournalName(path)) {
    plat::Files().Unlink(path);
    return std::nullopt;
  }
  JournalContents journal;
  JournalTrouble trouble = JournalTrouble::None;
  Step read = ReadJournal(path, geteuid(), &journal, &trouble);
  if (read) return RemoveJournalIfDone(path, journal, settled);
  if (trouble == JournalTrouble::Missing) return std::nullopt;
  // Flushed once and unreadable now: a file anywhere may still need it.
  return KeptJournal{path, read.fault(), {}};
}

std::vector<KeptJournal> RemoveStaleJournals(const std::string& folder, const FileIds& settled) {
  std::vector<KeptJournal> kept;
  for (const std::string& journal : JournalsIn(folder)) {
    std::optional<KeptJournal> k = RemoveJournalIfStale(journal, settled);
    if (k) kept.push_back(std::move(*k));
  }
  return kept;
}

Step DropJournal(const std::string& path, std::vector<std::string>* named) {
  named->clear();
  struct stat st {};
  plat::OpenFile open = plat::OpenFile::OpenRegular(path, O_RDONLY, &st);
  const int fd = open.Fd();
  if (fd < 0 && fd != -EINVAL && fd != -ELOOP) return Step::Fail(Fault(FaultCode::Open).Err(fd));
  if (fd < 0 || !IsJournalName(path) || st.st_uid != geteuid())
    return Step::Fail(Fault(FaultCode::NotUsersJournal));
  if (open.LockedByAnother()) return Step::Fail(Fault(FaultCode::JournalInUse));
  open.Close();
  JournalContents journal;
  if (ReadJournal(path, geteuid(), &journal))
    for (const auto& [index, file] : journal.files) named->push_back(file.entry.path);
  const int r = plat::Files().Unlink(path);
  if (r < 0) return Step::Fail(Fault(FaultCode::JournalRemove).Err(r));
  return Step::Ok();
}

std::optional<RecoveryReport> SettleMarkedChange(int fd, const std::string& path,
                                                 SealPassword* password) {
  std::optional<ChangeMarker> marker = ReadMarker(fd);
  if (!marker) {
    // A marker this program cannot read is left alone but not ignored.
    char probe;
    if (plat::Attrs().Get(fd, kChangeMarkerAttr, &probe, 0) < 0) return std::nullopt;
    RecoveryReport report;
    report.why = Fault(FaultCode::MarkerDamaged);
    return report;
  }
  RecoveryReport report;
  report.direction = marker->direction;
  report.sealed = marker->sealed;
  struct stat st {};
  int r = plat::Files().Fstat(fd, &st);
  if (r < 0) {
    report.why = Fault(FaultCode::ReadStatus).Err(r);
    return report;
  }
  JournalContents journal;
  Step read = Step::Fail(Fault(FaultCode::JournalOpen));
  JournalTrouble trouble = JournalTrouble::Missing;
  std::string journalPath;
  for (const std::string& place : JournalPlaces(*marker, plat::ParentOf(path))) {
    journalPath = place;
    read = ReadJournal(place, st.st_uid, &journal, &trouble);
    if (trouble != JournalTrouble::Missing) break;
  }
  if (trouble == JournalTrouble::Missing) return SettleWithoutJournal(fd, *marker);
  report.journal = journalPath;
  auto file = journal.files.find(marker->entry);
  if (!read || journal.nonce != marker->nonce || file == journal.files.end()) {
    report.why =
        Fault(FaultCode::LeftAsTheyAre)
            .Because(!read ? read.fault() : Fault(FaultCode::NotTheNamedJournal).Path(journalPath));
    return report;
  }
  report = SettleFrom(fd, file->second, journalPath, st.st_uid, password);
  report.journal = journalPath;
  if (!report.settled && report.why.code != FaultCode::NeedsPassword)
    report.why = Fault(FaultCode::LeftForAPerson).Path(journalPath).Because(report.why);
  if (report.settled)
    RemoveJournalIfDone(journalPath, journal, {{uint64_t(st.st_dev), uint64_t(st.st_ino)}});
  return report;
}

RecoveryAttempt RecoverFile(const std::string& path, SealPassword* password) {
  RecoveryAttempt attempt;
  struct stat st {};
  int r = plat::Files().Stat(path, &st);
  if (r == 0 && !S_ISREG(st.st_mode)) r = -EINVAL;
  plat::OpenFile file =
      r < 0 ? plat::OpenFile(r) : plat::OpenFile::Open(path, O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (!file.IsOpen()) {
    attempt.whyNotOpened =
        file.Fd() == -EINVAL ? Fault(FaultCode::NotRegular) : Fault(FaultCode::Open).Err(file.Fd());
    return attempt;
  }
  attempt.opened = true;
  if (file.LockedByAnother()) {
    attempt.busy = true;
  } else {
    attempt.report = SettleMarkedChange(file.Fd(), path, password);
  }
  return attempt;
}
