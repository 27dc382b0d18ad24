#pragma once
// Finding and settling a change that was interrupted: a file that carries the change marker is
// brought to one of its two whole states from its journal. A change is completed when it can be;
// it is turned back when the journal says so (the change had failed, or decoding found the bytes
// changed since they were coded) or when completing it fails. No password is needed: the journal
// holds the key. Nothing the marker points at is trusted without proof: the journal must be a
// regular file of the right owner (Journal.h), hold the marker's nonce, and be whole.
#include <sys/types.h>

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/journal/Journal.h"
#include "engine/journal/RecoveryReport.h"
#include "engine/journal/SealPassword.h"

// Files known by their device and inode.
using FileIds = std::set<std::pair<uint64_t, uint64_t>>;

// Settles the change marked on the open, locked file `fd` (at `path`, for the journal's place
// and messages), if it carries a marker. Nothing when it carries none. After a settled change
// the marker is gone and the journal too, once every file it names is settled.
// A sealed file's change is settled only with `password`; without it (or with a wrong one), the
// report says so and nothing is touched.
std::optional<RecoveryReport> SettleMarkedChange(int fd, const std::string& path,
                                                 SealPassword* password = nullptr);

// Settles the file at `path` (links followed): opens and locks it and settles its marked change.
// The report says what was found and done; `busy` is set when another program holds the file.
struct RecoveryAttempt {
  bool opened = false;
  bool busy = false;
  Fault whyNotOpened;
  std::optional<RecoveryReport> report;
};
RecoveryAttempt RecoverFile(const std::string& path, SealPassword* password = nullptr);

// A journal that is kept: why, and the files it names that cannot be found.
struct KeptJournal {
  std::string path;
  Fault why;
  std::vector<std::string> missing;
};

// Removes the journal at `path` when every file it names is settled: found by its device and
// inode (at its path, in that path's folder, or among `settled`) and carrying no marker of the
// journal. A journal another program holds locked is in use and kept. What is kept, and why.
std::optional<KeptJournal> RemoveJournalIfDone(const std::string& path,
                                               const JournalContents& journal,
                                               const FileIds& settled = {});
// The same for the journal at `path`, read first: kept when it cannot be read, unless it is cut
// short or damaged (as a change cut before the journal's first flush leaves it) and no file of
// its folder names it.
std::optional<KeptJournal> RemoveJournalIfStale(const std::string& path,
                                                const FileIds& settled = {});
// Every journal in `folder` of the user's that no other program holds: removed when stale, else
// what is kept. (A journal outlives its change when the machine stops in the instant between the
// change's end and the journal's removal, or when a file it names was moved or removed before
// its change was settled; it holds the key and the record, so it is not left lying unsaid.)
std::vector<KeptJournal> RemoveStaleJournals(const std::string& folder,
                                             const FileIds& settled = {});
// Removes the journal at `path` whatever its files, when it is one of the user's journals; the
// paths of the files it named.
Step DropJournal(const std::string& path, std::vector<std::string>* named);
