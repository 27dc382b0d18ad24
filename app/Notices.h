#pragma once
// What the window tells in its file label when an action did not do what was asked, or found
// something the user should know: a few words for the label itself (`brief`, shown with a "!"
// until the next action) and the whole reason for the label's tooltip. Made from the engine's
// result values; the diagnostic lines on standard output are made elsewhere (Diagnostics.h).
#include <optional>
#include <string>

#include "engine/Results.h"

// What a notice is about; its few words come from one table (NoticeBrief), and the summaries
// of folder operations count their files by it.
enum class NoticeKind {
  NotFound,
  Folder,
  NotAFile,
  BrokenLink,
  LinkLoop,
  LinkNotFollowed,
  NoAttributes,
  Unreadable,
  DamagedRecord,
  UnsettledChange,
  NotWorkable,
  ChangeCompleted,
  ChangeUndone,
  RecordLost,
  RecordLeftOver,
  CantOpen,
  FileInUse,
  AlreadyCoded,
  AlreadyDecoded,
  NoPassword,
  WrongPassword,
  NotDone,
  NotCoded,
  NotDecoded,
  MarkerLeft,
  Sealed,  // a sealed file, which the folder operations leave (or one whose seal is not sound)
  NotSealed,
  NotUnsealed,
  SealingInterrupted,    // an interrupted sealing that waits for its password
  UnsealingInterrupted,  // the same of an unsealing
  WeakPassword,          // a file sealed with a password that is easy to guess
};

// The few words for the label, such as "Wrong password".
const char* NoticeBrief(NoticeKind kind);

struct Notice {
  NoticeKind kind;
  std::string reason;  // what happened and what the file is like now, in sentences

  // The few words in the user's language.
  std::string Brief() const;
};

// An entry that cannot be worked on, a sealed file (which "Do it" leaves), or an interrupted
// change found on its file (settled or not). Nothing for a workable file without such a change.
std::optional<Notice> InspectionNotice(const Inspection& found);

// What the window tells of a file dropped on it: as InspectionNotice, but a sealed file whose
// seal is sound is one "Do it" unseals, so only an interrupted change found on it is told.
std::optional<Notice> DropNotice(const Inspection& found);

// A work that did not code or decode (no password, a wrong one, a failure...), or that did but
// met something besides (an interrupted change found first, a flush that failed). Nothing for a
// clean coding or decoding, or for an entry the inspection refused.
std::optional<Notice> WorkNotice(const WorkResult& result);

// A file just sealed with a password a strength estimate puts within about 10^`guessesLog10`
// guesses: what that means, and what to do.
Notice WeakPasswordNotice(const std::string& file, double guessesLog10);

// A seal's password longer than a seal takes.
Notice SealPasswordTooLongNotice();

// A press that needs a password before any is entered; `what` names what was pressed.
Notice NoPasswordNotice(const std::string& what);
