#pragma once
// Brings one file whose change was interrupted or failed to one of its two whole states: the
// change completed (every page turned, the attributes as the plan has them after) or turned back
// (every page as it was, the attributes as before). Which pages are already turned is told by the
// hashes the journal kept of them as they were; a page that was written only in part, a whole
// 512-byte sector at a time, is told apart sector by sector. Pages whose hashes the journal
// does not hold were never written.
#include <cstdint>
#include <string>

#include "engine/journal/ContentKey.h"
#include "engine/journal/Fault.h"
#include "engine/journal/Journal.h"

struct SettleResult {
  uint64_t pagesRewritten = 0;
  // The coded bytes' digest, when the change was completed in the coding direction.
  uint64_t digest = 0;
};

// For a decoding: reads the file without changing it and gives the digest of its coded bytes,
// the bytes as they were before the change. Fails when a page matches neither state.
Step CodedDigest(int fd, const JournalFile& journal, uint64_t* digest);

// Gives every page whose hash the journal does not hold (a page the pass never wrote) the hash
// of the page as it is, which is its state before the change (for a sealing, of that page
// sealed with `key`); `known` is left as it was.
Step HashUnrecordedPages(int fd, JournalFile* journal, const ContentKey& key);

// The digest of the open file's bytes as they are (PageHash.h).
Step FileDigest(int fd, uint64_t* digest);

// Turns the open file's content pages to the state after the change (`complete`) or before it,
// turning them with `key` (the journal's time code for a coding, the file's keys for a sealing),
// and flushes the file. Fails, with the file as good as it could be made, when a page matches
// neither state, the file's size changed, or a read, write or flush fails.
Step Settle(int fd, const JournalFile& journal, const ContentKey& key, bool complete,
            SettleResult* result);

// Writing to a file clears its setuid and setgid bits (unless root writes): puts the open file's
// permission bits back to `mode` (07777) when it had either, before the flush that makes the
// change durable. A user who may write the file but does not own it cannot put them back; the
// kernel leaves them cleared.
void PutBackSetIdBits(int fd, uint32_t mode);
