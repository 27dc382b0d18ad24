#include "settings/SettingsEntry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/Paths.h"

namespace {

constexpr int kMostLinks = 40;  // as the kernel allows

plat::Outcome Refused(const std::string& path, const std::string& why) {
  return plat::Outcome::Fail("cannot replace '" + path + "': " + why);
}

// Root follows a link only where no other user could have put it or what it leads to: in a
// folder of root's that no one else may write (not /tmp, say, though root owns it).
bool RootsOwnFolder(const std::string& entry) {
  struct stat st;
  return lstat(plat::ParentOf(entry).c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == 0 &&
         !(st.st_mode & (S_IWGRP | S_IWOTH));
}

}  // namespace

plat::Outcome SettingsEntry(const std::string& path, std::string* entry) {
  const bool root = geteuid() == 0;
  std::string at = path;
  for (int links = 0;; ++links) {
    struct stat st;
    if (lstat(at.c_str(), &st) != 0) {
      if (errno == ENOENT && links == 0) break;  // nothing there: the file is made
      if (errno == ENOENT)
        return Refused(path,
                       "it is a link that leads nowhere ('" + at + "'); no file is made there");
      return Refused(path, std::strerror(errno));
    }
    if (links > 0 && root && !RootsOwnFolder(at))
      return Refused(path, "it is a link, and root follows links only through its own folders ('" +
                               plat::ParentOf(at) + "' is not)");
    if (!S_ISLNK(st.st_mode)) {
      // What is no regular file is refused by the reader and the writer, which say what it is.
      if (links > 0 && S_ISREG(st.st_mode) && st.st_uid != geteuid())
        return Refused(path, "it is a link to a file of another user ('" + at + "')");
      break;
    }
    if (links == kMostLinks) return Refused(path, std::strerror(ELOOP));
    if (root && !RootsOwnFolder(at))
      return Refused(path, "it is a link, and root follows links only through its own folders ('" +
                               plat::ParentOf(at) + "' is not)");
    std::vector<char> target(st.st_size > 0 ? size_t(st.st_size) + 1 : size_t(PATH_MAX));
    ssize_t n = readlink(at.c_str(), target.data(), target.size());
    if (n < 0) return Refused(path, std::strerror(errno));
    if (size_t(n) == target.size()) return Refused(path, std::strerror(ENAMETOOLONG));
    const std::string next(target.data(), size_t(n));
    if (next.empty()) return Refused(path, std::strerror(ENOENT));
    at = next[0] == '/' ? next : plat::ParentOf(at) + "/" + next;
  }
  *entry = at;
  return plat::Outcome::Ok();
}
