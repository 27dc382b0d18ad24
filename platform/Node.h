#pragma once
// A file system node named by a path, with its attributes: what the codec record, the
// inspection and the coding transaction open to read a file's status and attributes.
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <string>

namespace plat {

class Node {
 public:
  Node() = default;
  explicit Node(const std::string& path) { SetTo(path); }
  ~Node();
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;

  // Points the node at `path`. The node is valid (InitCheck() == 0) when the entry exists
  // (lstat succeeds); otherwise InitCheck() gives the negative errno.
  int SetTo(const std::string& path);
  void Unset();
  int InitCheck() const { return init_; }
  const std::string& Path() const { return path_; }

  // lstat of the entry itself (a link is not followed). 0 or a negative errno.
  int GetStat(struct stat* st) const;

  // Attribute calls through the attribute layer (AttrBackend), whole values from the start
  // (extended attributes carry no type and are read and written whole). Reads return the byte
  // count or a negative errno; writes the byte count written or a negative errno; removal 0 or a
  // negative errno. An invalid node answers -EBADF.
  ssize_t ReadAttr(const char* name, void* buf, size_t len) const;
  ssize_t WriteAttr(const char* name, const void* buf, size_t len);
  int RemoveAttr(const char* name);

 private:
  std::string path_;
  int init_ = -EBADF;
};

}  // namespace plat
