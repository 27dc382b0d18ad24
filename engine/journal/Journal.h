#pragma once
// The journal of a change: a file, beside the files being changed, that holds before the first
// byte changes everything needed to complete the change or turn it back after a crash: for each
// file its identity, size, direction, key and attribute plan; then, window by window as the
// content pass goes, the hash of every page as it was before it was turned; and notes that a
// file's change is to be turned back. The format and the order of writes and flushes are in
// docs/crash-safety.md.
//
// Every place in the journal is fixed when it is made: the header says how long the journal is
// and how the pass cuts the files into windows, so each window has its own slot. Each record
// (type, payload length, payload, hash of the three; integers little-endian) is written twice.
// So a damaged journal is told from one cut short by a crash: a journal shorter or longer than
// its header says was cut or added to, and a flushed record whose one copy was damaged still
// has the other. A slot whose copies are both unreadable was never flushed, so the bytes of its
// window were never written.
#include <sys/types.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "engine/journal/AttrChanges.h"
#include "engine/journal/CipherTransform.h"
#include "engine/journal/Fault.h"
#include "platform/OpenFile.h"

struct JournalEntry {
  uint32_t index = 0;
  CipherDirection direction = CipherDirection::Code;
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t size = 0;
  uint8_t key[6] = {};
  std::string path;
  AttrPlan plan;
  // The file's permission bits before the change (07777), so that the setuid and setgid bits
  // its writes clear are put back however it ends; 0 in a journal that did not keep them.
  uint32_t mode = 0;
  // A sealing (Code) or unsealing (Decode): `key` is unused, and `sealRecord` is the seal's
  // record (seal/SealRecord.h), public data only: the header (salt, cost, nonces, the data key
  // wrapped under the password's key) and, for an unsealing, the MAC. `size` is the content's
  // length; the file is `size` bytes plain and `size` + the record's bytes sealed.
  bool sealed = false;
  std::string sealRecord;
};

// For a sealed entry, the file's page hashes are of the pages in their sealed form: before the
// change when unsealing, after it when sealing, so that a journal never holds a hash of plain
// bytes of a sealed file. For a coding or decoding they are of the pages before the change.
inline bool HashesAfter(const JournalEntry& e) {
  return e.sealed && e.direction == CipherDirection::Code;
}

// What a journal holds for one file: its entry, the hashes of its pages before the change for
// the pages of the windows whose records were flushed (the pages the pass may have touched), and
// whether the change is to be turned back.
struct JournalFile {
  JournalEntry entry;
  std::vector<uint64_t> hashes;  // one per page of the file (HashesAfter says which form)
  std::vector<bool> known;       // whether hashes[page] was recorded
  bool turnBack = false;
  // Where a recovery keeps every page's hash before it writes: the record's two copies.
  uint64_t beforeAt = 0, beforeCopyAt = 0;

  bool Hashed(uint64_t page) const { return page < known.size() && known[page]; }
};

struct JournalContents {
  uint64_t nonce = 0;
  std::map<uint32_t, JournalFile> files;
};

// One file's run of pages in a window of the pass.
struct WindowPiece {
  uint32_t file = 0;  // its place in the batch (= its entry number)
  uint64_t offset = 0;
  size_t len = 0;
  size_t at = 0;  // where in the window
};
using WindowPlan = std::vector<std::vector<WindowPiece>>;

// How the pass cuts files of `sizes` bytes into windows of `windowBytes` (rounded to whole
// pages): in order, whole pages each except a file's last, small files sharing a window. The
// journal and the pass use the one plan.
WindowPlan PlanWindows(const std::vector<uint64_t>& sizes, size_t windowBytes);

// What a window record says of one piece: its pages' hashes, or that the pass did not read
// them (the file had failed before).
struct PieceHashes {
  const uint64_t* hashes = nullptr;  // nullptr: not read
};

class JournalWriter {
 public:
  JournalWriter() = default;
  ~JournalWriter();
  JournalWriter(const JournalWriter&) = delete;
  JournalWriter& operator=(const JournalWriter&) = delete;

  // Creates a new journal file in `folder`, readable by its owner only, and locks it.
  Step Create(const std::string& folder);
  const std::string& Path() const { return path_; }
  uint64_t Nonce() const { return nonce_; }

  // Writes the header and the entries (numbered 0, 1, ... in order) and gives the journal its
  // full length, with the windows of a pass of `windowBytes`.
  Step Begin(const std::vector<JournalEntry>& entries, size_t windowBytes);
  const WindowPlan& Plan() const { return plan_; }
  // Writes window `k`'s record: one PieceHashes per piece of the plan's window.
  Step WriteWindow(size_t k, const std::vector<PieceHashes>& pieces);
  Step WriteTurnBack(uint32_t entry);
  // Flushes the journal's bytes (fdatasync), then writes the second copies of the records
  // written since the last flush and flushes them too. The first flush also gives the journal its
  // journal's name (until then it has a name that says it was never flushed, JournalPolicy.h)
  // and makes that name durable in its folder: Path() is the name a marker gives from then on.
  Step Flush();
  // Closes and removes the journal.
  Step Remove();

 private:
  Step WriteAt(const std::string& bytes, uint64_t offset);
  // Writes the first copy of `record` at `at`; its second is written by the next Flush.
  Step WriteRecord(const std::string& record, uint64_t at);

  std::string path_;
  std::string folder_;
  plat::OpenFile file_;  // open and locked while the change runs
  uint64_t nonce_ = 0;
  WindowPlan plan_;
  std::vector<uint64_t> windowAt_;  // where each window's slot is
  uint64_t turnBackAt_ = 0;
  uint64_t mirror_ = 0;  // how far after its first copy a record's second lies
  bool folderFlushed_ = false;
  // Second copies of records written since the last flush (by the pass, or its flusher's
  // thread), written by the next flush once the first copies are on disk.
  std::mutex secondsMutex_;
  std::vector<std::pair<uint64_t, std::string>> seconds_;
};

// Why a journal could not be used.
enum class JournalTrouble {
  None,
  Missing,    // nothing at the path
  Untrusted,  // not a regular file of the right owner, or writable by others
  NoHeader,   // no readable header: cut short before its first flush, or damaged there
  Damaged,    // its length or its entries are not what its header says
  Unreadable,
};

// Whether a journal's owner and mode can be trusted, for a file owned by `fileOwner`: a regular
// file owned by the user running the program (or, for root, by the file's owner), and by the
// file's owner or root, writable by no one else. Empty when it can; else why not.
Fault JournalDistrust(const struct stat& journal, uid_t fileOwner);

// Reads the journal at `path` for a file owned by `fileOwner`: opened without following a link
// and without blocking, and used only when JournalDistrust finds nothing against it.
Step ReadJournal(const std::string& path, uid_t fileOwner, JournalContents* out,
                 JournalTrouble* trouble = nullptr);

// The journal in `data`, the bytes of the journal at `path` (named in the faults), checked
// whole before anything of it is used: every length, count and slot against its header.
Step ParseJournal(const std::string& path, const std::string& data, JournalContents* out,
                  JournalTrouble* trouble);

// Keeps `file`'s hashes, all of them set (a page not recorded was never written: its hash is
// that of the page as it is), in the journal at `path` and flushes them: done by a recovery
// before it writes pages that the pass never wrote, so that a recovery cut short can be
// settled in turn. Then every page of `file` counts as recorded.
Step KeepHashesBefore(const std::string& path, uid_t fileOwner, JournalFile* file);
