#include "app/words/Diagnostics.h"

#include <cstdio>

#include "engine/rescue/Rescue.h"

namespace {

std::string Format(const char* format, const std::string& a) {
  char buf[8192];
  std::snprintf(buf, sizeof buf, format, a.c_str());
  return buf;
}

const char* Verb(CipherDirection d, bool sealed) {
  if (sealed) return d == CipherDirection::Code ? "sealing" : "unsealing";
  return d == CipherDirection::Code ? "coding" : "decoding";
}

// The lines of a sealing's or an unsealing's work.
std::string SealWorkLines(const WorkResult& r) {
  const bool forward = *r.direction == CipherDirection::Code;
  const std::string file = "'" + Printable(r.file) + "'";
  std::string out;
  if (r.outOfMemory) out += " nicht Genug Speicher bekommen \n";
  switch (r.outcome) {
    case WorkOutcome::Sealed:
      out += "> Sealed: " + file + "\n";
      break;
    case WorkOutcome::Unsealed:
      out += "> Unsealed: " + file + "\n";
      break;
    case WorkOutcome::WrongPassword:
      out += "> Not unsealed: " + file + ": wrong password\n";
      break;
    default:
      out += std::string(forward ? "> Not sealed" : "> Not unsealed") +
             (r.turnedBack ? ", file left as it was: " : ": ") + FaultText(r.reason) + "\n";
      break;
  }
  if (!r.markerLeft.empty())
    out += "> Done, but the change marker stays (the next look removes it): " +
           FaultText(r.markerLeft) + "\n";
  return out;
}

// Reasons the inspection gives a line of its own for; the others (a folder, a device, a missing
// entry, a volume without attributes) are silent or have their lines already.
bool Explained(NotWorkable n) {
  switch (n) {
    case NotWorkable::LinkNowhere:
    case NotWorkable::LinkLoop:
    case NotWorkable::LinkNotFollowed:
    case NotWorkable::Unreadable:
    case NotWorkable::DamagedRecord:
    case NotWorkable::Unsettled:
      return true;
    default:
      return false;
  }
}

// A reason that the link's target is a folder or no regular file, which the entry itself is not.
bool LeadsElsewhere(const Inspection& ins) {
  return (ins.notWorkable == NotWorkable::Folder || ins.notWorkable == NotWorkable::NotRegular) &&
         ins.file != ins.path;
}

}  // namespace

std::string RecoveryLine(const std::string& file, const RecoveryReport& r) {
  return "> " + RecoveryText(file, r);
}

std::string RecoveryText(const std::string& file, const RecoveryReport& r) {
  std::string line = std::string("Interrupted ") + Verb(r.direction, r.sealed) + " of '" +
                     Printable(file) + "' found: ";
  if (!r.settled) return line + "could not be settled: " + FaultText(r.why);
  if (r.completed) return line + "completed";
  return line + "turned back" + (r.why.empty() ? "" : " (" + FaultText(r.why) + ")");
}

std::string InspectionLines(const Inspection& ins) {
  std::string out;
  if (ins.statFailed) out += Format("CAN'T GET STAT's :(\n>>'%s'\n", Printable(ins.path));
  if (ins.noAttributes) out += "No valid Volume (Mime)!\nNo valid Volume (Attr)!\n";
  if (ins.recovery) out += RecoveryLine(ins.file, *ins.recovery) + "\n";
  if (ins.opened && (ins.workable() || ins.notWorkable == NotWorkable::DamagedRecord))
    out += ins.coded ? "MVW> Has Codec-Attr.!\n" : "MVW> NO  Codec-Attr.!\n";
  if (ins.opened && ins.sealed)
    out += "MVW> Sealed: '" + Printable(ins.file) + "' (murvelctl unseal unseals it)\n";
  if (ins.mismatch != RecordMismatch::None) out += MismatchLine(ins) + "\n";
  if (Explained(ins.notWorkable) || LeadsElsewhere(ins))
    out += "> Not workable: '" + Printable(ins.path) + "': " + FaultText(ins.whyNot) + "\n";
  return out;
}

int InspectionBeeps(const Inspection& ins) {
  int beeps = ins.noAttributes ? 2 : 0;
  if (ins.recovery) ++beeps;
  if (Explained(ins.notWorkable) || LeadsElsewhere(ins)) ++beeps;
  return beeps;
}

std::string WorkLines(const WorkResult& r) {
  std::string out;
  if (r.recovery) out += RecoveryLine(r.file, *r.recovery) + "\n";
  switch (r.outcome) {
    case WorkOutcome::NotWorkable:
      return out;
    case WorkOutcome::CantOpen:
      return out + "> dnode BAD InitCheck\n";
    case WorkOutcome::Busy:
      return out + Format("> Not worked on: another program has '%s' locked\n", Printable(r.file));
    case WorkOutcome::StateChanged:
      return out + "> Not worked on: '" + Printable(r.file) + "' was " +
             (r.foundCoded ? "coded" : "decoded") + " meanwhile\n";
    default:
      break;
  }
  if (!r.direction) {
    return out + "> Not worked on: " + FaultText(r.reason) + "\n";
  }
  if (r.sealed) return out + SealWorkLines(r);
  const bool coding = *r.direction == CipherDirection::Code;
  if (coding) {
    // Its own line, after a blank one; what follows starts a line of its own.
    out += "\n> NO  Codec-Attr.!-> CODING:\n";
  } else {
    // What identifies the file, never the record's bytes: they hold the password.
    out += "MVW> Has   Codec-Attr. ! '" + Printable(r.record.name) + "' '20'\n";
  }
  if (r.outOfMemory) out += " nicht Genug Speicher bekommen \n";
  if (r.outcome == WorkOutcome::NotDone) {
    out += coding ? "> Not coded" : "> Not decoded";
    out += r.turnedBack ? ", file left as it was: " : ": ";
    out += FaultText(r.reason) + "\n";
  }
  if (r.outcome == WorkOutcome::Decoded) out += "> Remo. Codec-Attr. !\n";
  if (!r.markerLeft.empty())
    out += "> Done, but the change marker stays (the next look removes it): " +
           FaultText(r.markerLeft) + "\n";
  return out;
}

std::string MismatchLine(const Inspection& ins) {
  const std::string file = "'" + Printable(ins.file) + "'";
  const LostKey& lost = ins.lostKey;
  switch (ins.mismatch) {
    case RecordMismatch::RecordLost:
      return "> Coded, record lost: " + file +
             (lost.found ? " (coded on " + MomentOfKey(lost.key) + "; turned back: "
                         : " (its key not certain; turned back: ") +
             Printable(lost.kind) + "); murvelctl rescue gives it back";
    case RecordMismatch::RecordLeftOver:
      return "> Plain, record left over: " + file + " (" + Printable(lost.kind) +
             "); decoding would scramble it";
    case RecordMismatch::None:
      break;
  }
  return {};
}
