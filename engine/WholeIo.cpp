#include "engine/WholeIo.h"

#include <cstring>
#include <string>

#include "platform/FileCalls.h"

namespace {

std::string ErrText(const char* what, long err) {
  return std::string(what) + ": " + std::strerror(int(-err));
}

}  // namespace

plat::Outcome ReadWhole(int fd, uint8_t* buf, size_t len, uint64_t offset) {
  for (size_t got = 0; got < len;) {
    ssize_t r = plat::Files().Pread(fd, buf + got, len - got, offset + got);
    if (r < 0) return plat::Outcome::Fail(ErrText("read failed", r));
    if (r == 0) return plat::Outcome::Fail("file ended early (it shrank while being worked on)");
    got += size_t(r);
  }
  return plat::Outcome::Ok();
}

plat::Outcome WriteWhole(int fd, const uint8_t* buf, size_t len, uint64_t offset) {
  for (size_t done = 0; done < len;) {
    ssize_t r = plat::Files().Pwrite(fd, buf + done, len - done, offset + done);
    if (r < 0) return plat::Outcome::Fail(ErrText("write failed", r));
    if (r == 0) return plat::Outcome::Fail("write made no progress");
    done += size_t(r);
  }
  return plat::Outcome::Ok();
}
