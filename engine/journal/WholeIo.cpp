#include "engine/journal/WholeIo.h"

#include "platform/FileCalls.h"

Step ReadWhole(int fd, uint8_t* buf, size_t len, uint64_t offset) {
  for (size_t got = 0; got < len;) {
    ssize_t r = plat::Files().Pread(fd, buf + got, len - got, offset + got);
    if (r < 0) return Step::Fail(Fault(FaultCode::Read).Err(int(r)));
    if (r == 0) return Step::Fail(Fault(FaultCode::EndedEarly));
    got += size_t(r);
  }
  return Step::Ok();
}

Step WriteWhole(int fd, const uint8_t* buf, size_t len, uint64_t offset) {
  for (size_t done = 0; done < len;) {
    ssize_t r = plat::Files().Pwrite(fd, buf + done, len - done, offset + done);
    if (r < 0) return Step::Fail(Fault(FaultCode::Write).Err(int(r)));
    if (r == 0) return Step::Fail(Fault(FaultCode::WriteNoProgress));
    done += size_t(r);
  }
  return Step::Ok();
}
