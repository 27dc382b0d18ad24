#include "platform/FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/Paths.h"

namespace plat {
namespace {

std::string Why(const char* what, const std::string& path, int err) {
  return std::string(what) + " '" + path + "': " + std::strerror(err);
}

}  // namespace

Outcome WriteFileAtomically(const std::string& file, const void* data, size_t size, mode_t mode) {
  // A link (a settings file kept elsewhere, say) stays a link: its target is replaced.
  std::string path = file;
  struct stat linkStat;
  if (lstat(file.c_str(), &linkStat) == 0 && S_ISLNK(linkStat.st_mode)) {
    char* target = realpath(file.c_str(), nullptr);
    if (target) {
      path = target;
      free(target);
    }
  }
  std::string pattern = path + ".tmp-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return Outcome::Fail(Why("cannot create", pattern, errno));
  const std::string temp(name.data());
  auto fail = [&](const char* what, const std::string& where) {
    int err = errno;
    close(fd);
    unlink(temp.c_str());
    return Outcome::Fail(Why(what, where, err));
  };
  const char* p = static_cast<const char*>(data);
  size_t left = size;
  while (left > 0) {
    ssize_t n = write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail("cannot write", temp);
    }
    p += n;
    left -= size_t(n);
  }
  if (fchmod(fd, mode) != 0) return fail("cannot set permissions of", temp);
  if (fsync(fd) != 0) return fail("cannot flush", temp);
  if (close(fd) != 0) {
    int err = errno;
    unlink(temp.c_str());
    return Outcome::Fail(Why("cannot close", temp, err));
  }
  if (rename(temp.c_str(), path.c_str()) != 0) {
    int err = errno;
    unlink(temp.c_str());
    return Outcome::Fail(Why("cannot replace", path, err));
  }
  // Make the rename itself durable.
  int dir = open(ParentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return Outcome::Ok();
}

Outcome WriteFileIfDifferent(const std::string& path, const std::string& contents, mode_t mode,
                             bool* changed) {
  std::string old;
  if (ReadWholeFile(path, &old).ok() && old == contents) {
    if (changed) *changed = false;
    // Same bytes: only the permission bits may need mending (an executable that lost its bit).
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && (st.st_mode & 07777) != mode &&
        chmod(path.c_str(), mode) != 0)
      return Outcome::Fail(Why("cannot set permissions of", path, errno));
    return Outcome::Ok();
  }
  if (!MakeFolderTree(ParentOf(path)))
    return Outcome::Fail("cannot create folder of '" + path + "'");
  if (changed) *changed = true;
  return WriteFileAtomically(path, contents.data(), contents.size(), mode);
}

Outcome ReadWholeFile(const std::string& path, std::string* contents) {
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Outcome::Fail(Why("cannot open", path, errno));
  struct stat st {};
  errno = 0;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    int err = errno;
    if (err == 0 || S_ISDIR(st.st_mode)) err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    close(fd);
    return Outcome::Fail(Why("cannot read", path, err));
  }
  std::string out;
  char buf[8192];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      close(fd);
      return Outcome::Fail(Why("cannot read", path, err));
    }
    if (n == 0) break;
    out.append(buf, size_t(n));
  }
  close(fd);
  if (contents) *contents = std::move(out);
  return Outcome::Ok();
}

}  // namespace plat
