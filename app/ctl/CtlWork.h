#pragma once
// The work of murvelctl, on the same engine as the window: the same inspection, the same
// transaction, the same attributes. It prints one result line per file on standard output
// ("STATE: FILE" or "STATE: FILE: DETAIL"), made from the engine's result values (a failure or a
// refusal on standard error instead), and with -v the engine's diagnostic lines on standard
// error. Coding and decoding many files changes them in batches, so thousands of small files
// take a handful of flushes.
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/ctl/FileList.h"
#include "app/ctl/ProgressLine.h"
#include "engine/Engine.h"
#include "engine/journal/Recovery.h"

// A fault of the engine in murvelctl's words.
std::string Words(const Fault& fault);
// "its interrupted coding was completed", and the like.
std::string RecoveryDetail(const RecoveryReport& report);

// The state a result line tells ("STATE: FILE: DETAIL").
enum class CtlState : uint8_t {
  Coded,
  Decoded,
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
  // Works on files whose bytes and record disagree all the same (code, decode), or turns bytes
  // back with a given key that makes nothing recognised (rescue).
  void SetForce(bool force) { force_ = force; }
  // Asked between batches: once true, the files not yet begun are left ("skipped: interrupted").
  void SetStopRequest(std::function<bool()> stop) { stop_ = std::move(stop); }

  // Codes the plain files (decode false) or decodes the coded ones; a file in the other state is
  // skipped. True when every file was done.
  bool CodeOrDecode(const std::vector<ListedFile>& files, bool decode);
  // Tells for each file whether it is coded and, when it is, the name and moment of its record
  // (with `quiet` nothing is printed).
  struct StatusCount {
    int coded = 0, plain = 0, untold = 0;
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
  static CtlLines ResultLines(const std::string& file, const WorkResult& result, bool decode);
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
  std::function<bool()> stop_;
  bool force_ = false;
  std::string progressFile_;
  const char* verb_ = "coding";
};
