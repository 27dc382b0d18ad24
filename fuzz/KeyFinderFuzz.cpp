// The key finder on any bytes, as a file without a record holds them: the headers' own checks
// (gzip, GIF, zip, TIFF, PNG) walk structures the bytes claim, so every one of them runs on the
// raw bytes too. The bytes sit in a heap block of exactly their size, so that a read past them
// is caught. A key found is a real moment, and turns the bytes into a recognised type.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "engine/HeaderKeys.h"
#include "engine/KeyFinder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::unique_ptr<uint8_t[]> bytes(new uint8_t[size ? size : 1]);
  if (size > 0) std::memcpy(bytes.get(), data, size);
  for (HeaderCheck check : {HeaderCheck::None, HeaderCheck::PngHeaderCrc,
                            HeaderCheck::GzipInflates, HeaderCheck::GifBlocks,
                            HeaderCheck::ZipEntry, HeaderCheck::TiffIfd})
    for (bool whole : {false, true}) (void)HeaderCheckPasses(check, bytes.get(), size, whole);
  (void)BeginsWithHeader(bytes.get(), size);
  std::tm now{};
  now.tm_year = 2026 - 1900;
  now.tm_mon = 11;
  now.tm_mday = 7;
  KeyFinding found = FindKey(bytes.get(), size, now);
  if (found.verdict == KeyFinding::Verdict::Found &&
      (!KeyIsRealMoment(found.key, now) ||
       !KindWithKey(bytes.get(), size, found.key).Recognised()))
    std::abort();
  return 0;
}
