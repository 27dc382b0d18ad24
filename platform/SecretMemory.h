#pragma once
// Keeping a password out of core dumps. A process that holds one is made non-dumpable and its
// core size limit zero at its start, so that no core file (nor a core handler honouring the
// limit) gets its memory, and other processes of its user cannot read it either. The buffers
// that hold the password itself are pages of their own, left out of any dump there may still
// be (MADV_DONTDUMP), kept out of swap where allowed, and wiped when they are cleared.
#include <cstddef>
#include <string>

namespace plat {

// At the start of a program that will hold a password.
void KeepSecretsOutOfCoreDumps();

// Overwrites `size` bytes in a way the compiler does not leave out.
void Wipe(void* data, size_t size);
inline void Wipe(std::string* text) {
  Wipe(text->data(), text->size());
  text->clear();
}

// A fixed buffer for a password.
class SecretBuffer {
 public:
  explicit SecretBuffer(size_t capacity = 4096);
  ~SecretBuffer();
  SecretBuffer(const SecretBuffer&) = delete;
  SecretBuffer& operator=(const SecretBuffer&) = delete;

  char* data() { return data_; }
  const char* data() const { return data_; }
  size_t capacity() const { return capacity_; }
  // Wipes every byte.
  void Clear();

 private:
  char* data_ = nullptr;
  size_t capacity_ = 0;
  size_t mapped_ = 0;
};

}  // namespace plat
