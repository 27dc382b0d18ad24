#pragma once
// 64-bit hashes of 4 KiB pages, and the digest of a whole file built from them. The journal of a
// change keeps the hash of every page as it was before the change, which is how recovery tells
// a page that was already turned from one that was not; the integrity attribute of a coded file
// keeps the digest of its coded bytes. (XXH3, 64 bits: a page taken for another by chance has a
// likelihood of 2^-64.)
#include <cstddef>
#include <cstdint>
#include <memory>

constexpr size_t kPageBytes = 4096;

// The number of pages of `size` bytes: the last page may be short.
inline uint64_t PageCount(uint64_t size) {
  return (size + kPageBytes - 1) / kPageBytes;
}

uint64_t HashPage(const uint8_t* data, size_t len);
// The same hash of any number of bytes.
uint64_t HashBytes(const void* data, size_t len);
// The hashes of the consecutive pages of data[0 .. len): PageCount(len) values into `out`.
void HashPages(const uint8_t* data, size_t len, uint64_t* out);

// The digest of a file's bytes: the hash of the sequence of its page hashes (each as eight
// little-endian bytes), fed in file order. An empty file has the digest of no bytes.
class ContentDigest {
 public:
  ContentDigest();
  ~ContentDigest();
  ContentDigest(const ContentDigest&) = delete;
  ContentDigest& operator=(const ContentDigest&) = delete;

  void Add(const uint64_t* pageHashes, size_t count);
  uint64_t Value() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};
