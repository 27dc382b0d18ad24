#pragma once
// The work of murvelctl, on the same engine as the window: the same inspection, the same
// transaction, the same attributes. It prints one result line per file on standard output
// ("STATE: FILE" or "STATE: FILE: DETAIL"), made from the engine's result values (a failure or a
// refusal on standard error instead), and with -v the engine's diagnostic lines on standard
// error. Coding and decoding many files changes them in batches, so thousands of small files
// take a handful of flushes.
#include <cstdio>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/ctl/FileList.h"
#include "app/ctl/ProgressLine.h"
#include "app/words/SealWaitWords.h"
#include "engine/Engine.h"
#include "engine/journal/Recovery.h"
#include "engine/journal/SealPassword.h"

// A fault of the engine in murvelctl's words.
std::string Words(const Fault& fault);
// "its interrupted coding was completed", and the like.
std::string RecoveryDetail(const RecoveryReport& report);

// The changes murvelctl makes to files.
enum class CtlChange { Code, Decode, Seal, Unseal };

// The state a result line tells ("STATE: FILE: DETAIL").
enum class CtlState : uint8_t {
  Coded,
  Decoded,
  Sealed,
  Unsealed,
  Plain,
  Whole,
  Recovered,
  Found,
  Rescued,
  DroppedJournal,
  // The refusals and failures, which go to standard error.
  Failed,
  NotWorkable,
  WrongPassword,
  Skipped,
  KeptJournal,
  SealingInterrupted,    // an interrupted sealing that waits for its password
  UnsealingInterrupted,  // the same of an unsealing
};

// A state's words in the result line, and whether it tells a refusal or failure of a file.
struct CtlStateWords {
  CtlState state;
  const char* text;
  bool refusal;
};
// Every state's words, in the enumeration's order (the man page names each).
const std::vector<CtlStateWords>& CtlStateRows();

// Result lines, each knowing whether it tells a refusal or failure of a file.
struct CtlLines {
  struct One {
    bool refusal = false;
    std::string text;  // with its line break
  };
  std::vector<One> lines;

  CtlLines& operator+=(const CtlLines& more) {
    lines.insert(lines.end(), more.lines.begin(), more.lines.end());
    return *this;
  }
};

class CtlWork : public EngineView {
 public:
  // `diagnostics`: where the engine's diagnostic lines go (nullptr: nowhere).
  CtlWork(std::FILE* results, std::FILE* diagnostics, ProgressLine& progress);

  // The password for code and decode: at most 20 bytes, as the window keeps it.
  void SetPassword(const plat::SecretText& password);
  // The password for seal and unseal, all of it, and what a new seal's key derivation costs; it
  // settles interrupted sealings and unsealings too.
  void SetSealPassword(const plat::SecretText& password, seal::Cost cost = seal::kDefaultCost);
  // Where the password of an interrupted sealing or unsealing is had when the first one is met
  // and none was set (recover): asked once, whatever it gives. False: none could be had.
  void SetSealPasswordSource(std::function<bool(plat::SecretText*)> ask) {
    askSealPassword_ = std::move(ask);
  }
  // Works on files whose bytes and record disagree all the same (code, decode), or turns bytes
  // back with a given key that makes nothing recognised (rescue).
  void SetForce(bool force) { force_ = force; }
  // Asked between batches: once true, the files not yet begun are left ("skipped: interrupted").
  void SetStopRequest(std::function<bool()> stop) { stop_ = std::move(stop); }

  // Codes the plain files or decodes the coded ones; seals the plain ones or unseals the sealed
  // ones. A file in another state is skipped: a coded file is never sealed, nor a sealed one
  // coded. True when every file was done.
  bool Change(const std::vector<ListedFile>& files, CtlChange change);
  // Tells for each file whether it is coded or sealed and, when coded, the name and moment of
  // its record, when sealed, its seal's format and cost (with `quiet` nothing is printed).
  struct StatusCount {
    int coded = 0, plain = 0, untold = 0;
    int sealed = 0;
    int mismatched = 0;  // coded bytes without a record, or plain bytes under one
  };
  StatusCount Status(const std::vector<ListedFile>& files, bool quiet);
  // Settles the interrupted changes of the files, and removes the journals no file needs any
  // more; journals named among the files are checked against the others of the batch (where
  // their files went), or with `dropJournals` removed whatever their files. True when every file
  // is whole afterwards and no journal is kept.
  bool Recover(const std::vector<ListedFile>& files, bool dropJournals = false);
  // After the last batch of Recover: the journals left in the folders of the files looked at,
  // removed when done, else said. True when none is kept.
  bool FinishRecover();
  // Gives back the files whose record is lost: finds each one's key (or takes the one of the
  // moment `keyDate`, when given), says what it found and turns the bytes back. A file whose key
  // is not certain is left as it is. True when every file was given back.
  bool Rescue(const std::vector<ListedFile>& files, const std::string& keyDate);

  void Progress(const std::string& file, uint64_t done, uint64_t total) override;
  void Looking(const std::string&) override {}

 private:
  static CtlLines Line(CtlState state, const std::string& file, const std::string& detail = {});
  // A line whose state is told in words of its own (status of a file whose bytes and record
  // disagree): a result.
  static CtlLines Line(const std::string& state, const std::string& file,
                       const std::string& detail);
  // The lines for a file's work.
  static CtlLines ResultLines(const std::string& file, const WorkResult& result, CtlChange change);
  static CtlLines ResultLines(const std::string& file, const WorkResult& result, bool decode) {
    return ResultLines(file, result, decode ? CtlChange::Decode : CtlChange::Code);
  }
  // Inspects the file; one whose interrupted sealing or unsealing waits for a password is
  // looked at again once the password source gave one.
  Inspection Look(const ListedFile& listed);
  // The line of a file that the inspection left not workable.
  static CtlLines NotWorkableLine(const std::string& file, const Inspection& found,
                                  bool recovering);
  // The line of a file that `change` does not apply to; none when it does.
  CtlLines Unfit(const std::string& file, const Inspection& found, CtlChange change) const;
  bool RescueOne(const ListedFile& listed, const std::string& keyDate, const uint8_t givenKey[6]);
  // The line for a file whose bytes and record disagree (CtlRescue.cpp); for status with
  // `status` set, else the line of a code or decode that leaves it.
  static CtlLines MismatchLine(const std::string& file, const Inspection& found, bool status);
  void Report(CtlState state, const std::string& file, const std::string& detail = {});
  // Says each journal kept and what to do with it. True when there is none.
  bool ReportKept(const std::vector<KeptJournal>& kept);
  // Writes result lines: a file's failure or refusal (failed, not workable, wrong password,
  // skipped, kept journal) to standard error, every other line to the results.
  void Emit(const CtlLines& lines);
  void Diagnose(const std::string& lines);

  std::FILE* results_;
  std::FILE* diagnostics_;
  std::FILE* refusals_ = stderr;
  ProgressLine& progress_;
  Engine engine_;
  std::set<std::string> recoverFolders_;   // recover: the folders whose journals are looked at last
  std::set<std::string> recoverJournals_;  // recover: the journals looked at with their batch
  VolumeAnswers volumes_;                  // which file systems keep attributes, asked once each
  Password password_;
  std::unique_ptr<SealPassword> sealPassword_;
  std::function<bool(plat::SecretText*)> askSealPassword_;
  std::function<bool()> stop_;
  bool force_ = false;
  std::string progressFile_;
  const char* verb_ = "coding";
};
