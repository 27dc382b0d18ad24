#pragma once
// The integrity attribute that a file coded by this program carries beside its record: the
// length of the coded bytes and their digest (PageHash.h), tied to the record value it was
// written with. Decoding computes the same digest as it reads and refuses a file whose bytes
// changed since they were coded. Files without it, coded before it existed or by another
// program, decode without the check; so do files whose attribute was left by an earlier coding
// (another program decoded and coded the file again without knowing of it).
//
// Value, 36 bytes: "MVI2", the length, the digest, the hash of the record value (XXH3-64 of the
// PrivCodec value's bytes) and the hash of these first 28 bytes, each 8 bytes little-endian.
// Values "MVI1" (20 bytes: magic, length, digest) tie to no record and are taken as they are.
#include <cstdint>
#include <string>

#include "engine/journal/Fault.h"

constexpr const char* kIntegrityAttr = "murvel.integrity";

struct Integrity {
  uint64_t length = 0;
  uint64_t digest = 0;
};

// The value for coded bytes of `integrity`, written with the record value `record`.
std::string EncodeIntegrity(const Integrity& integrity, const std::string& record);

// What an integrity value says of a file whose record value is `record`.
struct IntegrityCheck {
  enum Kind {
    Fits,       // it belongs to this record: `integrity` holds
    NotItsOwn,  // it was written with another record: it says nothing of these bytes
    Damaged,    // not a value this program writes, or damaged: `why`
  } kind = Damaged;
  Integrity integrity;
  Fault why;
};
IntegrityCheck CheckIntegrity(const std::string& value, const std::string& record);
