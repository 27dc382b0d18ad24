#pragma once
// What stood in the way of reading, opening or checking a sealed file, as a value: each front
// end puts it into its own words. Each call of seal/ says which of these it gives.
#include <cstdint>

namespace seal {

enum class SealFault : uint8_t {
  None,
  Unavailable,     // libsodium could not start (it found no source of random bytes)
  NotSealed,       // no seal record: the bytes do not end in the tail's magic
  Damaged,         // a record whose length, check or fields are not what a sealer writes
  UnknownVersion,  // a sound record of a format version this program does not know
  CostOutOfRange,  // a derivation cost outside what this program runs (kMinCost..kMaxCost)
  NoMemory,        // the derivation could not have the memory its cost asks for
  OtherSalt,       // the key was derived with another salt or cost than the header names
  WrongPassword,   // the data key does not unwrap with the key derived from the password
  LengthDiffers,   // the content is not as long as its header says: cut short, or grown
  Changed,         // the MAC does not match: a byte of header or content is not as sealed
};

}  // namespace seal
