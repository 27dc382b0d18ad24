#include "app/words/FaultWords.h"

#include <cstring>

namespace {

// The words of every fault code, in the codes' order. A second text, when given, is said for a
// fault that names no path (the file at hand rather than one named).
constexpr FaultWordsRow kRows[] = {
    {FaultCode::None, ""},
    {FaultCode::CallFailed, "{err}"},
    {FaultCode::ReadAttrs, "can't read its attributes: {err}"},
    {FaultCode::ReadAttr, "can't read the attribute {name}: {err}"},
    {FaultCode::ReadStatus, "can't read the status of '{path}': {err}",
     "can't read its status: {err}"},
    {FaultCode::OpenForWriting, "can't open '{path}' for reading and writing: {err}"},
    {FaultCode::Open, "can't open '{path}': {err}", "can't open it: {err}"},
    {FaultCode::Flush, "flushing failed: {err}"},
    {FaultCode::Read, "read failed: {err}"},
    {FaultCode::Write, "write failed: {err}"},
    {FaultCode::EndedEarly, "file ended early (it shrank while being worked on)"},
    {FaultCode::WriteNoProgress, "write made no progress"},
    {FaultCode::NoMemory, "no memory for the work buffer"},
    {FaultCode::Mark, "can't mark it as being changed: {err}"},
    {FaultCode::RemoveMarker, "can't remove the change marker: {err}"},
    {FaultCode::WriteAttr, "can't write {name}: {err}"},
    {FaultCode::RemoveAttr, "can't remove {name}: {err}"},
    {FaultCode::AttrTooLong, "the value of {name} is too long to keep"},
    {FaultCode::NotRegular, "'{path}' is not a regular file", "it is not a regular file"},
    {FaultCode::ItIsAFolder, "it is a folder"},
    {FaultCode::LeadsToFolder, "it leads to a folder"},
    {FaultCode::LeadsToOther, "it leads to something not a regular file"},
    {FaultCode::LinkNotFollowed,
     "it is a link whose target is named in 4 bytes or fewer, which is not followed"},
    {FaultCode::LinkLoop, "its links lead round in a loop"},
    {FaultCode::LinkNowhere, "its link leads nowhere"},
    {FaultCode::LinkUnfollowable, "its link cannot be followed: {err}"},
    {FaultCode::LinkInFolder, "it is a link, which folder operations do not follow"},
    {FaultCode::NoAttributes, "its file system keeps no attributes"},
    {FaultCode::HardLinkOfOther,
     "it is another name (a hard link) of '{path}', which this operation works on already"},
    {FaultCode::ReplacedWhileOpening, "'{path}' was replaced while it was being opened"},
    {FaultCode::ReplacedWhileWorking,
     "'{path}' was replaced or moved while it was being worked on"},
    {FaultCode::ResizedWhileCoding, "changed by another program while being coded; left plain"},
    {FaultCode::ResizedWhileDecoding, "changed by another program while being decoded; left coded"},
    {FaultCode::ChangedSinceCoded, "it changed since it was coded"},
    {FaultCode::ChangedSizeSinceCoded, "it changed since it was coded ({a} bytes, coded were {b})"},
    {FaultCode::Busy, "another program is changing it"},
    {FaultCode::Stopped, "interrupted"},
    {FaultCode::DamagedRecord, "damaged record ({flaw})"},
    {FaultCode::NotDecoded, "{1}: not decoded"},
    {FaultCode::DamagedIntegrity, "damaged integrity attribute ({1})"},
    {FaultCode::IntegrityNotOurs, "it is no integrity value of this program"},
    {FaultCode::IntegritySize, "{a} bytes, not {b}"},
    {FaultCode::IntegrityHash, "it does not match its own hash"},
    {FaultCode::InterruptedCannotSettle,
     "it carries an interrupted change, which cannot be settled: {1}"},
    {FaultCode::InterruptedNotSettled,
     "it carries an interrupted change, which could not be settled: {1}"},
    {FaultCode::ChangeHadFailed, "the change had failed"},
    {FaultCode::BytesChangedSinceCoded, "its bytes had changed since they were coded"},
    {FaultCode::SizeChangedSinceBegan,
     "its size changed since the change began ({a} bytes then, {b} now)"},
    {FaultCode::PageNeither,
     "the page at byte {a} matches neither its state before the change nor after"},
    {FaultCode::MarkerDamaged, "its change marker is damaged; it is left on the file"},
    {FaultCode::JournalGone,
     "its journal '{path}' is gone and the file is not whole; the marker stays on it, and nothing "
     "here can settle it"},
    {FaultCode::NotTheNamedJournal, "its journal '{path}' is not the one it names"},
    {FaultCode::LeftAsTheyAre, "{1}; the file and the journal are left as they are"},
    {FaultCode::LeftForAPerson,
     "{1}; its marker and its journal '{path}' are left for a person to see"},
    {FaultCode::TurnBackFailed,
     "turning the change back failed: {1}; it had failed: {2}; the next look at the file settles "
     "it (murvelctl recover '{path}')"},
    {FaultCode::LeftForNextLook,
     "{1}; the next look at the file settles it (murvelctl recover '{path}')"},
    {FaultCode::NoShortFolder, "no folder for it has a short enough name"},
    {FaultCode::NoJournal, "can't keep a journal of the change: {1}"},
    {FaultCode::JournalLostEntry, "the journal lost its entry"},
    {FaultCode::JournalMake, "can't make a journal in '{path}': {err}"},
    {FaultCode::JournalWrite, "can't write the journal '{path}': {err}"},
    {FaultCode::JournalFlush, "can't flush the journal '{path}': {err}"},
    {FaultCode::JournalFolderOpen, "can't open the journal's folder '{path}': {err}"},
    {FaultCode::JournalFolderFlush, "can't flush the journal's folder '{path}': {err}"},
    {FaultCode::JournalRemove, "can't remove the journal '{path}': {err}",
     "can't remove it: {err}"},
    {FaultCode::JournalOpen, "can't open the journal '{path}': {err}"},
    {FaultCode::JournalRead, "can't read the journal '{path}': {err}"},
    {FaultCode::JournalIsLink, "the journal '{path}' is a link"},
    {FaultCode::JournalNotTrusted, "the journal '{path}' is not trusted: {1}"},
    {FaultCode::JournalNoHeader, "'{path}' holds no journal header"},
    {FaultCode::JournalDamaged, "the journal '{path}' is damaged: {1}"},
    {FaultCode::JournalUnusable, "can't use the journal '{path}': {1}"},
    {FaultCode::LeftToItsOwner,
     "it belongs to user {a}, the file's owner, whose own look settles the change"},
    {FaultCode::OwnerNotUsers, "it belongs to user {a}, not to this user"},
    {FaultCode::OthersMayWrite, "others may write it"},
    {FaultCode::CutShort, "it is cut short"},
    {FaultCode::LongerThanMade, "it is longer than it was made"},
    {FaultCode::EntriesDontFit, "its entries do not fit it"},
    {FaultCode::EntriesDamaged, "both copies of its entries are damaged"},
    {FaultCode::LengthNotEntries, "its length does not match its entries"},
    {FaultCode::SlotDamaged, "both copies of one of its records are damaged"},
    {FaultCode::FilesMissing,
     "files it names can't be found (moved or removed before their change was settled)"},
    {FaultCode::NotUsersJournal, "it is not one of this user's journals"},
    {FaultCode::JournalInUse, "another program is using it"},
    {FaultCode::NeedsPassword, "its interrupted change needs the password it was sealed with"},
    {FaultCode::SealFailed, "{seal}"},
    {FaultCode::SealedNotCoded, "it is sealed: unseal it (murvelctl unseal)"},
    {FaultCode::CodedNotSealed, "it is coded: decode it before sealing it"},
    {FaultCode::NotAMoment, "'{path}' is not a moment written as YYYY-MM-DD HH:MM:SS"},
    {FaultCode::NoCodingMoment, "'{path}' is no moment a file can have been coded at"},
    {FaultCode::PartLooksPlain, "the part at byte {a} looks plain already (text added after the copy was made?): turned back it would be scrambled"},
};

const char* SealPattern(seal::SealFault fault) {
  using seal::SealFault;
  switch (fault) {
    case SealFault::None:
      return "";
    case SealFault::Unavailable:
      return "no source of random bytes to seal with";
    case SealFault::NotSealed:
      return "it is not sealed";
    case SealFault::Damaged:
      return "its seal's record is damaged";
    case SealFault::UnknownVersion:
      return "it is sealed in a format this program does not know";
    case SealFault::CostOutOfRange:
      return "its seal asks for a key derivation beyond what this program runs";
    case SealFault::NoMemory:
      return "not enough memory to derive its key";
    case SealFault::OtherSalt:
      return "its key was derived for another seal";
    case SealFault::WrongPassword:
      return "wrong password";
    case SealFault::LengthDiffers:
      return "it is not as long as its seal says: cut short or added to";
    case SealFault::Changed:
      return "it was changed since it was sealed";
  }
  return "?";
}

const char* FlawPattern(RecordFlaw::Kind kind) {
  switch (kind) {
    case RecordFlaw::None:
      return "";
    case RecordFlaw::Empty:
      return "the value is empty";
    case RecordFlaw::Size:
      return "the value holds {a} bytes, not the {b} its length byte calls for";
    case RecordFlaw::ShortLength:
      return "its length {a} is less than the {b} bytes of the fixed fields";
    case RecordFlaw::NoZeroAfter:
      return "the byte after the line (offset {a}) is not zero";
    case RecordFlaw::TimeByte:
      return "its time code's {field} byte is out of range";
    case RecordFlaw::NameOverrun:
      return "its name length {a} reaches past its length {b}";
    case RecordFlaw::LengthsDisagree:
      return "its name and password lengths {a} + {b} and the {c} fixed bytes are not its "
             "length {d}";
  }
  return "?";
}

// The time code's bytes in their order.
const char* const kTimeFields[6] = {"seconds", "minutes", "hours", "year", "month", "day"};

std::string Translated(const char* text, Translator tr) {
  return tr ? tr(text) : std::string(text);
}

// `pattern` with each {field} replaced by what `value` gives for it.
template <typename Value>
std::string Fill(const std::string& pattern, Value value) {
  std::string out;
  for (size_t at = 0; at < pattern.size();) {
    const size_t open = pattern.find('{', at);
    const size_t close = open == std::string::npos ? open : pattern.find('}', open);
    if (close == std::string::npos) {
      out += pattern.substr(at);
      break;
    }
    out += pattern.substr(at, open - at);
    out += value(pattern.substr(open + 1, close - open - 1));
    at = close + 1;
  }
  return out;
}

std::string FlawText(const RecordFlaw& flaw, Translator tr) {
  return Fill(Translated(FlawPattern(flaw.kind), tr), [&](const std::string& field) {
    if (field == "a") return std::to_string(flaw.a);
    if (field == "b") return std::to_string(flaw.b);
    if (field == "c") return std::to_string(flaw.c);
    if (field == "d") return std::to_string(flaw.d);
    if (field == "field") return Translated(flaw.a < 6 ? kTimeFields[flaw.a] : "?", tr);
    return "{" + field + "}";
  });
}

}  // namespace

std::string Printable(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return out;
}

const FaultWordsRow* FaultWordsTable(size_t* rows) {
  *rows = sizeof kRows / sizeof kRows[0];
  return kRows;
}

std::string FaultText(const Fault& fault, Translator tr) {
  const size_t code = size_t(fault.code);
  const FaultWordsRow* row = code < sizeof kRows / sizeof kRows[0] ? &kRows[code] : nullptr;
  const char* pattern = !row                                     ? "?"
                        : fault.path.empty() && row->withoutPath ? row->withoutPath
                                                                 : row->text;
  return Fill(Translated(pattern, tr), [&](const std::string& field) {
    if (field == "path") return Printable(fault.path);
    if (field == "name") return Printable(fault.name);
    if (field == "err") return std::string(std::strerror(fault.err));
    if (field == "a") return std::to_string(fault.a);
    if (field == "b") return std::to_string(fault.b);
    if (field == "flaw") return FlawText(fault.flaw, tr);
    if (field == "seal") return Translated(SealPattern(fault.seal), tr);
    if (field == "1" || field == "2") {
      const size_t i = size_t(field[0] - '1');
      // A cause that is not known is shown as such rather than as nothing.
      if (i >= fault.causes.size() || fault.causes[i].empty()) return std::string("?");
      return FaultText(fault.causes[i], tr);
    }
    return "{" + field + "}";
  });
}
