#pragma once
// Finding and settling a change that was interrupted: a file that carries the change marker is
// brought to one of its two whole states from its journal. A change is completed when it can be;
// it is turned back when the journal says so (the change had failed, or decoding found the bytes
// changed since they were coded) or when completing it fails. No password is needed: the journal
// holds the key.
#include <optional>
#include <string>

#include "engine/Journal.h"
#include "engine/Results.h"

// Settles the change marked on the open, locked file `fd` (at `path`, for the journal's place
// and messages), if it carries a marker. Nothing when it carries none. After a settled change
// the marker is gone and the journal too, once no other file still needs it.
std::optional<RecoveryReport> SettleMarkedChange(int fd, const std::string& path);

// Settles the file at `path` (links followed): opens and locks it and settles its marked change.
// The report says what was found and done; `busy` is set when another program holds the file.
struct RecoveryAttempt {
  bool opened = false;
  bool busy = false;
  std::string whyNotOpened;
  std::optional<RecoveryReport> report;
};
RecoveryAttempt RecoverFile(const std::string& path);

// Removes the journal at `path` when none of the files it names still carries its marker.
void RemoveJournalIfDone(const std::string& path, const JournalContents& journal);
// Removes the journals in `folder` that no file needs any more. (A journal outlives its change
// only when the machine stops in the instant between the change's end and the journal's
// removal; it holds the key and the record, so it is not left lying.)
void RemoveStaleJournals(const std::string& folder);
