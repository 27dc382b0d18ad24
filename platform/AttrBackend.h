#pragma once
// The attribute layer: named byte values attached to files, kept as Linux extended attributes
// in the "user." namespace (the attribute "PrivCodec" is the xattr "user.PrivCodec").
//
// All attribute traffic of the project passes through the backend installed here, so that tests
// can make single calls fail (a full disk, a file system that refuses a value) or run on a model
// file system, without mocks elsewhere. The calls by path follow symbolic links (Linux keeps no
// "user." attributes on links themselves); the calls by descriptor act on the one open file, so
// that a file renamed or replaced meanwhile cannot take the attributes meant for another.
#include <sys/types.h>

#include <string>
#include <vector>

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

  // The same on an open file.
  virtual ssize_t Get(int fd, const std::string& name, void* buf, size_t size) = 0;
  virtual int Set(int fd, const std::string& name, const void* data, size_t size) = 0;
  virtual int Remove(int fd, const std::string& name) = 0;
  // The names (without "user.") of the open file's "user." attributes. 0 or a negative errno.
  virtual int List(int fd, std::vector<std::string>* names) = 0;
};

// The real backend, on getxattr/setxattr/removexattr and their descriptor forms.
class XattrBackend : public AttrBackend {
 public:
  ssize_t Get(const std::string& path, const std::string& name, void* buf, size_t size) override;
  int Set(const std::string& path, const std::string& name, const void* data, size_t size) override;
  int Remove(const std::string& path, const std::string& name) override;
  ssize_t Get(int fd, const std::string& name, void* buf, size_t size) override;
  int Set(int fd, const std::string& name, const void* data, size_t size) override;
  int Remove(int fd, const std::string& name) override;
  int List(int fd, std::vector<std::string>* names) override;
};

// The backend in use: the xattr one unless a test installed another (not owned; nullptr restores).
AttrBackend& Attrs();
void SetAttrBackend(AttrBackend* backend);

// The xattr name of an attribute: "user." + name.
std::string XattrName(const std::string& name);

}  // namespace plat
