#pragma once
// One open file and its lock, with one owner: opened through the file-call seam (FileCalls.h),
// locked at most once, and unlocked and closed when its owner lets it go. Move-only, so that a
// descriptor is closed exactly once.
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <string>

namespace plat {

class OpenFile {
 public:
  OpenFile() = default;
  // Takes over a descriptor already open (CreateUnique's), or keeps a negative errno.
  explicit OpenFile(int fdOrError) : fd_(fdOrError) {}
  ~OpenFile() { Close(); }
  OpenFile(OpenFile&& other) noexcept;
  OpenFile& operator=(OpenFile&& other) noexcept;
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  // open(2) through the seam; IsOpen() tells whether it worked, Fd() why not.
  static OpenFile Open(const std::string& path, int flags, mode_t mode = 0);

  // Opens the path only when it names a regular file, not following a link: it is looked at
  // first through a descriptor that reads nothing (O_PATH), so that a device or a FIFO put in
  // its place is never opened, then opened anew with `flags`. `*st` says what the path named;
  // anything but a regular file gives -EINVAL, a link -ELOOP.
  static OpenFile OpenRegular(const std::string& path, int flags, struct stat* st);

  bool IsOpen() const { return fd_ >= 0; }
  // The descriptor, or the negative errno of the open that failed (-EBADF when none was made).
  int Fd() const { return fd_; }

  // flock(2) LOCK_EX | LOCK_NB: 0, -EWOULDBLOCK when another holds the lock, or another
  // negative errno (a file system without locks). A lock had is held until Close().
  int TryLock();
  // Whether another program holds the file locked (its change is running).
  bool LockedByAnother() { return TryLock() == -EWOULDBLOCK; }

  // Unlocks when locked, and closes now; close's result (0 when nothing was open).
  int Close();

 private:
  int fd_ = -EBADF;
  bool locked_ = false;
};

}  // namespace plat
