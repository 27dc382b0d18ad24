#include "platform/Node.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/AttrBackend.h"

namespace plat {

Node::~Node() {
  Unset();
}

int Node::SetTo(const std::string& path) {
  Unset();
  struct stat st;
  if (path.empty()) {
    init_ = -ENOENT;
    return init_;
  }
  if (lstat(path.c_str(), &st) != 0) {
    init_ = -errno;
    return init_;
  }
  path_ = path;
  init_ = 0;
  return 0;
}

void Node::Unset() {
  Unlock();
  path_.clear();
  init_ = -EBADF;
}

int Node::GetStat(struct stat* st) const {
  if (init_ != 0) return -EBADF;
  if (lstat(path_.c_str(), st) != 0) return -errno;
  return 0;
}

ssize_t Node::ReadAttr(const char* name, type_code /*type*/, off_t offset, void* buf,
                       size_t len) const {
  if (init_ != 0) return -EBADF;
  if (!name || offset != 0 || (!buf && len)) return -EINVAL;
  return Attrs().Get(path_, name, buf, len);
}

ssize_t Node::WriteAttr(const char* name, type_code /*type*/, off_t offset, const void* buf,
                        size_t len) {
  if (init_ != 0) return -EBADF;
  if (!name || offset != 0 || (!buf && len)) return -EINVAL;
  int rc = Attrs().Set(path_, name, buf, len);
  return rc < 0 ? rc : ssize_t(len);
}

int Node::RemoveAttr(const char* name) {
  if (init_ != 0) return -EBADF;
  if (!name) return -EINVAL;
  return Attrs().Remove(path_, name);
}

namespace {

// Opens a file or folder (links followed) only to lock or flush it, into `*fd`; 0 or a negative
// errno. Anything else is not opened at all: a FIFO would wait for a writer, and opening a
// device can have effects of its own (-EINVAL).
int OpenQuietly(const std::string& path, int* fd) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return -errno;
  if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return -EINVAL;
  *fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  return *fd < 0 ? -errno : 0;
}

}  // namespace

int Node::Lock() {
  if (init_ != 0) return -EBADF;
  if (lockFd_ >= 0) return 0;
  int fd = -1;
  int rc = OpenQuietly(path_, &fd);
  if (rc != 0) return rc;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int err = errno;
    close(fd);
    return -err;
  }
  lockFd_ = fd;
  return 0;
}

int Node::Unlock() {
  if (lockFd_ < 0) return -EINVAL;
  flock(lockFd_, LOCK_UN);
  close(lockFd_);
  lockFd_ = -1;
  return 0;
}

int Node::Sync() {
  if (init_ != 0) return -EBADF;
  // Only files and folders hold data and attributes to flush.
  int fd = -1;
  int rc = OpenQuietly(path_, &fd);
  if (rc == -EINVAL) return 0;
  if (rc != 0) return rc;
  rc = fsync(fd) == 0 ? 0 : -errno;
  close(fd);
  return rc;
}

}  // namespace plat
