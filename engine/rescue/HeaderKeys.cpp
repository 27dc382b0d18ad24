#include "engine/rescue/HeaderKeys.h"

#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <bitset>
#include <cstdlib>
#include <cstring>
#include <string>

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace {

// A header: its bytes from `offset` on, one token each: "89" a byte, "??" any byte, "01|02" one
// of several, "31-39" one of a range.
struct Header {
  const char* name;
  size_t offset;
  const char* bytes;
  HeaderCheck check;
};

const Header kHeaders[] = {
    {"PNG", 0, "89 50 4e 47 0d 0a 1a 0a 00 00 00 0d 49 48 44 52", HeaderCheck::PngHeaderCrc},
    {"GIF", 0, "47 49 46 38 37|39 61", HeaderCheck::GifBlocks},
    {"PDF", 0, "25 50 44 46 2d 31|32 2e", HeaderCheck::PdfVersion},
    {"ELF", 0, "7f 45 4c 46 01|02 01|02 01 00|03 00 00 00 00 00 00 00 00", HeaderCheck::None},
    {"gzip", 0, "1f 8b 08 00-1f ?? ?? ?? ?? 00|02|04 00-0d|ff", HeaderCheck::GzipInflates},
    {"zip", 0, "50 4b 03 04 0a|0b|0c|14|15|2d|33|3f 00 00-0f|80-8f 00|08 00|08|09|0c|0e 00",
     HeaderCheck::ZipEntry},
    {"JPEG", 0, "ff d8 ff e0 00 10 4a 46 49 46 00 01", HeaderCheck::None},
    {"JPEG", 0, "ff d8 ff e1 ?? ?? 45 78 69 66 00 00", HeaderCheck::None},
    {"JPEG", 0, "ff d8 ff db 00 43|84 00", HeaderCheck::None},
    {"JPEG", 0, "ff d8 ff ee 00 0e 41 64 6f 62 65", HeaderCheck::None},
    {"SQLite", 0, "53 51 4c 69 74 65 20 66 6f 72 6d 61 74 20 33 00", HeaderCheck::None},
    {"7-zip", 0, "37 7a bc af 27 1c 00 02|03|04", HeaderCheck::SevenZipCrc},
    {"zstd", 0, "28 b5 2f fd", HeaderCheck::ZstdFrame},
    {"xz", 0, "fd 37 7a 58 5a 00 00 00|01|04|0a", HeaderCheck::XzHeaderCrc},
    {"bzip2", 0, "42 5a 68 31-39 31 41 59 26 53 59", HeaderCheck::None},
    {"WAVE", 0, "52 49 46 46 ?? ?? ?? ?? 57 41 56 45 66 6d 74 20", HeaderCheck::None},
    {"WebP", 0, "52 49 46 46 ?? ?? ?? ?? 57 45 42 50 56 50 38", HeaderCheck::None},
    {"AVI", 0, "52 49 46 46 ?? ?? ?? ?? 41 56 49 20 4c 49 53 54", HeaderCheck::None},
    {"Ogg", 0, "4f 67 67 53 00 02 00 00 00 00 00 00 00 00", HeaderCheck::None},
    {"FLAC", 0, "66 4c 61 43 00|80 00 00 22", HeaderCheck::None},
    {"ID3", 0, "49 44 33 02|03|04 00 00-e0 00-7f 00-7f 00-7f 00-7f", HeaderCheck::Id3Frames},
    {"MP4", 0, "00 00 00 ?? 66 74 79 70 69 73 6f 6d", HeaderCheck::None},
    {"MP4", 0, "00 00 00 ?? 66 74 79 70 6d 70 34 31|32", HeaderCheck::None},
    {"MP4", 0, "00 00 00 ?? 66 74 79 70 4d 34 41|56 20", HeaderCheck::None},
    {"QuickTime", 0, "00 00 00 ?? 66 74 79 70 71 74 20 20", HeaderCheck::None},
    {"HEIF", 0, "00 00 00 ?? 66 74 79 70 68 65 69 63|78", HeaderCheck::None},
    {"AVIF", 0, "00 00 00 ?? 66 74 79 70 61 76 69 66", HeaderCheck::None},
    // The first directory within 16 MiB (its place's highest byte zero).
    {"TIFF", 0, "49 49 2a 00 ?? ?? ?? 00", HeaderCheck::TiffIfd},
    {"TIFF", 0, "4d 4d 00 2a 00", HeaderCheck::TiffIfd},
    {"BMP", 0, "42 4d ?? ?? ?? ?? 00 00 00 00 ?? ?? 00 00 0c|28|38|40|6c|7c 00 00 00",
     HeaderCheck::None},
    {"OLE2", 0, "d0 cf 11 e0 a1 b1 1a e1", HeaderCheck::None},
    {"ar", 0, "21 3c 61 72 63 68 3e 0a", HeaderCheck::None},
    {"Java class", 0, "ca fe ba be 00 00 00 2d-45", HeaderCheck::None},
    {"WOFF", 0, "77 4f 46 46|32 00 01 00 00", HeaderCheck::None},
    {"WOFF", 0, "77 4f 46 46|32 4f 54 54 4f", HeaderCheck::None},
    {"OpenType", 0, "4f 54 54 4f 00 05-30 00", HeaderCheck::Sfnt},
    {"TrueType", 0, "00 01 00 00 00 05-30 00", HeaderCheck::Sfnt},
    {"PE", 0, "4d 5a 90 00 03 00 00 00 04 00 00 00 ff ff 00 00", HeaderCheck::None},
    {"gettext", 0, "de 12 04 95 00|01 00 00 00 ?? ?? 00 00 1c 00 00 00", HeaderCheck::None},
    {"gettext", 0, "95 04 12 de 00 00 00 00|01 00 00 ?? ?? 00 00 00 1c", HeaderCheck::None},
    {"Python bytecode", 0, "?? 0d 0d 0a 00 00 00 00 ?? ?? ?? ?? ?? ?? ?? ?? e3|63",
     HeaderCheck::None},
    {"tar", 257, "75 73 74 61 72 00|20 30|20", HeaderCheck::None},
    {"RPM", 0, "ed ab ee db 03|04 00 00|01", HeaderCheck::None},
    {"Photoshop", 0, "38 42 50 53 00 01|02 00 00 00 00 00 00", HeaderCheck::None},
    {"CAB", 0, "4d 53 43 46 00 00 00 00", HeaderCheck::None},
    {"MIDI", 0, "4d 54 68 64 00 00 00 06", HeaderCheck::None},
    {"WebAssembly", 0, "00 61 73 6d 01 00 00 00", HeaderCheck::None},
    {"terminfo", 0, "1a|1e 01|02 ?? 00 ?? 00 ?? 00 ?? 00|01|02", HeaderCheck::None},
    {"jmod", 0, "4a 4d 01 00 50 4b 03 04", HeaderCheck::None},
    {"ISO 9660", 32769, "43 44 30 30 31 01 00", HeaderCheck::None},
    {"PEM", 0, "2d 2d 2d 2d 2d 42 45 47 49 4e 20", HeaderCheck::None},
    {"XPM", 0, "2f 2a 20 58 50 4d 20 2a 2f", HeaderCheck::None},
    {"AIFF", 0, "46 4f 52 4d ?? ?? ?? ?? 41 49 46 46 43 4f 4d 4d", HeaderCheck::None},
    {"AIFF", 0, "46 4f 52 4d ?? ?? ?? ?? 41 49 46 43 46 56 45 52", HeaderCheck::None},
    {"Sun audio", 0, "2e 73 6e 64 00 00 00 ?? ?? ?? ?? ?? 00 00 00 01-1b", HeaderCheck::None},
    {"icon", 0, "00 00 01|02 00 01-20 00 ?? ?? ?? 00 00|01 00", HeaderCheck::None},
    // Netpbm's binary bitmaps, greymaps and pixmaps, as most programs write them: a line end
    // after the magic, then the width's digits, or a comment.
    {"Netpbm", 0, "50 34-36 0a 31-39 0a|20|30-39 0a|20|30-39", HeaderCheck::Netpbm},
    {"Netpbm", 0, "50 34-36 0a 23", HeaderCheck::Netpbm},
    // Targa without an image identifier or a colour map, placed at the origin.
    {"Targa", 0, "00 00 02|03|0a|0b 00 00 00 00 00 00 00 00 00", HeaderCheck::Targa},
    {"PCX", 0, "0a 00|02-05 01 01|02|04|08 00 00 00 00", HeaderCheck::Pcx},
    // The frame descriptor's version and reserved bits, and a block size it allows.
    {"lz4", 0,
     "04 22 4d 18 40-41|44-45|48-49|4c-4d|50-51|54-55|58-59|5c-5d|60-61|64-65|68-69|6c-6d|70-71|"
     "74-75|78-79|7c-7d 40|50|60|70",
     HeaderCheck::Lz4Frame},
    // Text in UTF-16 with its byte order mark, as far as its first two characters are Latin:
    // the bytes that are zero pin the key bytes of their classes.
    {"UTF-16", 0, "ff fe ?? 00 ?? 00", HeaderCheck::None},
    {"UTF-16", 0, "fe ff 00 ?? 00 ??", HeaderCheck::None},
};

using ByteSet = std::bitset<256>;

// The tokens of a header; an unpinned place ("??") is an empty set.
std::vector<ByteSet> Tokens(const char* text) {
  std::vector<ByteSet> out;
  const char* p = text;
  while (*p) {
    while (*p == ' ') ++p;
    if (!*p) break;
    ByteSet set;
    if (p[0] == '?') {
      p += 2;
    } else {
      for (;;) {
        char* end = nullptr;
        unsigned long a = std::strtoul(p, &end, 16);
        unsigned long b = a;
        p = end;
        if (*p == '-') b = std::strtoul(p + 1, &end, 16), p = end;
        for (unsigned long v = a; v <= b && v < 256; ++v) set.set(v);
        if (*p != '|') break;
        ++p;
      }
    }
    out.push_back(set);
  }
  return out;
}

const std::vector<std::vector<ByteSet>>& AllTokens() {
  static const std::vector<std::vector<ByteSet>> all = [] {
    std::vector<std::vector<ByteSet>> v;
    for (const Header& h : kHeaders) v.push_back(Tokens(h.bytes));
    return v;
  }();
  return all;
}

// Each token's bytes negated: {-v mod 256 : v in the token}. The key bytes under which a coded
// byte c turns back into one the token allows are these turned by c, {c - v}.
const std::vector<std::vector<ByteSet>>& AllNegatedTokens() {
  static const std::vector<std::vector<ByteSet>> all = [] {
    std::vector<std::vector<ByteSet>> v;
    for (const std::vector<ByteSet>& tokens : AllTokens()) {
      std::vector<ByteSet> negated(tokens.size());
      for (size_t t = 0; t < tokens.size(); ++t)
        for (unsigned b = 0; b < 256; ++b)
          if (tokens[t].test(b)) negated[t].set(uint8_t(0u - b));
      v.push_back(std::move(negated));
    }
    return v;
  }();
  return all;
}

// The places of each header that allow one byte only, and that byte: the first test of a match,
// which rejects almost every header in a few comparisons before any set is turned.
struct SinglePlace {
  size_t at;
  uint8_t value;
};

const std::vector<std::vector<SinglePlace>>& AllSinglePlaces() {
  static const std::vector<std::vector<SinglePlace>> all = [] {
    std::vector<std::vector<SinglePlace>> v;
    const auto& tokens = AllTokens();
    for (size_t h = 0; h < tokens.size(); ++h) {
      std::vector<SinglePlace> places;
      for (size_t t = 0; t < tokens[h].size(); ++t)
        if (tokens[h][t].count() == 1)
          for (unsigned b = 0; b < 256; ++b)
            if (tokens[h][t].test(b)) places.push_back({kHeaders[h].offset + t, uint8_t(b)});
      v.push_back(std::move(places));
    }
    return v;
  }();
  return all;
}

// Whether the places that allow one byte leave every key byte they pin a value within its range,
// and the same value where two places pin one key byte. Where they do not, the whole match would
// find no key byte left for that place's class.
bool SinglePlacesAgree(const std::vector<SinglePlace>& places, const uint8_t* d,
                       const uint8_t lo[6], const uint8_t hi[6]) {
  int pinned[6] = {-1, -1, -1, -1, -1, -1};
  for (const SinglePlace& p : places) {
    const size_t j = p.at % 6;
    const uint8_t k = uint8_t(d[p.at] - p.value);
    if (k < lo[j] || k > hi[j] || (pinned[j] >= 0 && pinned[j] != k)) return false;
    pinned[j] = k;
  }
  return true;
}

// The set turned by `by`: every member x becomes x + by (mod 256).
ByteSet Turned(const ByteSet& set, uint8_t by) {
  return by ? (set << by) | (set >> (256u - by)) : set;
}

uint32_t BigEndian32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

bool PngCrcMatches(const uint8_t* b, size_t len) {
  // The IHDR chunk: length (13) at 8, type at 12, data at 16, CRC of type and data at 29.
  if (len < 33) return false;
  return uint32_t(crc32(0, b + 12, 17)) == BigEndian32(b + 29);
}

// Inflates the raw deflate stream in b[0..len): false on an error in the stream. When it ends
// within the bytes, `crcAt` (if not null) is set to where the bytes after it begin, and `crc`
// and `size` to what came out.
bool Inflates(const uint8_t* b, size_t len, size_t* endAt, uint32_t* crc, uint64_t* size) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return false;
  std::vector<uint8_t> out(64 * 1024);
  z.next_in = const_cast<uint8_t*>(b);
  z.avail_in = uInt(len);
  uLong sum = crc32(0, nullptr, 0);
  uint64_t produced = 0;
  int r = Z_OK;
  while (r == Z_OK) {
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    r = inflate(&z, Z_NO_FLUSH);
    const size_t made = out.size() - z.avail_out;
    sum = crc32(sum, out.data(), uInt(made));
    produced += made;
    if (r == Z_OK && z.avail_in == 0 && made < out.size()) r = Z_BUF_ERROR;  // input used up
  }
  const size_t used = len - z.avail_in;
  inflateEnd(&z);
  if (r == Z_STREAM_END && endAt) {
    *endAt = used;
    *crc = uint32_t(sum);
    *size = produced;
  } else if (endAt) {
    *endAt = 0;
  }
  return (r == Z_STREAM_END || r == Z_BUF_ERROR) && produced > 0;
}

uint32_t LittleEndian32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool GzipInflates(const uint8_t* b, size_t len) {
  if (len < 10) return false;
  size_t at = 10;
  const uint8_t flags = b[3];
  if (flags & 0xe0) return false;  // reserved flags
  if (flags & 0x04) {              // extra field
    if (len < 12) return false;
    at = 12 + (size_t(b[10]) | size_t(b[11]) << 8);
  }
  for (uint8_t zeroEnded : {uint8_t(0x08), uint8_t(0x10)}) {  // name, comment
    if (!(flags & zeroEnded)) continue;
    while (at < len && b[at] != 0) ++at;
    ++at;
  }
  if (flags & 0x02) at += 2;  // header CRC
  if (at + 8 > len) return false;
  size_t end = 0;
  uint32_t crc = 0;
  uint64_t size = 0;
  if (!Inflates(b + at, len - at, &end, &crc, &size)) return false;
  if (end == 0) return true;  // the stream goes on past the bytes looked at
  // A whole stream: its trailer holds the CRC and length of what it inflates to.
  const size_t trailer = at + end;
  return trailer + 8 <= len && LittleEndian32(b + trailer) == crc &&
         LittleEndian32(b + trailer + 4) == uint32_t(size);
}

// The data sub-blocks from `at`: each a length byte and that many bytes, ended by a zero.
bool SkipSubBlocks(const uint8_t* b, size_t len, size_t* at) {
  while (*at < len) {
    const uint8_t n = b[*at];
    *at += 1 + n;
    if (n == 0) return true;
  }
  return false;
}

bool GifBlocksFollow(const uint8_t* b, size_t len) {
  if (len < 13) return false;
  size_t at = 13;
  if (b[10] & 0x80) at += 3 * (size_t(2) << (b[10] & 7));  // the global colour table
  int blocks = 0;
  while (at < len && blocks < 8) {
    const uint8_t kind = b[at];
    if (kind == 0x3b) return blocks > 0;  // the trailer
    if (kind == 0x21) {                   // an extension: its label, then sub-blocks
      at += 2;
      if (!SkipSubBlocks(b, len, &at)) return blocks > 0;
    } else if (kind == 0x2c) {  // an image: its descriptor, colour table, code size, sub-blocks
      if (at + 11 > len) return blocks > 0;
      const uint8_t flags = b[at + 9];
      at += 10;
      if (flags & 0x80) at += 3 * (size_t(2) << (flags & 7));
      if (at >= len) return blocks > 0;
      if (b[at] < 2 || b[at] > 8) return false;
      ++at;
      if (!SkipSubBlocks(b, len, &at)) return blocks > 0;
    } else {
      return false;
    }
    ++blocks;
  }
  return blocks > 0;
}

bool ZipEntryReads(const uint8_t* b, size_t len) {
  if (len < 30) return false;
  const size_t nameLen = size_t(b[26]) | size_t(b[27]) << 8;
  const size_t extraLen = size_t(b[28]) | size_t(b[29]) << 8;
  if (nameLen == 0 || 30 + nameLen > len) return false;
  for (size_t i = 30; i < 30 + nameLen; ++i)
    if (b[i] < 0x20 || b[i] == 0x7f) return false;
  const size_t data = 30 + nameLen + extraLen;
  const unsigned method = unsigned(b[8]) | unsigned(b[9]) << 8;
  // The sizes and CRC, unless a descriptor after the data holds them.
  const bool described = b[6] & 0x08;
  const uint32_t crc = LittleEndian32(b + 14), packed = LittleEndian32(b + 18),
                 size = LittleEndian32(b + 22);
  if (method == 0 && !described) {
    // Stored: the bytes themselves, whose CRC the header holds (an office document's or
    // e-book's "mimetype" entry comes first so).
    if (packed != size) return false;
    if (data + size > len) return true;
    return uint32_t(crc32(0, b + data, uInt(size))) == crc;
  }
  if (method != 8 || data + 16 > len) return true;
  size_t end = 0;
  uint32_t made = 0;
  uint64_t madeSize = 0;
  if (!Inflates(b + data, len - data, &end, &made, &madeSize)) return false;
  // A whole entry within the bytes inflates to its CRC and size.
  return end == 0 || described || (made == crc && uint32_t(madeSize) == size && end == packed);
}

// The version on a PDF's first line, and where the bytes hold the keywords that end an object
// or begin a stream, one of them whole (each is six bytes long, so every class of the key has a
// byte in it).
bool PdfReads(const uint8_t* b, size_t len) {
  if (len < 9) return false;
  const bool one = b[5] == '1' && b[7] >= '0' && b[7] <= '7';
  const bool two = b[5] == '2' && b[7] == '0';
  if (!(one || two) || (b[8] != '\r' && b[8] != '\n' && b[8] != ' ')) return false;
  const std::string text(reinterpret_cast<const char*>(b), len);
  if (text.find("endobj") != std::string::npos || text.find("stream") != std::string::npos)
    return true;
  // No keyword: only where the bytes are too few to hold one.
  return len < 1024 && text.find(" obj") == std::string::npos;
}

// A font's table directory (TrueType, OpenType): the search fields follow from the count of
// tables, the tags are printable and ascending, the offsets lie past the directory, and every
// table the bytes hold whole (but 'head', whose sum leaves out a field of its own) adds up to its
// checksum.
bool SfntReads(const uint8_t* b, size_t len, bool whole) {
  if (len < 12) return false;
  auto u16 = [b](size_t at) { return unsigned(b[at]) << 8 | b[at + 1]; };
  const unsigned n = u16(4);
  unsigned pow2 = 1, log2 = 0;
  while (pow2 * 2 <= n) pow2 *= 2, ++log2;
  if (n == 0 || u16(6) != pow2 * 16 || u16(8) != log2 || u16(10) != n * 16 - pow2 * 16)
    return false;
  const size_t directoryEnd = 12 + 16 * size_t(n);
  uint32_t lastTag = 0;
  for (unsigned t = 0; t < n && 12 + 16 * size_t(t) + 16 <= len; ++t) {
    const uint8_t* r = b + 12 + 16 * size_t(t);
    for (int k = 0; k < 4; ++k)
      if (r[k] < 0x20 || r[k] > 0x7e) return false;
    const uint32_t tag = BigEndian32(r), sum = BigEndian32(r + 4);
    const size_t at = BigEndian32(r + 8), size = BigEndian32(r + 12);
    if (tag <= lastTag || at < directoryEnd || (whole && at + size > len)) return false;
    lastTag = tag;
    if (at + size > len || tag == 0x68656164) continue;  // beyond the bytes, or 'head'
    uint32_t total = 0;
    for (size_t i = 0; i < size; i += 4) {
      uint32_t v = 0;
      for (size_t k = 0; k < 4; ++k) v = v << 8 | (i + k < size ? b[at + i + k] : 0);
      total += v;
    }
    if (total != sum) return false;
  }
  return true;
}

// The frames of ID3v2.3 and 2.4, by name.
const char kId3Frames[] =
    "AENC APIC ASPI CHAP COMM COMR CTOC ENCR EQU2 EQUA ETCO GEOB GRID IPLS LINK MCDI MLLT OWNE "
    "PCNT POPM POSS PRIV RBUF RVA2 RVAD RVRB SEEK SIGN SYLT SYTC TALB TBPM TCMP TCOM TCON TCOP "
    "TDAT TDEN TDLY TDOR TDRC TDRL TDTG TENC TEXT TFLT TIME TIPL TIT1 TIT2 TIT3 TKEY TLAN TLEN "
    "TMCL TMED TMOO TOAL TOFN TOLY TOPE TORY TOWN TPE1 TPE2 TPE3 TPE4 TPOS TPRO TPUB TRCK TRDA "
    "TRSN TRSO TSIZ TSO2 TSOA TSOC TSOP TSOT TSRC TSSE TSST TXXX TYER UFID USER USLT WCOM WCOP "
    "WOAF WOAR WOAS WORS WPAY WPUB WXXX";

// An ID3v2 tag's frames, each a name the standard has and a size within the tag, up to
// the padding or the tag's end; at least one; and after the tag, where the bytes reach it, an
// MPEG frame's sync bits.
bool Id3FramesRead(const uint8_t* b, size_t len) {
  if (len < 10 || (b[5] & 0x40)) return len >= 10;  // an extended header: not walked
  const size_t tagEnd =
      10 + (size_t(b[6]) << 21 | size_t(b[7]) << 14 | size_t(b[8]) << 7 | size_t(b[9]));
  const bool v4 = b[3] == 4, v2 = b[3] == 2;
  const size_t head = v2 ? 6 : 10, name = v2 ? 3 : 4;
  size_t at = 10;
  int frames = 0;
  while (at + head <= std::min(tagEnd, len)) {
    if (b[at] == 0) break;  // padding
    for (size_t k = 0; k < name; ++k)
      if (!((b[at + k] >= 'A' && b[at + k] <= 'Z') || (b[at + k] >= '0' && b[at + k] <= '9')))
        return false;
    // A frame of the standard's own (capitals shifted a little are capitals still).
    if (!v2 &&
        !std::strstr(kId3Frames, std::string(reinterpret_cast<const char*>(b + at), 4).c_str()))
      return false;
    size_t size;
    if (v2)
      size = size_t(b[at + 3]) << 16 | size_t(b[at + 4]) << 8 | b[at + 5];
    else if (v4)
      size = size_t(b[at + 4] & 0x7f) << 21 | size_t(b[at + 5] & 0x7f) << 14 |
             size_t(b[at + 6] & 0x7f) << 7 | size_t(b[at + 7] & 0x7f);
    else
      size = BigEndian32(b + at + 4);
    if (size == 0 || at + head + size > tagEnd) return false;
    at += head + size;
    ++frames;
  }
  if (frames == 0 && at + head <= len) return false;
  // The audio after the tag begins with a frame's sync bits.
  return tagEnd + 2 > len || (b[tagEnd] == 0xff && (b[tagEnd + 1] & 0xe0) == 0xe0);
}

unsigned Le16(const uint8_t* p) {
  return unsigned(p[0]) | unsigned(p[1]) << 8;
}

// The most a frame's decoding may put out before it is taken as sound so far, and the largest
// window it may ask for (the levels zstd offers without --ultra ask for 8 MiB at most; a frame
// that asks for more is not given back).
constexpr size_t kMostDecoded = 256 * 1024;
constexpr int kZstdWindowLog = 23;

// Whether a zstd frame decodes without error over the bytes; when they are the whole file, to
// its end, where the decoder checks the size and checksum the frame holds.
bool ZstdDecodes(const uint8_t* b, size_t len, bool whole) {
  ZSTD_DCtx* z = ZSTD_createDCtx();
  if (!z) return false;
  ZSTD_DCtx_setParameter(z, ZSTD_d_windowLogMax, kZstdWindowLog);
  std::vector<uint8_t> out(ZSTD_DStreamOutSize());
  ZSTD_inBuffer in{b, len, 0};
  size_t made = 0, r = 0;
  bool ended = false;
  for (;;) {
    ZSTD_outBuffer o{out.data(), out.size(), 0};
    r = ZSTD_decompressStream(z, &o, &in);
    if (ZSTD_isError(r)) break;
    made += o.pos;
    if (r == 0) {
      ended = true;
      break;
    }
    if (made >= kMostDecoded || (in.pos == in.size && o.pos < o.size)) break;
  }
  ZSTD_freeDCtx(z);
  if (ZSTD_isError(r)) return false;
  if (ended) return !whole || in.pos == len;
  return !whole || made >= kMostDecoded;
}

// An LZ4 block's sequences (literals, then a match that copies from at most `before` bytes
// decoded earlier or from the block's own), to the literals that end it; `decoded` is set to
// how many bytes it decodes to.
bool Lz4BlockDecodes(const uint8_t* s, size_t n, size_t most, uint64_t before, size_t* decoded) {
  size_t at = 0, made = 0;
  auto length = [&](size_t* value) {
    for (;;) {
      if (at >= n) return false;
      const uint8_t x = s[at++];
      *value += x;
      if (x != 255) return true;
    }
  };
  for (;;) {
    if (at >= n) return false;
    const uint8_t token = s[at++];
    size_t literals = token >> 4;
    if (literals == 15 && !length(&literals)) return false;
    if (literals > n - at) return false;
    at += literals;
    made += literals;
    if (at == n) break;  // the last sequence: literals alone
    if (n - at < 2) return false;
    const size_t offset = size_t(s[at]) | size_t(s[at + 1]) << 8;
    at += 2;
    if (offset == 0 || offset > made + before) return false;
    size_t match = token & 15;
    if (match == 15 && !length(&match)) return false;
    made += match + 4;
    if (made > most) return false;
  }
  if (made > most) return false;
  *decoded = made;
  return true;
}

// An LZ4 frame: its descriptor's checksum, then blocks within the size it allows whose sequences
// decode (and match their checksums where the frame has them), to the end mark and the
// content's checksum, which end a whole file.
bool Lz4FrameReads(const uint8_t* b, size_t len, bool whole) {
  if (len < 7) return false;
  const uint8_t flags = b[4], sizes = b[5];
  if ((flags >> 6) != 1 || (flags & 0x02) || (sizes & 0x8f) || ((sizes >> 4) & 7) < 4) return false;
  const bool blockSums = flags & 0x10, contentSize = flags & 0x08, contentSum = flags & 0x04,
             linked = !(flags & 0x20);
  size_t at = 6 + (contentSize ? 8 : 0) + (flags & 0x01 ? 4 : 0);
  if (at >= len || uint8_t(XXH32(b + 4, at - 4, 0) >> 8) != b[at]) return false;
  const uint64_t declared =
      contentSize ? LittleEndian32(b + 6) | uint64_t(LittleEndian32(b + 10)) << 32 : 0;
  ++at;
  const size_t most = size_t(1) << (8 + 2 * ((sizes >> 4) & 7));  // 64 KiB to 4 MiB
  uint64_t made = 0;
  while (at + 4 <= len) {
    const uint32_t word = LittleEndian32(b + at);
    at += 4;
    if (word == 0) {  // the end mark
      at += contentSum ? 4 : 0;
      if (contentSize && made != declared) return false;
      return whole ? at == len : true;
    }
    const size_t size = word & 0x7fffffff;
    if (size > most) return false;
    if (at + size + (blockSums ? 4 : 0) > len) return !whole;  // beyond the bytes at hand
    if (blockSums && XXH32(b + at, size, 0) != LittleEndian32(b + at + size)) return false;
    size_t decoded = size;
    if (!(word & 0x80000000) &&
        !Lz4BlockDecodes(b + at, size, most, linked ? std::min<uint64_t>(made, 65536) : 0,
                         &decoded))
      return false;
    made += decoded;
    at += size + (blockSums ? 4 : 0);
  }
  return !whole;
}

bool ZstdFrameReads(const uint8_t* b, size_t len, bool whole) {
  if (len < 6) return false;
  const uint8_t fhd = b[4];
  if (fhd & 0x08) return false;  // the reserved bit
  const bool single = fhd & 0x20;
  const size_t dictBytes[4] = {0, 1, 2, 4};
  const size_t sizeBytes[4] = {size_t(single ? 1 : 0), 2, 4, 8};
  size_t at = 5;
  uint64_t window = 0;
  if (!single) {
    const unsigned exponent = b[at] >> 3, mantissa = b[at] & 7;
    if (exponent > 31 - 10) return false;
    const uint64_t base = uint64_t(1) << (10 + exponent);
    window = base + base / 8 * mantissa;
    ++at;
  }
  at += dictBytes[fhd & 3];
  const size_t fcs = sizeBytes[fhd >> 6];
  if (single) {
    if (at + fcs > len) return !whole;
    for (size_t k = fcs; k-- > 0;) window = window << 8 | b[at + k];
    if (fcs == 2) window += 256;
  }
  at += fcs;
  const uint64_t most = std::min<uint64_t>(window ? window : 1, 128 * 1024);
  int blocks = 0;
  while (at + 3 <= len) {
    const uint32_t h = uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16;
    const unsigned type = (h >> 1) & 3;
    const uint64_t size = h >> 3;
    if (type == 3 || (type != 1 && size > most)) return false;
    at += 3 + (type == 1 ? 1 : size);
    ++blocks;
    if (h & 1) {  // the last block, and the checksum when the frame has one
      at += (fhd & 0x04) ? 4 : 0;
      return (whole ? at == len : true) && ZstdDecodes(b, len, whole);
    }
  }
  return !whole && blocks > 0 && ZstdDecodes(b, len, whole);
}

bool IsBlank(uint8_t c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f';
}

// A Netpbm image in one of its binary forms (P4 bitmap, P5 greymap, P6 pixmap): its header's
// fields, each after blanks or comments, one blank, then the raster they make, which fills the
// file to its last byte.
bool NetpbmFills(const uint8_t* b, size_t len, uint64_t size) {
  if (size == 0 || len < 3 || b[0] != 'P' || b[1] < '4' || b[1] > '6') return false;
  const int fields = b[1] == '4' ? 2 : 3;
  uint64_t field[3] = {};
  size_t at = 2;
  for (int f = 0; f < fields; ++f) {
    const size_t from = at;
    while (at < len && (IsBlank(b[at]) || b[at] == '#')) {
      if (b[at] == '#')
        while (at < len && b[at] != '\n') ++at;
      else
        ++at;
    }
    if (at == from) return false;
    for (int digits = 0; at < len && b[at] >= '0' && b[at] <= '9'; ++at, ++digits) {
      if (digits == 9) return false;
      field[f] = field[f] * 10 + unsigned(b[at] - '0');
    }
    if (field[f] == 0) return false;
  }
  if (at >= len || !IsBlank(b[at])) return false;
  ++at;
  const uint64_t width = field[0], height = field[1], greatest = field[2];
  uint64_t raster;
  if (b[1] == '4') {
    raster = (width + 7) / 8 * height;
  } else {
    if (greatest > 65535) return false;
    raster = width * height * (b[1] == '6' ? 3 : 1) * (greatest > 255 ? 2 : 1);
  }
  return at + raster == size;
}

// Where the pixels a Targa image's header describes begin, and how many bytes each one takes.
struct TargaLayout {
  uint64_t pixelsAt = 0, pixels = 0;
  unsigned pixelBytes = 0;
};

bool TargaHeaderReads(const uint8_t* b, size_t len, TargaLayout* layout) {
  if (len < 18) return false;
  const unsigned mapType = b[1], type = b[2], mapLength = Le16(b + 5), mapBits = b[7];
  const unsigned width = Le16(b + 12), height = Le16(b + 14), depth = b[16];
  const bool mapped = type == 1 || type == 9;
  if (mapType > 1 || (mapped && mapType != 1) ||
      !(type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11))
    return false;
  if (mapType == 1 && !(mapBits == 15 || mapBits == 16 || mapBits == 24 || mapBits == 32))
    return false;
  if (mapType == 0 && (mapLength != 0 || mapBits != 0)) return false;
  if (width == 0 || height == 0 || (b[17] & 0xc0) ||
      !(depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32))
    return false;
  layout->pixelsAt = 18 + uint64_t(b[0]) + uint64_t(mapLength) * ((mapBits + 7) / 8);
  layout->pixels = uint64_t(width) * height;
  layout->pixelBytes = (depth + 7) / 8;
  return true;
}

// The file's last n bytes, from the bytes themselves when they are the whole file, else from
// the tail read for the check; null when neither holds them.
const uint8_t* LastBytes(const uint8_t* b, size_t len, const FileEnd& end, size_t n) {
  if (end.size >= n && end.tail.size() >= n) return end.tail.data() + end.tail.size() - n;
  if (end.size == len && len >= n) return b + len - n;
  return nullptr;
}

constexpr char kTargaSignature[] = "TRUEVISION-XFILE.";  // with its ending zero, 18 bytes
constexpr size_t kTargaFooterBytes = 26;

// A Targa image: its pixels end where the file does or, when the file has the format's footer,
// where the areas the footer points to begin (else where the footer does); compressed pixels
// are walked packet by packet over the bytes at hand.
bool TargaFills(const uint8_t* b, size_t len, const FileEnd& end) {
  TargaLayout layout;
  if (end.size == 0 || !TargaHeaderReads(b, len, &layout)) return false;
  uint64_t stop = end.size;
  if (end.size >= 18 + kTargaFooterBytes) {
    const uint8_t* footer = LastBytes(b, len, end, kTargaFooterBytes);
    if (!footer) return false;  // where the pixels must stop is not known
    if (std::memcmp(footer + 8, kTargaSignature, sizeof kTargaSignature) == 0) {
      stop = end.size - kTargaFooterBytes;
      for (uint64_t area :
           {uint64_t(LittleEndian32(footer)), uint64_t(LittleEndian32(footer + 4))}) {
        if (area == 0) continue;
        if (area < layout.pixelsAt || area >= end.size - kTargaFooterBytes) return false;
        stop = std::min(stop, area);
      }
    }
  }
  if (b[2] < 9) return layout.pixelsAt + layout.pixels * layout.pixelBytes == stop;
  // Packets: a count byte (its top bit set: one pixel repeated, else that many pixels given),
  // then the pixels.
  uint64_t at = layout.pixelsAt, done = 0;
  while (done < layout.pixels) {
    if (at >= len) return at < stop;  // beyond the bytes at hand
    const unsigned count = (b[at] & 0x7f) + 1u;
    at += 1 + uint64_t(b[at] & 0x80 ? 1 : count) * layout.pixelBytes;
    done += count;
  }
  return done == layout.pixels && at == stop;
}

// A PCX image: the header's fields agree, and its run-length coded lines fill the image box,
// to the file's end or to the palette of 256 colours that follows them.
bool PcxFills(const uint8_t* b, size_t len, uint64_t size) {
  if (size == 0 || len < 128) return false;
  const unsigned bits = b[3], planes = b[65], perLine = Le16(b + 66), palette = Le16(b + 68);
  const unsigned xMin = Le16(b + 4), yMin = Le16(b + 6), xMax = Le16(b + 8), yMax = Le16(b + 10);
  if (b[0] != 0x0a || b[1] > 5 || b[1] == 1 || b[2] != 1 || b[64] != 0 || palette > 2 ||
      !(bits == 1 || bits == 2 || bits == 4 || bits == 8) || planes == 0 || planes > 4 ||
      xMax < xMin || yMax < yMin)
    return false;
  // Each plane's line holds the width's bits in whole bytes, and perhaps a few more (most
  // programs make the count even).
  const uint64_t least = (uint64_t(xMax - xMin + 1) * bits + 7) / 8;
  if (perLine < least || perLine > least + 4) return false;
  const uint64_t total = uint64_t(yMax - yMin + 1) * planes * perLine;
  uint64_t at = 128, done = 0;
  while (done < total && at < len) {
    if ((b[at] & 0xc0) == 0xc0) {
      done += b[at] & 0x3f;
      at += 2;
    } else {
      ++done;
      ++at;
    }
  }
  constexpr uint64_t kPalette = 769;  // a mark, then 256 colours
  if (done > total) return false;
  if (done == total)  // the lines end at `at`: the file's end, or its palette's mark
    return at == size || (at + kPalette == size && (at >= len || b[at] == 0x0c));
  // The rest lies beyond the bytes: the file's rest must be able to hold it, two bytes for a run
  // of at most 63 and at most two for each byte, with the palette.
  const uint64_t rest = size > at ? size - at : 0, left = total - done;
  return rest * 63 >= left * 2 && rest <= left * 2 + kPalette;
}

bool XzHeaderReads(const uint8_t* b, size_t len) {
  return len >= 12 && uint32_t(crc32(0, b + 6, 2)) == LittleEndian32(b + 8);
}

bool SevenZipHeaderReads(const uint8_t* b, size_t len) {
  return len >= 32 && uint32_t(crc32(0, b + 12, 20)) == LittleEndian32(b + 8);
}

bool TiffIfdReads(const uint8_t* b, size_t len, bool whole) {
  const uint64_t ifd = TiffDirectoryAt(b, len);
  if (ifd < 8) return false;
  if (ifd + 2 > len) return !whole;  // beyond the bytes at hand: the far look tells
  return TiffDirectoryReads(b + ifd, len - size_t(ifd), b[0] == 'I');
}

}  // namespace

std::vector<HeaderMatch> MatchHeaders(const uint8_t* d, size_t len, const uint8_t lo[6],
                                      const uint8_t hi[6]) {
  std::vector<HeaderMatch> matches;
  const auto& all = AllNegatedTokens();
  const auto& singles = AllSinglePlaces();
  ByteSet inRange[6];
  bool rangesMade = false;
  for (size_t h = 0; h < all.size(); ++h) {
    const std::vector<ByteSet>& tokens = all[h];
    const size_t offset = kHeaders[h].offset;
    if (offset + tokens.size() > len) continue;
    if (!SinglePlacesAgree(singles[h], d, lo, hi)) continue;
    if (!rangesMade) {
      for (int j = 0; j < 6; ++j)
        for (unsigned v = lo[j]; v <= hi[j]; ++v) inRange[j].set(v);
      rangesMade = true;
    }
    ByteSet keys[6];
    std::copy(inRange, inRange + 6, keys);
    bool pinned[6] = {};
    bool possible = true;
    for (size_t t = 0; t < tokens.size() && possible; ++t) {
      if (tokens[t].none()) continue;
      const size_t at = offset + t;
      const int j = int(at % 6);
      // The key bytes under which the coded byte turns back into one the header allows.
      keys[j] &= Turned(tokens[t], d[at]);
      pinned[j] = true;
      possible = keys[j].any();
    }
    if (!possible) continue;
    HeaderMatch m;
    m.name = kHeaders[h].name;
    bool single[6] = {};
    for (const SinglePlace& p : singles[h]) {
      m.redundancy += single[p.at % 6] ? 1 : 0;
      single[p.at % 6] = true;
    }
    m.check = kHeaders[h].check;
    for (int j = 0; j < 6; ++j) {
      m.pinned[j] = pinned[j];
      if (!pinned[j]) continue;
      for (unsigned v = 0; v < 256; ++v)
        if (keys[j].test(v)) m.allowed[j].push_back(uint8_t(v));
    }
    matches.push_back(std::move(m));
  }
  return matches;
}

bool HeaderCheckPasses(HeaderCheck check, const uint8_t* plain, size_t len, const FileEnd& end) {
  const bool whole = end.size == len;
  switch (check) {
    case HeaderCheck::PngHeaderCrc:
      return PngCrcMatches(plain, len);
    case HeaderCheck::GzipInflates:
      return GzipInflates(plain, len);
    case HeaderCheck::GifBlocks:
      return GifBlocksFollow(plain, len);
    case HeaderCheck::ZipEntry:
      return ZipEntryReads(plain, len);
    case HeaderCheck::TiffIfd:
      return TiffIfdReads(plain, len, whole);
    case HeaderCheck::PdfVersion:
      return PdfReads(plain, len);
    case HeaderCheck::Sfnt:
      return SfntReads(plain, len, whole);
    case HeaderCheck::Id3Frames:
      return Id3FramesRead(plain, len);
    case HeaderCheck::ZstdFrame:
      return ZstdFrameReads(plain, len, whole);
    case HeaderCheck::XzHeaderCrc:
      return XzHeaderReads(plain, len);
    case HeaderCheck::SevenZipCrc:
      return SevenZipHeaderReads(plain, len);
    case HeaderCheck::Netpbm:
      return NetpbmFills(plain, len, end.size);
    case HeaderCheck::Targa:
      return TargaFills(plain, len, end);
    case HeaderCheck::Pcx:
      return PcxFills(plain, len, end.size);
    case HeaderCheck::Lz4Frame:
      return Lz4FrameReads(plain, len, whole);
    case HeaderCheck::None:
      break;
  }
  return true;
}

bool CheckIsDecisive(HeaderCheck check) {
  return check == HeaderCheck::Netpbm || check == HeaderCheck::Targa || check == HeaderCheck::Pcx ||
         check == HeaderCheck::Lz4Frame || check == HeaderCheck::ZstdFrame;
}

size_t TailBytesOf(HeaderCheck check) {
  return check == HeaderCheck::Targa ? kTargaFooterBytes : 0;
}

uint64_t TiffDirectoryAt(const uint8_t* b, size_t len) {
  if (len < 8) return 0;
  return b[0] == 'I' ? LittleEndian32(b + 4) : BigEndian32(b + 4);
}

bool TiffDirectoryReads(const uint8_t* b, size_t len, bool little) {
  if (len < 2) return false;
  auto u16 = [&](size_t at) {
    return little ? unsigned(b[at]) | unsigned(b[at + 1]) << 8
                  : unsigned(b[at]) << 8 | unsigned(b[at + 1]);
  };
  const unsigned entries = u16(0);
  if (entries == 0 || entries > 500) return false;
  // The entries the bytes hold, at most eight: tags ascending, types of the format's own.
  unsigned last = 0;
  int read = 0;
  for (size_t at = 2; read < int(entries) && read < 8 && at + 12 <= len; at += 12, ++read) {
    const unsigned tag = u16(at), type = u16(at + 2);
    if ((read > 0 && tag <= last) || type == 0 || type > 18) return false;
    last = tag;
  }
  return read >= std::min(2, int(entries));
}

bool BeginsWithHeader(const uint8_t* bytes, size_t len) {
  const auto& all = AllTokens();
  for (size_t h = 0; h < all.size(); ++h) {
    const std::vector<ByteSet>& tokens = all[h];
    const size_t offset = kHeaders[h].offset;
    if (offset + tokens.size() > len) continue;
    bool fits = true;
    for (size_t t = 0; t < tokens.size() && fits; ++t)
      fits = tokens[t].none() || tokens[t].test(bytes[offset + t]);
    if (fits) return true;
  }
  return false;
}
