#pragma once
// What a run of bytes is, as the system's file-type database (libmagic, the database behind
// file(1)) recognises it from the bytes alone: its MIME type and its description. Used to tell
// whether bytes turned back with a key found for them are a real file.
#include <cstddef>
#include <cstdint>
#include <string>

struct ByteKind {
  std::string mime;         // "image/png", "text/plain"; empty when the database is not at hand
  std::string description;  // "PNG image data, 640 x 480, 8-bit/color RGBA, non-interlaced"

  // A type the database recognises: neither unknown bytes ("application/octet-stream") nor
  // nothing at all.
  bool Recognised() const;
  bool Text() const { return mime.rfind("text/", 0) == 0; }
};

// At most kKindBytes of `data` are looked at. Safe to call from several threads.
constexpr size_t kKindBytes = 16 * 1024;
ByteKind KindOfBytes(const uint8_t* data, size_t len);
