#pragma once
// The work of murvelctl, on the same engine as the window: the same inspection, the same
// transaction, the same attributes. It prints one result line per file on standard output
// ("STATE: FILE" or "STATE: FILE: DETAIL"), made from the engine's result values, and with -v the
// engine's diagnostic lines on standard error. Coding and decoding many files changes them in
// batches, so thousands of small files take a handful of flushes.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/ctl/FileList.h"
#include "app/ctl/ProgressLine.h"
#include "engine/Engine.h"

class CtlWork : public EngineView {
 public:
  // `diagnostics`: where the engine's diagnostic lines go (nullptr: nowhere).
  CtlWork(std::FILE* results, std::FILE* diagnostics, ProgressLine& progress);

  // The password for code and decode: at most 20 bytes, as the window keeps it.
  void SetPassword(const std::string& password);
  // Asked between batches: once true, the files not yet begun are left ("skipped: interrupted").
  void SetStopRequest(std::function<bool()> stop) { stop_ = std::move(stop); }

  // Codes the plain files (decode false) or decodes the coded ones; a file in the other state is
  // skipped. True when every file was done.
  bool CodeOrDecode(const std::vector<ListedFile>& files, bool decode);
  // Tells for each file whether it is coded and, when it is, the name and moment of its record
  // (with `quiet` nothing is printed).
  struct StatusCount {
    int coded = 0, plain = 0, untold = 0;
  };
  StatusCount Status(const std::vector<ListedFile>& files, bool quiet);
  // Settles the interrupted changes of the files, and removes the journals no file needs any
  // more; journals named among the files are checked against the others (where their files
  // went), or with `dropJournals` removed whatever their files. True when every file is whole
  // afterwards and no journal is kept.
  bool Recover(const std::vector<ListedFile>& files, bool dropJournals = false);

  void Progress(const std::string& file, uint64_t done, uint64_t total) override;
  void Looking(const std::string&) override {}

 private:
  static std::string Line(const char* state, const std::string& file,
                          const std::string& detail = {});
  // The lines for a file's work.
  static std::string ResultLines(const std::string& file, const WorkResult& result, bool decode);
  void Report(const char* state, const std::string& file, const std::string& detail = {});
  void Diagnose(const std::string& lines);

  std::FILE* results_;
  std::FILE* diagnostics_;
  ProgressLine& progress_;
  Engine engine_;
  VolumeAnswers volumes_;  // which file systems keep attributes, asked once each
  Password password_;
  std::function<bool()> stop_;
  std::string progressFile_;
  const char* verb_ = "coding";
};
