#include "platform/OpenFile.h"

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
