#include "app/ctl/CtlWork.h"

#include <sys/stat.h>

#include <algorithm>

#include "app/ctl/CtlText.h"
#include "app/words/Diagnostics.h"
#include "codec/TimeCode.h"
#include "engine/journal/JournalPolicy.h"
#include "platform/Paths.h"
#include "platform/Program.h"

const std::vector<CtlStateWords>& CtlStateRows() {
  static const std::vector<CtlStateWords> rows = {
      {CtlState::Coded, "coded", false},
      {CtlState::Decoded, "decoded", false},
      {CtlState::Sealed, "sealed", false},
      {CtlState::Unsealed, "unsealed", false},
      {CtlState::Plain, "plain", false},
      {CtlState::Whole, "whole", false},
      {CtlState::Recovered, "recovered", false},
      {CtlState::Found, "found", false},
      {CtlState::Rescued, "rescued", false},
      {CtlState::DroppedJournal, "dropped journal", false},
      {CtlState::Failed, "failed", true},
      {CtlState::NotWorkable, "not workable", true},
      {CtlState::WrongPassword, "wrong password", true},
      {CtlState::Skipped, "skipped", true},
      {CtlState::KeptJournal, "kept journal", true},
      {CtlState::SealingInterrupted, kSealingInterrupted, true},
      {CtlState::UnsealingInterrupted, kUnsealingInterrupted, true},
  };
  return rows;
}

namespace {

const CtlStateWords& WordsOf(CtlState state) {
  const std::vector<CtlStateWords>& rows = CtlStateRows();
  for (const CtlStateWords& w : rows)
    if (w.state == state) return w;
  return rows[0];
}

std::string TrWords(const char* text) {
  return Tr(text);
}

}  // namespace

std::string Words(const Fault& fault) {
  return FaultText(fault, TrWords);
}

namespace {

std::string RecordDetail(const RecordFields& record) {
  TimeFields t = ReadTimeCode(record.timeCode);
  char when[64];
  std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hours,
                t.minutes, t.seconds);
  return "\"" + Printable(record.name) + "\", " + when;
}

// Why a file was not done, as the result line tells it.
std::string FailureDetail(const WorkResult& r) {
  if (!r.direction) return Words(r.reason);
  const bool forward = *r.direction == CipherDirection::Code;
  std::string lead = r.sealed ? (forward ? "Not sealed" : "Not unsealed")
                              : (forward ? "Not coded" : "Not decoded");
  return lead + (r.turnedBack ? ", file left as it was: " : ": ") + Words(r.reason);
}

// What a sound seal says of itself: "format 1, Argon2id 3 passes over 256 MiB".
std::string SealDetail(const Inspection& found) {
  if (found.sealFault != seal::SealFault::None)
    return Words(Fault(FaultCode::SealFailed).Seal(found.sealFault));
  const seal::Cost cost = found.sealHeader.cost;
  const uint32_t mib = cost.mem_kib / 1024;
  return "format " + std::to_string(unsigned(seal::kVersion)) + ", Argon2id " +
         std::to_string(cost.ops) + (cost.ops == 1 ? " pass" : " passes") + " over " +
         (mib > 0 && cost.mem_kib % 1024 == 0 ? std::to_string(mib) + " MiB"
                                              : std::to_string(cost.mem_kib) + " KiB");
}

}  // namespace

std::string RecoveryDetail(const RecoveryReport& r) {
  const bool forward = r.direction == CipherDirection::Code;
  const char* what =
      r.sealed ? (forward ? "sealing" : "unsealing") : (forward ? "coding" : "decoding");
  if (!r.settled)
    return std::string("its interrupted ") + what + " could not be settled: " + Words(r.why);
  if (r.completed) return std::string("its interrupted ") + what + " was completed";
  return std::string("its interrupted ") + what + " was turned back" +
         (r.why.empty() ? "" : " (" + Words(r.why) + ")");
}

CtlWork::CtlWork(std::FILE* results, std::FILE* diagnostics, ProgressLine& progress)
    : results_(results), diagnostics_(diagnostics), progress_(progress), engine_(this) {
  engine_.SetSweepStaleJournals(false);  // the walk does it, folder by folder (FileList.h)
  engine_.MarkCodedFiles(true);
}

void CtlWork::SetPassword(const plat::SecretText& password) {
  password_.set = true;
  password_.text.assign(password.data(), std::min(password.size(), plat::kPasswordMax));
}

void CtlWork::SetSealPassword(const plat::SecretText& password, seal::Cost cost) {
  sealPassword_ = std::make_unique<SealPassword>(password, cost);
  engine_.SetSealPassword(sealPassword_.get());
}

Inspection CtlWork::Look(const ListedFile& listed) {
  Inspection found = engine_.Inspect(EngineName(listed), &volumes_);
  if (SealWaitOf(found) != SealWait::NeedsPassword || sealPassword_ || !askSealPassword_)
    return found;
  // Asked once: a source that gives none is not asked again.
  std::function<bool(plat::SecretText*)> ask = std::move(askSealPassword_);
  askSealPassword_ = nullptr;
  plat::SecretText password;
  progress_.Finish();
  if (!ask(&password)) return found;
  SetSealPassword(password);
  return engine_.Inspect(EngineName(listed), &volumes_);
}

CtlLines CtlWork::NotWorkableLine(const std::string& file, const Inspection& found,
                                  bool recovering) {
  const SealWait wait = SealWaitOf(found);
  if (wait == SealWait::None) return Line(CtlState::NotWorkable, file, Words(found.whyNot));
  const CtlState state = found.recovery->direction == CipherDirection::Code
                             ? CtlState::SealingInterrupted
                             : CtlState::UnsealingInterrupted;
  const std::string detail = SealWaitDetail(wait);
  if (wait == SealWait::WrongPassword || recovering) return Line(state, file, detail);
  return Line(state, file, detail + " (murvelctl recover)");
}

CtlLines CtlWork::Unfit(const std::string& file, const Inspection& found, CtlChange change) const {
  const bool sealing = change == CtlChange::Seal || change == CtlChange::Unseal;
  const bool forward = change == CtlChange::Code || change == CtlChange::Seal;
  // Coding and sealing are two ways to protect a file: one is undone before the other is done.
  if (found.sealed && !sealing)
    return Line(CtlState::Skipped, file, Words(Fault(FaultCode::SealedNotCoded)));
  if (found.coded && sealing) {
    if (found.mismatch == RecordMismatch::RecordLeftOver) return MismatchLine(file, found, false);
    return Line(CtlState::Skipped, file,
                forward ? Words(Fault(FaultCode::CodedNotSealed))
                        : std::string("it is coded, not sealed: decode it (murvelctl decode)"));
  }
  const bool isProtected = sealing ? found.sealed : found.coded;
  if (isProtected == forward) {
    const char* already = change == CtlChange::Code     ? "already coded"
                          : change == CtlChange::Decode ? "not coded"
                          : change == CtlChange::Seal   ? "already sealed"
                                                        : "not sealed";
    return Line(CtlState::Skipped, file, already);
  }
  if (found.mismatch != RecordMismatch::None && !force_) {
    if (change == CtlChange::Seal)
      return Line(CtlState::Skipped, file,
                  "its bytes are coded already, but its record is lost (a copy made without "
                  "its attributes): give it back first (murvelctl rescue), then seal it");
    return MismatchLine(file, found, false);
  }
  return {};
}

void CtlWork::Diagnose(const std::string& lines) {
  if (!diagnostics_ || lines.empty()) return;
  std::fputs(lines.c_str(), diagnostics_);
  if (lines.back() != '\n') std::fputc('\n', diagnostics_);
  std::fflush(diagnostics_);
}

void CtlWork::Progress(const std::string& file, uint64_t done, uint64_t total) {
  if (file != progressFile_) {
    progressFile_ = file;
    progress_.Start(std::string(verb_) + " " + plat::LeafOf(file));
  }
  progress_.Update(done, total);
}

bool CtlWork::Change(const std::vector<ListedFile>& listed, CtlChange change) {
  std::vector<std::string> files;
  for (const ListedFile& f : listed) files.push_back(f.path);
  const bool sealing = change == CtlChange::Seal || change == CtlChange::Unseal;
  verb_ = change == CtlChange::Code     ? "coding"
          : change == CtlChange::Decode ? "decoding"
          : change == CtlChange::Seal   ? "sealing"
                                        : "unsealing";
  bool allDone = true;
  // Each file is inspected first; those in the right state are then worked on together. The
  // lines are held until every file before them has its own, so they come in the files' order.
  std::vector<CtlLines> lines(files.size());
  std::vector<bool> ready(files.size(), false);
  size_t printed = 0;
  auto printReady = [&] {
    for (; printed < files.size() && ready[printed]; ++printed) Emit(lines[printed]);
  };
  std::vector<ChangeRequest> requests;
  std::vector<size_t> fileOf;
  size_t inspected = 0;
  for (; inspected < files.size() && !(stop_ && stop_()); ++inspected) {
    const std::string& file = files[inspected];
    if (!listed[inspected].skipped.empty()) {
      lines[inspected] = Line(CtlState::Skipped, file, listed[inspected].skipped);
      ready[inspected] = true;
      allDone = false;
      continue;
    }
    Inspection found = Look(listed[inspected]);
    Diagnose(InspectionLines(found));
    // An interrupted change that waits for its seal's password has a line of its own.
    if (found.recovery && SealWaitOf(found) == SealWait::None)
      lines[inspected] += Line(CtlState::Recovered, file, RecoveryDetail(*found.recovery));
    CtlLines unfit;
    if (!found.workable())
      unfit = NotWorkableLine(file, found, false);
    else
      unfit = Unfit(file, found, change);
    if (unfit.lines.empty()) {
      const bool forward = change == CtlChange::Code || change == CtlChange::Seal;
      requests.push_back(RequestFor(found, !forward));
      requests.back().sealing = sealing;
      fileOf.push_back(inspected);
      continue;
    }
    lines[inspected] += unfit;
    allDone = false;
    ready[inspected] = true;
  }
  for (size_t i = inspected; i < files.size(); ++i) {
    lines[i] = Line(CtlState::Skipped, files[i], "interrupted");
    ready[i] = true;
    allDone = false;
  }
  printReady();
  engine_.WorkMany(
      requests, password_,
      [&](size_t i, const WorkResult& r) {
        progress_.Finish();
        progressFile_.clear();
        Diagnose(WorkLines(r));
        const size_t at = fileOf[i];
        lines[at] += ResultLines(files[at], r, change);
        ready[at] = true;
        allDone = allDone && r.done();
        printReady();
      },
      stop_);
  printReady();
  return allDone;
}

CtlLines CtlWork::ResultLines(const std::string& file, const WorkResult& r, CtlChange change) {
  CtlLines out;
  if (r.recovery) out += Line(CtlState::Recovered, file, RecoveryDetail(*r.recovery));
  switch (r.outcome) {
    case WorkOutcome::Coded:
      return out += Line(CtlState::Coded, file);
    case WorkOutcome::Decoded:
      return out += Line(CtlState::Decoded, file);
    case WorkOutcome::Sealed:
      return out += Line(CtlState::Sealed, file);
    case WorkOutcome::Unsealed:
      return out += Line(CtlState::Unsealed, file);
    case WorkOutcome::WrongPassword:
      return out += Line(CtlState::WrongPassword, file);
    case WorkOutcome::StateChanged: {
      const char* meanwhile = change == CtlChange::Code     ? "coded meanwhile"
                              : change == CtlChange::Decode ? "decoded meanwhile"
                              : change == CtlChange::Seal   ? "sealed or coded meanwhile"
                                                            : "unsealed meanwhile";
      return out += Line(CtlState::Skipped, file, meanwhile);
    }
    case WorkOutcome::Busy:
      return out += Line(CtlState::Skipped, file, "another program has it locked");
    case WorkOutcome::CantOpen:
      return out += Line(CtlState::Failed, file, "it can't be opened");
    default:
      if (r.stopped) return out += Line(CtlState::Skipped, file, "interrupted");
      return out += Line(CtlState::Failed, file, FailureDetail(r));
  }
}

CtlWork::StatusCount CtlWork::Status(const std::vector<ListedFile>& files, bool quiet) {
  StatusCount count;
  for (const ListedFile& listed : files) {
    const std::string& file = listed.path;
    if (!listed.skipped.empty()) {
      if (!quiet) Report(CtlState::Skipped, file, listed.skipped);
      ++count.untold;
      continue;
    }
    Inspection found = Look(listed);
    Diagnose(InspectionLines(found));
    if (found.recovery && SealWaitOf(found) == SealWait::None && !quiet)
      Report(CtlState::Recovered, file, RecoveryDetail(*found.recovery));
    if (found.mismatch != RecordMismatch::None) {
      if (!quiet) Emit(MismatchLine(file, found, true));
      ++count.mismatched;
    } else if (!found.workable()) {
      if (!quiet) Emit(NotWorkableLine(file, found, false));
      ++count.untold;
    } else if (found.sealed) {
      if (!quiet) Report(CtlState::Sealed, file, SealDetail(found));
      ++count.sealed;
    } else if (found.coded) {
      if (!quiet) Report(CtlState::Coded, file, RecordDetail(found.record));
      ++count.coded;
    } else {
      if (!quiet) Report(CtlState::Plain, file);
      ++count.plain;
    }
  }
  return count;
}

bool CtlWork::Recover(const std::vector<ListedFile>& files, bool dropJournals) {
  bool whole = true;
  std::vector<std::string> journals;
  FileIds settled;  // the files of this batch that carry no unsettled change
  auto add = [](std::vector<std::string>& list, const std::string& item) {
    if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
  };
  for (const ListedFile& listed : files) {
    const std::string& file = listed.path;
    if (!listed.skipped.empty()) {
      Report(CtlState::Skipped, file, listed.skipped);
      whole = whole && !listed.unreadable;
      continue;
    }
    // A journal named: checked against the other files named (where its files went).
    if (IsJournalName(file)) {
      add(journals, file);
      continue;
    }
    if (dropJournals) continue;
    Inspection found = Look(listed);
    Diagnose(InspectionLines(found));
    if (found.recovery && !found.recovery->journal.empty()) add(journals, found.recovery->journal);
    if (found.recovery && found.recovery->settled) {
      Report(CtlState::Recovered, file, RecoveryDetail(*found.recovery));
    } else if (SealWaitOf(found) != SealWait::None) {
      Emit(NotWorkableLine(file, found, true));
      whole = false;
    } else if (found.notWorkable == NotWorkable::Unsettled) {
      Report(CtlState::Failed, file, Words(found.whyNot));
      whole = false;
    } else if (!found.workable() && found.notWorkable != NotWorkable::NoAttributes &&
               found.notWorkable != NotWorkable::DamagedRecord) {
      Report(CtlState::NotWorkable, file, Words(found.whyNot));
      whole = false;
    } else {
      Report(CtlState::Whole, file, found.sealed ? "sealed" : found.coded ? "coded" : "plain");
    }
    struct stat st {};
    if (found.notWorkable != NotWorkable::Unsettled && stat(found.file.c_str(), &st) == 0)
      settled.insert({uint64_t(st.st_dev), uint64_t(st.st_ino)});
    // The file's folder (as named from where the command started when the walk names a deep
    // file by its leaf from its own folder): its journals are looked at once every batch is done.
    recoverFolders_.insert(plat::ParentOf(found.file[0] == '/' ? found.file : listed.path));
  }
  if (dropJournals) {
    for (const std::string& journal : journals) {
      std::vector<std::string> named;
      Step dropped = DropJournal(journal, &named);
      std::string detail = "it named";
      for (const std::string& f : named) detail += " '" + f + "'";
      if (dropped) {
        Report(CtlState::DroppedJournal, journal, named.empty() ? "" : detail);
      } else {
        Report(CtlState::Failed, journal, Words(dropped.fault()));
        whole = false;
      }
    }
    return whole;
  }
  // The journals of the files settled and those named: removed once every file they name is
  // settled (the files named with a journal are in its batch, so a moved file is found).
  std::vector<KeptJournal> kept;
  for (const std::string& journal : journals) {
    recoverJournals_.insert(journal);
    if (std::optional<KeptJournal> k = RemoveJournalIfStale(journal, settled)) kept.push_back(*k);
  }
  return ReportKept(kept) && whole;
}

bool CtlWork::FinishRecover() {
  // Journals left in the folders by a change that ended as the machine stopped, or whose files
  // went elsewhere: removed when every file they name is settled, else said.
  std::vector<KeptJournal> kept;
  for (const std::string& folder : recoverFolders_)
    for (KeptJournal& k : RemoveStaleJournals(folder))
      if (!recoverJournals_.count(k.path)) kept.push_back(std::move(k));
  recoverFolders_.clear();
  recoverJournals_.clear();
  return ReportKept(kept);
}

bool CtlWork::ReportKept(const std::vector<KeptJournal>& kept) {
  for (const KeptJournal& k : kept) {
    std::string detail = Words(k.why);
    for (const std::string& f : k.missing) detail += " '" + f + "'";
    detail += k.missing.empty() ? "; it is kept for a person to look at"
                                : "; name it with the files where they are now: murvelctl recover "
                                  "JOURNAL FILE...";
    detail += ", or remove it knowingly: murvelctl recover --drop-journal JOURNAL";
    Report(CtlState::KeptJournal, k.path, detail);
  }
  return kept.empty();
}

CtlLines CtlWork::Line(const std::string& state, const std::string& file,
                       const std::string& detail) {
  // The detail may quote the file's path too (the engine's reasons do).
  std::string line = state + ": " + Printable(file);
  if (!detail.empty()) line += ": " + Printable(detail);
  return CtlLines{{{false, line + "\n"}}};
}

CtlLines CtlWork::Line(CtlState state, const std::string& file, const std::string& detail) {
  const CtlStateWords& words = WordsOf(state);
  CtlLines out = Line(std::string(words.text), file, detail);
  out.lines[0].refusal = words.refusal;
  return out;
}

void CtlWork::Report(CtlState state, const std::string& file, const std::string& detail) {
  Emit(Line(state, file, detail));
}

void CtlWork::Emit(const CtlLines& lines) {
  for (const CtlLines::One& line : lines.lines)
    std::fputs(line.text.c_str(), line.refusal ? refusals_ : results_);
  std::fflush(results_);
  std::fflush(refusals_);
}
