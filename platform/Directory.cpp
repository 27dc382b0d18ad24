#include "platform/Directory.h"

#include <cstring>

namespace plat {

Directory::~Directory() {
  if (dir_) closedir(dir_);
}

int Directory::SetTo(const std::string& path) {
  if (dir_) closedir(dir_);
  dir_ = nullptr;
  path_ = path;
  if (path.empty()) {
    init_ = -ENOENT;
    return init_;
  }
  dir_ = opendir(path.c_str());
  init_ = dir_ ? 0 : -errno;
  return init_;
}

int Directory::GetNextRef(std::string* path) {
  if (!dir_) return init_ ? init_ : -EBADF;
  for (;;) {
    errno = 0;
    struct dirent* ent = readdir(dir_);
    if (!ent) return errno ? -errno : -ENOENT;
    if (std::strcmp(ent->d_name, ".") == 0 || std::strcmp(ent->d_name, "..") == 0) continue;
    if (path) {
      *path = path_;
      if (path->empty() || path->back() != '/') *path += '/';
      *path += ent->d_name;
    }
    return 0;
  }
}

}  // namespace plat
