#pragma once
// The coding transaction: plain files coded (bytes, record, stashes, type, icons) and coded files
// decoded after the password check, crash-safe. Every file is opened once and locked for the
// whole change, and its bytes and attributes are read and written through that one descriptor.
// Before anything changes, a journal holds all that is needed to complete or turn back the
// change, and each file carries a change marker; the marker goes once the change is whole on
// disk. A change that fails partway is turned back; one that is interrupted (the program killed,
// the machine stopped) is settled at the next look (Recovery.h). The order of writes and flushes
// is written down in docs/crash-safety.md.
//
// Several files are changed together in one batch: one journal, and each flush made once for
// all of them, which is what makes thousands of small files cheap.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/Results.h"
#include "engine/journal/JournaledPass.h"
#include "engine/journal/SealPassword.h"
#include "platform/SecretMemory.h"

struct ChangeRequest {
  std::string file;        // the one file to change: the entry, or where its link leads
  std::string recordName;  // the name a new record keeps (the entry's leaf name)
  // Act only on a file found plain (false) or coded (true) under its lock; unset: either.
  std::optional<bool> expectCoded;
  // Turn only the bytes, with this key and direction: no record read or written, no attribute
  // touched. (The window's content-pass operations, and a rescue of a file that lost its
  // record, with `expectCoded` false.)
  struct Bytes {
    CipherDirection direction;
    uint8_t key[6];
  };
  std::optional<Bytes> bytesOnly;
  // Seal a plain file, or unseal a sealed one, rather than code or decode (`expectCoded` then
  // speaks of a file found sealed). A coded file is not sealed, nor a sealed one coded.
  bool sealing = false;
};

// The bytes of one window of the content pass, and of one batch at most.
constexpr size_t kWindowBytes = size_t(32) << 20;

struct TransactionOptions {
  bool passwordSet = false;
  plat::SecretText password;  // at most plat::kPasswordMax bytes, as entered
  // The password of sealings and unsealings, and of settling an interrupted one; none: they are
  // not done (NoPassword) and interrupted ones are left as they are.
  SealPassword* sealPassword = nullptr;
  size_t windowBytes = kWindowBytes;
  // The journal flushed on a thread of its own while the pass reads on (JournaledPass.h).
  bool overlapFlushes = true;
  // Files and bytes at most in one batch (one journal, one set of flushes).
  size_t batchFiles = 512;
  // A larger file is a batch of its own; a batch ends within a second or so, and a stop asked
  // for (Ctrl-C) waits for no more than that.
  uint64_t batchBytes = kWindowBytes;
  // The journals no file needs any more are removed from a folder before its first journal is
  // made; a caller that walks the folders itself does so there instead.
  bool sweepStaleJournals = true;
  PassProgress progress;
  // Asked between batches; once true, the files not yet begun are left, outcome NotDone with
  // `stopped` set.
  std::function<bool()> stopRequested;
  // Told each result as soon as it and all before it are known, in the order of the requests.
  std::function<void(size_t index, const WorkResult& result)> onResult;
};

// Works on every request in order; one result per request, in the same order.
std::vector<WorkResult> RunTransaction(const std::vector<ChangeRequest>& requests,
                                       const TransactionOptions& options);
