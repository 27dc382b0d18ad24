#include "platform/OpenFile.h"

#include <fcntl.h>
#include <sys/file.h>

#include <utility>

#include "platform/FileCalls.h"

namespace plat {

OpenFile::OpenFile(OpenFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -EBADF)), locked_(std::exchange(other.locked_, false)) {}

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -EBADF);
    locked_ = std::exchange(other.locked_, false);
  }
  return *this;
}

OpenFile OpenFile::Open(const std::string& path, int flags, mode_t mode) {
  return OpenFile(Files().Open(path, flags, mode));
}

OpenFile OpenFile::OpenRegular(const std::string& path, int flags, struct stat* st) {
  *st = {};
  OpenFile handle = Open(path, O_PATH | O_NOFOLLOW);
  if (!handle.IsOpen()) return handle;
  const int r = Files().Fstat(handle.Fd(), st);
  if (r < 0) return OpenFile(r);
  if (S_ISLNK(st->st_mode)) return OpenFile(-ELOOP);
  if (!S_ISREG(st->st_mode)) return OpenFile(-EINVAL);
  return OpenFile(Files().Reopen(handle.Fd(), flags | O_NOCTTY | O_NONBLOCK));
}

int OpenFile::TryLock() {
  if (fd_ < 0) return -EBADF;
  if (locked_) return 0;
  const int r = Files().Flock(fd_, LOCK_EX | LOCK_NB);
  locked_ = r == 0;
  return r;
}

int OpenFile::Close() {
  if (fd_ < 0) return 0;
  if (locked_) (void)Files().Flock(fd_, LOCK_UN);
  locked_ = false;
  return Files().Close(std::exchange(fd_, -EBADF));
}

}  // namespace plat
