#include "platform/AttrBackend.h"

#include <sys/xattr.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace plat {

std::string XattrName(const std::string& name) {
  return "user." + name;
}

namespace {

// getxattr refuses a buffer shorter than the value (ERANGE); the layer promises the first `size`
// bytes instead, so a value that does not fit is fetched whole and cut. The value may change
// between the calls, hence the loop. `get` is getxattr or fgetxattr bound to the file and name.
template <typename GetFn>
ssize_t GetFirstBytes(GetFn get, void* buf, size_t size) {
  // Most values fit the caller's buffer: one call then does.
  if (size > 0) {
    ssize_t got = get(buf, size);
    if (got >= 0) return got;
    if (errno != ERANGE) return -errno;
  }
  for (int attempt = 0; attempt < 8; ++attempt) {
    ssize_t full = get(nullptr, 0);
    if (full < 0) return -errno;
    if (size == 0) return 0;
    std::vector<char> whole(static_cast<size_t>(full) + 1);
    ssize_t got = get(whole.data(), whole.size());
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

}  // namespace

ssize_t XattrBackend::Get(const std::string& path, const std::string& name, void* buf,
                          size_t size) {
  const std::string key = XattrName(name);
  return GetFirstBytes([&](void* b, size_t n) { return getxattr(path.c_str(), key.c_str(), b, n); },
                       buf, size);
}

ssize_t XattrBackend::Get(int fd, const std::string& name, void* buf, size_t size) {
  const std::string key = XattrName(name);
  return GetFirstBytes([&](void* b, size_t n) { return fgetxattr(fd, key.c_str(), b, n); }, buf,
                       size);
}

int XattrBackend::Set(int fd, const std::string& name, const void* data, size_t size) {
  const std::string key = XattrName(name);
  static const char kNothing = 0;
  if (fsetxattr(fd, key.c_str(), size ? data : &kNothing, size, 0) != 0) return -errno;
  return 0;
}

int XattrBackend::Remove(int fd, const std::string& name) {
  const std::string key = XattrName(name);
  if (fremovexattr(fd, key.c_str()) != 0) return -errno;
  return 0;
}

int XattrBackend::List(int fd, std::vector<std::string>* names) {
  names->clear();
  // Most files have few attributes: one call with a buffer at hand, the size asked only when
  // they do not fit.
  char small[1024];
  std::vector<char> large;
  char* buf = small;
  ssize_t got = flistxattr(fd, small, sizeof small);
  for (int attempt = 0; got < 0 && errno == ERANGE && attempt < 8; ++attempt) {
    ssize_t size = flistxattr(fd, nullptr, 0);
    if (size < 0) return -errno;
    large.resize(size_t(size) + 1);
    buf = large.data();
    got = flistxattr(fd, buf, large.size());
  }
  if (got < 0) return -errno;
  const std::string prefix = "user.";
  for (size_t at = 0; at < size_t(got);) {
    std::string full(buf + at);
    at += full.size() + 1;
    if (full.compare(0, prefix.size(), prefix) == 0) names->push_back(full.substr(prefix.size()));
  }
  return 0;
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
