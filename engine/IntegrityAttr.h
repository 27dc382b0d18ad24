#pragma once
// The integrity attribute that a file coded by this program carries beside its record: the
// length of the coded bytes and their digest (PageHash.h). Decoding computes the same digest as
// it reads and refuses a file whose bytes changed since they were coded. Files without it, coded
// before it existed or by another program, decode without the check.
//
// Value, 20 bytes: "MVI1", the length (8 bytes, little-endian), the digest (8 bytes, likewise).
#include <cstdint>
#include <optional>
#include <string>

constexpr const char* kIntegrityAttr = "murvel.integrity";

struct Integrity {
  uint64_t length = 0;
  uint64_t digest = 0;
};

std::string EncodeIntegrity(const Integrity& integrity);
// Nothing when the value is not one this program writes.
std::optional<Integrity> DecodeIntegrity(const std::string& value);
