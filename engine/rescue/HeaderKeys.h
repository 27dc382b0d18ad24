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
  ZstdFrame,     // the frame header's reserved bit is clear, its blocks follow one another, each
                 // of a type and size the format allows, to the end of a whole file, and the
                 // frame decodes (to its size and checksum when it ends within the bytes)
  Netpbm,        // the raster the header's width, height and greatest value make fills the file
                 // to its last byte
  Targa,         // the header's fields are the format's, and its pixels fill the file (to the
                 // footer where the file has one), packet by packet where they are compressed
  Pcx,           // the header's fields agree (planes, bits, bytes per line, the image box, the
                 // bytes it leaves zero) and the run-length coded lines fill the image box to the
                 // file's end (to the palette where one follows)
  Lz4Frame,      // the frame descriptor matches its checksum (xxHash) and its blocks decode, each
                 // within the size the descriptor allows, to the end of a whole file
};

// What a check may know of the file beyond the bytes it is given: its size (0 when not known;
// the bytes are the whole file when it is theirs) and its last bytes, turned back with the same
// key (none when not read).
struct FileEnd {
  uint64_t size = 0;
  std::vector<uint8_t> tail;
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

// Whether the turned-back prefix passes the header's own check.
bool HeaderCheckPasses(HeaderCheck check, const uint8_t* plain, size_t len, const FileEnd& end);

// Whether the check reaches over the whole file (lengths that must match the file's, a stream
// that must decode): a key it confirms where no other key passes it needs no more evidence.
bool CheckIsDecisive(HeaderCheck check);

// How many of the file's last bytes the check looks at (0: none): a finder reads them for it when
// the bytes it holds end before the file does.
size_t TailBytesOf(HeaderCheck check);

// Where a TIFF's first directory lies by its header (0 when the bytes are too few), and whether
// the bytes of a directory (`len` of them from its start) hold sorted, typed entries.
uint64_t TiffDirectoryAt(const uint8_t* plain, size_t len);
bool TiffDirectoryReads(const uint8_t* dir, size_t len, bool littleEndian);

// Whether the bytes as they lie begin with one of the headers.
bool BeginsWithHeader(const uint8_t* bytes, size_t len);
