#pragma once
// A model of a disk under a page cache, standing in for both seams of the coding work (file
// calls and attributes). Every change lands in the cache at once and reaches the disk only when
// a flush covers it: fdatasync a file's bytes, fsync its bytes and attributes, fsync of a folder
// the names made or removed in it, syncfs everything. At a simulated power cut any subset of the
// changes not yet flushed survives, each 512-byte sector of a write and each attribute change on
// its own, and every later call fails. A test then starts a fresh model on what the disk held,
// as a machine does after the cut.
//
// Calls can also be made to fail (the N-th call answers an errno and does nothing), which is how
// every step of a change is made to fail in turn. A flush that fails loses for good what it was
// to flush, as a kernel that gives up on a write does: the cache still shows it, the disk never
// gets it.
#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "platform/AttrBackend.h"
#include "platform/FileCalls.h"

class ModelDisk : public plat::FileCalls, public plat::AttrBackend {
 public:
  struct Node {
    std::vector<uint8_t> bytes;
    std::map<std::string, std::string> attrs;
  };
  // Names (full paths) and the files they lead to. Folders are the paths' parents.
  struct State {
    std::map<std::string, uint64_t> names;
    std::map<uint64_t, Node> nodes;
    uint64_t nextInode = 100;
  };

  ModelDisk() = default;
  // A model whose disk, and cache, hold `disk`.
  explicit ModelDisk(const State& disk) : disk_(disk), cache_(disk) {}

  // Files made outside the work (the test's set-up), on disk at once.
  void AddFile(const std::string& path, const std::vector<uint8_t>& bytes,
               const std::map<std::string, std::string>& attrs);
  // What the cache holds for the file at `path` (what a reader sees now); null when none.
  const Node* Cached(const std::string& path) const;
  // The names in the cache.
  std::vector<std::string> Names() const;
  const State& Disk() const { return disk_; }
  const State& Cache() const { return cache_; }

  // The power is cut at the start of call number `call` (counted from 0): each change not yet
  // flushed survives with `keep` probability (0: none, 1: all), drawn from `seed`.
  void CutPowerAt(uint64_t call, double keep, unsigned seed);
  // The power is cut just after the `n`-th write (from 1) to a file that is not a journal has
  // reached the cache: every change not yet flushed survives but the journal's. (What a journal
  // flush that said it was done before it was would lose, whatever the threads' order.)
  void CutPowerAtDataWrite(uint64_t n);
  // Call number `call` fails with `err` (a negative errno) and does nothing; several may.
  void FailAt(uint64_t call, int err);
  // What the disk holds once every change not yet flushed has been written back (but those a
  // failed flush lost).
  State WrittenBack() const;
  bool PowerWasCut() const { return cut_; }
  uint64_t Calls() const { return calls_; }

  // FileCalls
  int Open(const std::string& path, int flags, mode_t mode = 0) override;
  int Close(int fd) override;
  int Fstat(int fd, struct stat* st) override;
  int Stat(const std::string& path, struct stat* st) override;
  ssize_t Pread(int fd, void* buf, size_t len, uint64_t offset) override;
  ssize_t Pwrite(int fd, const void* buf, size_t len, uint64_t offset) override;
  int Ftruncate(int fd, uint64_t size) override;
  int Fdatasync(int fd) override;
  int Fsync(int fd) override;
  int Syncfs(int fd) override;
  int Flock(int fd, int operation) override;
  int CreateUnique(std::string* path) override;
  int Unlink(const std::string& path) override;
  int RenameNoReplace(const std::string& from, const std::string& to) override;
  int Reopen(int fd, int flags) override;
  int StartWriteback(int fd, uint64_t offset, uint64_t len) override;
  int ListNames(const std::string& folder, std::vector<std::string>* names) override;

  // AttrBackend
  ssize_t Get(const std::string& path, const std::string& name, void* buf, size_t size) override;
  int Set(const std::string& path, const std::string& name, const void* data, size_t size) override;
  int Remove(const std::string& path, const std::string& name) override;
  ssize_t Get(int fd, const std::string& name, void* buf, size_t size) override;
  int Set(int fd, const std::string& name, const void* data, size_t size) override;
  int Remove(int fd, const std::string& name) override;
  int List(int fd, std::vector<std::string>* names) override;

 private:
  // A change in the cache that has not reached the disk.
  struct Change {
    enum Kind { Bytes, Resize, SetAttr, RemoveAttr, Link, Unlink, Rename } kind = Bytes;
    uint64_t inode = 0;
    std::string path;  // Link, Unlink, Rename (the name it had)
    uint64_t offset = 0;  // Bytes: where; Resize: the new size
    std::string data;  // Bytes: the sector's bytes; SetAttr: the value; Rename: the new name
    std::string name;  // SetAttr, RemoveAttr
  };
  static Change NewChange(Change::Kind kind, uint64_t inode);
  struct Handle {
    std::string path;
    uint64_t inode = 0;
    bool folder = false;
  };

  // Counts the call; false, with `*err` set, when it is to fail (or the power is cut).
  bool Enter(int* err);
  static void Apply(State& s, const Change& c);
  void Note(Change c);
  // Puts the pending changes that `covers` picks on the disk, or loses them (a failed flush).
  template <typename Pred>
  void FlushWhere(Pred covers, bool lose = false);
  Node* NodeOf(int fd);
  Node* NodeAt(const std::string& path);

  State disk_;
  State cache_;
  std::vector<Change> pending_;
  std::map<int, Handle> handles_;
  int nextFd_ = 1000;
  uint64_t calls_ = 0;
  uint64_t cutAt_ = UINT64_MAX;
  std::map<uint64_t, int> failAt_;
  bool failing_ = false;  // the call entered last is one made to fail
  uint64_t cutAtDataWrite_ = 0, dataWrites_ = 0;
  double keep_ = 0;
  unsigned seed_ = 0;
  bool cut_ = false;
  std::recursive_mutex mutex_;
};
