#include "platform/SecretMemory.h"

#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstring>
#include <new>

namespace plat {

void KeepSecretsOutOfCoreDumps() {
  (void)prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
  const struct rlimit none = {0, 0};
  (void)setrlimit(RLIMIT_CORE, &none);
}

void Wipe(void* data, size_t size) {
  if (size) explicit_bzero(data, size);
}

SecretBuffer::SecretBuffer(size_t capacity) : capacity_(capacity) {
  const size_t page = size_t(sysconf(_SC_PAGESIZE));
  mapped_ = (capacity + page - 1) / page * page;
  void* p = mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  (void)madvise(p, mapped_, MADV_DONTDUMP);
  (void)mlock(p, mapped_);  // not swapped out, where the limit of locked memory allows
  data_ = static_cast<char*>(p);
}

SecretBuffer::~SecretBuffer() {
  Clear();
  munlock(data_, mapped_);
  munmap(data_, mapped_);
}

void SecretBuffer::Clear() {
  Wipe(data_, mapped_);
}

}  // namespace plat
