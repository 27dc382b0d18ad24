#pragma once
// Iterating a folder's entries in the order the file system returns them, without "." and "..",
// without recursion; subfolders and links are entries like the others.
#include <dirent.h>

#include <cerrno>
#include <string>

namespace plat {

class Directory {
 public:
  Directory() = default;
  explicit Directory(const std::string& path) { SetTo(path); }
  ~Directory();
  Directory(const Directory&) = delete;
  Directory& operator=(const Directory&) = delete;

  // 0 when the folder could be opened, else a negative errno.
  int SetTo(const std::string& path);
  int InitCheck() const { return dir_ ? 0 : init_; }
  // The full path (folder + "/" + name) of the next entry. Returns 0, or a negative value when
  // there is none (-ENOENT) or the iteration failed.
  int GetNextRef(std::string* path);

 private:
  std::string path_;
  DIR* dir_ = nullptr;
  int init_ = -EBADF;
};

}  // namespace plat
