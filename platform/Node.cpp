#include "platform/Node.h"

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
  path_.clear();
  init_ = -EBADF;
}

int Node::GetStat(struct stat* st) const {
  if (init_ != 0) return -EBADF;
  if (lstat(path_.c_str(), st) != 0) return -errno;
  return 0;
}

ssize_t Node::ReadAttr(const char* name, void* buf, size_t len) const {
  if (init_ != 0) return -EBADF;
  if (!name || (!buf && len)) return -EINVAL;
  return Attrs().Get(path_, name, buf, len);
}

ssize_t Node::WriteAttr(const char* name, const void* buf, size_t len) {
  if (init_ != 0) return -EBADF;
  if (!name || (!buf && len)) return -EINVAL;
  int rc = Attrs().Set(path_, name, buf, len);
  return rc < 0 ? rc : ssize_t(len);
}

int Node::RemoveAttr(const char* name) {
  if (init_ != 0) return -EBADF;
  if (!name) return -EINVAL;
  return Attrs().Remove(path_, name);
}

}  // namespace plat
