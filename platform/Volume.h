#pragma once
// What the file system holding a node can keep. A volume knows attributes when it accepts
// "user." extended attributes (a probe that meets ENOTSUP/EOPNOTSUPP says no); it knows MIME
// types exactly when it knows attributes, since the type is an attribute.
#include <string>

namespace plat {

class Volume {
 public:
  // The volume that holds the entry at `path` (followed when it is a link). 0 or negative errno.
  int SetTo(const std::string& path);
  bool KnowsAttr() const { return knowsAttr_; }
  bool KnowsMime() const { return knowsAttr_; }

 private:
  bool knowsAttr_ = false;
};

}  // namespace plat
