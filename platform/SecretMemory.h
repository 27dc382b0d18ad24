#pragma once
// Keeping a password out of core dumps. A process that holds one is made non-dumpable and its
// core size limit zero at its start, so that no core file (nor a core handler honouring the
// limit) gets its memory, and other processes of its user cannot read it either. The buffers
// that hold the password itself are pages of their own, left out of any dump there may still
// be (MADV_DONTDUMP), kept out of swap where allowed, and wiped when they are cleared.
#include <cstddef>
#include <string>
#include <string_view>

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

// Memory for secrets: from pages of their own, left out of core dumps and kept out of swap where
// allowed; wiped when given back. Throws std::bad_alloc when none can be had.
void* SecretAlloc(size_t size);
void SecretFree(void* data, size_t size);

// A short secret text, such as a password, kept in secret memory (SecretAlloc) from the moment it
// is made: the way to carry one through the program without a plain copy in the ordinary heap.
// A copy is a secret of its own; the bytes are wiped when the text is let go or changed.
class SecretText {
 public:
  static constexpr size_t kMax = 255;

  SecretText() = default;
  // At most kMax bytes of `text` are kept.
  SecretText(const char* text);  // NOLINT: a password given as a literal (tests) or a C string
  SecretText(const char* data, size_t size);
  SecretText(const SecretText& other);
  SecretText(SecretText&& other) noexcept;
  SecretText& operator=(const SecretText& other);
  SecretText& operator=(SecretText&& other) noexcept;
  ~SecretText();

  const char* data() const { return slot_ ? slot_ : ""; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::string_view view() const { return {data(), size_}; }
  void assign(const char* data, size_t size);
  // Keeps the first `size` bytes (no more than it has).
  void resize(size_t size);
  // Equal texts, compared in a time that does not tell where they differ.
  friend bool operator==(const SecretText& a, const SecretText& b);
  friend bool operator!=(const SecretText& a, const SecretText& b) { return !(a == b); }

 private:
  char* slot_ = nullptr;  // kMax + 1 bytes of secret memory, once anything was kept
  size_t size_ = 0;
};

}  // namespace plat
