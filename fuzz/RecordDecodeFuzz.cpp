// The record decoder and the whole-record check on any attribute value up to the 511 bytes a
// reader takes in. The value sits in a heap block of exactly its size, so that a read past it
// is caught. A value the check takes decodes into a record that codes back to the very same
// bytes; a value it refuses comes with a reason in plain text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "codec/CCO.h"
#include "codec/WholeRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > size_t(kPrivCodecReadMax)) return 0;
  // One record for every value, as the program reuses its own.
  static CCO* record = new CCO;
  std::unique_ptr<char[]> value(new char[size]);
  if (size > 0) std::memcpy(value.get(), data, size);

  RecordFlaw why;
  const bool whole = IsWholeRecord(value.get(), size, &why);
  const int len = record->DecodeLine(value.get(), size);
  if (std::strlen(record->Name()) > record->NameLength()) std::abort();
  if (std::strlen(record->NPass()) > record->PassLength()) std::abort();
  if (!whole) {
    if (why.kind == RecordFlaw::None) std::abort();
    return 0;
  }
  if (size_t(len) + 1 != size) std::abort();
  if (9 + record->NameLength() + record->PassLength() != len) std::abort();
  if (std::memcmp(record->CodeLine(), value.get(), size) != 0) std::abort();
  return 0;
}
