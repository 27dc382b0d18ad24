#pragma once
// Known file headers, as a key finder uses them: a header pins the bytes at fixed places of a
// file, so where coded bytes hide one, each of its bytes tells the key byte that codes its
// place. Only headers with enough fixed bytes to tell most key bytes are listed.
#include <cstddef>
#include <cstdint>
#include <vector>

// How a header's own contents confirm a key beyond the database's recognition.
enum class HeaderCheck {
  None,
  PngHeaderCrc,  // the first chunk's CRC matches
  GzipInflates,  // the compressed stream inflates without error (to its length and CRC, when
                 // it ends within the bytes looked at)
  GifBlocks,     // the blocks after the colour table follow one another as they must
  ZipEntry,      // the first entry's name is text, and its compressed bytes inflate
  TiffIfd,       // the first directory holds sorted, typed entries (when it lies within the
                 // bytes)
  PdfVersion,    // a version PDF has (1.0 to 1.7, 2.0) on the first line, and the keywords
                 // that end objects or begin streams where the bytes hold any
  Sfnt,          // a font's table directory: its search fields follow from the count, its tags
                 // are sorted and printable, and the tables within the bytes match their sums
  Id3Frames,     // the tag's frames have names of capitals and digits and sizes that fit it
  XzHeaderCrc,   // the stream flags match their CRC
  SevenZipCrc,   // the start header matches its CRC
  ZstdFrame,     // the frame header's reserved bit is clear and its blocks follow one another,
                 // each of a type and size the format allows, to the end of a whole file
};

struct HeaderMatch {
  const char* name;
  HeaderCheck check = HeaderCheck::None;
  // For each key byte: whether the header pins it, and the values it allows (within its range).
  bool pinned[6] = {};
  std::vector<uint8_t> allowed[6];
  // The places of one byte only beyond one for each key byte they pin: each is a check of its own.
  int redundancy = 0;
};

// The headers that `coded` (with the position term already taken off: d[i] = c[i] - (i mod 256))
// could hide under a key whose byte j lies in lo[j]..hi[j].
std::vector<HeaderMatch> MatchHeaders(const uint8_t* d, size_t len, const uint8_t lo[6],
                                      const uint8_t hi[6]);

// Whether the turned-back prefix passes the header's own check; `whole`: the bytes are the whole
// file (else more follow).
bool HeaderCheckPasses(HeaderCheck check, const uint8_t* plain, size_t len, bool whole);

// Where a TIFF's first directory lies by its header (0 when the bytes are too few), and whether
// the bytes of a directory (`len` of them from its start) hold sorted, typed entries.
uint64_t TiffDirectoryAt(const uint8_t* plain, size_t len);
bool TiffDirectoryReads(const uint8_t* dir, size_t len, bool littleEndian);

// Whether the bytes as they lie begin with one of the headers.
bool BeginsWithHeader(const uint8_t* bytes, size_t len);
