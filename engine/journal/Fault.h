#pragma once
// What stood in the way of the engine's work, as a code with its data (which file, which errno,
// which sizes or byte offset), never as words: each front end puts a fault into its own words
// (app/words/FaultWords.h has the table). A fault may rest on others, its causes: the journal
// could not be kept because a write to it failed.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "codec/WholeRecord.h"
#include "seal/SealFault.h"

enum class FaultCode : uint8_t {
  None,
  // A call on the file or its attributes failed (`err`); the file is the one at hand.
  CallFailed,       // the errno alone
  ReadAttrs,        // its attributes could not be listed or read
  ReadAttr,         // the attribute `name` could not be read
  ReadStatus,       // the status of `path` (or of the file at hand) could not be read
  OpenForWriting,   // `path` could not be opened for reading and writing
  Open,             // `path` (or the file at hand) could not be opened
  Flush,            // flushing a file, or files, failed
  Read,             // a read failed
  Write,            // a write failed
  EndedEarly,       // the file ended before its size (it shrank while being worked on)
  WriteNoProgress,  // a write wrote nothing
  NoMemory,         // no memory for the work buffer
  Mark,             // the change marker could not be written
  RemoveMarker,     // the change marker could not be removed
  WriteAttr,        // the attribute `name` could not be written
  RemoveAttr,       // the attribute `name` could not be removed
  AttrTooLong,      // the value of attribute `name` is too long to keep
  // What the file is.
  NotRegular,             // `path` (or the file at hand) is not a regular file
  ItIsAFolder,            // the entry is a folder
  LeadsToFolder,          // its link leads to a folder
  LeadsToOther,           // its link leads to something not a regular file
  LinkNotFollowed,        // a link whose target is named in 4 bytes or fewer
  LinkLoop,               // links that lead round in a loop
  LinkNowhere,            // a link whose target does not exist
  LinkUnfollowable,       // a link that cannot be followed (`err`)
  LinkInFolder,           // a link, which folder operations do not follow
  NoAttributes,           // its file system keeps no attributes
  HardLinkOfOther,        // another name of `path`, which the operation works on already
  ReplacedWhileOpening,   // `path` was replaced while it was being opened
  ReplacedWhileWorking,   // `path` was replaced or moved while it was being worked on
  ResizedWhileCoding,     // another program changed its size during a coding
  ResizedWhileDecoding,   // the same during a decoding
  ChangedSinceCoded,      // its bytes are not those coded
  ChangedSizeSinceCoded,  // its size `a` is not the size `b` coded
  Busy,                   // another program is changing it
  Stopped,                // the caller asked to stop before it was begun
  // The record and the integrity attribute.
  DamagedRecord,     // its record breaks a rule (`flaw`)
  NotDecoded,        // the cause, for which a decoding was refused
  DamagedIntegrity,  // its integrity attribute is damaged (the cause)
  IntegrityNotOurs,  // no integrity value of this program
  IntegritySize,     // `a` bytes, not `b`
  IntegrityHash,     // it does not match its own hash
  // An interrupted change on the file.
  InterruptedCannotSettle,  // it carries one, which cannot be settled (the cause)
  InterruptedNotSettled,    // it carries one, which could not be settled (the cause)
  ChangeHadFailed,          // the journal says the change had failed: it was turned back
  BytesChangedSinceCoded,   // recovery: the bytes changed since they were coded
  SizeChangedSinceBegan,    // its size changed since the change began (`a` then, `b` now)
  PageNeither,              // the page at byte `a` is neither before nor after the change
  MarkerDamaged,            // its change marker is damaged and left on it
  JournalGone,              // its journal `path` is gone and the file is not whole
  NotTheNamedJournal,       // the journal `path` is not the one its marker names
  LeftAsTheyAre,            // the cause; the file and its journal are left as they are
  LeftForAPerson,           // the cause; its marker and the journal `path` are left
  TurnBackFailed,           // turning back failed (cause 1) after the change failed (cause 2)
  LeftForNextLook,          // the cause; the next look at `path` settles it
  // The journal.
  NoShortFolder,       // no folder for the journal has a short enough name
  NoJournal,           // no journal of the change could be kept (the cause)
  JournalLostEntry,    // the journal lost the file's entry
  JournalMake,         // a journal could not be made in the folder `path`
  JournalWrite,        // the journal `path` could not be written (`err`)
  JournalFlush,        // the journal `path` could not be flushed
  JournalFolderOpen,   // the journal's folder `path` could not be opened
  JournalFolderFlush,  // the journal's folder `path` could not be flushed
  JournalRemove,       // the journal `path` (or the one at hand) could not be removed
  JournalOpen,         // the journal `path` could not be opened
  JournalRead,         // the journal `path` could not be read
  JournalIsLink,       // the journal `path` is a link
  JournalNotTrusted,   // the journal `path` is not trusted (the cause)
  JournalNoHeader,     // `path` holds no journal header
  JournalDamaged,      // the journal `path` is damaged (the cause)
  JournalUnusable,     // the journal `path` cannot be used (the cause)
  LeftToItsOwner,      // it belongs to user `a`, the file's owner, who settles the change
  OwnerNotUsers,       // it belongs to user `a`, not to this user
  OthersMayWrite,      // others may write it
  CutShort,            // it is cut short
  LongerThanMade,      // it is longer than it was made
  EntriesDontFit,      // its entries do not fit it
  EntriesDamaged,      // both copies of its entries are damaged
  LengthNotEntries,    // its length does not match its entries
  SlotDamaged,         // both copies of one of its records are damaged
  FilesMissing,        // files it names cannot be found
  NotUsersJournal,     // it is not one of this user's journals
  JournalInUse,        // another program is using it
  // Sealed files.
  NeedsPassword,   // its interrupted sealing or unsealing needs its password to be settled
  SealFailed,      // what the seal said (`seal`)
  SealedNotCoded,  // it is sealed: it is unsealed, not decoded or coded
  CodedNotSealed,  // it is coded: it is decoded before it is sealed
  // A moment given for a key.
  NotAMoment,      // `path` is not written as YYYY-MM-DD HH:MM:SS
  NoCodingMoment,  // `path` is no moment a file can have been coded at
  // A rescue's bytes.
  PartLooksPlain,  // the part at byte `a` looks plain already: turned back it would be scrambled
  Last = PartLooksPlain,
};

struct Fault {
  FaultCode code = FaultCode::None;
  int err = 0;                                   // the errno of the call that failed
  std::string path;                              // the file, journal or folder it names
  std::string name;                              // an attribute's name
  uint64_t a = 0, b = 0;                         // sizes, a byte offset, a user id
  RecordFlaw flaw;                               // for a damaged record: the rule it breaks
  seal::SealFault seal = seal::SealFault::None;  // for a sealed file: what its seal said
  std::vector<Fault> causes;                     // what it rests on

  Fault() = default;
  explicit Fault(FaultCode c) : code(c) {}
  bool empty() const { return code == FaultCode::None; }

  // Built up in one expression: Fault(FaultCode::Open).Path(file).Err(fd).
  Fault& Err(int e) {
    err = e < 0 ? -e : e;
    return *this;
  }
  Fault& Path(std::string p) {
    path = std::move(p);
    return *this;
  }
  Fault& Name(std::string n) {
    name = std::move(n);
    return *this;
  }
  Fault& Numbers(uint64_t first, uint64_t second = 0) {
    a = first;
    b = second;
    return *this;
  }
  Fault& Seal(seal::SealFault s) {
    seal = s;
    return *this;
  }
  Fault& Because(Fault cause) {
    causes.push_back(std::move(cause));
    return *this;
  }
};

// What an engine step that can fail returns: it worked, or the fault that stopped it.
class [[nodiscard]] Step {
 public:
  static Step Ok() { return Step(Fault()); }
  static Step Fail(Fault fault) { return Step(std::move(fault)); }

  bool ok() const { return fault_.empty(); }
  explicit operator bool() const { return ok(); }
  // Empty when ok().
  const Fault& fault() const { return fault_; }

 private:
  explicit Step(Fault f) : fault_(std::move(f)) {}
  Fault fault_;
};
