// murvelctl's rescue of coded files whose record is lost, and its lines for files whose bytes
// and record disagree.
#include "app/ctl/CtlWork.h"
#include "app/words/Diagnostics.h"
#include "engine/rescue/KeyFinder.h"
#include "engine/rescue/Rescue.h"

CtlLines CtlWork::MismatchLine(const std::string& file, const Inspection& found, bool status) {
  const LostKey& lost = found.lostKey;
  if (found.mismatch == RecordMismatch::RecordLost) {
    if (status) {
      const std::string state = lost.found
                                    ? "coded, record lost (coded on " + MomentOfKey(lost.key) + ")"
                                    : std::string("coded, record lost (its key not certain)");
      return Line(state, file,
                  lost.kind + (found.notWorkable == NotWorkable::NoAttributes
                                   ? "; its file system keeps no attributes: copy it to one "
                                     "that does to rescue it"
                                   : ""));
    }
    return Line(CtlState::Skipped, file,
                "coded already, but its record is lost (a copy made without its attributes); "
                "'murvelctl rescue' gives it back, and --force codes it a second time");
  }
  if (status)
    return Line(std::string("plain, record left over"), file,
                "its bytes are plain (" + lost.kind +
                    ") but it carries the record of a coding (\"" + found.record.name +
                    "\"): decoding would scramble them");
  return Line(CtlState::Skipped, file,
              "its bytes are plain already (" + lost.kind +
                  "), under a record left over from a coding; decoding would scramble them, and "
                  "--force decodes all the same");
}

bool CtlWork::Rescue(const std::vector<ListedFile>& files, const std::string& keyDate) {
  uint8_t givenKey[6] = {};
  if (!keyDate.empty()) {
    Fault why;
    if (!KeyFromMoment(keyDate, givenKey, &why)) {
      std::fprintf(stderr, "murvelctl: --key-date: %s\n", Words(why).c_str());
      return false;
    }
  }
  verb_ = "rescuing";
  bool allDone = true;
  for (const ListedFile& listed : files) allDone = RescueOne(listed, keyDate, givenKey) && allDone;
  std::fflush(results_);
  return allDone;
}

bool CtlWork::RescueOne(const ListedFile& listed, const std::string& keyDate,
                        const uint8_t givenKey[6]) {
  const std::string& file = listed.path;
  if (stop_ && stop_()) {
    Report(CtlState::Skipped, file, "interrupted");
    return false;
  }
  if (!listed.skipped.empty()) {
    Report(CtlState::Skipped, file, listed.skipped);
    return false;
  }
  Inspection found = engine_.Inspect(EngineName(listed), &volumes_);
  Diagnose(InspectionLines(found));
  if (found.recovery) Report(CtlState::Recovered, file, RecoveryDetail(*found.recovery));
  if (!found.workable()) {
    Report(CtlState::NotWorkable, file,
           Words(found.whyNot) +
               (found.mismatch == RecordMismatch::RecordLost
                    ? "; it is a coded copy that lost its record: copy it to a file "
                      "system that keeps attributes (ext4, xfs, btrfs) and rescue it "
                      "there"
                    : ""));
    return false;
  }
  if (found.coded) {
    Report(CtlState::Skipped, file,
           found.mismatch == RecordMismatch::RecordLeftOver
               ? "its bytes are plain already, under a record left over from a coding"
               : "it has its record: decode it with its password");
    return false;
  }
  uint8_t key[6];
  std::string kind;
  if (!keyDate.empty()) {
    std::copy(givenKey, givenKey + 6, key);
    ByteKind turned = KindOfFileWithKey(found.file, key);
    if (!turned.Recognised() && !force_) {
      Report(CtlState::Skipped, file,
             "turned back with the key of " + keyDate +
                 " its bytes are no type known here; nothing changed (--force turns them "
                 "back all the same)");
      return false;
    }
    kind = turned.Recognised() ? turned.description : "bytes of no known type";
  } else if (found.mismatch != RecordMismatch::RecordLost) {
    Report(CtlState::Skipped, file, "its bytes do not look coded; nothing changed");
    return false;
  } else if (!found.lostKey.found) {
    Report(CtlState::Skipped, file,
           "its record is lost, but its key is not certain (" + std::to_string(found.lostKey.keys) +
               " fit its bytes); nothing changed. "
               "--key-date 'YYYY-MM-DD HH:MM:SS', the moment it was coded, gives the key; "
               "the moments that fit:");
    // The moments that fit, each with what the bytes turn into: the user knows the file.
    CtlLines lines;
    for (const KeyCandidate& c : LookAtFile(found.file).candidates)
      lines.lines.push_back({true, "  --key-date '" + MomentOfKey(c.key) +
                                       "': " + c.kind.description.substr(0, 60) + ": \"" +
                                       c.preview + "\"\n"});
    Emit(lines);
    return false;
  } else {
    std::copy(found.lostKey.key, found.lostKey.key + 6, key);
    kind = found.lostKey.kind;
  }
  // Every part of the file must fit the key, not only the first bytes the look read: a copy
  // with plain text added afterwards would have it scrambled.
  const Fault fit = PartsFit(found.file, key);
  if (!fit.empty() && !force_) {
    Report(CtlState::Skipped, file,
           "coded on " + MomentOfKey(key) + ", but " + Words(fit) +
               "; nothing changed (--force turns it back all the same)");
    return false;
  }
  Report(CtlState::Found, file, "coded on " + MomentOfKey(key) + "; turned back it is: " + kind);
  WorkResult r = engine_.WorkMany({RescueRequest(found, key)}, Password(), {}, stop_)[0];
  progress_.Finish();
  progressFile_.clear();
  Diagnose(WorkLines(r));
  if (r.outcome == WorkOutcome::Decoded) {
    if (r.recovery) Report(CtlState::Recovered, file, RecoveryDetail(*r.recovery));
    Report(CtlState::Rescued, file,
           r.markerLeft.empty()
               ? std::string()
               : "but its change marker could not be removed: " + Words(r.markerLeft));
    return true;
  }
  if (r.outcome == WorkOutcome::StateChanged) {
    Report(CtlState::Skipped, file, "it was given a record meanwhile");
    return false;
  }
  Emit(ResultLines(file, r, true));
  return false;
}
