#include "platform/SecretMemory.h"

#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

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

namespace {

// Small secrets share pages: slots of kSlotBytes taken from runs of kRunBytes mapped at a time and
// kept for the program's life; a larger one has pages of its own.
constexpr size_t kSlotBytes = 256;
constexpr size_t kRunBytes = 64 * 1024;

void* MapSecretPages(size_t bytes) {
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  (void)madvise(p, bytes, MADV_DONTDUMP);
  (void)mlock(p, bytes);  // not swapped out, where the limit of locked memory allows
  return p;
}

size_t PagesFor(size_t size) {
  const size_t page = size_t(sysconf(_SC_PAGESIZE));
  return (size + page - 1) / page * page;
}

struct SlotPool {
  std::mutex mutex;
  std::vector<char*> free;
};

SlotPool& Pool() {
  static SlotPool* pool = new SlotPool;  // never destroyed: secrets may be let go at exit
  return *pool;
}

}  // namespace

void* SecretAlloc(size_t size) {
  if (size > kSlotBytes) return MapSecretPages(PagesFor(size));
  SlotPool& pool = Pool();
  std::lock_guard<std::mutex> lock(pool.mutex);
  if (pool.free.empty()) {
    char* run = static_cast<char*>(MapSecretPages(kRunBytes));
    for (size_t at = kRunBytes; at >= kSlotBytes; at -= kSlotBytes)
      pool.free.push_back(run + at - kSlotBytes);
  }
  char* slot = pool.free.back();
  pool.free.pop_back();
  return slot;
}

void SecretFree(void* data, size_t size) {
  if (!data) return;
  if (size > kSlotBytes) {
    Wipe(data, PagesFor(size));
    munlock(data, PagesFor(size));
    munmap(data, PagesFor(size));
    return;
  }
  Wipe(data, kSlotBytes);
  SlotPool& pool = Pool();
  std::lock_guard<std::mutex> lock(pool.mutex);
  pool.free.push_back(static_cast<char*>(data));
}

SecretText::SecretText(const char* text) {
  if (text) assign(text, std::strlen(text));
}

SecretText::SecretText(const char* data, size_t size) {
  assign(data, size);
}

SecretText::SecretText(const SecretText& other) {
  assign(other.data(), other.size());
}

SecretText::SecretText(SecretText&& other) noexcept
    : slot_(std::exchange(other.slot_, nullptr)), size_(std::exchange(other.size_, 0)) {}

SecretText& SecretText::operator=(const SecretText& other) {
  if (this != &other) assign(other.data(), other.size());
  return *this;
}

SecretText& SecretText::operator=(SecretText&& other) noexcept {
  if (this != &other) {
    SecretFree(slot_, kMax + 1);
    slot_ = std::exchange(other.slot_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

SecretText::~SecretText() {
  SecretFree(slot_, kMax + 1);
}

void SecretText::assign(const char* data, size_t size) {
  size = std::min(size, kMax);
  if (!slot_) {
    if (size == 0) return;
    slot_ = static_cast<char*>(SecretAlloc(kMax + 1));
  }
  // The source may lie inside this text (a part of itself).
  std::memmove(slot_, data, size);
  Wipe(slot_ + size, kMax + 1 - size);
  size_ = size;
}

void SecretText::resize(size_t size) {
  if (size >= size_) return;
  Wipe(slot_ + size, size_ - size);
  size_ = size;
}

bool operator==(const SecretText& a, const SecretText& b) {
  const char* x = a.data();
  const char* y = b.data();
  unsigned char differ = a.size() != b.size();
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) differ |= static_cast<unsigned char>(x[i] ^ y[i]);
  return differ == 0;
}

}  // namespace plat
