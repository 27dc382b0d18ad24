// The record coder for any name, password and moment of the clock: every value it makes is a
// whole record, and decodes to the name (cut only where the line is full) and the password.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "codec/CCO.h"
#include "codec/WholeRecord.h"
#include "platform/Clock.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static plat::FixedClock* clock = new plat::FixedClock(std::tm{});
  static CCO* coder = new CCO;
  static CCO* reader = new CCO;
  FuzzedDataProvider in(data, size);
  std::tm when{};
  when.tm_sec = in.ConsumeIntegralInRange(0, 60);
  when.tm_min = in.ConsumeIntegralInRange(0, 59);
  when.tm_hour = in.ConsumeIntegralInRange(0, 23);
  when.tm_mday = in.ConsumeIntegralInRange(1, 31);
  when.tm_mon = in.ConsumeIntegralInRange(0, 11);
  when.tm_year = in.ConsumeIntegralInRange(-1900, 8000);
  clock->Set(when);
  plat::SetClock(clock);
  // Names and passwords are C strings: each ends at its first zero byte.
  const std::string name = in.ConsumeRandomLengthString(300).c_str();
  const std::string pass = in.ConsumeRemainingBytesAsString().c_str();

  coder->GenerateC(name.c_str(), pass.c_str());
  const char* line = coder->CodeLine();
  const std::string value(line, coder->LineLength() + 1u);
  plat::SetClock(nullptr);
  RecordFlaw why;
  if (!IsWholeRecord(value.data(), value.size(), &why)) {
    std::fprintf(stderr, "a coded record is refused: rule %d\n", int(why.kind));
    std::abort();
  }
  reader->DecodeLine(value.data(), value.size());
  const std::string gotName = reader->Name(), gotPass = reader->NPass();
  if (gotName != coder->Name() || gotPass != coder->NPass()) std::abort();
  if (name.compare(0, gotName.size(), gotName) != 0) std::abort();
  if (pass.compare(0, gotPass.size(), gotPass) != 0) std::abort();
  if (name.size() + pass.size() <= size_t(kMaxNamePlusPass) && (gotName != name || gotPass != pass))
    std::abort();
  return 0;
}
