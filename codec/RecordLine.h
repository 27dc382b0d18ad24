#pragma once
// The codec record as plain values, and its stored form: the scrambled line that is the value
// of the attribute "PrivCodec" (docs/privcodec-format.md). These are the functions that build
// and read the bytes; the record class CCO keeps its fields in members and calls them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "codec/TimeCode.h"
#include "platform/SecretMemory.h"

struct RecordFields {
  // L as stored: 9 + n + p for a record built here, whatever the value said for one read back.
  uint8_t lineLength = 0;
  char timeCode[kTimeCodeBytes + 1] = {};  // six bytes and a zero
  std::string name;                        // the file's leaf name at coding, at most 255 bytes
  plat::SecretText password;               // at most 255 bytes, in secret memory
};

// The fields of a new record: the whole password (up to 246 bytes) and as much of the name as
// then fits the line (n + p <= 246), never cutting a UTF-8 character. `timeCode` has 6 bytes.
RecordFields NewRecordFields(const std::string& name, const plat::SecretText& password,
                             const char* timeCode);

// The stored value of a record: L + 1 bytes, the line scrambled and its terminating zero.
std::string EncodeRecordValue(const RecordFields& fields);

// The fields of a stored value of which `count` bytes were read. Bytes the value claims beyond
// those count as zeros, and lengths that point past L pick up zeros; nothing outside
// value[0 .. count - 1] is read.
RecordFields DecodeRecordValue(const char* value, size_t count);
