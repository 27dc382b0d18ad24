#pragma once
// What a sealed file holds besides its pages: its seal's record after the content (the trailer),
// written once the content is sealed and cut off when it is unsealed, and the MAC that the
// record carries, taken over the content as it lies.
#include <cstdint>
#include <string>

#include "engine/journal/Fault.h"
#include "seal/ContentMac.h"
#include "seal/SealKeys.h"
#include "seal/SealRecord.h"

// The seal's record kept in `bytes` (a journal entry's, an attribute's): its header and MAC.
// False when the bytes are no whole record of a version this program knows.
bool ReadSealRecord(const std::string& bytes, seal::Record* record);

// What the open file of `size` bytes shows of a seal, from its end and from the seal's
// attribute (`attr`, null when it has none): the record at its end, sound and as long as the
// file says; or, sealed but unsound, why (a record cut off its end while the attribute stays is
// Damaged). A file that shows neither is not sealed.
struct FoundSeal {
  bool sealed = false;
  seal::SealFault fault = seal::SealFault::None;
  seal::Record record;
  size_t recordBytes = 0;
};
FoundSeal FindSeal(int fd, uint64_t size, const std::string* attr);
// The same for the file's last min(size, seal::kMaxRecordSize) bytes read already (`n` of them;
// `tail` null: they could not be read).
FoundSeal FindSealInTail(const uint8_t* tail, size_t n, uint64_t size, const std::string* attr);

// Feeds `mac` the content [0, length) of the open file as it now lies.
Step TakeContentMac(int fd, uint64_t length, seal::ContentMac* mac);

// The record of the content [0, header.length) of the open file as it now lies, sealed with
// `keys` under `header`: its MAC taken anew.
Step MakeSealRecord(int fd, const seal::FileKeys& keys, const seal::Header& header,
                    std::string* record);

// Puts `record` after the content of `length` bytes (the file then ends with it), or cuts the
// file back to its content.
Step WriteTrailer(int fd, uint64_t length, const std::string& record);
Step CutToContent(int fd, uint64_t length);
