#include "platform/Volume.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/AttrBackend.h"
#include "platform/Paths.h"

namespace plat {
namespace {

// A name no one stores: asking for it tells whether the file system keeps "user." attributes
// at all (ENODATA: yes, only not this one; ENOTSUP: no).
constexpr const char* kProbeName = "murvel.volume-probe";

}  // namespace

int Volume::SetTo(const std::string& path) {
  knowsAttr_ = false;
  struct stat st;
  if (path.empty()) return -ENOENT;
  // A link that leads nowhere lies on the volume of the folder that holds it (the link itself
  // answers no attribute question: Linux keeps no "user." attributes on links).
  std::string probed = path;
  if (stat(path.c_str(), &st) != 0) {
    int err = errno;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return -err;
    probed = ParentOf(path);
  }
  char none;
  ssize_t r = Attrs().Get(probed, kProbeName, &none, 0);
  knowsAttr_ = !(r == -ENOTSUP || r == -EOPNOTSUPP);
  return 0;
}

}  // namespace plat
