#include "app/ctl/CtlCommands.h"

#include "app/ctl/FileList.h"
#include "engine/journal/JournalPolicy.h"

namespace {

void Code(CtlRun& run, const std::vector<ListedFile>& batch) {
  run.allDone = run.work.Change(batch, CtlChange::Code) && run.allDone;
}

void Decode(CtlRun& run, const std::vector<ListedFile>& batch) {
  run.allDone = run.work.Change(batch, CtlChange::Decode) && run.allDone;
}

void Seal(CtlRun& run, const std::vector<ListedFile>& batch) {
  run.allDone = run.work.Change(batch, CtlChange::Seal) && run.allDone;
}

void Unseal(CtlRun& run, const std::vector<ListedFile>& batch) {
  run.allDone = run.work.Change(batch, CtlChange::Unseal) && run.allDone;
}

void Status(CtlRun& run, const std::vector<ListedFile>& batch) {
  CtlWork::StatusCount some = run.work.Status(batch, run.options.quiet);
  run.count.coded += some.coded;
  run.count.plain += some.plain;
  run.count.untold += some.untold;
  run.count.mismatched += some.mismatched;
  run.count.sealed += some.sealed;
}

// status --quiet: a disagreement first, then a file not told, then a plain one.
void FinishStatus(CtlRun& run) {
  const CtlWork::StatusCount& c = run.count;
  run.allDone = c.untold == 0;
  run.quietExit = c.mismatched ? kExitMismatch
                  : c.untold   ? kExitNotDone
                  : c.plain    ? kExitPlain
                               : kExitDone;
}

void Recover(CtlRun& run, const std::vector<ListedFile>& batch) {
  run.allDone = run.work.Recover(batch, run.options.dropJournals) && run.allDone;
}

// The journals left in the folders looked at, once every batch is done.
void FinishRecover(CtlRun& run) {
  if (!run.options.dropJournals) run.allDone = run.work.FinishRecover() && run.allDone;
}

void Rescue(CtlRun& run, const std::vector<ListedFile>& batch) {
  run.allDone = run.work.Rescue(batch, run.options.keyDate) && run.allDone;
}

}  // namespace

const std::vector<CtlCommandRow>& CtlCommandRows() {
  static const std::vector<CtlCommandRow> rows = {
      {CtlCommand::Code, "code", "code each plain file (a coded one is skipped)", true, true, Code,
       nullptr},
      {CtlCommand::Decode, "decode", "decode each coded file (a plain one is skipped)", true, true,
       Decode, nullptr},
      {CtlCommand::Seal, "seal",
       "seal each plain file: encrypt it in place with the password\n"
       "(a coded or sealed one is skipped); it grows by 161 bytes",
       true, true, Seal, nullptr},
      {CtlCommand::Unseal, "unseal",
       "unseal each sealed file, once the whole file is checked to be\n"
       "as it was sealed (a plain one is skipped)",
       true, true, Unseal, nullptr},
      {CtlCommand::Status, "status",
       "tell whether each file is coded or sealed, and when and as what", false, false, Status,
       FinishStatus},
      {CtlCommand::Recover, "recover",
       "settle a change that was interrupted (the program killed, the\n"
       "machine stopped): complete it or turn it back; no password,\n"
       "but for an interrupted sealing or unsealing, asked for once.\n"
       "Journals named (" +
           JournalNamePattern() +
           ") are checked against the\n"
           "files named: where their files went",
       false, false, Recover, FinishRecover},
      {CtlCommand::Rescue, "rescue",
       "give back a coded copy that lost its record (copied without\n"
       "its attributes): find its key from its bytes, say what it\n"
       "found, and turn the bytes back. No password is needed",
       false, true, Rescue, nullptr},
  };
  return rows;
}

const std::vector<CtlOptionRow>& CtlOptionRows() {
  static const std::vector<CtlOptionRow> rows = {
      {nullptr, "--password-stdin", nullptr, nullptr,
       "read the password from the first line of standard input\n"
       "instead of asking on the terminal",
       0, [](CtlOptions* o, const std::string&) { o->passwordStdin = true; }},
      {"-r", "--recursive", nullptr, nullptr,
       "work on the files inside the folders named, at every depth;\n"
       "links inside them are skipped, never followed",
       0, [](CtlOptions* o, const std::string&) { o->recursive = true; }},
      {"-q", "--quiet", nullptr, nullptr, "status only: print nothing; the exit status tells",
       CommandBit(CtlCommand::Status), [](CtlOptions* o, const std::string&) { o->quiet = true; }},
      {nullptr, "--key-date", "'YYYY-MM-DD HH:MM:SS'", "a moment",
       "rescue only: the moment the file was coded, which gives the\n"
       "key when the bytes do not tell it for certain",
       CommandBit(CtlCommand::Rescue),
       [](CtlOptions* o, const std::string& value) { o->keyDate = value; }},
      {nullptr, "--force", nullptr, nullptr,
       "code a coded copy that lost its record a second time, decode\n"
       "plain bytes under a record left over, or rescue with a\n"
       "--key-date that turns the bytes into no type known here",
       CommandBit(CtlCommand::Code) | CommandBit(CtlCommand::Decode) |
           CommandBit(CtlCommand::Rescue),
       [](CtlOptions* o, const std::string&) { o->force = true; }},
      {nullptr, "--strong", nullptr, nullptr,
       "seal only: derive the key at the stronger cost, 4 passes over\n"
       "1 GiB (default: 3 passes over 256 MiB): each guess then costs\n"
       "an attacker six times as long and four times the memory",
       CommandBit(CtlCommand::Seal), [](CtlOptions* o, const std::string&) { o->strong = true; }},
      {nullptr, "--drop-journal", nullptr, nullptr,
       "recover only: remove the journals named, whatever their files",
       CommandBit(CtlCommand::Recover),
       [](CtlOptions* o, const std::string&) { o->dropJournals = true; }},
      {"-v", "--verbose", nullptr, nullptr, "show the engine's diagnostic lines on standard error",
       0, [](CtlOptions* o, const std::string&) { o->verbose = true; }},
      {"-h", "--help", nullptr, nullptr, "show this help and exit", 0,
       [](CtlOptions* o, const std::string&) { o->help = true; }},
      {"-V", "--version", nullptr, nullptr, "show the version and exit", 0,
       [](CtlOptions* o, const std::string&) { o->version = true; }},
  };
  return rows;
}

const CtlCommandRow* FindCommandRow(CtlCommand command) {
  for (const CtlCommandRow& row : CtlCommandRows())
    if (row.command == command) return &row;
  return nullptr;
}
