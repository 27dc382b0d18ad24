#include "app/Notices.h"

#include "engine/Diagnostics.h"
#include "engine/Rescue.h"
#include "platform/Paths.h"

namespace {

std::string Quoted(const std::string& path) {
  return "'" + Printable(plat::LeafOf(path)) + "'";
}

const char* BriefFor(NotWorkable n) {
  switch (n) {
    case NotWorkable::Missing:
      return "Not found";
    case NotWorkable::Folder:
      return "A folder";
    case NotWorkable::NotRegular:
      return "Not a file";
    case NotWorkable::LinkNowhere:
      return "Broken link";
    case NotWorkable::LinkLoop:
      return "Link loop";
    case NotWorkable::LinkNotFollowed:
      return "Link not followed";
    case NotWorkable::NoAttributes:
      return "No attributes";
    case NotWorkable::Unreadable:
      return "Unreadable";
    case NotWorkable::DamagedRecord:
      return "Damaged record";
    case NotWorkable::Unsettled:
      return "Unsettled change";
    case NotWorkable::None:
      break;
  }
  return "Not workable";
}

std::string RecoverySentence(const std::string& file, const RecoveryReport& report) {
  return RecoveryText(file, report) + ".";
}

// A file whose bytes and record disagree: what it is, why "Do it" leaves it, and how to mend it.
Notice MismatchNotice(const Inspection& found) {
  const std::string name = Quoted(found.file);
  const LostKey& lost = found.lostKey;
  if (found.mismatch == RecordMismatch::RecordLost) {
    std::string when =
        lost.found ? " It was coded on " + MomentOfKey(lost.key) + ";" : " Its key is not certain;";
    return {"Record lost",
            name +
                " is coded, but its record is lost: it is a copy made without its "
                "attributes (cp without -a, a mail, a zip, a USB stick)." +
                when + " turned back it is " + Printable(lost.kind) +
                ". \"Do it\" does not code it a second time. To give it back (no password "
                "needed): murvelctl rescue '" +
                Printable(found.file) + "'"};
  }
  return {"Record left over",
          name + " carries a record, but its bytes are plain (" + Printable(lost.kind) +
              "): a plain file copied over a coded one. \"Do it\" does not decode it, which "
              "would scramble it."};
}

std::string RecoveryBrief(const RecoveryReport& report) {
  if (!report.settled) return "Unsettled change";
  return report.completed ? "Change completed" : "Change undone";
}

}  // namespace

std::optional<Notice> InspectionNotice(const Inspection& found) {
  if (found.notWorkable == NotWorkable::NoAttributes && found.mismatch != RecordMismatch::None) {
    Notice n = MismatchNotice(found);
    n.reason +=
        " It lies on a file system that keeps no attributes: copy it to one that does "
        "(ext4, xfs, btrfs) first.";
    return n;
  }
  if (!found.workable()) {
    Notice n{BriefFor(found.notWorkable),
             "Can't code or decode " + Quoted(found.path) + ": " + found.whyNot + "."};
    if (found.notWorkable == NotWorkable::NoAttributes)
      n.reason += " Coded files need a file system that keeps user attributes (ext4, xfs, btrfs).";
    if (found.recovery) n.reason += " " + RecoverySentence(found.file, *found.recovery);
    return n;
  }
  if (found.mismatch != RecordMismatch::None) {
    Notice n = MismatchNotice(found);
    if (found.recovery) n.reason = RecoverySentence(found.file, *found.recovery) + " " + n.reason;
    return n;
  }
  if (found.recovery)
    return Notice{RecoveryBrief(*found.recovery), RecoverySentence(found.file, *found.recovery)};
  return std::nullopt;
}

std::optional<Notice> WorkNotice(const WorkResult& r) {
  const std::string name = Quoted(r.file);
  std::optional<Notice> n;
  switch (r.outcome) {
    case WorkOutcome::NotWorkable:
      return std::nullopt;
    case WorkOutcome::CantOpen:
      n = Notice{"Can't open", "Nothing done: " + name + " could not be opened" +
                                   (r.reason.empty() ? "" : ": " + Printable(r.reason)) + "."};
      break;
    case WorkOutcome::Busy:
      n = Notice{"File in use", "Nothing done: another program has " + name + " locked."};
      break;
    case WorkOutcome::StateChanged:
      n = Notice{"Already " + r.reason,
                 "Nothing done: " + name + " was " + r.reason + " meanwhile by another program."};
      break;
    case WorkOutcome::NoPassword:
      n = NoPasswordNotice("\"Do it\"");
      break;
    case WorkOutcome::WrongPassword:
      n = Notice{"Wrong password", "Not decoded: the password is not the one " + name +
                                       " was coded with. The file is as it was."};
      break;
    case WorkOutcome::NotDone: {
      const char* what = !r.direction                            ? "Not done"
                         : *r.direction == CipherDirection::Code ? "Not coded"
                                                                 : "Not decoded";
      n = Notice{what, std::string(what) + ": " + name + ": " + Printable(r.reason) + "."};
      if (r.leftAsItWas)
        n->reason += " The file is as it was.";
      else if (r.pendingRecovery)
        n->reason += " The next look at the file settles it.";
      break;
    }
    case WorkOutcome::Coded:
    case WorkOutcome::Decoded:
      if (!r.markerLeft.empty()) {
        n = Notice{"Marker left",
                   std::string(r.outcome == WorkOutcome::Coded ? "Coded" : "Decoded") +
                       ", but the change marker could not be removed (the next look at the file "
                       "removes it): " +
                       r.markerLeft + "."};
      }
      break;
  }
  if (r.recovery) {
    const std::string found = RecoverySentence(r.file, *r.recovery);
    if (n)
      n->reason = found + " " + n->reason;
    else
      n = Notice{RecoveryBrief(*r.recovery), found};
  }
  return n;
}

Notice NoPasswordNotice(const std::string& what) {
  return {"No password",
          "Nothing done: " + what + " needs a password. Type it and press Enter first."};
}
