#pragma once
// The journal of a change: a file, beside the files being changed, that holds before the first
// byte changes everything needed to complete the change or turn it back after a crash: for each
// file its identity, size, direction, key and attribute plan; then, window by window as the
// content pass goes, the hash of every page as it was before it was turned; and notes that a
// file's change is to be turned back. The format and the order of writes and flushes are in
// docs/crash-safety.md.
//
// Each record: type (1 byte), payload length (4 bytes), payload, and the hash of the three
// (8 bytes); all integers little-endian. A reader stops at the first record that is cut short or
// does not match its hash: a record is flushed before anything relies on it, so what follows a
// damaged one was never relied on.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/AttrPlan.h"
#include "engine/CipherTransform.h"
#include "platform/Outcome.h"

constexpr const char* kJournalPrefix = ".murvel-journal-";

struct JournalEntry {
  uint32_t index = 0;
  CipherDirection direction = CipherDirection::Code;
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t size = 0;
  uint8_t key[6] = {};
  std::string path;
  AttrPlan plan;
};

// What a journal holds for one file: its entry, the hashes of its pages before the change for
// pages 0 .. hashes.size() - 1 (the pages the pass may have touched), and whether the change is
// to be turned back.
struct JournalFile {
  JournalEntry entry;
  std::vector<uint64_t> hashes;
  bool turnBack = false;
};

struct JournalContents {
  uint64_t nonce = 0;
  std::map<uint32_t, JournalFile> files;
};

class JournalWriter {
 public:
  JournalWriter() = default;
  ~JournalWriter();
  JournalWriter(const JournalWriter&) = delete;
  JournalWriter& operator=(const JournalWriter&) = delete;

  // Creates a new journal file in `folder`, readable by its owner only.
  plat::Outcome Create(const std::string& folder);
  const std::string& Path() const { return path_; }
  uint64_t Nonce() const { return nonce_; }

  // Records are kept until Write() puts them in the file.
  void AddEntry(const JournalEntry& entry);
  void AddWindow(uint32_t entry, uint64_t firstPage, const uint64_t* hashes, uint32_t count);
  void AddTurnBack(uint32_t entry);
  plat::Outcome Write();
  // Flushes the journal's bytes (fdatasync); the first flush also makes its name durable in its
  // folder.
  plat::Outcome Flush();
  // Closes and removes the journal.
  plat::Outcome Remove();

 private:
  void AddRecord(uint8_t type, const std::string& payload);

  std::string path_;
  std::string folder_;
  int fd_ = -1;
  uint64_t nonce_ = 0;
  uint64_t end_ = 0;
  std::string pending_;
  bool folderFlushed_ = false;
};

// Reads the journal at `path`; fails when it cannot be read or holds no valid header (then
// `*noHeader` is set, when given: a journal cut short before its first flush, which no file can
// need).
plat::Outcome ReadJournal(const std::string& path, JournalContents* out, bool* noHeader = nullptr);

// Where a change keeps its journal when the folder of its files takes no new file: the user's
// state folder, $XDG_STATE_HOME/murvel or ~/.local/state/murvel, made (0700) when missing. Empty
// when there is none.
std::string StateFolder();
