#include "app/words/FaultWords.h"

#include <cstring>

namespace {

const char* Pattern(FaultCode code) {
  switch (code) {
    case FaultCode::None:
      return "";
    case FaultCode::CallFailed:
      return "{err}";
    case FaultCode::ReadAttrs:
      return "can't read its attributes: {err}";
    case FaultCode::ReadAttr:
      return "can't read the attribute {name}: {err}";
    case FaultCode::ReadStatusOf:
      return "can't read the status of '{path}': {err}";
    case FaultCode::ReadItsStatus:
      return "can't read its status: {err}";
    case FaultCode::ReadFileStatus:
      return "can't read the file's status: {err}";
    case FaultCode::OpenForWriting:
      return "can't open '{path}' for reading and writing: {err}";
    case FaultCode::Open:
      return "can't open '{path}': {err}";
    case FaultCode::OpenIt:
      return "can't open it: {1}";
    case FaultCode::Flush:
      return "flushing failed: {err}";
    case FaultCode::FlushFile:
      return "flushing the file failed: {err}";
    case FaultCode::Read:
      return "read failed: {err}";
    case FaultCode::Write:
      return "write failed: {err}";
    case FaultCode::EndedEarly:
      return "file ended early (it shrank while being worked on)";
    case FaultCode::WriteNoProgress:
      return "write made no progress";
    case FaultCode::NoMemory:
      return "no memory for the work buffer";
    case FaultCode::Mark:
      return "can't mark it as being changed: {err}";
    case FaultCode::RemoveMarker:
      return "can't remove the change marker: {err}";
    case FaultCode::WriteAttr:
      return "can't write {name}: {err}";
    case FaultCode::RemoveAttr:
      return "can't remove {name}: {err}";
    case FaultCode::AttrTooLong:
      return "the value of {name} is too long to keep";
    case FaultCode::RemoveIt:
      return "can't remove it: {err}";
    case FaultCode::NotRegularFile:
      return "'{path}' is not a regular file";
    case FaultCode::ItIsNotRegular:
      return "it is not a regular file";
    case FaultCode::ItIsAFolder:
      return "it is a folder";
    case FaultCode::LeadsToFolder:
      return "it leads to a folder";
    case FaultCode::LeadsToOther:
      return "it leads to something not a regular file";
    case FaultCode::LinkNotFollowed:
      return "it is a link whose target is named in 4 bytes or fewer, which is not followed";
    case FaultCode::LinkLoop:
      return "its links lead round in a loop";
    case FaultCode::LinkNowhere:
      return "its link leads nowhere";
    case FaultCode::LinkUnfollowable:
      return "its link cannot be followed: {err}";
    case FaultCode::LinkInFolder:
      return "it is a link, which folder operations do not follow";
    case FaultCode::NoAttributes:
      return "its file system keeps no attributes";
    case FaultCode::HardLinkOfOther:
      return "it is another name (a hard link) of '{path}', which this operation works on already";
    case FaultCode::ReplacedWhileOpening:
      return "'{path}' was replaced while it was being opened";
    case FaultCode::ReplacedWhileWorking:
      return "'{path}' was replaced or moved while it was being worked on";
    case FaultCode::ResizedWhileCoding:
      return "changed by another program while being coded; left plain";
    case FaultCode::ResizedWhileDecoding:
      return "changed by another program while being decoded; left coded";
    case FaultCode::ChangedSinceCoded:
      return "it changed since it was coded";
    case FaultCode::ChangedSizeSinceCoded:
      return "it changed since it was coded ({a} bytes, coded were {b})";
    case FaultCode::Busy:
      return "another program is changing it";
    case FaultCode::Stopped:
      return "interrupted";
    case FaultCode::DamagedRecord:
      return "damaged record ({flaw})";
    case FaultCode::DamagedRecordNotDecoded:
      return "damaged record ({flaw}): not decoded";
    case FaultCode::DamagedIntegrityNotDecoded:
      return "damaged integrity attribute ({1}): not decoded";
    case FaultCode::IntegrityNotOurs:
      return "it is no integrity value of this program";
    case FaultCode::IntegritySize:
      return "{a} bytes, not {b}";
    case FaultCode::IntegrityHash:
      return "it does not match its own hash";
    case FaultCode::InterruptedCannotSettle:
      return "it carries an interrupted change, which cannot be settled: {1}";
    case FaultCode::InterruptedNotSettled:
      return "it carries an interrupted change, which could not be settled: {1}";
    case FaultCode::ChangeHadFailed:
      return "the change had failed";
    case FaultCode::IntegrityDamaged:
      return "its integrity attribute is damaged";
    case FaultCode::BytesChangedSinceCoded:
      return "its bytes had changed since they were coded";
    case FaultCode::SizeChangedSinceBegan:
      return "its size changed since the change began ({a} bytes then, {b} now)";
    case FaultCode::PageMatchesNeither:
      return "the page at byte {a} matches neither its state before the change nor after";
    case FaultCode::PageNeither:
      return "its page at {a} is neither as it was nor turned";
    case FaultCode::MarkerDamaged:
      return "its change marker is damaged; it is left on the file";
    case FaultCode::JournalGone:
      return "its journal '{path}' is gone and the file is not whole; the marker stays on it, "
             "and nothing here can settle it";
    case FaultCode::NotTheNamedJournal:
      return "its journal '{path}' is not the one it names";
    case FaultCode::LeftAsTheyAre:
      return "{1}; the file and the journal are left as they are";
    case FaultCode::LeftForAPerson:
      return "{1}; its marker and its journal '{path}' are left for a person to see";
    case FaultCode::TurnBackFailed:
      return "turning the change back failed: {1}; it had failed: {2}; the next look at the file "
             "settles it (murvelctl recover '{path}')";
    case FaultCode::LeftForNextLook:
      return "{1}; the next look at the file settles it (murvelctl recover '{path}')";
    case FaultCode::NoShortFolder:
      return "no folder for it has a short enough name";
    case FaultCode::NoJournal:
      return "can't keep a journal of the change: {1}";
    case FaultCode::JournalLostEntry:
      return "the journal lost its entry";
    case FaultCode::JournalMake:
      return "can't make a journal in '{path}': {err}";
    case FaultCode::JournalWrite:
      return "can't write the journal '{path}': {err}";
    case FaultCode::JournalWroteNothing:
      return "can't write the journal '{path}'";
    case FaultCode::JournalFlush:
      return "can't flush the journal '{path}': {err}";
    case FaultCode::JournalFolderOpen:
      return "can't open the journal's folder '{path}': {err}";
    case FaultCode::JournalFolderFlush:
      return "can't flush the journal's folder '{path}': {err}";
    case FaultCode::JournalRemove:
      return "can't remove the journal '{path}': {err}";
    case FaultCode::JournalOpen:
      return "can't open the journal '{path}': {err}";
    case FaultCode::JournalRead:
      return "can't read the journal '{path}': {err}";
    case FaultCode::JournalIsLink:
      return "the journal '{path}' is a link";
    case FaultCode::JournalNotTrusted:
      return "the journal '{path}' is not trusted: {1}";
    case FaultCode::JournalNoHeader:
      return "'{path}' holds no journal header";
    case FaultCode::JournalDamaged:
      return "the journal '{path}' is damaged: {1}";
    case FaultCode::JournalUnusable:
      return "can't use the journal '{path}': {1}";
    case FaultCode::OwnerNotFiles:
      return "it belongs to user {a}, not to the file's owner";
    case FaultCode::OwnerNotUsers:
      return "it belongs to user {a}, not to this user";
    case FaultCode::OthersMayWrite:
      return "others may write it";
    case FaultCode::CutShort:
      return "it is cut short";
    case FaultCode::LongerThanMade:
      return "it is longer than it was made";
    case FaultCode::EntriesDontFit:
      return "its entries do not fit it";
    case FaultCode::EntriesDamaged:
      return "both copies of its entries are damaged";
    case FaultCode::LengthNotEntries:
      return "its length does not match its entries";
    case FaultCode::FilesMissing:
      return "files it names can't be found (moved or removed before their change was settled)";
    case FaultCode::NotUsersJournal:
      return "it is not one of this user's journals";
    case FaultCode::JournalInUse:
      return "another program is using it";
    case FaultCode::NotAMoment:
      return "'{path}' is not a moment written as YYYY-MM-DD HH:MM:SS";
    case FaultCode::NoCodingMoment:
      return "'{path}' is no moment a file can have been coded at";
    case FaultCode::PartLooksPlain:
      return "the part at byte {a} looks plain already (text added after the copy was made?): "
             "turned back it would be scrambled";
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

std::string FaultText(const Fault& fault, Translator tr) {
  return Fill(Translated(Pattern(fault.code), tr), [&](const std::string& field) {
    if (field == "path") return Printable(fault.path);
    if (field == "name") return Printable(fault.name);
    if (field == "err") return std::string(std::strerror(fault.err));
    if (field == "a") return std::to_string(fault.a);
    if (field == "b") return std::to_string(fault.b);
    if (field == "flaw") return FlawText(fault.flaw, tr);
    if (field == "1" || field == "2") {
      const size_t i = size_t(field[0] - '1');
      // A cause that is not known is shown as such rather than as nothing.
      if (i >= fault.causes.size() || fault.causes[i].empty()) return std::string("?");
      return FaultText(fault.causes[i], tr);
    }
    return "{" + field + "}";
  });
}
