#pragma once
// The attribute layer: named byte values attached to files, kept as Linux extended attributes
// in the "user." namespace (the attribute "PrivCodec" is the xattr "user.PrivCodec").
//
// All attribute traffic of the project passes through the backend installed here, so that tests
// can make single calls fail (a full disk, a file system that refuses a value) without mocks
// elsewhere. Paths are followed when they name a symbolic link: Linux keeps no "user." attributes
// on links themselves.
#include <sys/types.h>

#include <string>

namespace plat {

class AttrBackend {
 public:
  virtual ~AttrBackend() = default;
  // Reads at most `size` bytes of attribute `name` (without the "user." prefix) of the file at
  // `path` into `buf`. Returns the byte count, or a negative errno (-ENODATA when missing).
  // A value longer than `size` gives its first `size` bytes.
  virtual ssize_t Get(const std::string& path, const std::string& name, void* buf, size_t size) = 0;
  // Replaces the value. Returns 0 or a negative errno.
  virtual int Set(const std::string& path, const std::string& name, const void* data,
                  size_t size) = 0;
  // Removes the attribute. Returns 0 or a negative errno (-ENODATA when missing).
  virtual int Remove(const std::string& path, const std::string& name) = 0;
};

// The real backend, on getxattr/setxattr/removexattr.
class XattrBackend : public AttrBackend {
 public:
  ssize_t Get(const std::string& path, const std::string& name, void* buf, size_t size) override;
  int Set(const std::string& path, const std::string& name, const void* data, size_t size) override;
  int Remove(const std::string& path, const std::string& name) override;
};

// The backend in use: the xattr one unless a test installed another (not owned; nullptr restores).
AttrBackend& Attrs();
void SetAttrBackend(AttrBackend* backend);

// The xattr name of an attribute: "user." + name.
std::string XattrName(const std::string& name);

}  // namespace plat
