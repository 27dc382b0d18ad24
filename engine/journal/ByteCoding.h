#pragma once
// Little-endian integers in and out of byte strings, for the journal and the attributes that the
// engine adds beside the record. A reader that runs out of bytes says so instead of reading on.
#include <cstdint>
#include <string>

class ByteWriter {
 public:
  void U8(uint8_t v) { out_.push_back(char(v)); }
  void U16(uint16_t v) { Int(v, 2); }
  void U32(uint32_t v) { Int(v, 4); }
  void U64(uint64_t v) { Int(v, 8); }
  void Bytes(const std::string& b) { out_ += b; }
  void Bytes(const void* data, size_t n) { out_.append(static_cast<const char*>(data), n); }
  const std::string& Out() const { return out_; }
  std::string& Out() { return out_; }

 private:
  void Int(uint64_t v, int n) {
    for (int i = 0; i < n; ++i) out_.push_back(char(uint8_t(v >> (8 * i))));
  }
  std::string out_;
};

class ByteReader {
 public:
  ByteReader(const char* data, size_t size) : data_(data), size_(size) {}
  explicit ByteReader(const std::string& s) : ByteReader(s.data(), s.size()) {}

  bool U8(uint8_t* v) { return Int(v, 1); }
  bool U16(uint16_t* v) { return Int(v, 2); }
  bool U32(uint32_t* v) { return Int(v, 4); }
  bool U64(uint64_t* v) { return Int(v, 8); }
  bool Bytes(std::string* out, size_t n) {
    if (size_ - at_ < n) return false;
    out->assign(data_ + at_, n);
    at_ += n;
    return true;
  }
  size_t Left() const { return size_ - at_; }
  const char* Here() const { return data_ + at_; }
  bool Skip(size_t n) {
    if (size_ - at_ < n) return false;
    at_ += n;
    return true;
  }

 private:
  template <typename T>
  bool Int(T* v, int n) {
    if (size_ - at_ < size_t(n)) return false;
    uint64_t x = 0;
    for (int i = 0; i < n; ++i) x |= uint64_t(uint8_t(data_[at_ + i])) << (8 * i);
    at_ += size_t(n);
    *v = T(x);
    return true;
  }
  const char* data_;
  size_t size_;
  size_t at_ = 0;
};
