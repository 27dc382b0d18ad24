// The corpus run of the key finder: how many coded copies that lost their record are given back,
// and how many plain files are wrongly taken for coded ones.
//
// Files of this machine (and files made here with the tools installed: text in several
// encodings, images, archives, a database) are split at random into two sets. Each file of the
// first is coded in memory with a random time code between 1990 and today, as a copy without
// its attributes would lie, and its key looked for: given back when the key found is the one it
// was coded with (the transform is exact, so the whole file then comes back byte for byte). Each
// file of the second, and random bytes, empty and tiny files, is looked at as it lies: any key
// found there is a false positive. The times are given as a ratio to one look of the type
// database at the same bytes, measured in the same run.
//
//   rescue_corpus [--files N] [--seed S] [--now T] [--check] [--min-share P] [--made-only]
//                 [FOLDER...]
//
// --now takes the clock to read T (seconds since 1970) throughout, so that two runs with the same
// seed over the same files code them with the same keys and can be compared line by line.
// With --check the exit status is 1 when a plain file was taken for a coded one, a key found
// was not the one, or fewer than P% (95 unless given) of the recognisable files of 256 bytes or
// more were given back.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
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
#include "engine/ByteKind.h"
#include "engine/KeyFinder.h"
#include "engine/journal/CipherTransform.h"

namespace fs = std::filesystem;

namespace {

struct Options {
  size_t files = 3000;
  unsigned seed = 1;
  bool check = false;
  double minShare = 95.0;
  bool madeOnly = false;
  std::time_t now = std::time(nullptr);
  std::vector<std::string> folders;
};

std::vector<uint8_t> ReadPrefix(const std::string& path) {
  std::vector<uint8_t> bytes(kKeyLookBytes);
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
  Run("cd " + d + " && zip -qr a.zip t0.utf8.txt t1.utf8.txt latin1-prose.txt");
  Run("cd " + d + " && gzip -c utf8-prose.txt > prose.gz");
  Run("sqlite3 " + d + "/db.sqlite 'create table t(a,b); insert into t values(1,\"x\");'");
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.is_regular_file()) out.push_back(e.path().string());
  std::sort(out.begin(), out.end());
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
};

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

  // Half of each for coding, half kept plain; the made files go to both, since coding one
  // copy and looking at another as it lies are separate questions.
  std::vector<std::string> coded(files.begin(), files.begin() + long(files.size() / 2));
  std::vector<std::string> plain(files.begin() + long(files.size() / 2), files.end());
  coded.insert(coded.end(), made.begin(), made.end());
  plain.insert(plain.end(), made.begin(), made.end());

  std::tm now{};
  localtime_r(&o.now, &now);
  using Clock = std::chrono::steady_clock;
  double findSeconds = 0, magicSeconds = 0;
  size_t looks = 0;

  std::map<std::string, Tally> byKind;
  Tally big, small;
  std::vector<std::string> missed, wrongKeys;
  for (const std::string& path : coded) {
    std::vector<uint8_t> bytes = ReadPrefix(path);
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) continue;
    const ByteKind kind = KindOfBytes(bytes.data(), bytes.size());
    uint8_t key[6];
    RandomKey(random, o.now, key);
    TransformBytes(bytes.data(), bytes.size(), 0, key, CipherDirection::Code);
    auto t0 = Clock::now();
    KeyFinding f = FindKey(bytes.data(), bytes.size(), now);
    auto t1 = Clock::now();
    (void)KindOfBytes(bytes.data(), bytes.size());
    auto t2 = Clock::now();
    findSeconds += std::chrono::duration<double>(t1 - t0).count();
    magicSeconds += std::chrono::duration<double>(t2 - t1).count();
    ++looks;
    const bool counts = st.st_size >= 256 && kind.Recognised();
    Tally& t = counts ? big : small;
    Tally& k = byKind[KindName(kind)];
    for (Tally* x : {&t, &k}) {
      ++x->files;
      if (f.verdict == KeyFinding::Verdict::Found && std::equal(key, key + 6, f.key))
        ++x->given;
      else if (f.verdict == KeyFinding::Verdict::Found)
        ++x->wrong;
      else if (f.verdict == KeyFinding::Verdict::Ambiguous)
        ++x->ambiguous;
      else
        ++x->none;
    }
    if (f.verdict == KeyFinding::Verdict::Found && !std::equal(key, key + 6, f.key))
      wrongKeys.push_back(
          KindName(kind) + "  " + path + "  (" + f.kind.description.substr(0, 50) + ")  off by " +
          std::to_string(int(f.key[0]) - key[0]) + " " + std::to_string(int(f.key[1]) - key[1]) +
          " " + std::to_string(int(f.key[2]) - key[2]) + " " +
          std::to_string(int(f.key[3]) - key[3]) + " " + std::to_string(int(f.key[4]) - key[4]) +
          " " + std::to_string(int(f.key[5]) - key[5]));
    if (counts && !(f.verdict == KeyFinding::Verdict::Found && std::equal(key, key + 6, f.key)))
      missed.push_back(KindName(kind) + "  " + path + "  " +
                       (f.verdict == KeyFinding::Verdict::Ambiguous ? "unsure" : "none"));
  }

  // The plain set, and bytes made to be hard: random, empty, tiny, one byte repeated.
  int plainLooked = 0;
  std::vector<std::string> falsePositives;
  double plainSeconds = 0, plainMagicSeconds = 0;
  auto lookPlain = [&](const std::vector<uint8_t>& bytes, const std::string& what) {
    ++plainLooked;
    auto t0 = Clock::now();
    KeyFinding f = FindKey(bytes.data(), bytes.size(), now);
    auto t1 = Clock::now();
    (void)KindOfBytes(bytes.data(), bytes.size());
    plainSeconds += std::chrono::duration<double>(t1 - t0).count();
    plainMagicSeconds += std::chrono::duration<double>(Clock::now() - t1).count();
    if (f.verdict != KeyFinding::Verdict::None)
      falsePositives.push_back((f.verdict == KeyFinding::Verdict::Found ? "found   " : "unsure  ") +
                               what + "  (" + f.kind.description.substr(0, 60) + ")");
  };
  for (const std::string& path : plain) lookPlain(ReadPrefix(path), path);
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

  std::printf("Coded copies without their record, by kind (libmagic's type of the plain file):\n");
  std::printf("  %-44s %6s %6s %6s %6s %6s\n", "kind", "files", "given", "unsure", "none", "wrong");
  for (const auto& [name, t] : byKind)
    std::printf("  %-44s %6d %6d %6d %6d %6d\n", name.c_str(), t.files, t.given, t.ambiguous,
                t.none, t.wrong);
  auto share = [](const Tally& t) { return t.files ? 100.0 * t.given / t.files : 100.0; };
  std::printf(
      "Recognisable, 256 bytes or more: %d files, %d given back (%.1f%%), %d unsure, "
      "%d not found, %d wrong keys\n",
      big.files, big.given, share(big), big.ambiguous, big.none, big.wrong);
  std::printf(
      "Unrecognisable or under 256 bytes: %d files, %d given back (%.1f%%), %d wrong keys\n",
      small.files, small.given, share(small), small.wrong);
  std::printf("Plain files looked at: %d, taken for coded: %zu\n", plainLooked,
              falsePositives.size());
  for (const std::string& fp : falsePositives) std::printf("  FALSE POSITIVE %s\n", fp.c_str());
  for (const std::string& w : wrongKeys) std::printf("  WRONG KEY %s\n", w.c_str());
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
      "A look at a plain file takes %.2f ms on average, %.2f times one look of the type "
      "database at the same bytes\n",
      1000 * plainSeconds / std::max(plainLooked, 1),
      plainSeconds / std::max(plainMagicSeconds, 1e-9));
  std::error_code ec;
  fs::remove_all(madeDir, ec);
  if (o.check &&
      (!falsePositives.empty() || share(big) < o.minShare || big.wrong + small.wrong > 0))
    return 1;
  return 0;
}
