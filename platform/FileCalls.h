#pragma once
// The file-system calls of the coding work, as a seam: every open, read, write, flush, lock,
// truncation and removal that changes or checks a user's file goes through the FileCalls in use
// (only an unsealing cuts a file short, by its seal's record), so that tests can make any single call fail (EIO, ENOSPC) or stop the work
// there, and can run the work on a model of the page cache that loses unflushed writes at a
// simulated power cut. Attribute calls go through the attribute seam beside it (AttrBackend.h).
//
// Every call returns what the system call does, with errors as negative errno values.
#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace plat {

class FileCalls {
 public:
  virtual ~FileCalls() = default;
  // open(2): a descriptor, or a negative errno.
  virtual int Open(const std::string& path, int flags, mode_t mode = 0) = 0;
  virtual int Close(int fd) = 0;
  virtual int Fstat(int fd, struct stat* st) = 0;
  // stat(2) of the path, links followed.
  virtual int Stat(const std::string& path, struct stat* st) = 0;
  // One pread/pwrite: the byte count (possibly short) or a negative errno.
  virtual ssize_t Pread(int fd, void* buf, size_t len, uint64_t offset) = 0;
  virtual ssize_t Pwrite(int fd, const void* buf, size_t len, uint64_t offset) = 0;
  // ftruncate(2).
  virtual int Ftruncate(int fd, uint64_t size) = 0;
  // Flushes: the file's data (fdatasync), the file with its metadata and attributes (fsync),
  // everything of the file system that holds the file (syncfs).
  virtual int Fdatasync(int fd) = 0;
  virtual int Fsync(int fd) = 0;
  virtual int Syncfs(int fd) = 0;
  // flock(2) with LOCK_EX | LOCK_NB or LOCK_UN.
  virtual int Flock(int fd, int operation) = 0;
  // Creates a new file of mode 0600 from `*path`, whose name ends in "XXXXXX" (mkostemp); on
  // success `*path` is the file's name and the result its descriptor, open for reading and
  // writing.
  virtual int CreateUnique(std::string* path) = 0;
  virtual int Unlink(const std::string& path) = 0;
  // Gives the file at `from` the name `to`, never replacing a file already there (-EEXIST).
  virtual int RenameNoReplace(const std::string& from, const std::string& to) = 0;
  // Opens the file that `fd` (an O_PATH descriptor, which reads and writes nothing) stands for,
  // anew with `flags`: the file itself, whatever its name leads to meanwhile.
  virtual int Reopen(int fd, int flags) = 0;
  // Starts writing [offset, offset + len) to the disk without waiting for it (a hint that makes
  // a later flush shorter; it makes nothing durable).
  virtual int StartWriteback(int fd, uint64_t offset, uint64_t len) = 0;
  // The names (leaf names) of the entries of `folder`.
  virtual int ListNames(const std::string& folder, std::vector<std::string>* names) = 0;
};

// The calls of the running system.
class SystemFileCalls : public FileCalls {
 public:
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
};

// The FileCalls in use: the system's unless a test installed another (not owned; nullptr restores).
FileCalls& Files();
void SetFileCalls(FileCalls* io);

}  // namespace plat
