#include "platform/AttrBackend.h"

#include <sys/xattr.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace plat {

std::string XattrName(const std::string& name) {
  return "user." + name;
}

ssize_t XattrBackend::Get(const std::string& path, const std::string& name, void* buf,
                          size_t size) {
  const std::string key = XattrName(name);
  // getxattr refuses a buffer shorter than the value (ERANGE); the layer promises the first
  // `size` bytes instead, so a long value is fetched whole and cut. The value may change between
  // the two calls, hence the loop.
  for (int attempt = 0; attempt < 8; ++attempt) {
    ssize_t full = getxattr(path.c_str(), key.c_str(), nullptr, 0);
    if (full < 0) return -errno;
    if (size == 0) return 0;
    if (size_t(full) <= size) {
      ssize_t got = getxattr(path.c_str(), key.c_str(), buf, size);
      if (got >= 0) return got;
      if (errno != ERANGE) return -errno;
      continue;
    }
    std::vector<char> whole(static_cast<size_t>(full));
    ssize_t got = getxattr(path.c_str(), key.c_str(), whole.data(), whole.size());
    if (got < 0) {
      if (errno != ERANGE) return -errno;
      continue;
    }
    size_t n = size_t(got) < size ? size_t(got) : size;
    std::memcpy(buf, whole.data(), n);
    return ssize_t(n);
  }
  return -ERANGE;
}

int XattrBackend::Set(const std::string& path, const std::string& name, const void* data,
                      size_t size) {
  const std::string key = XattrName(name);
  static const char kNothing = 0;
  if (setxattr(path.c_str(), key.c_str(), size ? data : &kNothing, size, 0) != 0) return -errno;
  return 0;
}

int XattrBackend::Remove(const std::string& path, const std::string& name) {
  const std::string key = XattrName(name);
  if (removexattr(path.c_str(), key.c_str()) != 0) return -errno;
  return 0;
}

namespace {
XattrBackend gXattrBackend;
AttrBackend* gBackend = &gXattrBackend;
}  // namespace

AttrBackend& Attrs() {
  return *gBackend;
}

void SetAttrBackend(AttrBackend* backend) {
  gBackend = backend ? backend : &gXattrBackend;
}

}  // namespace plat
