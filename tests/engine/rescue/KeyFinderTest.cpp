// Finding the key of coded bytes whose record is lost: from a header the bytes must show (PNG,
// gzip, zip, PDF, fonts, ID3, xz, images, LZ4 and zstd), each confirmed by a check of its own, from
// the likeness of text, and never from plain, random, too short or wrongly dated bytes, nor a wrong
// key where other keys fit as well.
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <random>
#include <string>

#include "EngineTestSupport.h"
#include "codec/TimeCode.h"
#include "engine/journal/CipherTransform.h"
#include "engine/rescue/KeyFinder.h"
#include "tests/codec/CodecTestSupport.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace {

std::string KeyOf(const std::tm& when) {
  char code[kTimeCodeBytes + 1];
  FormTimeCode(when, code);
  return std::string(code, 6);
}

void Append(Bytes* out, const std::string& text) {
  out->insert(out->end(), text.begin(), text.end());
}

// A PNG of random pixels: nothing but its header tells a key.
Bytes MakePng(unsigned seed) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  auto chunk = [&png](const char* type, const Bytes& data) {
    const uint32_t n = uint32_t(data.size());
    for (int s = 24; s >= 0; s -= 8) png.push_back(uint8_t(n >> s));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    const uint32_t crc = uint32_t(crc32(0, body.data(), uInt(body.size())));
    for (int s = 24; s >= 0; s -= 8) png.push_back(uint8_t(crc >> s));
  };
  chunk("IHDR", {0, 0, 0, 40, 0, 0, 0, 30, 8, 2, 0, 0, 0});
  Bytes rows = RandomBytes(30 * (1 + 40 * 3), seed);
  for (size_t r = 0; r < 30; ++r) rows[r * 121] = 0;  // filter type of each row
  Bytes packed(compressBound(uLong(rows.size())));
  uLongf size = packed.size();
  EXPECT_EQ(compress(packed.data(), &size, rows.data(), uLong(rows.size())), Z_OK);
  packed.resize(size);
  chunk("IDAT", packed);
  chunk("IEND", {});
  return png;
}

// A gzip stream of random bytes: its header leaves two key bytes open, which only the stream
// inflating to its length and CRC tells.
Bytes MakeGzip(unsigned seed) {
  Bytes data = RandomBytes(3000, seed);
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
  Bytes out(deflateBound(&z, uLong(data.size())) + 64);
  z.next_in = data.data();
  z.avail_in = uInt(data.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

void Le16(Bytes* b, unsigned v) {
  b->push_back(uint8_t(v)), b->push_back(uint8_t(v >> 8));
}
void Le32(Bytes* b, uint32_t v) {
  Le16(b, v & 0xffff), Le16(b, v >> 16);
}
void Be16(Bytes* b, unsigned v) {
  b->push_back(uint8_t(v >> 8)), b->push_back(uint8_t(v));
}
void Be32(Bytes* b, uint32_t v) {
  Be16(b, v >> 16), Be16(b, v & 0xffff);
}
uint32_t Crc(const uint8_t* b, size_t n) {
  return uint32_t(crc32(0, b, uInt(n)));
}

// A zip as office documents are: a stored "mimetype" entry first (its CRC the only check of the
// key byte its version leaves open), then random bytes. `name` is the entry's name.
Bytes MakeOdt(const std::string& name = "mimetype") {
  const std::string mime = "application/vnd.oasis.opendocument.text";
  Bytes z;
  Le32(&z, 0x04034b50), Le16(&z, 0x14), Le16(&z, 0), Le16(&z, 0), Le32(&z, 0x5a7b6c3d);
  Le32(&z, Crc(reinterpret_cast<const uint8_t*>(mime.data()), mime.size()));
  Le32(&z, uint32_t(mime.size())), Le32(&z, uint32_t(mime.size()));
  Le16(&z, unsigned(name.size())), Le16(&z, 0);
  Append(&z, name);
  Append(&z, mime);
  const Bytes rest = RandomBytes(6000, 11);
  z.insert(z.end(), rest.begin(), rest.end());
  return z;
}

// A PDF whose page is compressed: the byte after "%PDF-" may be 1 or 2 under two keys, and only
// the version and the keywords tell them apart.
Bytes MakePdf() {
  Bytes pdf;
  Append(&pdf, "%PDF-1.5\n%\xe2\xe3\xcf\xd3\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
  Append(&pdf, "2 0 obj\n<< /Length 5000 /Filter /FlateDecode >>\nstream\n");
  const Bytes body = RandomBytes(5000, 12);
  pdf.insert(pdf.end(), body.begin(), body.end());
  Append(&pdf, "\nendstream\nendobj\ntrailer\n<< /Root 1 0 R >>\n%%EOF\n");
  return pdf;
}

// A TrueType font of random tables: the directory's search fields and the tables' sums tell the
// key byte its table count leaves open.
Bytes MakeFont() {
  const char* tags[] = {"OS/2", "cmap", "glyf", "head", "hhea", "loca", "maxp", "name", "post"};
  const unsigned n = 9;
  Bytes f;
  Be32(&f, 0x00010000), Be16(&f, n), Be16(&f, 128), Be16(&f, 3), Be16(&f, n * 16 - 128);
  const size_t dir = f.size();
  f.resize(dir + 16 * n);
  for (unsigned t = 0; t < n; ++t) {
    const Bytes data = RandomBytes(400 + 300 * t, 20 + t);
    const size_t at = f.size();
    f.insert(f.end(), data.begin(), data.end());
    while (f.size() % 4) f.push_back(0);
    uint32_t sum = 0;
    for (size_t i = 0; i < data.size(); i += 4)
      for (size_t k = 0; k < 4; ++k)
        sum += uint32_t(i + k < data.size() ? data[i + k] : 0) << (24 - 8 * k);
    const uint32_t fields[4] = {uint32_t(tags[t][0]) << 24 | uint32_t(tags[t][1]) << 16 |
                                    uint32_t(tags[t][2]) << 8 | uint32_t(tags[t][3]),
                                sum, uint32_t(at), uint32_t(data.size())};
    for (int k = 0; k < 4; ++k)
      for (int b = 0; b < 4; ++b) f[dir + 16 * t + 4 * k + b] = uint8_t(fields[k] >> (24 - 8 * b));
  }
  return f;
}

// An MP3 with an ID3 tag: the tag's frames tell the key byte its flags leave open.
Bytes MakeMp3() {
  Bytes frames;
  for (const char* id : {"TIT2", "TPE1", "TALB"}) {
    Append(&frames, id);
    Be32(&frames, 12), Be16(&frames, 0);
    frames.push_back(0);
    Append(&frames, "Some title.");
  }
  frames.resize(frames.size() + 300);
  Bytes b;
  Append(&b, "ID3");
  b.insert(b.end(), {3, 0, 0, 0, 0, uint8_t(frames.size() >> 7), uint8_t(frames.size() & 0x7f)});
  b.insert(b.end(), frames.begin(), frames.end());
  for (int i = 0; i < 12; ++i) {
    b.insert(b.end(), {0xff, 0xfb, 0x90, 0x64});
    const Bytes body = RandomBytes(413, 30 + unsigned(i));
    b.insert(b.end(), body.begin(), body.end());
  }
  return b;
}

// An xz stream's header: its flags' CRC tells the key byte the flags leave open.
Bytes MakeXz() {
  Bytes x = {0xfd, '7', 'z', 'X', 'Z', 0, 0, 4};
  Le32(&x, Crc(x.data() + 6, 2));
  const Bytes rest = RandomBytes(5000, 13);
  x.insert(x.end(), rest.begin(), rest.end());
  return x;
}

// A 7-zip archive's start: its start header's CRC tells the key byte its version leaves open.
Bytes Make7z() {
  Bytes x = {'7', 'z', 0xbc, 0xaf, 0x27, 0x1c, 0, 4, 0, 0, 0, 0};
  const Bytes header = RandomBytes(20, 18), rest = RandomBytes(5000, 19);
  x.insert(x.end(), header.begin(), header.end());
  const uint32_t crc = Crc(header.data(), header.size());
  for (int k = 0; k < 4; ++k) x[8 + size_t(k)] = uint8_t(crc >> (8 * k));
  x.insert(x.end(), rest.begin(), rest.end());
  return x;
}

// A TIFF whose directory lies after 100 KiB of image data, past the bytes a look reads first.
Bytes MakeFarTiff() {
  Bytes t = {'I', 'I', 42, 0};
  const Bytes pixels = RandomBytes(100000, 22);
  Le32(&t, uint32_t(8 + pixels.size()));
  t.insert(t.end(), pixels.begin(), pixels.end());
  const uint16_t entries[][2] = {{256, 3}, {257, 3}, {258, 3}, {259, 3}, {262, 3}, {273, 4}};
  Le16(&t, 6);
  for (const auto& e : entries) Le16(&t, e[0]), Le16(&t, e[1]), Le32(&t, 1), Le32(&t, 8);
  Le32(&t, 0);
  return t;
}

// A gzip stream of stored blocks, which any bytes inflate as: only its trailer's CRC tells the
// two key bytes its header leaves open.
Bytes MakeStoredGzip() {
  const Bytes data = RandomBytes(3000, 14);
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 0, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
  Bytes out(deflateBound(&z, uLong(data.size())) + 64);
  z.next_in = const_cast<uint8_t*>(data.data());
  z.avail_in = uInt(data.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// A GIF of random colours and image data whose LZW code size is `codeSize`.
Bytes MakeGif(uint8_t codeSize) {
  Bytes g;
  Append(&g, "GIF89a");
  Le16(&g, 40), Le16(&g, 30);
  g.insert(g.end(), {0xf7, 0, 0});
  const Bytes colours = RandomBytes(3 * 256, 15);
  g.insert(g.end(), colours.begin(), colours.end());
  g.push_back(0x2c);
  Le16(&g, 0), Le16(&g, 0), Le16(&g, 40), Le16(&g, 30);
  g.push_back(0);
  g.push_back(codeSize);
  for (int block = 0; block < 8; ++block) {
    g.push_back(200);
    const Bytes data = RandomBytes(200, 40 + unsigned(block));
    g.insert(g.end(), data.begin(), data.end());
  }
  g.push_back(0);
  g.push_back(0x3b);
  return g;
}

// Text in Chinese and Japanese: its likeness tells few classes, UTF-8 tells them all.
Bytes MakeCjk() {
  const char* words[] = {"我们", "的",   "会议", "报告", "明年", "计划", "人民",
                         "是",   "在",   "了",   "和",   "时间", "问题", "日本語",
                         "東京", "今日", "は",   "です", "文件", "这个"};
  const Bytes pick = RandomBytes(2000, 17);
  Bytes text;
  for (size_t i = 0; i < pick.size(); ++i) {
    Append(&text, words[pick[i] % 20]);
    if (pick[i] % 9 == 0) Append(&text, "。\n");
  }
  return text;
}

// The first characters of text as a candidate's preview shows them: line ends as blanks.
std::string Printable(const std::string& text, size_t characters) {
  std::string out;
  for (size_t i = 0, n = 0; i < text.size() && n < characters; ++i, ++n) {
    size_t len = (uint8_t(text[i]) & 0xe0) == 0xc0 ? 2 : 1;
    out += text[i] == '\n' ? std::string(" ") : text.substr(i, len);
    i += len - 1;
  }
  return out;
}

// A table of names, prices and dates: digits take much of it, so a shift of the whole key that
// keeps it text must be told by the signs it makes.
Bytes MakeCsv() {
  const Bytes pick = RandomBytes(4000, 23);
  const char* names[] = {"apples", "pears", "plums", "cherries"};
  Bytes csv;
  Append(&csv, "id,name,price,date\n");
  for (size_t i = 0; i + 4 < pick.size(); i += 4)
    Append(&csv, std::to_string(i / 4) + "," + names[pick[i] % 4] + " " + names[pick[i + 1] % 4] +
                     "," + std::to_string(pick[i + 2]) + "." +
                     std::to_string(pick[i + 3] % 90 + 10) + ",2024-0" +
                     std::to_string(1 + pick[i] % 9) + "-1" + std::to_string(pick[i + 1] % 10) +
                     "\n");
  return csv;
}

Bytes MakeProse() {
  Bytes text;
  const char* lines[] = {
      "It need not be lost. The content transform is keyed by the moment of coding only,\n",
      "and the password plays no part in it; each byte of that moment lies in a narrow range.\n",
      "Grüße aus Köln: the letters of other languages come as two bytes in UTF-8, as here.\n",
      "int main(int argc, char** argv) { return argc > 1 ? 0 : 1; }  // a line of source\n"};
  for (int i = 0; i < 12; ++i) Append(&text, lines[i % 4]);
  return text;
}

// A settings file of 300 bytes: ASCII of a few dozen different bytes, 50 to a class of key byte,
// which the first pass must each tell from their likeness alone.
Bytes MakeSettings() {
  Bytes text;
  Append(&text, "# Settings of the nightly backup, read at start-up\n");
  for (int i = 0; i < 12; ++i)
    Append(&text, "job" + std::to_string(i) + ".source = /home/ana/Documents/part" +
                      std::to_string(i * 7) + "\nkeep_daily = " + std::to_string(3 + i % 5) + "\n");
  text.resize(300);
  return text;
}

// The prose in UTF-16, little-endian, without a byte order mark: its zero bytes could be line
// ends or blanks under other keys, but its own line ends tell.
Bytes MakeUtf16() {
  Bytes wide;
  for (uint8_t c : MakeProse()) wide.insert(wide.end(), {c < 0x80 ? c : uint8_t('?'), 0});
  return wide;
}

TEST(KeyFinderTest, CodedBytesGiveTheirKeyAndPlainOnesNone) {
  const std::tm now = Moment(2026, 12, 7, 8, 30, 15);
  const std::tm moments[] = {Moment(1990, 1, 1, 0, 0, 0), Moment(2004, 2, 29, 23, 59, 59),
                             Moment(2026, 12, 7, 8, 30, 15)};
  // Short prose: 200 bytes, some 33 to each class of key byte, not far above the least for a
  // key from likeness alone.
  Bytes shortProse = MakeProse();
  shortProse.resize(200);
  const struct {
    const char* kind;
    Bytes plain;
  } files[] = {{"prose", MakeProse()},
               {"short prose", shortProse},
               {"settings", MakeSettings()},
               {"png", MakePng(3)},
               {"gzip", MakeGzip(4)}};
  for (const auto& f : files) {
    SCOPED_TRACE(f.kind);
    for (const std::tm& when : moments) {
      const std::string key = KeyOf(when);
      Bytes coded = CodedByRule(f.plain, KeyBytes(key));
      KeyFinding found = FindKey(coded.data(), coded.size(), now);
      ASSERT_EQ(found.verdict, KeyFinding::Verdict::Found) << when.tm_year + 1900;
      EXPECT_EQ(std::string(found.key, found.key + 6), key);
      EXPECT_TRUE(found.kind.Recognised());
    }
    EXPECT_EQ(FindKey(f.plain.data(), f.plain.size(), now).verdict, KeyFinding::Verdict::None);
  }
  // Bytes too random or too few to tell are plain, as they always were.
  for (size_t size : {size_t(0), size_t(31), size_t(300), size_t(65536)}) {
    Bytes random = RandomBytes(size, unsigned(size));
    EXPECT_EQ(FindKey(random.data(), random.size(), now).verdict, KeyFinding::Verdict::None);
  }
  Bytes prose = MakeProse();
  prose.resize(31);
  Bytes shortCoded = CodedByRule(prose, KeyBytes(KeyOf(moments[1])));
  EXPECT_EQ(FindKey(shortCoded.data(), shortCoded.size(), now).verdict, KeyFinding::Verdict::None);
}

TEST(KeyFinderTest, AKeyIsTakenOnlyForARealMomentNotYetToCome) {
  const Bytes png = MakePng(5);
  // Coded tomorrow as the clock sees it, and on the 30th of February: no key either way.
  const std::string tomorrow = KeyOf(Moment(2026, 12, 9, 8, 0, 0));
  std::string february = KeyOf(Moment(2024, 2, 1, 12, 0, 0));
  february[5] = char(30 + 23);
  for (const std::string& key : {tomorrow, february}) {
    Bytes coded = CodedByRule(png, KeyBytes(key));
    EXPECT_EQ(FindKey(coded.data(), coded.size(), Moment(2026, 12, 7, 8, 30, 15)).verdict,
              KeyFinding::Verdict::None);
    EXPECT_FALSE(KeyIsRealMoment(KeyBytes(key), Moment(2026, 12, 7, 8, 30, 15)));
  }
  // Once the day has come, the key of tomorrow is found.
  Bytes coded = CodedByRule(png, KeyBytes(tomorrow));
  EXPECT_EQ(FindKey(coded.data(), coded.size(), Moment(2026, 12, 9, 9, 0, 0)).verdict,
            KeyFinding::Verdict::Found);
}

TEST(KeyFinderTest, PlainBytesLookPlainAndOnlyTheRightKeyRecognisesThem) {
  const Bytes png = MakePng(6), prose = MakeProse();
  EXPECT_TRUE(LooksPlain(png.data(), png.size()));
  EXPECT_TRUE(LooksPlain(prose.data(), prose.size()));
  const std::string key = KeyOf(Moment(2020, 6, 15, 10, 20, 30));
  Bytes coded = CodedByRule(prose, KeyBytes(key));
  EXPECT_FALSE(LooksPlain(coded.data(), coded.size()));
  EXPECT_TRUE(KindWithKey(coded.data(), coded.size(), KeyBytes(key)).Text());
  EXPECT_FALSE(KindWithKey(prose.data(), prose.size(), KeyBytes(key)).Recognised());
}

// Each kind whose header leaves a key byte open is told by its own check (a CRC, sums, a version,
// frames, whole UTF-8); bytes whose check fails are given no key.
TEST(KeyFinderTest, EachKindsOwnCheckTellsItsKey) {
  const std::tm now = Moment(2026, 12, 7, 8, 30, 15);
  const std::string key = KeyOf(Moment(2011, 5, 17, 21, 4, 56));
  const struct {
    const char* kind;
    Bytes plain;
  } found[] = {{"odt", MakeOdt()},
               {"pdf", MakePdf()},
               {"font", MakeFont()},
               {"mp3", MakeMp3()},
               {"xz", MakeXz()},
               {"7-zip", Make7z()},
               {"stored gzip", MakeStoredGzip()},
               {"gif", MakeGif(8)},
               {"cjk", MakeCjk()},
               {"csv", MakeCsv()},
               {"utf-16", MakeUtf16()}};
  for (const auto& f : found) {
    SCOPED_TRACE(f.kind);
    Bytes coded = CodedByRule(f.plain, KeyBytes(key));
    KeyFinding k = FindKey(coded.data(), coded.size(), now);
    ASSERT_EQ(k.verdict, KeyFinding::Verdict::Found);
    EXPECT_EQ(std::string(k.key, k.key + 6), key);
    EXPECT_EQ(FindKey(f.plain.data(), f.plain.size(), now).verdict, KeyFinding::Verdict::None);
  }
  // The same kinds with their redundancy broken: a PNG's header CRC, a GIF's code size, a zip
  // entry's name, a gzip trailer's CRC.
  Bytes png = MakePng(8);
  png[30] ^= 0x40;
  Bytes badName = MakeOdt("mime\x01type");
  Bytes badTrailer = MakeStoredGzip();
  badTrailer[badTrailer.size() - 6] ^= 0x01;
  Bytes badStoredCrc = MakeOdt(), badVersion = MakePdf(), badFields = MakeFont(),
        badFrame = MakeMp3(), badXz = MakeXz(), bad7z = Make7z();
  badStoredCrc[14] ^= 0x01;
  badVersion[7] = '9';
  badFields[11] ^= 0x10;
  badFrame[14] = 0x7f;  // the first frame's size, past the tag
  badXz[8] ^= 0x01;
  bad7z[8] ^= 0x01;
  // A header that pins every key byte but has no check of its own (Python bytecode's), on
  // random bytes: the header alone is no evidence.
  Bytes pyc = RandomBytes(4000, 24);
  const uint8_t magic[] = {0x55, 0x0d, 0x0d, 0x0a, 0, 0, 0, 0};
  std::copy(magic, magic + 8, pyc.begin());
  pyc[16] = 0xe3;
  // Bytes of structure the type database knows no type of: 32-bit counters.
  Bytes counters;
  for (uint32_t i = 0; i < 1500; ++i) Le32(&counters, i * 3);
  const struct {
    const char* kind;
    Bytes plain;
  } none[] = {{"png, CRC", png},
              {"gif, code size", MakeGif(12)},
              {"zip, name", badName},
              {"gzip, trailer", badTrailer},
              {"zip, stored CRC", badStoredCrc},
              {"pdf, version", badVersion},
              {"font, search fields", badFields},
              {"mp3, frame size", badFrame},
              {"xz, CRC", badXz},
              {"7-zip, CRC", bad7z},
              {"no known type", counters},
              {"python header alone", pyc}};
  for (const auto& f : none) {
    SCOPED_TRACE(f.kind);
    Bytes coded = CodedByRule(f.plain, KeyBytes(key));
    EXPECT_EQ(FindKey(coded.data(), coded.size(), now).verdict, KeyFinding::Verdict::None);
  }
}

// The rest of a file held in memory, as the look reads it from a file past its prefix.
FarBytes FarOver(const Bytes& coded) {
  FarBytes far;
  far.size = coded.size();
  far.read = [&coded](uint64_t at, uint8_t* into, size_t n) {
    n = std::min<size_t>(n, coded.size() - size_t(at));
    std::copy(coded.begin() + long(at), coded.begin() + long(at + n), into);
    return n;
  };
  return far;
}

// A TIFF's directory is read where its header says it lies, past the first 64 KiB too: it alone
// tells the two key bytes the header leaves open.
TEST(KeyFinderTest, AFarDirectoryIsReadWhereTheHeaderSays) {
  const std::tm now = Moment(2026, 12, 7, 8, 30, 15);
  const std::string key = KeyOf(Moment(2011, 5, 17, 21, 4, 56));
  const Bytes coded = CodedByRule(MakeFarTiff(), KeyBytes(key));
  FarBytes far = FarOver(coded);
  KeyFinding k = FindKey(coded.data(), kKeyLookBytes, now, &far);
  ASSERT_EQ(k.verdict, KeyFinding::Verdict::Found);
  EXPECT_EQ(std::string(k.key, k.key + 6), key);
  // Without the rest of the file, the key is not certain.
  EXPECT_EQ(FindKey(coded.data(), kKeyLookBytes, now).verdict, KeyFinding::Verdict::Ambiguous);
}

// Plain bytes are never taken for coded ones, however a header's bytes happen to fit them: rows
// of numbers fit the Python bytecode header under some key, which the bytes' statistics refute.
// Where several keys fit equally (a word repeated), the key is not certain; a short coded text is
// still told coded.
TEST(KeyFinderTest, NoPlainTableIsCodedAndNoKeyIsWrong) {
  const std::tm now = Moment(2026, 12, 7, 8, 30, 15);
  std::string rows;
  for (int i = 0; i < 8; ++i) rows += "3813 2218 3448 3805 8245 7804 2650 1084\n";
  const Bytes table(rows.begin(), rows.end());
  EXPECT_EQ(FindKey(table.data(), table.size(), now).verdict, KeyFinding::Verdict::None);
  // Many tables of random numbers, spaced, comma- and tab-separated.
  for (unsigned seed = 0; seed < 300; ++seed) {
    const Bytes digits = RandomBytes(40 + seed * 7, seed);
    std::string t;
    for (size_t i = 0; i < digits.size(); ++i) {
      t += char('0' + digits[i] % 10);
      if (i % 4 == 3) t += i % 32 == 31 ? '\n' : " ,\t"[seed % 3];
    }
    const Bytes b(t.begin(), t.end());
    ASSERT_EQ(FindKey(b.data(), b.size(), now).verdict, KeyFinding::Verdict::None) << t;
  }

  // Words repeated, and Cyrillic of sixteen letters: other keys fit as well, and some are
  // likelier, so no key is certain (a wrong one was taken before); for the words the right one
  // is a candidate.
  std::string words, cyrillic;
  while (words.size() < 3000) words += "one two\n";
  const Bytes letters = RandomBytes(1500, 21);
  for (uint8_t l : letters) cyrillic += std::string{char(0xd0), char(0xb0 + l % 16)};
  for (const std::tm& when : {Moment(2011, 5, 17, 21, 4, 56), Moment(2019, 6, 17, 14, 30, 45)}) {
    const std::string key = KeyOf(when);
    for (const std::string& text : {words, cyrillic}) {
      Bytes coded = CodedByRule(Bytes(text.begin(), text.end()), KeyBytes(key));
      KeyFinding k = FindKey(coded.data(), coded.size(), now);
      ASSERT_NE(k.verdict, KeyFinding::Verdict::Found) << text.substr(0, 8);
      if (text != words) continue;
      EXPECT_TRUE(std::any_of(k.candidates.begin(), k.candidates.end(), [&](const KeyCandidate& c) {
        return std::string(c.key, c.key + 6) == key && c.preview == Printable(text, 40);
      })) << text.substr(0, 8);
    }
  }
  const std::string key = KeyOf(Moment(2011, 5, 17, 21, 4, 56));

  // A script coded on a February night of 1990: under another key its first bytes turn into an
  // icon's header, which must not hide the key its text tells.
  Bytes script;
  Append(&script, "#!\n \n\nabc \n\n");
  const Bytes body = MakeProse();
  script.insert(script.end(), body.begin(), body.end());
  const std::string night = KeyOf(Moment(1990, 2, 17, 0, 20, 5));
  Bytes codedScript = CodedByRule(script, KeyBytes(night));
  KeyFinding fromText = FindKey(codedScript.data(), codedScript.size(), now);
  ASSERT_EQ(fromText.verdict, KeyFinding::Verdict::Found);
  EXPECT_EQ(std::string(fromText.key, fromText.key + 6), night);

  // An X bitmap's table of a few hexadecimal bytes, in UTF-16: a key that shifts one class of
  // its characters onto the others' leaves it more ordered, but turns that class's line ends
  // into other characters. Its key is not certain, and it is the first candidate.
  std::string xbm = "#define icon_width 32\n#define icon_height 32\nstatic char icon_bits[] = {\n";
  const Bytes pick = RandomBytes(128, 26);
  const char* hex[] = {"0x00", "0x00", "0x00", "0xff", "0xff", "0x80", "0x01", "0x1f"};
  for (size_t i = 0; i < pick.size(); ++i)
    xbm += std::string(i % 12 ? " " : "   ") + hex[pick[i] % 8] + (i % 12 == 11 ? ",\n" : ",");
  Bytes wide;
  for (char c : xbm + "};\n") wide.insert(wide.end(), {0, uint8_t(c)});
  for (const std::tm& when : {Moment(2015, 3, 3, 23, 45, 39), Moment(2021, 1, 3, 13, 58, 25)}) {
    const std::string right = KeyOf(when);
    KeyFinding k = FindKey(CodedByRule(wide, KeyBytes(right)).data(), wide.size(), now);
    ASSERT_EQ(k.verdict, KeyFinding::Verdict::Ambiguous) << right;
    EXPECT_EQ(std::string(k.candidates[0].key, k.candidates[0].key + 6), right);
  }

  // Short texts, in English and in Chinese, are told coded.
  Bytes prose = MakeProse(), cjk = MakeCjk();
  prose.resize(120);
  cjk.resize(150);
  for (const Bytes& text : {prose, cjk}) {
    Bytes shortCoded = CodedByRule(text, KeyBytes(key));
    EXPECT_NE(FindKey(shortCoded.data(), shortCoded.size(), now).verdict,
              KeyFinding::Verdict::None);
  }
}

// A part of a file looks plain already when its record's key, or the key found, would scramble
// it; coded parts, and parts without order either way, do not.
TEST(KeyFinderTest, APartLooksPlainOnlyWhenTheKeyWouldScrambleIt) {
  const std::string key = KeyOf(Moment(2011, 5, 17, 21, 4, 56));
  const Bytes prose = MakeProse(), random = RandomBytes(4096, 16);
  Bytes coded = prose;
  TransformBytes(coded.data(), coded.size(), 70000, KeyBytes(key), CipherDirection::Code);
  EXPECT_TRUE(PartLooksPlain(prose.data(), prose.size(), 70000, KeyBytes(key)));
  EXPECT_FALSE(PartLooksPlain(coded.data(), coded.size(), 70000, KeyBytes(key)));
  EXPECT_FALSE(PartLooksPlain(random.data(), random.size(), 70000, KeyBytes(key)));
}

Bytes MakeNetpbm(const std::string& magic, unsigned width, unsigned height) {
  Bytes b;
  Append(&b, magic + "\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n");
  const Bytes p = RandomBytes(size_t(width) * height * (magic == "P6" ? 3 : 1), width);
  b.insert(b.end(), p.begin(), p.end());
  return b;
}

// A Targa of 24-bit pixels, uncompressed or in packets of one pixel repeated or up to 128
// given, with the footer (and the extension area it points to) or without.
Bytes MakeTarga(unsigned width, unsigned height, bool packed, bool footer) {
  Bytes b = {0, 0, uint8_t(packed ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Le16(&b, width), Le16(&b, height);
  b.insert(b.end(), {24, 0x20});
  const Bytes p = RandomBytes(size_t(width) * height * 3, height);
  for (size_t i = 0; packed && i < p.size() / 3; i += 128) {
    const size_t n = std::min<size_t>(128, p.size() / 3 - i);
    b.push_back(uint8_t(n - 1));
    b.insert(b.end(), p.begin() + long(3 * i), p.begin() + long(3 * (i + n)));
  }
  if (!packed) b.insert(b.end(), p.begin(), p.end());
  if (footer) {
    const uint32_t extension = uint32_t(b.size());
    Le16(&b, 495);
    b.resize(b.size() + 493);
    Le32(&b, extension), Le32(&b, 0);
    Append(&b, "TRUEVISION-XFILE.");
    b.push_back(0);
  }
  return b;
}

// A PCX of three planes, each line coded in runs of one byte repeated.
Bytes MakePcx(unsigned width, unsigned height, bool soft = false) {
  Bytes b(128, 0);
  b[0] = 0x0a, b[1] = 5, b[2] = 1, b[3] = 8, b[65] = 3, b[68] = 1;
  b[8] = uint8_t(width - 1), b[10] = uint8_t(height - 1), b[66] = uint8_t(width);
  Bytes p = RandomBytes(size_t(width) * height * 3, width + height);
  for (size_t i = 0; i < p.size(); i += 4) p[i] = p[i - i % 8];  // a few runs
  for (size_t i = 0; soft && i < p.size(); ++i)  // soft colours, their channels pixel by pixel
    p[i] = uint8_t((i / 3 % width + i / 3 / width + i % 3 * 40) / 3 + p[i] % 6);
  for (size_t i = 0; i < p.size();) {
    size_t run = 1;
    while ((i + run) % width && run < 63 && p[i + run] == p[i]) ++run;
    if (run > 1 || p[i] >= 0xc0) b.push_back(uint8_t(0xc0 | run));
    b.push_back(p[i]);
    i += run;
  }
  return b;
}

// An LZ4 frame of one block: 300 random bytes as literals, then one match copying them from
// `back` bytes before twice over, then the last five bytes as literals.
Bytes MakeLz4(size_t back = 300) {
  const Bytes bytes = RandomBytes(300, 25);
  Bytes block = {0xff};
  block.insert(block.end(), {255, 30});  // 15 + 255 + 30 literals
  block.insert(block.end(), bytes.begin(), bytes.end());
  Le16(&block, unsigned(back));
  block.insert(block.end(), {255, 77});  // a match of 4 + 15 + 255 + 77 = 351 bytes
  block.push_back(0x50);
  block.insert(block.end(), bytes.begin() + 51, bytes.begin() + 56);
  Bytes b = {0x04, 0x22, 0x4d, 0x18, 0x60, 0x40};
  b.push_back(uint8_t(XXH32(b.data() + 4, 2, 0) >> 8));
  Le32(&b, uint32_t(block.size()));
  b.insert(b.end(), block.begin(), block.end());
  Le32(&b, 0);
  return b;
}

Bytes MakeZstd() {
  const Bytes text = MakeCsv();
  ZSTD_CCtx* z = ZSTD_createCCtx();
  ZSTD_CCtx_setParameter(z, ZSTD_c_checksumFlag, 1);
  Bytes out(ZSTD_compressBound(text.size()));
  out.resize(ZSTD_compress2(z, out.data(), out.size(), text.data(), text.size()));
  ZSTD_freeCCtx(z);
  return out;
}

// Images, LZ4 and zstd frames of random bytes, whose headers alone tell a key: each is given back
// under keys drawn at random, its plain bytes are plain, and with its own check broken (a raster a
// byte short, a packet too many, a descriptor checksum or a block that does not decode) no key is
// found however well its header fits. Files past the bytes a look reads are checked by their size
// and end through the reader.
TEST(KeyFinderTest, ImagesAndFramesAreToldByTheirLengthsAndChecksums) {
  const std::tm now = Moment(2026, 12, 7, 8, 30, 15);
  std::mt19937 random(27);
  auto look = [&now](const Bytes& coded) {
    FarBytes far = FarOver(coded);
    return FindKey(coded.data(), coded.size(), now, &far);
  };
  const struct {
    const char* kind;
    Bytes plain;
  } found[] = {{"pgm", MakeNetpbm("P5", 60, 40)},
               {"ppm past the look", MakeNetpbm("P6", 200, 150)},
               {"targa", MakeTarga(50, 30, false, false)},
               {"packed targa with its footer", MakeTarga(50, 30, true, true)},
               {"packed targa past the look", MakeTarga(200, 120, true, true)},
               {"pcx", MakePcx(90, 50)},
               {"pcx of soft colours", MakePcx(29, 24, true)},
               {"lz4", MakeLz4()},
               {"zstd", MakeZstd()}};
  for (const auto& f : found) {
    SCOPED_TRACE(f.kind);
    for (int i = 0; i < 3; ++i) {
      const std::string key =
          KeyOf(Moment(1990 + int(random() % 36), 1 + int(random() % 12), 1 + int(random() % 28),
                       int(random() % 24), int(random() % 60), int(random() % 60)));
      KeyFinding k = look(CodedByRule(f.plain, KeyBytes(key)));
      ASSERT_EQ(k.verdict, KeyFinding::Verdict::Found) << key;
      EXPECT_EQ(std::string(k.key, k.key + 6), key);
    }
    EXPECT_EQ(look(f.plain).verdict, KeyFinding::Verdict::None);
  }
  Bytes shortPgm = MakeNetpbm("P5", 60, 40), longPpm = MakeNetpbm("P6", 200, 150),
        shortTarga = MakeTarga(50, 30, false, false), packed = MakeTarga(50, 30, true, false),
        pointed = MakeTarga(50, 30, true, true), longPcx = MakePcx(90, 50),
        padded = MakePcx(250, 250), badSum = MakeLz4();
  shortPgm.pop_back();
  longPpm.push_back(0);
  shortTarga.pop_back();
  packed.insert(packed.end(), {0x80, 1, 2, 3});  // a packet past the image
  pointed[pointed.size() - 26] ^= 1;             // the extension area where pixels are
  longPcx.push_back(0);
  padded.resize(padded.size() * 3);  // far more than its lines can take
  badSum[6] ^= 1;
  Bytes badZstd = MakeZstd();
  badZstd[badZstd.size() / 2] ^= 0x10;
  const struct {
    const char* kind;
    Bytes plain;
  } none[] = {{"pgm, a byte short", shortPgm},
              {"ppm, a byte too many", longPpm},
              {"targa, a byte short", shortTarga},
              {"packed targa, a packet too many", packed},
              {"targa, its extension area not after its pixels", pointed},
              {"pcx, a byte too many", longPcx},
              {"pcx past the look, thrice its length", padded},
              {"lz4, descriptor checksum", badSum},
              {"lz4, a match before the block", MakeLz4(301)},
              {"zstd, a block that does not decode", badZstd}};
  const std::string key = KeyOf(Moment(2011, 5, 17, 21, 4, 56));
  for (const auto& f : none) {
    SCOPED_TRACE(f.kind);
    EXPECT_EQ(look(CodedByRule(f.plain, KeyBytes(key))).verdict, KeyFinding::Verdict::None);
  }
}

}  // namespace
