#include "engine/rescue/ByteKind.h"

#include <magic.h>

#include <algorithm>
#include <mutex>

namespace {

// One database, loaded at the first use and kept: loading it takes longer than many looks.
// A cookie is not safe to share between threads, so every use holds the lock.
class MagicDatabase {
 public:
  MagicDatabase() {
    // Compressed bytes are not opened up: the kind of the bytes as they lie is what counts.
    const int flags = MAGIC_NO_CHECK_COMPRESS | MAGIC_NO_CHECK_CDF | MAGIC_ERROR;
    mime_ = magic_open(flags | MAGIC_MIME_TYPE);
    text_ = magic_open(flags);
    if (mime_ && magic_load(mime_, nullptr) != 0) Close(&mime_);
    if (text_ && magic_load(text_, nullptr) != 0) Close(&text_);
  }
  ~MagicDatabase() {
    Close(&mime_);
    Close(&text_);
  }
  ByteKind Kind(const uint8_t* data, size_t len) {
    ByteKind kind;
    std::lock_guard<std::mutex> hold(lock_);
    if (!mime_ || !text_) return kind;
    if (const char* m = magic_buffer(mime_, data, len)) kind.mime = m;
    if (const char* d = magic_buffer(text_, data, len)) kind.description = d;
    return kind;
  }

 private:
  static void Close(magic_t* cookie) {
    if (*cookie) magic_close(*cookie);
    *cookie = nullptr;
  }
  std::mutex lock_;
  magic_t mime_ = nullptr;
  magic_t text_ = nullptr;
};

}  // namespace

bool ByteKind::Recognised() const {
  return !mime.empty() && mime != "application/octet-stream" && mime != "inode/x-empty" &&
         mime != "application/x-empty";
}

ByteKind KindOfBytes(const uint8_t* data, size_t len) {
  static MagicDatabase database;
  return database.Kind(data, std::min(len, kKindBytes));
}
