// The key finder on any bytes, as a file without a record holds them: the headers' own checks
// (gzip, GIF, zip, TIFF, PNG, PDF, fonts, ID3, zstd, xz, 7-zip, Netpbm, Targa, PCX, lz4) walk
// structures the bytes claim, so every one of them runs on the raw bytes too, and so does the
// judgement of a part. The bytes sit in a heap block of exactly their size, so that a read past
// them is caught. A key found is a real moment, and turns the bytes into a recognised type.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "engine/rescue/HeaderKeys.h"
#include "engine/rescue/KeyFinder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::unique_ptr<uint8_t[]> bytes(new uint8_t[size ? size : 1]);
  if (size > 0) std::memcpy(bytes.get(), data, size);
  for (HeaderCheck check :
       {HeaderCheck::None, HeaderCheck::PngHeaderCrc, HeaderCheck::GzipInflates,
        HeaderCheck::GifBlocks, HeaderCheck::ZipEntry, HeaderCheck::TiffIfd,
        HeaderCheck::PdfVersion, HeaderCheck::Sfnt, HeaderCheck::Id3Frames,
        HeaderCheck::XzHeaderCrc, HeaderCheck::SevenZipCrc, HeaderCheck::ZstdFrame,
        HeaderCheck::Netpbm, HeaderCheck::Targa, HeaderCheck::Pcx, HeaderCheck::Lz4Frame}) {
    // The bytes as the whole file, as its start (its end read or not), and of no known size.
    const size_t tail = std::min(size, TailBytesOf(check));
    FileEnd whole, start, unknown;
    whole.size = size;
    start.size = uint64_t(size) + 100000;
    start.tail.assign(bytes.get() + size - tail, bytes.get() + size);
    for (const FileEnd* end : {&whole, &start, &unknown})
      (void)HeaderCheckPasses(check, bytes.get(), size, *end);
  }
  (void)BeginsWithHeader(bytes.get(), size);
  std::tm now{};
  now.tm_year = 2026 - 1900;
  now.tm_mon = 11;
  now.tm_mday = 7;
  const uint8_t key[6] = {13 + 5, 12 + 6, 11 + 7, 2001 - 1941, 22 + 8, 23 + 9};
  (void)PartLooksPlain(bytes.get(), size, 4096, key);
  KeyFinding found = FindKey(bytes.get(), size, now);
  if (found.verdict == KeyFinding::Verdict::Found &&
      (!KeyIsRealMoment(found.key, now) || !KindWithKey(bytes.get(), size, found.key).Recognised()))
    std::abort();
  // Every candidate listed is a real moment too.
  for (const KeyCandidate& c : found.candidates)
    if (!KeyIsRealMoment(c.key, now)) std::abort();
  return 0;
}
