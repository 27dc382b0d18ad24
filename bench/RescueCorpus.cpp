// The corpus run of the key finder: how many coded copies that lost their record are given back,
// and how many plain files are wrongly taken for coded ones.
//
// Files of this machine (and files made here with the tools installed: text in several
// encodings, images, archives, a database, compressed files, keys and certificates, pickles) are
// split at random into two sets. Each file of the first is coded in memory with a random time
// code between 1990 and today, as a copy without its attributes would lie, and its key looked
// for: given back when the key found is the one it was coded with (the transform is exact, so
// the whole file then comes back byte for byte). Each file of the second is looked at as it lies:
// any key found there is a false positive. Besides, the run makes in memory, from its seed, files
// of the kinds people keep (PDF, office documents and e-books, fonts, MP3, AIFF and AU sound,
// Netpbm, Targa, PCX, XPM, icons, TIFFs whose directory lies past 64 KiB, git objects, DER and PEM,
// text in six scripts, JSON, CSV over 1 MiB), each coded and looked for and also looked at plain;
// texts of narrow alphabets (one word repeated, digits, a genome: a wrong key is easy there);
// short texts of 64 to 255 bytes; and tables of numbers by the thousand, which must all be told
// plain. Coded texts with plain text appended afterwards (a log that went on) are checked as a
// rescue checks them before it writes. False positives and wrong keys are reported first. The
// times are given as a ratio to one look of the type database at the same bytes, measured in the
// same run.
//
//   rescue_corpus [--files N] [--seed S] [--now T] [--check] [--min-share P] [--made-only]
//                 [--each N] [--tables N] [FOLDER...]
//
// --each sets how many of each made kind (10 unless given), --tables how many tables of numbers
// (30,000 unless given). --now takes the clock to read T (seconds since 1970) throughout, so that
// two runs with the same seed over the same files code them with the same keys and can be
// compared line by line. With --check the exit status is 1 when a plain file was taken for a
// coded one, a key found was not the one, a plain tail was not caught, fewer than P% (95 unless
// given) of the recognisable files of 256 bytes or more were given back, or fewer than 90% of the
// short coded texts were told coded.
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "codec/TimeCode.h"
#include "engine/journal/CipherTransform.h"
#include "engine/rescue/ByteKind.h"
#include "engine/rescue/KeyFinder.h"

namespace fs = std::filesystem;

namespace {

struct Options {
  size_t files = 3000;
  unsigned seed = 1;
  bool check = false;
  double minShare = 95.0;
  bool madeOnly = false;
  int each = 10;
  int tables = 30000;
  std::time_t now = std::time(nullptr);
  std::vector<std::string> folders;
  std::string dump;  // a folder to write the made kinds to, to look at them
};

// The file, up to 4 MiB of it.
std::vector<uint8_t> ReadWhole(const std::string& path) {
  std::vector<uint8_t> bytes(4 << 20);
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return {};
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
  std::fclose(f);
  return bytes;
}

// Regular files under the folders, links not followed, at most `cap` of each folder.
std::vector<std::string> Collect(const std::vector<std::string>& folders, size_t cap,
                                 std::mt19937& random) {
  std::vector<std::string> all;
  for (const std::string& folder : folders) {
    std::vector<std::string> here;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      std::error_code e2;
      if (it->is_symlink(e2) || !it->is_regular_file(e2)) continue;
      here.push_back(it->path().string());
    }
    std::shuffle(here.begin(), here.end(), random);
    if (here.size() > cap) here.resize(cap);
    all.insert(all.end(), here.begin(), here.end());
  }
  return all;
}

void Run(const std::string& command) {
  if (std::system(("(" + command + ") >/dev/null 2>&1").c_str()) != 0) {
    // A tool that is missing or fails leaves its files out.
  }
}

// Files made with the tools installed, in `dir`.
std::vector<std::string> MakeFiles(const std::string& dir, std::mt19937& random) {
  fs::create_directories(dir);
  const std::string d = "'" + dir + "'";
  // Text: prose and source from this machine's documentation, in several encodings.
  std::vector<std::string> texts =
      Collect({"/usr/share/common-licenses", "/usr/include"}, 40, random);
  int n = 0;
  for (const std::string& t : texts) {
    const std::string base = dir + "/t" + std::to_string(n++);
    fs::copy_file(t, base + ".utf8.txt", fs::copy_options::overwrite_existing);
    for (const char* enc : {"UTF-16LE", "UTF-16BE", "UTF-16", "UTF-32LE", "ISO-8859-1"})
      Run("iconv -c -f UTF-8 -t " + std::string(enc) + " '" + t + "' > '" + base + "." + enc +
          ".txt'");
  }
  Run("printf 'Grüße aus Köln, ça va très bien, señor. Ελληνικά και русский текст.\\n%.0s' "
      "$(seq 40) > " +
      d + "/utf8-prose.txt");
  Run("iconv -c -f UTF-8 -t ISO-8859-1 " + d + "/utf8-prose.txt > " + d + "/latin1-prose.txt");
  // Images.
  const char* images[] = {"png", "jpg", "gif", "bmp", "tiff", "webp", "ppm"};
  for (const char* ext : images) {
    for (int i = 0; i < 3; ++i) {
      const std::string size = std::to_string(32 + 50 * i) + "x" + std::to_string(20 + 40 * i);
      Run("convert -size " + size + " plasma:fractal -seed " + std::to_string(i) + " " + d +
          "/img" + std::to_string(i) + "." + ext);
      Run("convert -size " + size + " gradient:red-blue " + d + "/grad" + std::to_string(i) + "." +
          ext);
    }
  }
  // Archives and compressed files.
  Run("tar -cf " + d + "/a.tar -C /usr/share/common-licenses .");
  Run("gzip -kf " + d + "/a.tar");
  Run("xz -kf " + d + "/a.tar");
  Run("bzip2 -kf " + d + "/a.tar");
  Run("zstd -qkf " + d + "/a.tar");
  Run("lz4 -qf " + d + "/a.tar " + d + "/a.tar.lz4");
  for (int i = 0; i < 6; ++i) {
    const std::string t = d + "/t" + std::to_string(i) + ".utf8.txt";
    Run("zstd -qc -" + std::to_string(1 + i) + " " + t + " > " + t + ".zst");
    Run("lz4 -qc " + t + " > " + t + ".lz4");
  }
  Run("cd " + d + " && zip -qr a.zip t0.utf8.txt t1.utf8.txt latin1-prose.txt");
  Run("cd " + d + " && gzip -c utf8-prose.txt > prose.gz");
  Run("sqlite3 " + d + "/db.sqlite 'create table t(a,b); insert into t values(1,\"x\");'");
  // Keys and certificates, and Python's pickles.
  for (int i = 0; i < 3; ++i) {
    const std::string base = d + "/key" + std::to_string(i);
    Run("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout " +
        base + ".pem -out " + base + ".crt -subj /CN=corpus" + std::to_string(random() % 1000) +
        " -days " + std::to_string(1 + random() % 900));
    Run("openssl x509 -in " + base + ".crt -outform der -out " + base + ".der");
    Run("openssl pkey -in " + base + ".pem -outform der -out " + base + ".key.der");
  }
  for (int protocol = 2; protocol <= 5; ++protocol)
    Run("python3 -c 'import pickle,random; random.seed(" + std::to_string(random() % 10000) +
        "); d={str(i): [random.random() for _ in range(20)] + [\"text %d\" % i] for i in "
        "range(200)}; open(\"" +
        dir + "/p" + std::to_string(protocol) +
        ".pickle\", \"wb\").write(pickle.dumps(d, protocol=" + std::to_string(protocol) + "))'");
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.is_regular_file()) out.push_back(e.path().string());
  std::sort(out.begin(), out.end());
  return out;
}

// ---- Files of the kinds people keep, made in memory from the run's seed ----

using Bytes = std::vector<uint8_t>;

struct Sample {
  std::string kind;  // what it was made as
  Bytes bytes;
};

void Put(Bytes* b, const std::string& s) {
  b->insert(b->end(), s.begin(), s.end());
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
void SetBe32(Bytes* b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*b)[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
}

Bytes Deflated(const Bytes& in, int windowBits) {
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
  Bytes out(deflateBound(&z, uLong(in.size())) + 64);
  z.next_in = const_cast<uint8_t*>(in.data());
  z.avail_in = uInt(in.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

uint32_t Crc(const Bytes& b) {
  return uint32_t(crc32(0, b.data(), uInt(b.size())));
}

Bytes RandomFill(std::mt19937& r, size_t n) {
  Bytes b(n);
  for (uint8_t& x : b) x = uint8_t(r());
  return b;
}

template <typename T>
const T& Pick(std::mt19937& r, const std::vector<T>& v) {
  return v[r() % v.size()];
}

// Words of several scripts, as UTF-8.
const std::vector<std::string>& Words(const std::string& script) {
  static const std::map<std::string, std::vector<std::string>> words = {
      {"english",
       {"the", "of",   "and",  "meeting", "report", "a",    "to",    "in",     "is",   "that",
        "for", "was",  "with", "on",      "budget", "we",   "will",  "next",   "year", "it",
        "are", "from", "by",   "this",    "have",   "plan", "notes", "people", "said"}},
      {"german",
       {"der", "die", "und", "Straße", "für", "über", "Größe", "nicht", "ist", "mit", "Bericht",
        "schön", "Tür", "wir", "ein", "können", "zu", "den", "Grüße"}},
      {"cjk", {"我们", "的",     "会议", "报告", "明年",   "计划", "人民", "是", "在",
               "了",   "和",     "时间", "问题", "日本語", "東京", "今日", "は", "です",
               "ます", "한국어", "회의", "文件", "这个",   "一个", "没有"}},
      {"cyrillic",
       {"и", "в", "не", "на", "отчёт", "встреча", "мы", "год", "план", "что", "это", "люди",
        "сказал", "будет", "с", "по", "для", "бюджет", "время"}},
      {"greek",
       {"και", "το", "της", "η", "συνάντηση", "έκθεση", "σχέδιο", "είναι", "στο", "για", "με", "ο",
        "άνθρωποι", "χρόνος", "επόμενο", "του", "δεν", "θα"}},
      {"arabic",
       {"في", "من", "على", "إلى", "تقرير", "اجتماع", "خطة", "السنة", "هذا", "التي", "الناس", "قال",
        "مع", "عن", "الميزانية", "كان", "و", "لا", "ما"}},
  };
  return words.at(script);
}

std::string Prose(std::mt19937& r, const std::string& script, size_t bytes) {
  std::string s;
  const bool spaced = script != "cjk";
  while (s.size() < bytes) {
    int n = 5 + int(r() % 12);
    for (int i = 0; i < n; ++i) {
      s += Pick(r, Words(script));
      if (spaced || r() % 4 == 0) s += ' ';
    }
    s += script == "cjk" ? "。\n" : ".\n";
  }
  // Cut at a character's start, so that the text stays whole UTF-8.
  size_t cut = bytes;
  while (cut > 0 && (uint8_t(s[cut]) & 0xc0) == 0x80) --cut;
  s.resize(cut);
  return s;
}

Bytes AsBytes(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

Bytes MakePdf(std::mt19937& r) {
  std::string pdf = "%PDF-1." + std::to_string(3 + r() % 5) + "\n%\xe2\xe3\xcf\xd3\n";
  std::vector<size_t> offsets;
  auto object = [&](const std::string& body) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
  };
  object("<< /Type /Catalog /Pages 2 0 R >>");
  object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  object(
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << "
      "/Font << /F1 5 0 R >> >> >>");
  std::string ops;
  while (ops.size() < 400 + r() % 6000)
    ops += "BT /F1 12 Tf 72 " + std::to_string(700 - r() % 600) + " Td (" +
           Prose(r, "english", 20 + r() % 60) + ") Tj ET\n";
  for (char& c : ops)
    if (c == '\n' && &c != &ops.back()) c = ' ';
  if (r() % 2) {
    Bytes packed = Deflated(AsBytes(ops), 15);
    object("<< /Length " + std::to_string(packed.size()) + " /Filter /FlateDecode >>\nstream\n" +
           std::string(packed.begin(), packed.end()) + "\nendstream");
  } else {
    object("<< /Length " + std::to_string(ops.size()) + " >>\nstream\n" + ops + "\nendstream");
  }
  object("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  if (r() % 2) {  // an image, as scanned pages carry
    Bytes pixels = RandomFill(r, 2000 + r() % 60000);
    object("<< /Type /XObject /Subtype /Image /Width 100 /Height 100 /Length " +
           std::to_string(pixels.size()) + " /Filter /DCTDecode >>\nstream\n" +
           std::string(pixels.begin(), pixels.end()) + "\nendstream");
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t o : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", o);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) +
         " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return AsBytes(pdf);
}

// A zip as office suites and e-book makers write them: a stored "mimetype" entry first.
Bytes MakeZip(std::mt19937& r, const std::string& mimetype,
              const std::vector<std::pair<std::string, Bytes>>& entries) {
  Bytes zip, central;
  const unsigned flags = r() % 2 ? 0x0800 : 0;  // names in UTF-8
  const unsigned version = r() % 2 ? 0x14 : 0x0a;
  int count = 0;
  auto add = [&](const std::string& name, const Bytes& data, bool stored) {
    const Bytes body = stored ? data : Deflated(data, -15);
    const uint32_t offset = uint32_t(zip.size());
    Le32(&zip, 0x04034b50);
    Le16(&zip, stored ? version : 0x14);
    Le16(&zip, flags);
    Le16(&zip, stored ? 0 : 8);
    Le16(&zip, 0x6000 + r() % 0x800);  // time
    Le16(&zip, 0x5000 + r() % 0x800);  // date
    Le32(&zip, Crc(data));
    Le32(&zip, uint32_t(body.size()));
    Le32(&zip, uint32_t(data.size()));
    Le16(&zip, unsigned(name.size()));
    Le16(&zip, 0);
    Put(&zip, name);
    zip.insert(zip.end(), body.begin(), body.end());
    Le32(&central, 0x02014b50);
    Le16(&central, 0x031e);
    Le16(&central, stored ? version : 0x14);
    Le16(&central, flags);
    Le16(&central, stored ? 0 : 8);
    Le32(&central, 0);
    Le32(&central, Crc(data));
    Le32(&central, uint32_t(body.size()));
    Le32(&central, uint32_t(data.size()));
    Le16(&central, unsigned(name.size()));
    for (int i = 0; i < 4; ++i) Le16(&central, 0);
    Le32(&central, 0);
    Le32(&central, offset);
    Put(&central, name);
    ++count;
  };
  add("mimetype", AsBytes(mimetype), true);
  for (const auto& [name, data] : entries) add(name, data, false);
  const uint32_t cdAt = uint32_t(zip.size());
  zip.insert(zip.end(), central.begin(), central.end());
  Le32(&zip, 0x06054b50);
  Le16(&zip, 0), Le16(&zip, 0), Le16(&zip, unsigned(count)), Le16(&zip, unsigned(count));
  Le32(&zip, uint32_t(central.size()));
  Le32(&zip, cdAt);
  Le16(&zip, 0);
  return zip;
}

Bytes MakeOffice(std::mt19937& r, const std::string& kind) {
  const std::string mime = kind == "odt"   ? "application/vnd.oasis.opendocument.text"
                           : kind == "ods" ? "application/vnd.oasis.opendocument.spreadsheet"
                                           : "application/epub+zip";
  std::string content = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-content>";
  while (content.size() < 2000 + r() % 40000)
    content += "<text:p>" + Prose(r, "english", 40 + r() % 200) + "</text:p>\n";
  content += "</office:document-content>\n";
  std::vector<std::pair<std::string, Bytes>> entries = {
      {kind == "epub" ? "META-INF/container.xml" : "content.xml", AsBytes(content)},
      {"META-INF/manifest.xml", AsBytes("<?xml version=\"1.0\"?><manifest:manifest/>")}};
  if (r() % 2) entries.push_back({"Pictures/photo.jpg", RandomFill(r, 5000 + r() % 50000)});
  return MakeZip(r, mime, entries);
}

uint32_t TableSum(const Bytes& b, size_t at, size_t len) {
  uint32_t sum = 0;
  for (size_t i = 0; i < (len + 3) / 4; ++i) {
    uint32_t v = 0;
    for (size_t k = 0; k < 4; ++k) v = v << 8 | (at + 4 * i + k < b.size() ? b[at + 4 * i + k] : 0);
    sum += v;
  }
  return sum;
}

// A font as TrueType (glyf) or OpenType (CFF) lays one out: the table directory with each
// table's checksum, then the tables.
Bytes MakeFont(std::mt19937& r, bool cff) {
  std::vector<std::string> tags = {"OS/2", "cmap", "head", "hhea", "hmtx", "maxp", "name", "post"};
  if (cff) {
    tags.push_back("CFF ");
  } else {
    for (const char* t : {"glyf", "loca", "cvt ", "fpgm", "prep", "gasp"}) tags.push_back(t);
  }
  std::sort(tags.begin(), tags.end());
  const unsigned n = unsigned(tags.size());
  unsigned pow2 = 1, log2 = 0;
  while (pow2 * 2 <= n) pow2 *= 2, ++log2;
  Bytes f;
  Be32(&f, cff ? 0x4f54544f : 0x00010000);
  Be16(&f, n), Be16(&f, pow2 * 16), Be16(&f, log2), Be16(&f, n * 16 - pow2 * 16);
  const size_t dir = f.size();
  f.resize(dir + 16 * n);
  for (unsigned t = 0; t < n; ++t) {
    size_t len = tags[t] == "head" ? 54 : tags[t] == "maxp" ? 32 : 40 + r() % 3000;
    if (tags[t] == "glyf" || tags[t] == "CFF ") len = 4000 + r() % 80000;
    Bytes data = RandomFill(r, len);
    if (tags[t] == "head") {
      const uint8_t head[] = {0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0x5f, 0x0f, 0x3c, 0xf5};
      std::copy(head, head + 16, data.begin());
      data[8] = data[9] = data[10] = data[11] = 0;
    }
    if (tags[t] == "name" || tags[t] == "post" || tags[t] == "cmap")
      std::fill(data.begin(), data.begin() + long(len / 2), 0);
    const size_t at = f.size();
    f.insert(f.end(), data.begin(), data.end());
    while (f.size() % 4) f.push_back(0);
    std::copy(tags[t].begin(), tags[t].end(), f.begin() + long(dir + 16 * t));
    SetBe32(&f, dir + 16 * t + 4, TableSum(f, at, len));
    SetBe32(&f, dir + 16 * t + 8, uint32_t(at));
    SetBe32(&f, dir + 16 * t + 12, uint32_t(len));
  }
  return f;
}

Bytes MakeMp3(std::mt19937& r) {
  Bytes b;
  if (r() % 4) {
    Bytes frames;
    for (const char* id : {"TIT2", "TPE1", "TALB", "TYER"}) {
      const std::string text = Prose(r, "english", 4 + r() % 30);
      Put(&frames, id);
      Be32(&frames, uint32_t(text.size() + 1));
      Be16(&frames, 0);
      frames.push_back(0);
      Put(&frames, text);
    }
    frames.resize(frames.size() + r() % 2048);  // padding
    Put(&b, "ID3");
    b.push_back(3), b.push_back(0), b.push_back(0);
    const uint32_t n = uint32_t(frames.size());
    for (int s = 21; s >= 0; s -= 7) b.push_back(uint8_t((n >> s) & 0x7f));
    b.insert(b.end(), frames.begin(), frames.end());
  }
  const int count = 20 + int(r() % 300);
  for (int i = 0; i < count; ++i) {
    const bool pad = r() % 2;
    b.push_back(0xff), b.push_back(0xfb), b.push_back(pad ? 0x92 : 0x90), b.push_back(0x64);
    Bytes body = RandomFill(r, 417 + pad - 4);
    std::fill(body.begin(), body.begin() + 32, 0);  // side information, often zero
    b.insert(b.end(), body.begin(), body.end());
  }
  return b;
}

Bytes Sound(std::mt19937& r, size_t samples, bool bigEndian) {
  Bytes b;
  const double f = 200 + r() % 800;
  for (size_t i = 0; i < samples; ++i) {
    const int v = int(8000 * std::sin(double(i) * f / 44100 * 6.2832)) + int(r() % 200) - 100;
    bigEndian ? Be16(&b, unsigned(v) & 0xffff) : Le16(&b, unsigned(v) & 0xffff);
  }
  return b;
}

Bytes MakeAiff(std::mt19937& r) {
  const size_t samples = 500 + r() % 30000;
  Bytes pcm = Sound(r, samples, true);
  Bytes b;
  Put(&b, "FORM");
  Be32(&b, uint32_t(4 + 26 + 16 + pcm.size()));
  Put(&b, "AIFFCOMM");
  Be32(&b, 18), Be16(&b, 1), Be32(&b, uint32_t(samples)), Be16(&b, 16);
  const uint8_t rate[10] = {0x40, 0x0e, 0xac, 0x44, 0, 0, 0, 0, 0, 0};  // 44100
  b.insert(b.end(), rate, rate + 10);
  Put(&b, "SSND");
  Be32(&b, uint32_t(8 + pcm.size())), Be32(&b, 0), Be32(&b, 0);
  b.insert(b.end(), pcm.begin(), pcm.end());
  return b;
}

Bytes MakeAu(std::mt19937& r) {
  Bytes pcm = Sound(r, 500 + r() % 30000, true);
  Bytes b;
  Put(&b, ".snd");
  Be32(&b, 24), Be32(&b, uint32_t(pcm.size())), Be32(&b, 3), Be32(&b, 8000 * (1 + r() % 6));
  Be32(&b, 1);
  b.insert(b.end(), pcm.begin(), pcm.end());
  return b;
}

Bytes Picture(std::mt19937& r, unsigned w, unsigned h, unsigned channels) {
  Bytes p;
  const unsigned a = r() % 7 + 1, c = r() % 5 + 1;
  for (unsigned y = 0; y < h; ++y)
    for (unsigned x = 0; x < w; ++x)
      for (unsigned k = 0; k < channels; ++k)
        p.push_back(uint8_t((x * a + y * c + k * 40) / 3 + r() % 6));
  return p;
}

Bytes MakeImage(std::mt19937& r, const std::string& kind) {
  const unsigned w = 16 + r() % 200, h = 16 + r() % 150;
  Bytes b;
  if (kind == "netpbm") {
    // A bitmap, a greymap of 8 or 16 bits (with a comment, as GIMP writes one) or a pixmap.
    const int form = int(r() % 5);
    const std::string comment = form == 2 ? "# Created by GIMP version 2.10.34 PNM plug-in\n" : "";
    const std::string magic = form == 4 ? "P4" : form == 3 ? "P6" : "P5";
    Put(&b, magic + "\n" + comment + std::to_string(w) + " " + std::to_string(h) + "\n" +
                (form == 4   ? ""
                 : form == 1 ? "65535\n"
                             : "255\n"));
    Bytes p = form == 4 ? RandomFill(r, (w + 7) / 8 * h) : Picture(r, w, h, form == 3 ? 3 : 1);
    if (form == 1) {
      Bytes wide;
      for (uint8_t v : p) Be16(&wide, v * 257u + r() % 200);
      p = wide;
    }
    b.insert(b.end(), p.begin(), p.end());
  } else if (kind == "tga") {
    // Uncompressed or run-length coded, with or without the footer (and the extension area it
    // points to) that newer programs write.
    const bool packed = r() % 2, footer = r() % 2;
    const uint8_t head[] = {0, 0, uint8_t(packed ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    b.insert(b.end(), head, head + 12);
    Le16(&b, w), Le16(&b, h);
    b.push_back(24), b.push_back(0x20);
    const Bytes p = Picture(r, w, h, 3);
    auto same = [&p](size_t x, size_t y) {
      return std::equal(p.begin() + long(3 * x), p.begin() + long(3 * x + 3),
                        p.begin() + long(3 * y));
    };
    const size_t pixels = p.size() / 3;
    for (size_t i = 0; packed && i < pixels;) {
      // A packet: one pixel repeated, or up to 128 pixels as they are.
      size_t n = 1;
      while (i + n < pixels && n < 128 && same(i, i + n)) ++n;
      const bool run = n > 1;
      while (!run && i + n < pixels && n < 128 && !(i + n + 1 < pixels && same(i + n, i + n + 1)))
        ++n;
      b.push_back(uint8_t((run ? 0x80 : 0) | (n - 1)));
      b.insert(b.end(), p.begin() + long(3 * i), p.begin() + long(3 * (i + (run ? 1 : n))));
      i += n;
    }
    if (!packed) b.insert(b.end(), p.begin(), p.end());
    if (footer) {
      const uint32_t extension = uint32_t(b.size());
      Le16(&b, 495);
      b.resize(b.size() + 493);
      Le32(&b, extension), Le32(&b, 0);
      Put(&b, "TRUEVISION-XFILE.");
      b.push_back(0);
    }
  } else if (kind == "pcx") {
    // Colour in three planes, or 256 colours in one with the palette after the lines.
    const bool palette = r() % 2;
    const unsigned planes = palette ? 1 : 3, perLine = (w + 1) & ~1u;
    b.assign(128, 0);
    b[0] = 0x0a, b[1] = 5, b[2] = 1, b[3] = 8;
    b[8] = uint8_t(w - 1), b[9] = uint8_t((w - 1) >> 8), b[10] = uint8_t(h - 1),
    b[11] = uint8_t((h - 1) >> 8);
    b[12] = 72, b[14] = 72, b[65] = uint8_t(planes), b[66] = uint8_t(perLine),
    b[67] = uint8_t(perLine >> 8), b[68] = 1;
    const Bytes p = Picture(r, perLine, h * planes, 1);
    for (unsigned line = 0; line < h * planes; ++line) {  // run-length coded, line by line
      const size_t from = size_t(line) * perLine, to = from + perLine;
      for (size_t i = from; i < to;) {
        size_t run = 1;
        while (i + run < to && run < 63 && p[i + run] == p[i]) ++run;
        if (run > 1 || p[i] >= 0xc0) b.push_back(uint8_t(0xc0 | run));
        b.push_back(p[i]);
        i += run;
      }
    }
    if (palette) {
      b.push_back(0x0c);
      const Bytes colours = RandomFill(r, 768);
      b.insert(b.end(), colours.begin(), colours.end());
    }
  } else if (kind == "xpm") {
    std::string s = "/* XPM */\nstatic char *image[] = {\n\"" + std::to_string(w % 60 + 4) + " " +
                    std::to_string(h % 40 + 4) + " 4 1\",\n";
    const char* colours[] = {"\". c #000000\",\n", "\"# c #ff0000\",\n", "\"a c #00ff00\",\n",
                             "\"b c None\",\n"};
    for (const char* c : colours) s += c;
    for (unsigned y = 0; y < h % 40 + 4; ++y) {
      s += "\"";
      for (unsigned x = 0; x < w % 60 + 4; ++x) s += ".#ab"[(x / 3 + y / 2 + r() % 2) % 4];
      s += "\",\n";
    }
    s += "};\n";
    b = AsBytes(s);
  } else if (kind == "ico") {
    const unsigned side = 16 << (r() % 3);
    Bytes p = Picture(r, side, side, 4);
    Bytes bmp;
    Le32(&bmp, 40), Le32(&bmp, side), Le32(&bmp, 2 * side), Le16(&bmp, 1), Le16(&bmp, 32);
    for (int i = 0; i < 6; ++i) Le32(&bmp, i == 1 ? uint32_t(p.size()) : 0);
    bmp.insert(bmp.end(), p.begin(), p.end());
    bmp.resize(bmp.size() + side * side / 8);  // the mask
    Le16(&b, 0), Le16(&b, 1), Le16(&b, 1);
    b.push_back(uint8_t(side)), b.push_back(uint8_t(side)), b.push_back(0), b.push_back(0);
    Le16(&b, 1), Le16(&b, 32), Le32(&b, uint32_t(bmp.size())), Le32(&b, 22);
    b.insert(b.end(), bmp.begin(), bmp.end());
  } else if (kind == "tiff-far") {
    // A TIFF with its directory after the image data, past the first 64 KiB.
    const unsigned tw = 200 + r() % 200, th = 120 + r() % 100;
    Bytes p = Picture(r, tw, th, 3);
    Put(&b, "II*");
    b.push_back(0);
    Le32(&b, uint32_t(8 + p.size()));
    b.insert(b.end(), p.begin(), p.end());
    const std::vector<std::array<uint32_t, 3>> entries = {
        {256, 3, tw}, {257, 3, th}, {258, 3, 8},
        {259, 3, 1},  {262, 3, 2},  {273, 4, 8},
        {277, 3, 3},  {278, 3, th}, {279, 4, uint32_t(p.size())}};
    Le16(&b, unsigned(entries.size()));
    for (const auto& e : entries) {
      Le16(&b, e[0]), Le16(&b, e[1]), Le32(&b, 1);
      e[1] == 3 ? (Le16(&b, e[2]), Le16(&b, 0)) : Le32(&b, e[2]);
    }
    Le32(&b, 0);
  }
  return b;
}

Bytes MakeGitObject(std::mt19937& r) {
  std::string body = Prose(r, "english", 100 + r() % 8000);
  std::string object = "blob " + std::to_string(body.size()) + std::string(1, '\0') + body;
  return Deflated(AsBytes(object), 15);
}

std::string Base64(const Bytes& b) {
  static const char* a = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string s;
  for (size_t i = 0; i < b.size(); i += 3) {
    const size_t n = b.size() - i;
    const uint32_t v = uint32_t(b[i]) << 16 | (n > 1 ? uint32_t(b[i + 1]) << 8 : 0) |
                       (n > 2 ? uint32_t(b[i + 2]) : 0);
    s += a[(v >> 18) & 63];
    s += a[(v >> 12) & 63];
    s += n > 1 ? a[(v >> 6) & 63] : '=';
    s += n > 2 ? a[v & 63] : '=';
  }
  return s;
}

// DER as certificates and keys hold it: nested sequences whose lengths match.
Bytes Der(std::mt19937& r, int depth) {
  Bytes content;
  const int items = 2 + int(r() % 4);
  for (int i = 0; i < items; ++i) {
    Bytes item;
    const int kind = depth < 3 ? int(r() % 5) : 1 + int(r() % 4);
    if (kind == 0) {
      item = Der(r, depth + 1);
    } else {
      Bytes value;
      uint8_t tag;
      if (kind == 1)
        tag = 0x02, value = RandomFill(r, 1 + r() % 20), value[0] &= 0x7f;
      else if (kind == 2)
        tag = 0x06, value = {0x2a, 0x86, 0x48, 0x86, 0xf7, 0x0d, 0x01, 0x01, 0x0b};
      else if (kind == 3)
        tag = 0x0c, value = AsBytes(Prose(r, "english", 5 + r() % 30));
      else
        tag = 0x03, value = RandomFill(r, 20 + r() % 300), value[0] = 0;
      item.push_back(tag);
      if (value.size() < 128)
        item.push_back(uint8_t(value.size()));
      else
        item.push_back(0x82), Be16(&item, unsigned(value.size()));
      item.insert(item.end(), value.begin(), value.end());
    }
    content.insert(content.end(), item.begin(), item.end());
  }
  Bytes out = {0x30};
  if (content.size() < 128)
    out.push_back(uint8_t(content.size()));
  else
    out.push_back(0x82), Be16(&out, unsigned(content.size()));
  out.insert(out.end(), content.begin(), content.end());
  return out;
}

std::string Json(std::mt19937& r, size_t bytes) {
  std::string s = "{\n";
  int n = 0;
  while (s.size() < bytes) {
    if (n++) s += ",\n";
    s += "  \"" + Pick(r, Words("english")) + std::to_string(n) + "\": ";
    switch (r() % 4) {
      case 0:
        s += std::to_string(r() % 100000);
        break;
      case 1:
        s += "\"" + Prose(r, "english", 5 + r() % 30) + "\"";
        break;
      case 2:
        s += r() % 2 ? "true" : "null";
        break;
      default:
        s += "[" + std::to_string(r() % 100) + ", " + std::to_string(r() % 1000) + "]";
    }
  }
  for (char& c : s)
    if (c == '.') c = ' ';
  return s + "\n}\n";
}

std::string Csv(std::mt19937& r, size_t bytes) {
  std::string s = "id,name,price,date,city\n";
  for (int id = 1; s.size() < bytes; ++id) {
    char line[160];
    std::snprintf(line, sizeof line, "%d,%s %s,%u.%02u,20%02u-%02u-%02u,%s\n", id,
                  Pick(r, Words("english")).c_str(), Pick(r, Words("english")).c_str(),
                  unsigned(r() % 1000), unsigned(r() % 100), unsigned(r() % 25),
                  unsigned(1 + r() % 12), unsigned(1 + r() % 28), Pick(r, Words("german")).c_str());
    s += line;
  }
  return s;
}

// Tables of numbers, as a spreadsheet exports them or a program logs them: what a key finder
// must not take for coded bytes.
std::string NumberTable(std::mt19937& r) {
  const int style = int(r() % 6);
  const char* seps[] = {" ", ",", "\t", ";", "  ", " | "};
  const std::string sep = seps[r() % 6];
  const int cols = 1 + int(r() % 10), rows = 2 + int(r() % (r() % 4 ? 40 : 600));
  const int width = 1 + int(r() % 7);
  std::string s;
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < cols; ++x) {
      if (x) s += sep;
      char cell[64];
      if (style == 0) {
        std::snprintf(cell, sizeof cell, "%0*u", width,
                      unsigned(r() % 10000000) % unsigned(std::pow(10, width)));
      } else if (style == 1) {
        std::snprintf(cell, sizeof cell, "%u", unsigned(r() % 100000));
      } else if (style == 2) {
        std::snprintf(cell, sizeof cell, "%.*f", width % 4, double(r() % 1000000) / 97.0 - 3000);
      } else if (style == 3) {
        std::snprintf(cell, sizeof cell, "20%02u-%02u-%02u %02u:%02u:%02u", unsigned(r() % 30),
                      unsigned(1 + r() % 12), unsigned(1 + r() % 28), unsigned(r() % 24),
                      unsigned(r() % 60), unsigned(r() % 60));
      } else if (style == 4) {
        std::snprintf(cell, sizeof cell, "%u", unsigned(1700000000 + r() % 100000000));
      } else {
        std::snprintf(cell, sizeof cell, "%04u", unsigned(r() % 10000));
      }
      s += cell;
    }
    s += "\n";
  }
  return s;
}

// Texts of narrow alphabets: one word repeated, digits, hexadecimal, a genome.
std::string NarrowText(std::mt19937& r) {
  const size_t bytes = 256 + r() % 30000;
  std::string s;
  switch (r() % 7) {
    case 0: {
      const std::vector<std::string> w = {"yes\n", "no\n", "ok\n", "y\n", "true\n", "0\n", "-\n"};
      const std::string word = Pick(r, w);
      while (s.size() < bytes) s += word;
      break;
    }
    case 1:
      while (s.size() < bytes) s += "0123456789"[r() % 10], s += r() % 16 ? "" : "\n";
      break;
    case 2:
      while (s.size() < bytes) s += "0123456789abcdef"[r() % 16], s += r() % 32 ? "" : "\n";
      break;
    case 3:
      while (s.size() < bytes) s += "ACGT"[r() % 4], s += r() % 60 ? "" : "\n";
      break;
    case 4:
      while (s.size() < bytes) s += "01"[r() % 2], s += r() % 8 ? "" : " ";
      break;
    case 5:
      while (s.size() < bytes) s += Base64(RandomFill(r, 48)) + "\n";
      break;
    default:
      while (s.size() < bytes) s += std::to_string(r() % 1000) + "\n";
  }
  s.resize(bytes);
  return s;
}

std::vector<Sample> MakeKinds(std::mt19937& r, int each) {
  std::vector<Sample> out;
  for (int i = 0; i < each; ++i) {
    out.push_back({"pdf", MakePdf(r)});
    for (const char* k : {"odt", "ods", "epub"}) out.push_back({k, MakeOffice(r, k)});
    out.push_back({"ttf", MakeFont(r, false)});
    out.push_back({"otf", MakeFont(r, true)});
    out.push_back({"mp3", MakeMp3(r)});
    out.push_back({"aiff", MakeAiff(r)});
    out.push_back({"au", MakeAu(r)});
    for (const char* k : {"netpbm", "tga", "pcx", "xpm", "ico", "tiff-far"})
      out.push_back({k, MakeImage(r, k)});
    out.push_back({"git object", MakeGitObject(r)});
    Bytes der = Der(r, 0);
    out.push_back({"der", der});
    std::string pem = "-----BEGIN CERTIFICATE-----\n";
    const std::string b64 = Base64(Der(r, 0));
    for (size_t at = 0; at < b64.size(); at += 64) pem += b64.substr(at, 64) + "\n";
    out.push_back({"pem", AsBytes(pem + "-----END CERTIFICATE-----\n")});
    for (const char* script : {"english", "german", "cjk", "cyrillic", "greek", "arabic"})
      out.push_back({std::string("text ") + script, AsBytes(Prose(r, script, 256 + r() % 20000))});
    out.push_back({"json", AsBytes(Json(r, 256 + r() % 768))});
    out.push_back({"json", AsBytes(Json(r, 1024 + r() % 20000))});
    out.push_back({"csv", AsBytes(Csv(r, (1 << 20) + r() % 100000))});
  }
  return out;
}

// A random time code between 1990-01-01 and `to`.
void RandomKey(std::mt19937& random, std::time_t to, uint8_t key[6]) {
  const time_t from = 631152000;  // 1990-01-01
  std::uniform_int_distribution<long long> pick(from, to - 2 * 86400);
  time_t when = time_t(pick(random));
  std::tm local{};
  localtime_r(&when, &local);
  char code[kTimeCodeBytes + 1];
  FormTimeCode(local, code);
  for (int i = 0; i < 6; ++i) key[i] = uint8_t(code[i]);
}

std::string KindName(const ByteKind& kind) {
  return kind.Recognised() ? kind.mime : std::string("(unrecognised)");
}

struct Tally {
  int files = 0, given = 0, ambiguous = 0, none = 0, wrong = 0;
  double Share() const { return files ? 100.0 * given / files : 100.0; }
};

// One coded or plain thing to look at: a file of this machine or made by a tool, or bytes made
// in memory.
struct Item {
  std::string name;  // the path, or what was made
  std::string kind;  // what it was made as; empty for a file, whose kind libmagic tells
  Bytes bytes;       // the whole file
};

Item FromFile(const std::string& path) {
  return {path, "", ReadWhole(path)};
}

// The first bytes, printable ones as they are.
std::string Printable(const Bytes& b) {
  std::string s;
  for (size_t i = 0; i < b.size() && i < 32; ++i)
    s += b[i] >= 0x20 && b[i] < 0x7f ? char(b[i]) : b[i] == '\n' ? '|' : '.';
  return s;
}

std::string OffBy(const uint8_t* found, const uint8_t* key) {
  std::string s;
  for (int j = 0; j < 6; ++j) s += " " + std::to_string(int(found[j]) - key[j]);
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--files" && i + 1 < argc) {
      o.files = size_t(std::atol(argv[++i]));
    } else if (a == "--seed" && i + 1 < argc) {
      o.seed = unsigned(std::atol(argv[++i]));
    } else if (a == "--now" && i + 1 < argc) {
      o.now = std::time_t(std::atoll(argv[++i]));
    } else if (a == "--min-share" && i + 1 < argc) {
      o.minShare = std::atof(argv[++i]);
    } else if (a == "--each" && i + 1 < argc) {
      o.each = std::atoi(argv[++i]);
    } else if (a == "--tables" && i + 1 < argc) {
      o.tables = std::atoi(argv[++i]);
    } else if (a == "--dump" && i + 1 < argc) {
      o.dump = argv[++i];
    } else if (a == "--check") {
      o.check = true;
    } else if (a == "--made-only") {
      o.madeOnly = true;
    } else {
      o.folders.push_back(a);
    }
  }
  if (o.folders.empty() && !o.madeOnly)
    o.folders = {"/usr/share", "/usr/bin", "/usr/lib", "/usr/include", "/etc"};
  std::mt19937 random(o.seed);
  std::vector<std::string> files;
  if (!o.madeOnly) files = Collect(o.folders, o.files / o.folders.size(), random);
  std::shuffle(files.begin(), files.end(), random);
  const std::string madeDir =
      (fs::temp_directory_path() / ("rescue-corpus-" + std::to_string(getpid()))).string();
  std::vector<std::string> made = MakeFiles(madeDir, random);
  const std::vector<Sample> kinds = MakeKinds(random, o.each);
  if (!o.dump.empty()) {
    fs::create_directories(o.dump);
    int n = 0;
    for (const Sample& k : kinds) {
      std::ofstream out(o.dump + "/" + std::to_string(n++) + "." + k.kind, std::ios::binary);
      out.write(reinterpret_cast<const char*>(k.bytes.data()), long(k.bytes.size()));
    }
  }

  // Half of the machine's files for coding, half kept plain; the made files and kinds go to
  // both, since coding one copy and looking at another as it lies are separate questions.
  std::vector<Item> coded, plain;
  for (size_t i = 0; i < files.size(); ++i)
    (i < files.size() / 2 ? coded : plain).push_back(FromFile(files[i]));
  for (const std::string& m : made) {
    coded.push_back(FromFile(m));
    plain.push_back(FromFile(m));
  }
  for (const Sample& s : kinds) {
    coded.push_back({s.kind, s.kind, s.bytes});
    plain.push_back({s.kind, s.kind, s.bytes});
  }

  std::tm now{};
  localtime_r(&o.now, &now);
  using Clock = std::chrono::steady_clock;
  double findSeconds = 0, magicSeconds = 0;
  size_t looks = 0;

  std::map<std::string, Tally> byKind;
  Tally big, small, madeBig;
  std::vector<std::string> missed, wrongKeys;
  auto lookCoded = [&](const Item& item, Tally* extra) {
    Bytes bytes = item.bytes;
    const ByteKind kind = KindOfBytes(bytes.data(), std::min(bytes.size(), kKeyLookBytes));
    uint8_t key[6];
    RandomKey(random, o.now, key);
    TransformBytes(bytes.data(), bytes.size(), 0, key, CipherDirection::Code);
    const size_t prefix = std::min(bytes.size(), kKeyLookBytes);
    auto t0 = Clock::now();
    FarBytes far;
    far.size = bytes.size();
    far.read = [&bytes](uint64_t at, uint8_t* into, size_t n) {
      n = size_t(std::min<uint64_t>(n, at < bytes.size() ? bytes.size() - at : 0));
      std::copy(bytes.begin() + long(at), bytes.begin() + long(at + n), into);
      return n;
    };
    KeyFinding f = FindKey(bytes.data(), prefix, now, &far);
    auto t1 = Clock::now();
    (void)KindOfBytes(bytes.data(), prefix);
    auto t2 = Clock::now();
    findSeconds += std::chrono::duration<double>(t1 - t0).count();
    magicSeconds += std::chrono::duration<double>(t2 - t1).count();
    ++looks;
    // Narrow alphabets and short texts are told on their own.
    const bool counts = bytes.size() >= 256 && kind.Recognised() && !extra;
    const bool right = f.verdict == KeyFinding::Verdict::Found && std::equal(key, key + 6, f.key);
    std::vector<Tally*> tallies = {counts ? &big : &small,
                                   &byKind[item.kind.empty() ? KindName(kind) : item.kind]};
    if (extra) tallies.push_back(extra);
    if (counts && !item.kind.empty()) tallies.push_back(&madeBig);
    for (Tally* x : tallies) {
      ++x->files;
      if (right)
        ++x->given;
      else if (f.verdict == KeyFinding::Verdict::Found)
        ++x->wrong;
      else if (f.verdict == KeyFinding::Verdict::Ambiguous)
        ++x->ambiguous;
      else
        ++x->none;
    }
    if (f.verdict == KeyFinding::Verdict::Found && !right)
      wrongKeys.push_back(item.kind + "  " + KindName(kind) + "  " + item.name + "  (" +
                          f.kind.description.substr(0, 50) + ")  off by" + OffBy(f.key, key) +
                          "  plain: " + Printable(item.bytes));
    if (counts && !right)
      missed.push_back((item.kind.empty() ? KindName(kind) : item.kind) + "  " + item.name + "  " +
                       (f.verdict == KeyFinding::Verdict::Ambiguous ? "unsure" : "none"));
  };
  for (const Item& item : coded) lookCoded(item, nullptr);
  // Narrow alphabets, and short texts of 64 to 255 bytes, coded.
  Tally narrow, shortTexts;
  for (int i = 0; i < 20 * o.each; ++i) {
    const std::string text = NarrowText(random);
    lookCoded({"narrow alphabet", "narrow alphabet", AsBytes(text)}, &narrow);
  }
  const char* scripts[] = {"english", "english", "german", "cjk", "cyrillic", "greek", "arabic"};
  for (int i = 0; i < 10 * o.each; ++i) {
    const size_t size = 64 + random() % 192;
    const std::string script = scripts[random() % 7];
    lookCoded(
        {"short text " + script, "short text " + script, AsBytes(Prose(random, script, size))},
        &shortTexts);
  }

  // Coded texts with plain text appended afterwards: every tail must be caught by the parts a
  // rescue looks at before it writes (windows over the whole file, the last 4 KiB finely).
  int tails = 0, tailsCaught = 0;
  for (int i = 0; i < 2 * o.each; ++i) {
    Bytes bytes = AsBytes(Prose(random, scripts[random() % 7], 70000 + random() % 50000));
    uint8_t key[6];
    RandomKey(random, o.now, key);
    TransformBytes(bytes.data(), bytes.size(), 0, key, CipherDirection::Code);
    const Bytes tail = AsBytes(Prose(random, scripts[random() % 7], 600 + random() % 30000));
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    const uint64_t size = bytes.size();
    bool caught = false;
    for (uint64_t w = 0; w < 16 && !caught; ++w) {
      const uint64_t at = (size - 4096) * w / 15;
      caught = PartLooksPlain(bytes.data() + at, 4096, at, key);
    }
    for (uint64_t k = 1; k <= 8 && !caught; ++k)
      caught = PartLooksPlain(bytes.data() + size - 512 * k, 512, size - 512 * k, key);
    ++tails;
    tailsCaught += caught;
  }

  // The plain set, and bytes made to be hard: random, empty, tiny, one byte repeated, tables of
  // numbers.
  int plainLooked = 0;
  std::vector<std::string> falsePositives;
  double plainSeconds = 0, plainMagicSeconds = 0;
  auto lookPlain = [&](const std::vector<uint8_t>& whole, const std::string& what) {
    ++plainLooked;
    const size_t prefix = std::min(whole.size(), kKeyLookBytes);
    auto t0 = Clock::now();
    KeyFinding f = FindKey(whole.data(), prefix, now);
    auto t1 = Clock::now();
    (void)KindOfBytes(whole.data(), prefix);
    plainSeconds += std::chrono::duration<double>(t1 - t0).count();
    plainMagicSeconds += std::chrono::duration<double>(Clock::now() - t1).count();
    if (f.verdict != KeyFinding::Verdict::None)
      falsePositives.push_back((f.verdict == KeyFinding::Verdict::Found ? "found   " : "unsure  ") +
                               what + "  (" + f.kind.description.substr(0, 60) + ")");
  };
  for (int i = 0; i < o.tables; ++i) {
    const std::string table = NumberTable(random);
    lookPlain(AsBytes(table), "table of numbers: " + table.substr(0, table.find('\n')));
  }
  const std::string example = [] {
    std::string s;
    for (int i = 0; i < 8; ++i) s += "3813 2218 3448 3805 8245 7804 2650 1084\n";
    return s;
  }();
  lookPlain(AsBytes(example), "rows of eight 4-digit numbers");
  for (const Item& item : plain) lookPlain(item.bytes, item.name);
  for (int i = 0; i < 20 * o.each; ++i) lookPlain(AsBytes(NarrowText(random)), "narrow alphabet");
  std::uniform_int_distribution<int> byte(0, 255);
  for (size_t size : {size_t(0), size_t(1), size_t(5), size_t(31), size_t(32), size_t(100),
                      size_t(256), size_t(4096), size_t(65536)}) {
    for (int rep = 0; rep < 20; ++rep) {
      std::vector<uint8_t> bytes(size);
      for (uint8_t& b : bytes) b = uint8_t(byte(random));
      lookPlain(bytes, "random bytes, " + std::to_string(size));
    }
    lookPlain(std::vector<uint8_t>(size, 0), "zeros, " + std::to_string(size));
    lookPlain(std::vector<uint8_t>(size, 'a'), "'a' repeated, " + std::to_string(size));
    std::vector<uint8_t> ramp(size);
    for (size_t i = 0; i < size; ++i) ramp[i] = uint8_t(i);
    lookPlain(ramp, "0, 1, 2, ... " + std::to_string(size));
  }

  std::printf("Plain files looked at: %d, taken for coded: %zu\n", plainLooked,
              falsePositives.size());
  for (const std::string& fp : falsePositives) std::printf("  FALSE POSITIVE %s\n", fp.c_str());
  std::printf("Wrong keys: %d\n", big.wrong + small.wrong);
  std::printf("Plain tails not caught: %d of %d\n", tails - tailsCaught, tails);
  for (const std::string& w : wrongKeys) std::printf("  WRONG KEY %s\n", w.c_str());
  std::printf("Coded copies without their record, by kind (made, or libmagic's type):\n");
  std::printf("  %-44s %6s %6s %6s %6s %6s\n", "kind", "files", "given", "unsure", "none", "wrong");
  for (const auto& [name, t] : byKind)
    std::printf("  %-44s %6d %6d %6d %6d %6d\n", name.c_str(), t.files, t.given, t.ambiguous,
                t.none, t.wrong);
  std::printf(
      "Recognisable, 256 bytes or more: %d files, %d given back (%.1f%%), %d unsure, "
      "%d not found, %d wrong keys\n",
      big.files, big.given, big.Share(), big.ambiguous, big.none, big.wrong);
  std::printf("  of them made kinds: %d files, %d given back (%.1f%%)\n", madeBig.files,
              madeBig.given, madeBig.Share());
  std::printf(
      "Unrecognisable or under 256 bytes: %d files, %d given back (%.1f%%), %d wrong keys\n",
      small.files, small.given, small.Share(), small.wrong);
  std::printf("Narrow alphabets: %d coded, %d given back, %d unsure, %d wrong keys\n", narrow.files,
              narrow.given, narrow.ambiguous, narrow.wrong);
  const double toldShort =
      shortTexts.files ? 100.0 * (shortTexts.given + shortTexts.ambiguous) / shortTexts.files : 100;
  std::printf("Coded texts of 64-255 bytes: %d, told coded %.1f%% (%d with their key)\n",
              shortTexts.files, toldShort, shortTexts.given);
  std::printf("Coded texts with a plain tail: %d, the tail caught before a rescue writes: %d\n",
              tails, tailsCaught);
  if (!missed.empty()) {
    std::printf("Recognisable files not given back:\n");
    for (size_t i = 0; i < missed.size(); ++i) std::printf("  %s\n", missed[i].c_str());
  }
  std::printf(
      "A look at a coded copy takes %.2f ms on average, %.2f times one look of the type "
      "database at the same bytes\n",
      1000 * findSeconds / double(std::max<size_t>(looks, 1)),
      findSeconds / std::max(magicSeconds, 1e-9));
  std::printf(
      "A look at a plain file takes %.3f ms on average, %.2f times one look of the type "
      "database at the same bytes\n",
      1000 * plainSeconds / std::max(plainLooked, 1),
      plainSeconds / std::max(plainMagicSeconds, 1e-9));
  std::error_code ec;
  fs::remove_all(madeDir, ec);
  if (o.check && (!falsePositives.empty() || big.Share() < o.minShare ||
                  big.wrong + small.wrong > 0 || toldShort < 90 || tailsCaught < tails))
    return 1;
  return 0;
}
