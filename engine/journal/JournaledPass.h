#pragma once
// The content pass of a change: the bytes of one or more files turned in place, window by
// window. Before a window's bytes are written, the hashes of its pages as they are are added to
// the journal and flushed, so that whatever reaches the disk afterwards can be told apart from
// what did not (Settle.h). Memory stays small (two chunks of bytes and a window's page hashes)
// whatever the files' sizes, but for a sealing, whose bytes are kept turned from the first read
// to the write (a window's, two with the flusher); many small files share one window, and so
// one flush.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/journal/CipherTransform.h"
#include "engine/journal/ContentKey.h"
#include "engine/journal/Fault.h"
#include "engine/journal/Journal.h"
#include "engine/journal/PageHash.h"
#include "seal/ContentMac.h"

// One file's part in a pass.
struct PassFile {
  int fd = -1;
  uint32_t entry = 0;  // its entry in the journal
  uint64_t size = 0;   // the content's bytes (a sealed file's record after them is no page)
  ContentKey key;
  CipherDirection direction = CipherDirection::Code;
  // A sealing hashes its pages sealed (Journal.h, HashesAfter); its sealed bytes go into `mac`
  // as they are written. An unsealing's go into `mac` as they are first read.
  bool sealed = false;
  seal::ContentMac* mac = nullptr;
  std::string name;  // for progress
  // Set by the pass: the file's pass failed (its reason), or how far it went.
  bool failed = false;
  Fault failure;
  uint64_t written = 0;  // the bytes from its start written
  // The digest of the file's coded bytes: after the pass when coding, as read when decoding.
  ContentDigest digest;
};

// Told the file in hand and the bytes done of all the pass's bytes.
using PassProgress = std::function<void(const std::string& name, uint64_t done, uint64_t total)>;

struct PassOptions {
  // The journal is flushed on a thread of its own while the next window is read and hashed;
  // without, each window waits for its flush.
  bool overlapFlushes = true;
  PassProgress progress;
};

// Runs the pass over `files`, window by window as the journal's plan has them (one journal
// flush each); with the flusher, a second thread reads and hashes each window while the one
// before is written. A window's bytes are written only once its page hashes are flushed to the
// journal. A file whose read or write fails is marked failed and left for its caller to turn back;
// the others go on. Fails when the journal cannot be written or flushed: no further byte is written
// then, and every file not yet through is marked failed. Fails also when no memory for the window
// could be had (`*outOfMemory`), before any write.
Step RunJournaledPass(const std::vector<PassFile*>& files, JournalWriter& journal,
                      const PassOptions& options, bool* outOfMemory);
