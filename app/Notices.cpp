#include "app/Notices.h"

#include "app/Translation.h"
#include "app/words/Diagnostics.h"
#include "app/words/SealWaitWords.h"
#include "engine/rescue/Rescue.h"
#include "platform/Paths.h"
#include "platform/Program.h"

namespace {

std::string Quoted(const std::string& path) {
  return "'" + Printable(plat::LeafOf(path)) + "'";
}

NoticeKind KindFor(NotWorkable n) {
  switch (n) {
    case NotWorkable::Missing:
      return NoticeKind::NotFound;
    case NotWorkable::Folder:
      return NoticeKind::Folder;
    case NotWorkable::NotRegular:
      return NoticeKind::NotAFile;
    case NotWorkable::LinkNowhere:
      return NoticeKind::BrokenLink;
    case NotWorkable::LinkLoop:
      return NoticeKind::LinkLoop;
    case NotWorkable::LinkNotFollowed:
      return NoticeKind::LinkNotFollowed;
    case NotWorkable::NoAttributes:
      return NoticeKind::NoAttributes;
    case NotWorkable::Unreadable:
      return NoticeKind::Unreadable;
    case NotWorkable::DamagedRecord:
      return NoticeKind::DamagedRecord;
    case NotWorkable::Unsettled:
      return NoticeKind::UnsettledChange;
    case NotWorkable::None:
      break;
  }
  return NoticeKind::NotWorkable;
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
    return {NoticeKind::RecordLost,
            name +
                " is coded, but its record is lost: it is a copy made without its "
                "attributes (cp without -a, a mail, a zip, a USB stick)." +
                when + " turned back it is " + Printable(lost.kind) +
                ". \"Do it\" does not code it a second time. To give it back (no password "
                "needed): murvelctl rescue '" +
                Printable(found.file) + "'" +
                (lost.found ? ""
                            : "\nThe command lists the moments that fit, each with what the file "
                              "turns into; --key-date 'YYYY-MM-DD HH:MM:SS' picks one.")};
  }
  return {NoticeKind::RecordLeftOver,
          name + " carries a record, but its bytes are plain (" + Printable(lost.kind) +
              "): a plain file copied over a coded one. \"Do it\" does not decode it, which "
              "would scramble it."};
}

// A sealed file, as the folder operations leave it, or one whose seal is not sound.
Notice SealedNotice(const Inspection& found) {
  std::string reason = TrTextFill(
      "%s is sealed: encrypted with its password. \"Decode All\" and \"watch Folder\" leave "
      "sealed files; drop it on the window to unseal it, or: murvelctl unseal '%s'",
      {Quoted(found.file), Printable(found.file)});
  if (found.sealFault != seal::SealFault::None)
    reason += " (" + FaultText(Fault(FaultCode::SealFailed).Seal(found.sealFault), TrText) + ")";
  return {NoticeKind::Sealed, reason + "."};
}

// An interrupted sealing or unsealing, which only its password settles, in murvelctl's words
// ("sealing interrupted: needs its password"), and how to give the password here.
Notice SealWaitNotice(const Inspection& found, SealWait wait) {
  const bool sealing = SealWaitState(found) == std::string(kSealingInterrupted);
  return {sealing ? NoticeKind::SealingInterrupted : NoticeKind::UnsealingInterrupted,
          Quoted(found.file) + ": " + TrText(SealWaitState(found)) + ": " +
              TrText(SealWaitDetail(wait)) + ". " +
              TrText("Type its password and press Enter: the change is then completed or "
                     "turned back.")};
}

NoticeKind RecoveryKind(const RecoveryReport& report) {
  if (!report.settled) return NoticeKind::UnsettledChange;
  return report.completed ? NoticeKind::ChangeCompleted : NoticeKind::ChangeUndone;
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
  if (const SealWait wait = SealWaitOf(found); wait != SealWait::None)
    return SealWaitNotice(found, wait);
  if (!found.workable()) {
    Notice n{KindFor(found.notWorkable), "Can't code or decode " + Quoted(found.path) + ": " +
                                             FaultText(found.whyNot, TrText) + "."};
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
  if (found.sealed) {
    Notice n = SealedNotice(found);
    if (found.recovery) n.reason = RecoverySentence(found.file, *found.recovery) + " " + n.reason;
    return n;
  }
  if (found.recovery)
    return Notice{RecoveryKind(*found.recovery), RecoverySentence(found.file, *found.recovery)};
  return std::nullopt;
}

std::optional<Notice> DropNotice(const Inspection& found) {
  if (found.workable() && found.sealed && found.sealFault == seal::SealFault::None &&
      found.mismatch == RecordMismatch::None) {
    if (!found.recovery) return std::nullopt;
    return Notice{RecoveryKind(*found.recovery), RecoverySentence(found.file, *found.recovery)};
  }
  return InspectionNotice(found);
}

std::optional<Notice> WorkNotice(const WorkResult& r) {
  const std::string name = Quoted(r.file);
  std::optional<Notice> n;
  switch (r.outcome) {
    case WorkOutcome::NotWorkable:
      return std::nullopt;
    case WorkOutcome::CantOpen:
      n = Notice{NoticeKind::CantOpen,
                 r.reason.empty() ? TrTextFill("Nothing done: %s could not be opened.", {name})
                                  : TrTextFill("Nothing done: %s could not be opened: %s.",
                                               {name, FaultText(r.reason, TrText)})};
      break;
    case WorkOutcome::Busy:
      n = Notice{NoticeKind::FileInUse,
                 TrTextFill("Nothing done: another program has %s locked.", {name})};
      break;
    case WorkOutcome::StateChanged:
      n = Notice{
          r.foundCoded ? NoticeKind::AlreadyCoded : NoticeKind::AlreadyDecoded,
          TrTextFill(r.foundCoded ? "Nothing done: %s was coded meanwhile by another program."
                                  : "Nothing done: %s was decoded meanwhile by another "
                                    "program.",
                     {name})};
      break;
    case WorkOutcome::NoPassword:
      n = NoPasswordNotice("\"Do it\"");
      break;
    case WorkOutcome::WrongPassword:
      n = Notice{NoticeKind::WrongPassword,
                 r.sealed ? TrTextFill("Not unsealed: the password is not the one %s was sealed "
                                       "with. The file is as it was.",
                                       {name})
                          : TrTextFill("Not decoded: the password is not the one %s was coded "
                                       "with. The file is as it was.",
                                       {name})};
      break;
    case WorkOutcome::NotDone: {
      const bool forward = r.direction && *r.direction == CipherDirection::Code;
      const NoticeKind kind = !r.direction ? NoticeKind::NotDone
                              : r.sealed
                                  ? (forward ? NoticeKind::NotSealed : NoticeKind::NotUnsealed)
                              : forward ? NoticeKind::NotCoded
                                        : NoticeKind::NotDecoded;
      n = Notice{kind, TrText(NoticeBrief(kind)) + (": " + name) + ": " +
                           FaultText(r.reason, TrText) + "."};
      if (r.leftAsItWas)
        n->reason += TrText(" The file is as it was.");
      else if (r.pendingRecovery)
        n->reason += TrText(" The next look at the file settles it.");
      break;
    }
    case WorkOutcome::Coded:
    case WorkOutcome::Decoded:
    case WorkOutcome::Sealed:
    case WorkOutcome::Unsealed:
      if (!r.markerLeft.empty()) {
        n = Notice{NoticeKind::MarkerLeft,
                   std::string(r.outcome == WorkOutcome::Coded     ? "Coded"
                               : r.outcome == WorkOutcome::Decoded ? "Decoded"
                               : r.outcome == WorkOutcome::Sealed  ? "Sealed"
                                                                   : "Unsealed") +
                       ", but the change marker could not be removed (the next look at the file "
                       "removes it): " +
                       FaultText(r.markerLeft, TrText) + "."};
      }
      break;
  }
  if (r.recovery) {
    const std::string found = RecoverySentence(r.file, *r.recovery);
    if (n)
      n->reason = found + " " + n->reason;
    else
      n = Notice{RecoveryKind(*r.recovery), found};
  }
  return n;
}

Notice WeakPasswordNotice(const std::string& file, double guessesLog10) {
  return {NoticeKind::WeakPassword,
          TrTextFill("%s is sealed, but its password is easy to guess: a strength estimate puts "
                     "it within about 10^%s guesses, and whoever has the file can try each for "
                     "one key derivation (about half a second of one core). Unseal it and seal "
                     "it again with a longer password, such as four or more random words.",
                     {Quoted(file), std::to_string(int(guessesLog10))})};
}

Notice SealPasswordTooLongNotice() {
  return {NoticeKind::NotDone,
          TrTextFill("Nothing done: a seal's password has at most %s bytes; this one is longer.",
                     {std::to_string(plat::kSealPasswordMax)})};
}

Notice NoPasswordNotice(const std::string& what) {
  return {NoticeKind::NoPassword,
          TrTextFill("Nothing done: %s needs a password. Type it and press Enter first.", {what})};
}

const char* NoticeBrief(NoticeKind kind) {
  switch (kind) {
    case NoticeKind::NotFound:
      return "Not found";
    case NoticeKind::Folder:
      return "A folder";
    case NoticeKind::NotAFile:
      return "Not a file";
    case NoticeKind::BrokenLink:
      return "Broken link";
    case NoticeKind::LinkLoop:
      return "Link loop";
    case NoticeKind::LinkNotFollowed:
      return "Link not followed";
    case NoticeKind::NoAttributes:
      return "No attributes";
    case NoticeKind::Unreadable:
      return "Unreadable";
    case NoticeKind::DamagedRecord:
      return "Damaged record";
    case NoticeKind::UnsettledChange:
      return "Unsettled change";
    case NoticeKind::NotWorkable:
      return "Not workable";
    case NoticeKind::ChangeCompleted:
      return "Change completed";
    case NoticeKind::ChangeUndone:
      return "Change undone";
    case NoticeKind::RecordLost:
      return "Record lost";
    case NoticeKind::RecordLeftOver:
      return "Record left over";
    case NoticeKind::CantOpen:
      return "Can't open";
    case NoticeKind::FileInUse:
      return "File in use";
    case NoticeKind::AlreadyCoded:
      return "Already coded";
    case NoticeKind::AlreadyDecoded:
      return "Already decoded";
    case NoticeKind::NoPassword:
      return "No password";
    case NoticeKind::WrongPassword:
      return "Wrong password";
    case NoticeKind::NotDone:
      return "Not done";
    case NoticeKind::NotCoded:
      return "Not coded";
    case NoticeKind::NotDecoded:
      return "Not decoded";
    case NoticeKind::MarkerLeft:
      return "Marker left";
    case NoticeKind::Sealed:
      return "Sealed";
    case NoticeKind::NotSealed:
      return "Not sealed";
    case NoticeKind::NotUnsealed:
      return "Not unsealed";
    case NoticeKind::SealingInterrupted:
      return kSealingInterrupted;
    case NoticeKind::UnsealingInterrupted:
      return kUnsealingInterrupted;
    case NoticeKind::WeakPassword:
      return "Weak password";
  }
  return "Not workable";
}

std::string Notice::Brief() const {
  // The label's few words begin with a capital, also when they are murvelctl's words.
  std::string brief = TrText(NoticeBrief(kind));
  if (!brief.empty() && brief[0] >= 'a' && brief[0] <= 'z') brief[0] = char(brief[0] - 'a' + 'A');
  return brief;
}
