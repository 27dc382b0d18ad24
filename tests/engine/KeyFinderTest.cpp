// Finding the key of coded bytes whose record is lost: from a header the bytes must show (PNG,
// gzip), from the likeness of text, and never from plain, random, too short or wrongly dated
// bytes.
#include <zlib.h>

#include <string>

#include "EngineTestSupport.h"
#include "codec/TimeCode.h"
#include "engine/KeyFinder.h"
#include "tests/codec/CodecTestSupport.h"

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

}  // namespace
