#pragma once
// murvelctl's commands and options, one row each. Parsing, the --help text and the usage errors
// are made from these rows; the man page and the completion are checked against them.
#include <string>
#include <vector>

#include "app/ctl/CtlOptions.h"
#include "app/ctl/CtlWork.h"

struct ListedFile;

// murvelctl's exit statuses.
constexpr int kExitDone = 0;
constexpr int kExitNotDone = 1;  // a file not done as asked; status: one that could not be told
constexpr int kExitUsage = 2;
constexpr int kExitPlain = 3;  // status --quiet: a file is plain
// status --quiet: a file's bytes and record disagree (coded, record lost; or the reverse)
constexpr int kExitMismatch = 4;

// What a command works with from its first batch to its end.
struct CtlRun {
  CtlWork& work;
  const CtlOptions& options;
  bool allDone = true;         // every file done as asked (recover: whole)
  int quietExit = 0;           // status --quiet: the exit status
  CtlWork::StatusCount count;  // status: the files told so far
};

struct CtlCommandRow {
  CtlCommand command;
  const char* name;
  std::string help;     // its lines in --help, '\n' between them
  bool needsPassword;   // asked before any file is touched (twice for code)
  bool sweepsJournals;  // the journals no file needs any more go before a folder's first batch
  void (*handle)(CtlRun& run, const std::vector<ListedFile>& batch);
  void (*finish)(CtlRun& run);  // after the last batch, or null
};

struct CtlOptionRow {
  const char* shortName;  // "-r", or null
  const char* longName;   // "--recursive"
  const char* value;      // what follows it in --help ("'YYYY-MM-DD HH:MM:SS'"), or null
  const char* valueWhat;  // said when the value is missing ("a moment")
  const char* help;       // its lines in --help, '\n' between them
  unsigned commands;      // the commands it is for, a bit each (CommandBit); 0 for all
  void (*set)(CtlOptions* options, const std::string& value);
};

constexpr unsigned CommandBit(CtlCommand c) {
  return 1u << static_cast<unsigned>(c);
}

const std::vector<CtlCommandRow>& CtlCommandRows();
const std::vector<CtlOptionRow>& CtlOptionRows();
// The row of `command`; null for Help and Version.
const CtlCommandRow* FindCommandRow(CtlCommand command);
