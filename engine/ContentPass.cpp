#include "engine/ContentPass.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {

std::string ErrnoText(const char* what, int err) {
  return std::string(what) + ": " + std::strerror(err);
}

// An open file descriptor, closed when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Reads exactly `len` bytes at `offset`; interrupted and short reads are continued.
plat::Outcome ReadFull(int fd, uint8_t* buf, size_t len, uint64_t offset) {
  size_t got = 0;
  while (got < len) {
    ssize_t r = ::pread(fd, buf + got, len - got, off_t(offset + got));
    if (r < 0) {
      if (errno == EINTR) continue;
      return plat::Outcome::Fail(ErrnoText("read failed", errno));
    }
    if (r == 0) return plat::Outcome::Fail("file ended early (it shrank while being worked on)");
    got += size_t(r);
  }
  return plat::Outcome::Ok();
}

// Writes exactly `len` bytes at `offset`; interrupted and short writes are continued.
// `*written` tells how many bytes reached the file, also on failure.
plat::Outcome WriteFull(int fd, const uint8_t* buf, size_t len, uint64_t offset, size_t* written) {
  *written = 0;
  while (*written < len) {
    ssize_t r = ::pwrite(fd, buf + *written, len - *written, off_t(offset + *written));
    if (r < 0) {
      if (errno == EINTR) continue;
      return plat::Outcome::Fail(ErrnoText("write failed", errno));
    }
    if (r == 0) return plat::Outcome::Fail("write made no progress");
    *written += size_t(r);
  }
  return plat::Outcome::Ok();
}

// Transforms the bytes [begin, end) chunk by chunk. On return `*doneTo` is the end of the range
// that now holds transformed bytes (from `begin`), whether the span succeeded or not.
plat::Outcome TransformSpan(int fd, uint8_t* buf, uint64_t begin, uint64_t end,
                            const uint8_t key[6], CipherDirection dir, const PassProgress& progress,
                            uint64_t* doneTo) {
  *doneTo = begin;
  for (uint64_t offset = begin; offset < end;) {
    size_t len = size_t(std::min<uint64_t>(kPassChunkBytes, end - offset));
    // The one place where a chunk is read, transformed and written back.
    plat::Outcome read = ReadFull(fd, buf, len, offset);
    if (!read) return read;
    TransformBytes(buf, len, offset, key, dir);
    size_t written = 0;
    plat::Outcome write = WriteFull(fd, buf, len, offset, &written);
    *doneTo = offset + written;
    if (!write) return write;
    offset += len;
    if (progress) progress(offset, end);
  }
  return plat::Outcome::Ok();
}

struct OpenFile {
  int fd = -1;
  uint64_t size = 0;
};

plat::Outcome OpenRegular(const std::string& path, OpenFile* out) {
  // Anything but a regular file is refused before it is opened: a FIFO or a device may block
  // or act on being opened.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    return plat::Outcome::Fail("'" + path + "' is not a regular file");
  }
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    int err = errno;  // before the message's text is put together
    return plat::Outcome::Fail(
        ErrnoText(("can't open '" + path + "' for reading and writing").c_str(), err));
  }
  if (::fstat(fd, &st) != 0) {
    int err = errno;
    ::close(fd);
    return plat::Outcome::Fail(ErrnoText("can't read the file's status", err));
  }
  // Swapped for something else since the look: refused all the same.
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return plat::Outcome::Fail("'" + path + "' is not a regular file");
  }
  out->fd = fd;
  out->size = uint64_t(st.st_size);
  return plat::Outcome::Ok();
}

}  // namespace

plat::Outcome RunContentPass(const std::string& path, const uint8_t key[6], CipherDirection dir,
                             const PassProgress& progress) {
  OpenFile file;
  plat::Outcome opened = OpenRegular(path, &file);
  if (!opened) return opened;
  Fd fd(file.fd);

  size_t bufLen = size_t(std::min<uint64_t>(kPassChunkBytes, file.size));
  std::unique_ptr<uint8_t[]> buf(new (std::nothrow) uint8_t[bufLen ? bufLen : 1]);
  if (!buf) {
    std::printf(" nicht Genug Speicher bekommen \n");
    return plat::Outcome::Fail("no memory for the work buffer");
  }

  uint64_t doneTo = 0;
  plat::Outcome pass =
      TransformSpan(fd.get(), buf.get(), 0, file.size, key, dir, progress, &doneTo);
  if (pass && ::fdatasync(fd.get()) != 0) {
    pass = plat::Outcome::Fail(ErrnoText("flushing the file failed", errno));
  }
  // Once the data is flushed, the close cannot lose it any more.
  if (pass) return pass;

  if (doneTo == 0) return pass;
  uint64_t undoneTo = 0;
  plat::Outcome undo =
      TransformSpan(fd.get(), buf.get(), 0, doneTo, key, Opposite(dir), {}, &undoneTo);
  if (undo && ::fdatasync(fd.get()) != 0) {
    undo = plat::Outcome::Fail(ErrnoText("flushing failed", errno));
  }
  return plat::Outcome::Fail(
      pass.why() +
      (undo ? "; bytes turned back" : "; the bytes could NOT be turned back: " + undo.why()));
}
