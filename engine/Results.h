#pragma once
// What the engine's operations found and did, as values: the inspection of an entry, the work on
// a file, and the settling of a change that was interrupted; what stood in the way is a fault
// (Fault.h), a code with its data. The front ends decide what to show: the window prints its
// diagnostic lines from these (app/words/Diagnostics.h) and sets its views, murvelctl prints its
// result lines. No front end reads what another layer printed.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "codec/RecordLine.h"
#include "engine/journal/CipherTransform.h"
#include "engine/journal/Fault.h"
#include "engine/journal/RecoveryReport.h"
#include "engine/rescue/RecordMismatch.h"
#include "seal/SealFault.h"
#include "seal/SealFormat.h"

enum class NotWorkable {
  None,
  Missing,  // the entry's status cannot be read
  Folder,
  NotRegular,       // a device, FIFO, socket
  LinkNowhere,      // a link whose target does not exist
  LinkLoop,         // links that lead round in a circle
  LinkNotFollowed,  // a link whose target text has 4 bytes or fewer
  NoAttributes,     // its file system keeps no "user." attributes
  Unreadable,       // it or its attributes cannot be read
  DamagedRecord,    // it carries a record value that is not a whole record
  Unsettled,        // it carries an interrupted change that could not be settled
};

struct Inspection {
  std::string path;           // as handed in
  std::string file;           // the file the work acts on: the path, or where its link leads
  bool statFailed = false;    // the entry's status could not be read
  bool noAttributes = false;  // the volume keeps no attributes (and so no types)
  bool opened = false;        // the file was opened and its record looked for
  NotWorkable notWorkable = NotWorkable::Missing;
  Fault whyNot;                            // why, when not workable
  bool coded = false;                      // carries a record (a value of 5 bytes or more)
  RecordFields record;                     // the record of a coded file
  std::vector<uint8_t> stashedIcon;        // the stashed large icon, when it has exactly 1024 bytes
  std::optional<RecoveryReport> recovery;  // an interrupted change found on the file first
  RecordMismatch mismatch = RecordMismatch::None;  // its bytes and its record disagree
  LostKey lostKey;                                 // for such a file: what its bytes tell
  // Sealed (seal/): its seal's record at its end, or its seal attribute; `sealFault` says why a
  // seal is not sound (damaged, cut, of an unknown version), `sealHeader` what a sound one says.
  bool sealed = false;
  seal::SealFault sealFault = seal::SealFault::None;
  seal::Header sealHeader;

  bool workable() const { return notWorkable == NotWorkable::None; }
};

enum class WorkOutcome {
  NotWorkable,    // the entry was not workable: nothing done, nothing said
  CantOpen,       // the file could not be had at all
  Busy,           // another program has it locked
  StateChanged,   // it was coded or decoded meanwhile by another program (`foundCoded` tells)
  NoPassword,     // no password entered: nothing done
  WrongPassword,  // the record's password is another
  NotDone,        // refused or failed: `reason` says why, `leftAsItWas` whether it is unchanged
  Coded,
  Decoded,
  Sealed,
  Unsealed,
};

struct WorkResult {
  WorkOutcome outcome = WorkOutcome::NotWorkable;
  std::string file;
  // Which way the work went, once the record was read: coding a plain file or decoding a coded
  // one. Unset when the work stopped before.
  std::optional<CipherDirection> direction;
  RecordFields record;           // the record read (decoding) or written (coding)
  Fault reason;                  // for NotDone: the worst that happened first
  bool foundCoded = false;       // for StateChanged: the file was found coded (else plain)
  bool leftAsItWas = true;       // the file's bytes and attributes are as they were before
  bool turnedBack = false;       // the change had begun, failed, and was turned back
  bool stopped = false;          // not begun: the caller asked to stop
  bool pendingRecovery = false;  // an interrupted change is left for the next look to settle
  bool outOfMemory = false;      // the work buffer could not be had
  Fault markerLeft;              // the change was made, but its marker could not be removed: why
  std::optional<RecoveryReport> recovery;  // an interrupted change found on the file first

  bool sealed = false;  // a sealing or unsealing (a file sealed, or to be)

  bool done() const {
    return outcome == WorkOutcome::Coded || outcome == WorkOutcome::Decoded ||
           outcome == WorkOutcome::Sealed || outcome == WorkOutcome::Unsealed;
  }
};
