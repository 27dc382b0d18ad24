#include "platform/FileCalls.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace plat {
namespace {

int Result(int r) {
  return r < 0 ? -errno : r;
}

SystemFileCalls gSystemCalls;
FileCalls* gCalls = &gSystemCalls;

}  // namespace

int SystemFileCalls::Open(const std::string& path, int flags, mode_t mode) {
  int fd;
  do fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  while (fd < 0 && errno == EINTR);
  return Result(fd);
}

int SystemFileCalls::Close(int fd) {
  return Result(::close(fd));
}

int SystemFileCalls::Fstat(int fd, struct stat* st) {
  return Result(::fstat(fd, st));
}

int SystemFileCalls::Stat(const std::string& path, struct stat* st) {
  return Result(::stat(path.c_str(), st));
}

ssize_t SystemFileCalls::Pread(int fd, void* buf, size_t len, uint64_t offset) {
  ssize_t r;
  do r = ::pread(fd, buf, len, off_t(offset));
  while (r < 0 && errno == EINTR);
  return r < 0 ? -errno : r;
}

ssize_t SystemFileCalls::Pwrite(int fd, const void* buf, size_t len, uint64_t offset) {
  ssize_t r;
  do r = ::pwrite(fd, buf, len, off_t(offset));
  while (r < 0 && errno == EINTR);
  return r < 0 ? -errno : r;
}

int SystemFileCalls::Ftruncate(int fd, uint64_t size) {
  int r;
  do r = ::ftruncate(fd, off_t(size));
  while (r < 0 && errno == EINTR);
  return Result(r);
}

int SystemFileCalls::Fdatasync(int fd) {
  return Result(::fdatasync(fd));
}

int SystemFileCalls::Fsync(int fd) {
  return Result(::fsync(fd));
}

int SystemFileCalls::Syncfs(int fd) {
  return Result(::syncfs(fd));
}

int SystemFileCalls::Flock(int fd, int operation) {
  int r;
  do r = ::flock(fd, operation);
  while (r < 0 && errno == EINTR);
  return Result(r);
}

int SystemFileCalls::CreateUnique(std::string* path) {
  std::vector<char> name(path->begin(), path->end());
  name.push_back('\0');
  int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return -errno;
  *path = name.data();
  return fd;
}

int SystemFileCalls::Unlink(const std::string& path) {
  return Result(::unlink(path.c_str()));
}

int SystemFileCalls::RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -errno;
  // A file system without renameat2's flags: a second name that cannot replace, then the first
  // one removed.
  if (::link(from.c_str(), to.c_str()) < 0) return -errno;
  return Result(::unlink(from.c_str()));
}

int SystemFileCalls::Reopen(int fd, int flags) {
  // The name under /proc is a link to the file: it must be followed.
  return Open("/proc/self/fd/" + std::to_string(fd), flags & ~O_NOFOLLOW);
}

int SystemFileCalls::StartWriteback(int fd, uint64_t offset, uint64_t len) {
  return Result(::sync_file_range(fd, off64_t(offset), off64_t(len), SYNC_FILE_RANGE_WRITE));
}

int SystemFileCalls::ListNames(const std::string& folder, std::vector<std::string>* names) {
  names->clear();
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return -errno;
  while (struct dirent* e = ::readdir(dir)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
      names->push_back(e->d_name);
  }
  ::closedir(dir);
  return 0;
}

FileCalls& Files() {
  return *gCalls;
}

void SetFileCalls(FileCalls* io) {
  gCalls = io ? io : &gSystemCalls;
}

}  // namespace plat
