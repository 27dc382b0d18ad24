#include "platform/FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/Paths.h"

namespace plat {
namespace {

std::string Why(const char* what, const std::string& path, int err) {
  return std::string(what) + " '" + path + "': " + std::strerror(err);
}

// What a node of this kind is called in a refusal.
const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "no regular file";
}

// Follows `file` through its links (a relative target names an entry beside its link) to the
// entry that a write would reach, into *end. Fails, saying why, unless that entry is a regular
// file or nothing: a FIFO, a device or a folder is never replaced, and a loop of links has no end.
Outcome ReplaceableEnd(const std::string& file, std::string* end, bool followLinks = true) {
  constexpr int kMostLinks = 40;  // as the kernel allows
  std::string path = file;
  for (int links = 0;; ++links) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
      if (errno != ENOENT) return Outcome::Fail(Why("cannot replace", file, errno));
      break;  // nothing there: the file is made
    }
    if (S_ISREG(st.st_mode)) break;
    if (S_ISLNK(st.st_mode) && !followLinks)
      return Outcome::Fail("cannot replace '" + file +
                           "': it is a link, which is not followed here");
    if (!S_ISLNK(st.st_mode)) {
      std::string what = std::string(KindOf(st.st_mode)) + ", not a regular file";
      if (path != file)
        what = "it leads to " + what + " ('" + path + "')";
      else
        what = "it is " + what;
      return Outcome::Fail("cannot replace '" + file + "': " + what);
    }
    if (links == kMostLinks) return Outcome::Fail(Why("cannot replace", file, ELOOP));
    // A link's size is its target's length, except where a file system reports none.
    std::vector<char> target(st.st_size > 0 ? size_t(st.st_size) + 1 : size_t(PATH_MAX));
    ssize_t n = readlink(path.c_str(), target.data(), target.size());
    if (n < 0) return Outcome::Fail(Why("cannot replace", file, errno));
    if (size_t(n) == target.size()) return Outcome::Fail(Why("cannot replace", file, ENAMETOOLONG));
    std::string next(target.data(), size_t(n));
    if (next.empty()) return Outcome::Fail(Why("cannot replace", file, ENOENT));
    path = next[0] == '/' ? next : ParentOf(path) + "/" + next;
  }
  *end = path;
  return Outcome::Ok();
}

}  // namespace

Outcome WriteFileAtomically(const std::string& file, const void* data, size_t size, mode_t mode,
                            bool followLinks) {
  // A link (a settings file kept elsewhere, say) stays a link: what it leads to is replaced.
  std::string path;
  Outcome replaceable = ReplaceableEnd(file, &path, followLinks);
  if (!replaceable) return replaceable;
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
  // Whatever took the place of the file meanwhile is left alone as well.
  std::string again;
  replaceable = ReplaceableEnd(path, &again, followLinks);
  if (!replaceable || again != path) {
    unlink(temp.c_str());
    return replaceable ? Outcome::Fail("cannot replace '" + path + "': it changed meanwhile")
                       : replaceable;
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
