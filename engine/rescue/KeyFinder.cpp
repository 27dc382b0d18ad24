#include "engine/rescue/KeyFinder.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

#include "engine/journal/CipherTransform.h"
#include "engine/rescue/HeaderKeys.h"

namespace {

// How likely a byte is in real data, as a natural logarithm, by what the byte is: zeros and
// small numbers fill binaries, letters, blanks and line ends fill text in any 8-bit or UTF
// encoding, and the rest is rare. Only the shape matters: the key byte that turns a class of
// bytes into the likeliest ones wins.
double LogPrior(uint8_t b) {
  const uint8_t lower = b >= 'A' && b <= 'Z' ? uint8_t(b + 32) : b;  // either case alike
  if (b == 0) return -2.0;
  if (b == ' ') return -2.6;
  if (b == '\n') return -3.8;
  if (lower && std::strchr("etaoinsrhl", lower)) return -3.4;
  if (lower >= 'a' && lower <= 'z') return -4.2;
  if (b >= '0' && b <= '9') return -4.6;
  if (b > ' ' && b < 0x7f) return -5.0;  // punctuation
  if (b == '\t' || b == '\r') return -5.2;
  if (b == 0xff) return -5.0;
  if (b < 0x20) return -6.2;  // small numbers, control bytes
  if (b < 0xc0) return -6.3;  // UTF-8 continuation bytes, Latin-1 letters
  if (b < 0xf0) return -6.5;
  return -6.8;
}

// LogPrior with the signs text seldom holds, and carriage returns, made rarer.
double SignPrior(uint8_t b) {
  if (b == '\r') return -6.5;
  if (b && std::strchr("#$%&*;<>@[\\]^`{|}~", b)) return -7.0;
  return LogPrior(b);
}

const std::array<double, 256>& PriorTable() {
  static const std::array<double, 256> table = [] {
    std::array<double, 256> t{};
    for (int b = 0; b < 256; ++b) t[size_t(b)] = LogPrior(uint8_t(b));
    return t;
  }();
  return table;
}

// The ranges of the key bytes: a time code of a moment from 1970 to `now`.
void KeyRanges(const std::tm& now, uint8_t lo[6], uint8_t hi[6]) {
  const uint8_t l[6] = {13, 12, 11, uint8_t(1970 - 1941), 22, 24};
  const int lastYear = std::max(1970, now.tm_year + 1900);
  const uint8_t h[6] = {73, 71, 34, uint8_t(std::min(lastYear - 1941, 255)), 33, 54};
  std::copy(l, l + 6, lo);
  std::copy(h, h + 6, hi);
}

// How well each key byte fits each class of bytes (the bytes at positions j, j + 6, ...).
struct ClassScores {
  size_t count[6] = {};
  // The log-likelihood, per byte of the class, of each key byte within its range.
  std::array<double, 256> score[6];
  uint8_t best[6] = {};
  double margin[6] = {};  // per byte: best over the runner-up within the range
  std::array<uint32_t, 256> hist[6] = {};
  uint8_t first[6] = {};  // the best key bytes of the first pass
};

using Histogram = std::array<uint32_t, 256>;

// out[i] += from[i] for i below n, or -= with `take`: four counts at a time, then the rest.
void AddRun(const uint32_t* from, size_t n, bool take, uint32_t* out) {
  typedef uint32_t Counts __attribute__((vector_size(16)));
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    Counts x, y;
    std::memcpy(&x, out + i, sizeof x);
    std::memcpy(&y, from + i, sizeof y);
    x = take ? x - y : x + y;
    std::memcpy(out + i, &x, sizeof x);
  }
  for (; i < n; ++i) out[i] = take ? out[i] - from[i] : out[i] + from[i];
}

// out[b] += h[(b + k) mod 256], or -= with `take`: two straight runs.
void AddTurned(const uint32_t* h, uint8_t k, bool take, uint32_t* out) {
  const size_t split = 256 - size_t(k);
  AddRun(h + k, split, take, out);
  AddRun(h, size_t(k), take, out + split);
}

typedef double Lanes __attribute__((vector_size(16)));

// The two doubles at `at`, read straight into a register.
inline Lanes LanesAt(const double* at) {
  Lanes v;
  std::memcpy(&v, at, sizeof v);
  return v;
}

// Scores every key byte for one class against `logp` (a log-likelihood per plain byte); the
// best within lo..hi and its margin over the runner-up, per byte of the class.
void ScoreClass(const Histogram& hist, size_t count, const std::array<double, 256>& logp,
                uint8_t lo, uint8_t hi, std::array<double, 256>* score, uint8_t* best,
                double* margin) {
  const double n = double(std::max<size_t>(count, 1));
  // Every byte value is summed, in running sums of two lanes each, over the table laid out
  // twice: key byte k reads logp[(b - k) mod 256] as one straight run. (The whole scoring
  // spends most of its time here.)
  alignas(16) double h[256];
  for (unsigned b = 0; b < 256; ++b) h[b] = double(hist[b]);
  double twice[512];
  for (unsigned i = 0; i < 512; ++i) twice[i] = logp[i & 0xff];
  double top = -1e300, second = -1e300;
  score->fill(-1e300);
  for (unsigned k = lo; k <= hi; ++k) {
    const double* l = twice + 256 - k;  // l[b] = logp[(b - k) mod 256]
    Lanes a0 = {0, 0}, a1 = a0, a2 = a0, a3 = a0;
    for (unsigned b = 0; b < 256; b += 8) {
      a0 += LanesAt(h + b) * LanesAt(l + b);
      a1 += LanesAt(h + b + 2) * LanesAt(l + b + 2);
      a2 += LanesAt(h + b + 4) * LanesAt(l + b + 4);
      a3 += LanesAt(h + b + 6) * LanesAt(l + b + 6);
    }
    const Lanes all = (a0 + a1) + (a2 + a3);
    const double sum = all[0] + all[1];
    (*score)[k] = sum / n;
    if ((*score)[k] > top) {
      second = top;
      top = (*score)[k];
      *best = uint8_t(k);
    } else if ((*score)[k] > second) {
      second = (*score)[k];
    }
  }
  *margin = top - second;
}

// Two passes. The first scores each class against what real data looks like in general; the
// second against the file itself: the bytes of the other five classes, turned back with the
// keys the first pass found. A class's plain bytes are drawn from the same file as the rest, so
// the second pass tells a key byte far more sharply, and mends a class the first got wrong
// while the others are right. Bytes without structure give flat scores in both.
// Scores class j against the bytes of the other classes turned back, each with `known` key
// byte where one is known (>= 0), else with the one the first pass found.
void ScoreAgainstOthers(ClassScores& s, int j, const int known[6], const uint8_t lo[6],
                        const uint8_t hi[6], uint8_t* best, double* margin,
                        std::array<double, 256>* scores = nullptr) {
  uint32_t counts[256] = {};
  double total = 0;
  for (int o = 0; o < 6; ++o) {
    if (o == j) continue;
    const uint8_t k = known[o] >= 0 ? uint8_t(known[o]) : s.first[o];
    AddTurned(s.hist[o].data(), k, false, counts);
    total += double(s.count[o]);
  }
  std::array<double, 256> others;
  for (unsigned b = 0; b < 256; ++b) others[b] = double(counts[b]);
  // The table holds few distinct counts (a few dozen for a 4 KiB prefix): each one's logarithm
  // is taken once.
  constexpr size_t kMemo = 1024;
  double memo[kMemo];
  bool have[kMemo] = {};
  for (double& p : others) {
    const size_t c = size_t(p);
    if (c >= kMemo) {
      p = std::log((p + 0.5) / (total + 128));
    } else {
      if (!have[c]) memo[c] = std::log((p + 0.5) / (total + 128)), have[c] = true;
      p = memo[c];
    }
  }
  std::array<double, 256> unused;
  ScoreClass(s.hist[j], s.count[j], others, lo[j], hi[j], scores ? scores : &unused, best, margin);
}

double ToldMargin(size_t count);

// Whether every byte of `key` fits its class as well as the file's other classes, turned back
// with the rest of the key, allow: no other key byte makes a class look clearly more like the
// rest of the file. A header byte that the header table allows wrongly, or a class whose
// likeness misled, shows here; bytes without structure (compressed ones) favour none.
bool AgreesWithItself(ClassScores& s, const std::array<uint8_t, 6>& key, const uint8_t lo[6],
                      const uint8_t hi[6]) {
  int known[6];
  for (int j = 0; j < 6; ++j) known[j] = key[size_t(j)];
  for (int j = 0; j < 6; ++j) {
    if (s.count[j] < 24) continue;
    uint8_t best;
    double margin;
    std::array<double, 256> scores;
    ScoreAgainstOthers(s, j, known, lo, hi, &best, &margin, &scores);
    if (scores[best] - scores[key[size_t(j)]] >= ToldMargin(s.count[j])) return false;
  }
  return true;
}

// d[i] -= i mod 256: whole runs of 256 (which the compiler turns into vector code), then the
// rest.
void TakeOffPositions(uint8_t* d, size_t len) {
  size_t i = 0;
  for (; i + 256 <= len; i += 256)
    for (unsigned t = 0; t < 256; ++t) d[i + t] = uint8_t(d[i + t] - t);
  for (; i < len; ++i) d[i] = uint8_t(d[i] - (i & 0xff));
}

// Counts the bytes of each class: six at a time, each into its own class's table (no count
// waits for another), then the rest. (For a prefix of 64 KiB this is most of the look.)
void CountClasses(const std::vector<uint8_t>& d, ClassScores* s) {
  const size_t len = d.size();
  uint32_t *h0 = s->hist[0].data(), *h1 = s->hist[1].data(), *h2 = s->hist[2].data(),
           *h3 = s->hist[3].data(), *h4 = s->hist[4].data(), *h5 = s->hist[5].data();
  const uint8_t* p = d.data();
  size_t i = 0;
  for (; i + 6 <= len; i += 6) {
    ++h0[p[i]];
    ++h1[p[i + 1]];
    ++h2[p[i + 2]];
    ++h3[p[i + 3]];
    ++h4[p[i + 4]];
    ++h5[p[i + 5]];
  }
  for (; i < len; ++i) ++s->hist[i % 6][p[i]];
  for (int j = 0; j < 6; ++j) s->count[j] = (len + 5 - size_t(j)) / 6;
}

// Both passes over classes already counted.
void ScoreClasses(ClassScores& s, const uint8_t lo[6], const uint8_t hi[6]) {
  double firstMargin;
  for (int j = 0; j < 6; ++j) {
    ScoreClass(s.hist[j], s.count[j], PriorTable(), lo[j], hi[j], &s.score[j], &s.first[j],
               &firstMargin);
  }
  const int none[6] = {-1, -1, -1, -1, -1, -1};
  for (int j = 0; j < 6; ++j) ScoreAgainstOthers(s, j, none, lo, hi, &s.best[j], &s.margin[j]);
}

// A class whose best key byte beats every other this clearly is taken as told.
// Few bytes tell less: a class of n bytes needs a margin of kClassMarginBytes / sqrt(n) at
// least.
constexpr double kClassMargin = 0.3;
constexpr double kClassMarginBytes = 4.5;
// The margin that tells a class of `count` bytes.
double ToldMargin(size_t count) {
  return std::max(kClassMargin, kClassMarginBytes / std::sqrt(double(std::max<size_t>(count, 1))));
}

// A class a header leaves open is taken as told by its likeness only this clearly: a header
// makes the type database recognise the bytes whatever the open classes hold.
constexpr double kOpenClassMargin = 1.0;
// Classes need this many bytes to be told by their likeness.
constexpr size_t kClassBytes = 24;
// The key found from likeness alone beats itself shifted as a whole by this much at least.
constexpr double kShiftMargin = 0.2;
// Of several keys that pass every check, the likeliest is taken when it is this much likelier.
constexpr double kKeyMargin = 0.5;
// A key that leaves the bytes this much less ordered than another, in bits per byte, is wrong.
constexpr double kSplitBits = 0.2;
// A key found from likeness alone whose bytes the type database recognises only weakly (neither
// text nor a known header) needs them this much more ordered than as they lie.
constexpr double kOrderGainAlone = 1.0;
// A header with this many places beyond one for each key byte it pins checks itself.
constexpr int kRedundantPlaces = 3;
// A part of a file turned back this much less ordered than it lies, in bits per byte, looks
// plain already; parts of fewer bytes are not judged.
constexpr double kPartPlainBits = 0.5;
constexpr size_t kPartMinBytes = 256;
// Fewer bytes than this are a short file, whose classes likeness seldom tells (nor that of text
// whose alphabets are narrow but even).
constexpr size_t kFewBytes = 256;
// A short file's key found from likeness alone needs its bytes turned back into text this much
// more ordered than as they lie.
constexpr double kOrderGainFew = 1.0;
// ... and at least this many different bytes.
constexpr size_t kFewDistinct = 8;
// Text in UTF-16 with at least one line end for this many characters has lines of its own.
constexpr size_t kUtf16LineChars = 400;
// Text in UTF-16 with this many line ends has some in each of its classes of characters.
constexpr size_t kUtf16ClassLines = 6;
// Keys the statistics cannot tell from the one found that are checked at most.
constexpr size_t kMostAlternatives = 32;

// The first pass's prior in whole tenths: every value LogPrior gives is a multiple of 0.1, so ten
// times a class's first-pass sum is an exact integer. Laid out twice, as in ScoreClass. `exact`
// is false when a value is not a whole number of tenths (the quick first pass is then not taken).
struct TenthsPrior {
  bool exact = true;
  int16_t twice[512];
};

const TenthsPrior& Tenths() {
  static const TenthsPrior tenths = [] {
    TenthsPrior t;
    for (unsigned b = 0; b < 512; ++b) {
      const double v = PriorTable()[b & 0xff] * 10;
      t.twice[b] = int16_t(std::lround(v));
      t.exact = t.exact && std::fabs(v - t.twice[b]) < 1e-9 && std::fabs(v) < 1000;
    }
    return t;
  }();
  return tenths;
}

// The sums of h[b] * l[b] for l = twice + 256 - k, k from lo to hi, into sums[k - lo]. Built for
// AVX2 and AVX-512 as well as the baseline (integer sums: every build gives the same).
__attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default"))) void TenthsSums(
    const int16_t* __restrict h, const int16_t* __restrict twice, unsigned lo, unsigned hi,
    int32_t* __restrict sums) {
  unsigned k = lo;
  // Four keys at a time: each byte's count is read once for the four (and the four sums do not
  // wait for one another).
  for (; k + 3 <= hi; k += 4) {
    const int16_t* l = twice + 256 - k;  // key k + t reads l[b - t]
    int32_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    for (unsigned b = 0; b < 256; ++b) {
      const int32_t x = h[b];
      s0 += x * int32_t(l[b]);
      s1 += x * int32_t(l[int(b) - 1]);
      s2 += x * int32_t(l[int(b) - 2]);
      s3 += x * int32_t(l[int(b) - 3]);
    }
    sums[k - lo] = s0;
    sums[k + 1 - lo] = s1;
    sums[k + 2 - lo] = s2;
    sums[k + 3 - lo] = s3;
  }
  for (; k <= hi; ++k) {
    const int16_t* l = twice + 256 - k;
    int32_t sum = 0;
    for (unsigned b = 0; b < 256; ++b) sum += int32_t(h[b]) * int32_t(l[b]);
    sums[k - lo] = sum;
  }
}

// The key byte the first pass takes for class j (ScoreClass against PriorTable()), from integer
// sums: ten times the double sums, exactly. Two of them that differ set the double sums a tenth
// apart at least, far more than those err (well under 1e-6 for a class of kKeyLookBytes / 6
// bytes), so a single largest integer sum is the double sums' largest too. A tie there is left
// to ScoreClass itself, whose rounding then decides as it always did.
uint8_t FirstPassBest(const ClassScores& s, int j, const uint8_t lo[6], const uint8_t hi[6]) {
  const TenthsPrior& tenths = Tenths();
  // A count fits 16 bits, and a sum 32, for classes of a prefix of kKeyLookBytes.
  static_assert(kKeyLookBytes / 6 + 1 < 32768, "a class's count must fit 16 bits");
  if (tenths.exact) {
    alignas(16) int16_t h[256];
    for (unsigned b = 0; b < 256; ++b) h[b] = int16_t(s.hist[j][b]);
    int32_t sums[256];
    TenthsSums(h, tenths.twice, lo[j], hi[j], sums);
    int32_t top = INT32_MIN;
    unsigned best = lo[j];
    bool tied = false;
    for (unsigned k = lo[j]; k <= hi[j]; ++k) {
      const int32_t sum = sums[k - lo[j]];
      if (sum > top) {
        top = sum;
        best = k;
        tied = false;
      } else if (sum == top) {
        tied = true;
      }
    }
    if (!tied) return uint8_t(best);
  }
  std::array<double, 256> score;
  uint8_t best;
  double margin;
  ScoreClass(s.hist[j], s.count[j], PriorTable(), lo[j], hi[j], &score, &best, &margin);
  return best;
}

// Whether every class is told by its likeness (the second pass of ScoreClasses, with the same
// sums), which a key found from likeness alone needs: class by class, the narrowest ranges (the
// cheapest) first, giving up at the first class not told. Bytes without structure (compressed
// data; plain bytes too, which the position term taken off smears flat) fail at the first class
// they try, for a small part of the cost of the whole scoring.
bool AllCouldBeTold(ClassScores& s, const uint8_t lo[6], const uint8_t hi[6]) {
  for (int j = 0; j < 6; ++j)
    if (s.count[j] < kClassBytes) return false;
  for (int j = 0; j < 6; ++j) s.first[j] = FirstPassBest(s, j, lo, hi);
  int order[6] = {0, 1, 2, 3, 4, 5};
  std::stable_sort(order, order + 6, [&](int a, int b) { return hi[a] - lo[a] < hi[b] - lo[b]; });
  const int none[6] = {-1, -1, -1, -1, -1, -1};
  for (int j : order) {
    uint8_t best;
    double margin;
    ScoreAgainstOthers(s, j, none, lo, hi, &best, &margin);
    if (margin < ToldMargin(s.count[j])) return false;
  }
  return true;
}

// Keys tried for one header at most.
constexpr size_t kMostTries = 16384;
// The bytes a header's own check first looks at, for each key it tries.
constexpr size_t kQuickBytes = 4096;

using Key = std::array<uint8_t, 6>;

std::vector<uint8_t> TurnedBack(const uint8_t* prefix, size_t len, const Key& key) {
  std::vector<uint8_t> plain(prefix, prefix + len);
  TransformBytes(plain.data(), plain.size(), 0, key.data(), CipherDirection::Decode);
  return plain;
}

int DaysIn(int year, int month) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : days[month - 1];
}

// What the check that a key is a real moment needs of `now`, reckoned once for many keys: the
// latest moment allowed (a day's slack for the time zone), and whether every moment of a year
// before now's comes before it (when it does, a key of such a year needs no reckoning).
struct MomentBounds {
  explicit MomentBounds(const std::tm& now) : year(now.tm_year) {
    std::tm n = now;
    latest = timegm(&n) + 24 * 3600;
    std::tm start{};
    start.tm_year = now.tm_year;
    start.tm_mday = 1;
    earlierYearsBefore = timegm(&start) <= latest;
  }
  int year;
  std::time_t latest;
  bool earlierYearsBefore;
};

// KeyIsRealMoment, with the key ranges and `now` reckoned already.
bool IsRealMoment(const uint8_t key[6], const uint8_t lo[6], const uint8_t hi[6],
                  const MomentBounds& bounds) {
  for (int j = 0; j < 6; ++j)
    if (key[j] < lo[j] || key[j] > hi[j]) return false;
  std::tm t{};
  t.tm_sec = key[0] - 13;
  t.tm_min = key[1] - 12;
  t.tm_hour = key[2] - 11;
  t.tm_year = key[3] + 1941 - 1900;
  t.tm_mon = key[4] - 22;
  t.tm_mday = key[5] - 23;
  if (t.tm_mday > DaysIn(t.tm_year + 1900, t.tm_mon + 1)) return false;
  // Within its ranges a key's moment is at most the first second of the year after its own.
  if (t.tm_year < bounds.year && bounds.earlierYearsBefore) return true;
  return timegm(&t) <= bounds.latest;
}

// Whether the key found from the classes' likeness alone stands clearly above the same key
// shifted as a whole: the classes agree with one another under any common shift, so what the
// bytes are like in general must tell it (a file of digits and colons can fail to).
bool ShiftIsClear(const ClassScores& s, const Key& key, const uint8_t lo[6], const uint8_t hi[6]) {
  auto pooled = [&](int delta) {
    double sum = 0, n = 0;
    for (int j = 0; j < 6; ++j) {
      const int k = key[size_t(j)] + delta;
      if (k < lo[j] || k > hi[j]) return -1e300;
      sum += s.score[j][size_t(k)] * double(s.count[j]);
      n += double(s.count[j]);
    }
    return sum / n;
  };
  // The bytes the key turns back; where they are text without control bytes, a shift that
  // makes control bytes of some (line ends, mostly) does not compete.
  uint32_t turned[256] = {};
  size_t n = 0, control = 0;
  for (int j = 0; j < 6; ++j) {
    n += s.count[j];
    for (unsigned b = 0; b < 256; ++b) turned[b] += s.hist[j][uint8_t(b + key[size_t(j)])];
  }
  auto controls = [&](int delta) {
    size_t c = 0;
    for (unsigned b = 0; b < 256; ++b) {
      const uint8_t to = uint8_t(b - unsigned(delta));
      c += (to < 0x20 && to != '\n' && to != '\t' && to != '\r') || to == 0x7f ? turned[b] : 0;
    }
    return c;
  };
  control = controls(0);
  const bool text = control * 1000 <= n;
  // Of text, also how likely the bytes are by a prior that tells rare signs from common ones (a
  // shift that turns digits and blanks into semicolons and hashes is no rival).
  auto signs = [&](int delta) {
    double sum = 0;
    for (unsigned b = 0; b < 256; ++b)
      if (turned[b]) sum += double(turned[b]) * SignPrior(uint8_t(b - unsigned(delta)));
    return sum / double(std::max<size_t>(n, 1));
  };
  const double at = pooled(0), signsAt = text ? signs(0) : 0;
  for (int delta = -64; delta <= 64; ++delta) {
    if (delta == 0 || pooled(delta) <= at - kShiftMargin) continue;
    if (text && (controls(delta) * 100 > n || signs(delta) <= signsAt - kShiftMargin)) continue;
    return false;
  }
  return true;
}

// Bytes of a text format the type database names by its own type (JSON, JavaScript, SVG,
// PostScript): almost no control bytes besides blanks and line ends.
bool IsMostlyText(const std::vector<uint8_t>& b) {
  size_t control = 0;
  for (uint8_t c : b)
    control += (c < 0x20 && c != '\n' && c != '\r' && c != '\t' && c != '\f') || c == 0x7f;
  return control * 1000 <= b.size();
}

// UTF-16 text without a byte order mark, which the type database does not know: one byte of
// each pair almost always zero, the other a printable character or a blank.
bool IsUtf16Text(const std::vector<uint8_t>& b) {
  const size_t pairs = b.size() / 2;
  if (pairs < 64) return false;
  for (size_t high : {size_t(0), size_t(1)}) {
    size_t zeros = 0, printable = 0;
    for (size_t i = 0; i < pairs; ++i) {
      const uint8_t h = b[2 * i + high], l = b[2 * i + 1 - high];
      zeros += h == 0;
      printable +=
          h == 0 && ((l >= 0x20 && l < 0x7f) || l == '\n' || l == '\r' || l == '\t' || l >= 0xa0);
    }
    if (zeros * 100 >= pairs * 95 && printable * 100 >= pairs * 95) return true;
  }
  return false;
}

// c log2 c, exactly as Bits would compute it, for every count a prefix's histogram can hold:
// a look weighs many keys, and the logarithms were most of its time.
const std::vector<double>& CountBits() {
  static const std::vector<double> table = [] {
    std::vector<double> t(kKeyLookBytes + 1);
    for (size_t c = 1; c < t.size(); ++c) t[c] = double(c) * std::log2(double(c));
    return t;
  }();
  return table;
}

// The entropy of a histogram of `n` bytes, in bits per byte: how little order the bytes have.
double Bits(const uint32_t* h, size_t n) {
  if (n == 0) return 0;
  const std::vector<double>& table = CountBits();
  double sum = 0;
  for (unsigned b = 0; b < 256; ++b)
    if (h[b]) sum += h[b] < table.size() ? table[h[b]] : double(h[b]) * std::log2(double(h[b]));
  return std::log2(double(n)) - sum / double(n);
}

// Whether b is a byte of text in UTF-8: printable, a blank or line end, or part of a character
// of more than one byte.
bool IsTextByte(uint8_t b) {
  return (b >= 0x20 && b < 0x7f) || b == '\n' || b == '\t' || b == '\r' || (b >= 0x80 && b < 0xf5);
}

// Each class's key byte, among those that turn all of the class's bytes into bytes of text, that
// fits it best beside the other classes turned back with `start`; where none does, start's.
Key TextKey(ClassScores& s, const Key& start, const uint8_t lo[6], const uint8_t hi[6]) {
  Key key = start;
  int known[6];
  for (int j = 0; j < 6; ++j) known[j] = start[size_t(j)];
  for (int j = 0; j < 6; ++j) {
    std::array<double, 256> scores;
    uint8_t best;
    double margin;
    ScoreAgainstOthers(s, j, known, lo, hi, &best, &margin, &scores);
    double top = -1e300;
    for (unsigned v = lo[j]; v <= hi[j]; ++v) {
      bool text = true;
      for (unsigned b = 0; b < 256 && text; ++b) text = !s.hist[j][b] || IsTextByte(uint8_t(b - v));
      if (text && scores[v] > top) top = scores[v], key[size_t(j)] = uint8_t(v);
    }
  }
  return key;
}

// A class whose different bytes are at most this share of a random one's holds a narrow
// alphabet.
constexpr double kNarrowShare = 0.8;
// The bytes of text in UTF-8 whose key is checked for being the only one.
constexpr size_t kUtf8Bytes = 8192;

// Whether every class holds far fewer different bytes than as many random bytes would.
bool AlphabetsAreNarrow(const ClassScores& s) {
  for (int j = 0; j < 6; ++j) {
    const double n = double(s.count[j]);
    if (n < 64) return false;
    size_t distinct = 0;
    for (unsigned b = 0; b < 256; ++b) distinct += s.hist[j][b] != 0;
    if (double(distinct) > kNarrowShare * 256 * (1 - std::pow(1 - 1.0 / 256, n))) return false;
  }
  return true;
}

// Whether the bytes are text in UTF-8: whole characters, no control bytes but blanks and line
// ends.
bool IsUtf8Text(const uint8_t* b, size_t len) {
  for (size_t i = 0; i < len;) {
    const uint8_t c = b[i];
    if (c < 0x80) {
      if (!IsTextByte(c)) return false;
      ++i;
      continue;
    }
    const size_t n = c >= 0xc2 && c < 0xe0   ? 2
                     : c >= 0xe0 && c < 0xf0 ? 3
                     : c >= 0xf0 && c < 0xf5 ? 4
                                             : 0;
    if (n == 0) return false;
    for (size_t k = 1; k < n; ++k)
      if (i + k < len && (b[i + k] & 0xc0) != 0x80) return false;
    i += n;  // a character cut off by the end of the bytes counts
  }
  return true;
}

// Whether `key` is the only key, class by class, that turns the first few KiB into whole text in
// UTF-8 with characters of several bytes in every class (ASCII alone allows shifts).
bool TheOnlyUtf8(const uint8_t* prefix, size_t len, const Key& key, const uint8_t lo[6],
                 const uint8_t hi[6]) {
  len = std::min(len, kUtf8Bytes);
  std::vector<uint8_t> plain(prefix, prefix + len);
  TransformBytes(plain.data(), len, 0, key.data(), CipherDirection::Decode);
  if (!IsUtf8Text(plain.data(), len)) return false;
  size_t wide[6] = {};
  for (size_t i = 0; i < len; ++i) wide[i % 6] += plain[i] >= 0x80;
  for (int j = 0; j < 6; ++j)
    if (wide[j] * 20 < (len + 5) / 6) return false;
  for (int j = 0; j < 6; ++j) {
    for (unsigned v = lo[j]; v <= hi[j]; ++v) {
      const uint8_t shift = uint8_t(key[size_t(j)] - v);
      if (shift == 0) continue;
      for (size_t i = size_t(j); i < len; i += 6) plain[i] = uint8_t(plain[i] + shift);
      const bool whole = IsUtf8Text(plain.data(), len);
      for (size_t i = size_t(j); i < len; i += 6) plain[i] = uint8_t(plain[i] - shift);
      if (whole) return false;
    }
  }
  return true;
}

// How many bytes of `b` break text in UTF-8 (control bytes, bytes outside whole characters).
size_t Utf8Faults(const uint8_t* b, size_t len) {
  size_t faults = 0;
  for (size_t i = 0; i < len;) {
    const uint8_t c = b[i];
    if (c < 0x80) {
      faults += !IsTextByte(c);
      ++i;
      continue;
    }
    const size_t n = c >= 0xc2 && c < 0xe0   ? 2
                     : c >= 0xe0 && c < 0xf0 ? 3
                     : c >= 0xf0 && c < 0xf5 ? 4
                                             : 0;
    size_t k = 1;
    while (n && k < n && i + k < len && (b[i + k] & 0xc0) == 0x80) ++k;
    if (n == 0 || (k < n && i + k < len)) {
      ++faults;
      ++i;
    } else {
      i += k;
    }
  }
  return faults;
}

// `key` mended class by class, a few rounds, into one that turns the bytes into as few faults of
// text in UTF-8 as it can: the classes of a short text in a script of many letters are seldom
// told by their likeness, but a character's bytes fit one another.
Key MendedForUtf8(const uint8_t* prefix, size_t len, Key key, const uint8_t lo[6],
                  const uint8_t hi[6]) {
  len = std::min(len, kUtf8Bytes);
  std::vector<uint8_t> plain(prefix, prefix + len);
  TransformBytes(plain.data(), len, 0, key.data(), CipherDirection::Decode);
  size_t faults = Utf8Faults(plain.data(), len);
  for (int round = 0; round < 3 && faults > 0; ++round) {
    for (int j = 0; j < 6; ++j) {
      for (unsigned v = lo[j]; v <= hi[j]; ++v) {
        const uint8_t shift = uint8_t(key[size_t(j)] - v);
        if (shift == 0) continue;
        for (size_t i = size_t(j); i < len; i += 6) plain[i] = uint8_t(plain[i] + shift);
        const size_t f = Utf8Faults(plain.data(), len);
        if (f < faults) {
          faults = f;
          key[size_t(j)] = uint8_t(v);
        } else {
          for (size_t i = size_t(j); i < len; i += 6) plain[i] = uint8_t(plain[i] - shift);
        }
      }
    }
  }
  return key;
}

// About the entropy `n` bytes drawn at random have (the estimate falls short of 8 bits for few
// bytes).
double UniformBits(size_t n) {
  const double d = double(std::max<size_t>(n, 1));
  return std::min(8.0, std::log2(d)) - 256.0 / (2 * (d + 256) * std::log(2.0));
}

// Bytes this much more ordered than random ones, in bits per byte, are not coded.
constexpr double kPlainBelowUniform = 1.5;

// The histogram of the bytes turned back with `key`, from the classes' counts.
void TurnedHistogram(const ClassScores& s, const Key& key, uint32_t out[256]) {
  for (unsigned b = 0; b < 256; ++b) out[b] = 0;
  for (int j = 0; j < 6; ++j) AddTurned(s.hist[j].data(), key[size_t(j)], false, out);
}

// TurnedHistogram for key after key, mended from the last one: only the classes whose key byte
// changed are taken out and put back (the keys a header leaves open differ in a class or two).
// The counts are whole numbers, so they come out the same as counted afresh.
class TurnedCounts {
 public:
  explicit TurnedCounts(const ClassScores& s) : s_(s) {}
  const uint32_t* For(const Key& key) {
    if (!valid_) {
      TurnedHistogram(s_, key, counts_);
    } else {
      for (int j = 0; j < 6; ++j) {
        if (key[size_t(j)] == at_[size_t(j)]) continue;
        AddTurned(s_.hist[j].data(), at_[size_t(j)], true, counts_);
        AddTurned(s_.hist[j].data(), key[size_t(j)], false, counts_);
      }
    }
    at_ = key;
    valid_ = true;
    return counts_;
  }

 private:
  const ClassScores& s_;
  bool valid_ = false;
  Key at_{};
  uint32_t counts_[256];
};

// The first `n` bytes turned back with `key`, from the bytes with the position term taken off
// (d[i] = K[i mod 6] + p[i]), into `out`: the same bytes as TurnedBack gives, without its copy
// of the prefix and its pad. A pattern of the key eight times over is taken off whole runs.
void TurnedFromD(const std::vector<uint8_t>& d, size_t n, const Key& key,
                 std::vector<uint8_t>* out) {
  out->resize(n);
  typedef uint8_t Run __attribute__((vector_size(16)));
  constexpr size_t kRun = 48;  // eight periods of the key, three vectors
  uint8_t pattern[kRun];
  for (size_t t = 0; t < kRun; ++t) pattern[t] = key[t % 6];
  Run p[3];
  std::memcpy(p, pattern, sizeof p);
  const uint8_t* in = d.data();
  uint8_t* to = out->data();
  size_t i = 0;
  for (; i + kRun <= n; i += kRun) {
    Run x[3];
    std::memcpy(x, in + i, sizeof x);
    for (int v = 0; v < 3; ++v) x[v] -= p[v];
    std::memcpy(to + i, x, sizeof x);
  }
  for (; i < n; ++i) to[i] = uint8_t(in[i] - pattern[i % kRun]);
}

// How much more ordered the bytes turned back with a key must be than as they lie, in bits per
// byte, for their statistics alone to show that they are coded. Coded bytes that hold text or
// most binaries gain several bits; plain bytes turned back with any key lose order, since the
// position term smears them.
constexpr double kOrderGain = 0.5;
// A key that a check with its own redundancy confirms may leave the bytes as ordered as they
// lie (compressed data is no more ordered either way), but not clearly less.
constexpr double kOrderSlack = 0.1;
// Another key that leaves the bytes at most this much less ordered fits them as well.
constexpr double kAlternativeBits = 0.02;

// n log2 n for every count a prefix's histogram can hold.
const std::vector<float>& NLogN() {
  static const std::vector<float> table = [] {
    const std::vector<double>& exact = CountBits();
    return std::vector<float>(exact.begin(), exact.end());
  }();
  return table;
}

// Keys that fit the bytes as well as `key` by their statistics: `key` with a part of its classes
// shifted together. Bytes whose classes see separate alphabets (a word repeated, columns of a
// table) turn back as orderly with any such shift; bytes of one alphabet throughout do not.
// `allowed(j, v)` says whether class j may take the value v. The most orderly come first, and of
// those the nearest.
template <typename Allowed>
std::vector<Key> OrderlyAlternatives(const ClassScores& s, const Key& key, const uint8_t lo[6],
                                     const uint8_t hi[6], Allowed allowed) {
  size_t n = 0;
  for (int j = 0; j < 6; ++j) n += s.count[j];
  if (n == 0 || n >= NLogN().size()) return {};
  const float* nlogn = NLogN().data();
  std::array<uint32_t, 256> turned[6];
  for (int j = 0; j < 6; ++j)
    for (unsigned b = 0; b < 256; ++b) turned[j][b] = s.hist[j][uint8_t(b + key[size_t(j)])];
  auto orderOf = [&](const uint32_t* a, const uint32_t* rest, int delta) {
    double sum = 0;
    for (unsigned b = 0; b < 256; ++b) sum += nlogn[a[uint8_t(b + unsigned(delta))] + rest[b]];
    return sum;  // the larger, the more ordered
  };
  uint32_t none[256] = {}, all[256] = {};
  for (int j = 0; j < 6; ++j)
    for (unsigned b = 0; b < 256; ++b) all[b] += turned[j][b];
  const double at = orderOf(all, none, 0);
  const double slack = kAlternativeBits * double(n);
  struct Found {
    double order;
    int distance;
    Key key;
  };
  std::vector<Found> found;
  for (unsigned subset = 1; subset < 63; ++subset) {
    uint32_t a[256] = {}, rest[256] = {};
    for (int j = 0; j < 6; ++j)
      for (unsigned b = 0; b < 256; ++b) ((subset >> j) & 1 ? a : rest)[b] += turned[j][b];
    for (int delta = -64; delta <= 64; ++delta) {
      if (delta == 0) continue;
      Key other = key;
      bool inRange = true;
      for (int j = 0; j < 6 && inRange; ++j) {
        if (!((subset >> j) & 1)) continue;
        const int v = key[size_t(j)] + delta;
        inRange = v >= lo[j] && v <= hi[j] && allowed(j, uint8_t(v));
        other[size_t(j)] = uint8_t(v);
      }
      if (!inRange) continue;
      const double order = orderOf(a, rest, delta);
      if (order >= at - slack) found.push_back({order, std::abs(delta), other});
    }
  }
  std::sort(found.begin(), found.end(), [](const Found& x, const Found& y) {
    return x.order != y.order ? x.order > y.order : x.distance < y.distance;
  });
  std::vector<Key> out;
  for (const Found& f : found) out.push_back(f.key);
  return out;
}

// The first bytes turned back, the printable ones as they are and the rest as dots.
std::string Preview(const std::vector<uint8_t>& plain) {
  std::string text;
  for (size_t i = 0; i < plain.size() && text.size() < 40; ++i) {
    const uint8_t c = plain[i];
    if (c >= 0x20 && c < 0x7f) {
      text += char(c);
    } else if (c >= 0xc2 && c < 0xf5 && i + 1 < plain.size() && (plain[i + 1] & 0xc0) == 0x80 &&
               !(c == 0xc2 && plain[i + 1] < 0xa0)) {  // C1 control characters as dots
      size_t len = c < 0xe0 ? 2 : c < 0xf0 ? 3 : 4, k = 1;
      while (k < len && i + k < plain.size() && (plain[i + k] & 0xc0) == 0x80) ++k;
      if (k == len) {
        text.append(reinterpret_cast<const char*>(&plain[i]), len);
        i += len - 1;
      } else {
        text += '.';
      }
    } else {
      text += c == '\n' || c == '\t' ? ' ' : '.';
    }
  }
  return text;
}

// The line ends of text in UTF-16, either byte order.
size_t Utf16Lines(const std::vector<uint8_t>& b) {
  size_t lines = 0;
  for (size_t i = 0; i + 1 < b.size(); i += 2)
    lines += (b[i] == '\n' && b[i + 1] == 0) || (b[i] == 0 && b[i + 1] == '\n');
  return lines;
}

}  // namespace

bool KeyIsRealMoment(const uint8_t key[6], const std::tm& now) {
  uint8_t lo[6], hi[6];
  KeyRanges(now, lo, hi);
  return IsRealMoment(key, lo, hi, MomentBounds(now));
}

ByteKind KindWithKey(const uint8_t* prefix, size_t len, const uint8_t key[6]) {
  Key k;
  std::copy(key, key + 6, k.begin());
  len = std::min(len, kKeyLookBytes);
  std::vector<uint8_t> plain = TurnedBack(prefix, len, k);
  return KindOfBytes(plain.data(), plain.size());
}

KeyFinding FindKey(const uint8_t* prefix, size_t len, const std::tm& now, const FarBytes* far) {
  KeyFinding found;
  len = std::min(len, kKeyLookBytes);
  if (len < kKeyLookMinBytes) return found;
  uint8_t lo[6], hi[6];
  KeyRanges(now, lo, hi);
  // The bytes as they lie: coded bytes have the position term in them, which leaves them about
  // as disordered as bytes can be; bytes clearly more ordered than that are plain.
  double rawBits;
  {
    // Four tables, each byte of four into its own, so that no count waits for the one before;
    // the last len mod 4 bytes into the first.
    uint32_t h[4][256] = {};
    size_t i = 0;
    for (; i + 4 <= len; i += 4) {
      ++h[0][prefix[i]];
      ++h[1][prefix[i + 1]];
      ++h[2][prefix[i + 2]];
      ++h[3][prefix[i + 3]];
    }
    for (; i < len; ++i) ++h[0][prefix[i]];
    for (unsigned b = 0; b < 256; ++b) h[0][b] += h[1][b] + h[2][b] + h[3][b];
    rawBits = Bits(h[0], len);
  }
  if (rawBits < UniformBits(len) - kPlainBelowUniform) return found;
  // The position term taken off: d[i] = K[i mod 6] + p[i].
  std::vector<uint8_t> d(prefix, prefix + len);
  TakeOffPositions(d.data(), len);
  ClassScores scores;
  CountClasses(d, &scores);
  const std::vector<HeaderMatch> matches = MatchHeaders(d.data(), len, lo, hi);
  // Without a header to pin key bytes, the only key there can be is the one every class's
  // likeness tells: bytes that fail that are plain, and are told so before the whole scoring.
  // A short file's classes are too small to be told by their likeness: its bytes are looked at
  // whole, and need more evidence (below).
  const bool few = len < kFewBytes;
  // Text whose classes likeness does not tell (base64, scripts of many letters) is still told
  // by its narrow alphabets: each class holds far fewer different bytes than random ones.
  bool textOnly = false;
  if (matches.empty() && !few && !AllCouldBeTold(scores, lo, hi)) {
    if (!AlphabetsAreNarrow(scores)) return found;
    textOnly = true;
  }
  ScoreClasses(scores, lo, hi);
  bool told[6];
  for (int j = 0; j < 6; ++j)
    told[j] = scores.count[j] >= kClassBytes && scores.margin[j] >= ToldMargin(scores.count[j]);

  struct Candidate {
    Key key;
    bool sure;  // every key byte pinned by a header or told by its class
    HeaderCheck check;
    // Found from the classes' likeness alone: the bytes it turns back must be text, or begin
    // with a known header, or be clearly ordered; the type database's weaker guesses (it takes
    // many a run of bytes for a Targa image) do not count otherwise.
    bool likenessOnly = false;
    int match = -1;  // the header match it came from
  };
  std::vector<Candidate> fromHeaders;
  for (size_t mi = 0; mi < matches.size(); ++mi) {
    const HeaderMatch& m = matches[mi];
    std::vector<uint8_t> options[6];
    bool sure = true;
    size_t tries = 1;
    int known[6];
    for (int j = 0; j < 6; ++j)
      known[j] = m.pinned[j] && m.allowed[j].size() == 1 ? m.allowed[j][0] : -1;
    for (int j = 0; j < 6; ++j) {
      uint8_t best = 0;
      double margin = 0;
      if (!m.pinned[j]) ScoreAgainstOthers(scores, j, known, lo, hi, &best, &margin);
      if (m.pinned[j]) {
        options[j] = m.allowed[j];
      } else if (m.check != HeaderCheck::None) {
        // The header's own check tells the open classes better than their likeness.
        for (unsigned v = lo[j]; v <= hi[j]; ++v) options[j].push_back(uint8_t(v));
      } else if (scores.count[j] >= kClassBytes &&
                 margin >= kOpenClassMargin * ToldMargin(scores.count[j])) {
        options[j] = {best};
      } else {
        options[j] = {best};
        sure = false;
      }
      tries *= options[j].size();
    }
    if (tries > kMostTries) continue;
    size_t at[6] = {};
    for (size_t t = 0; t < tries; ++t) {
      Key k;
      size_t rest = t;
      for (int j = 0; j < 6; ++j) {
        at[j] = rest % options[j].size();
        rest /= options[j].size();
        k[size_t(j)] = options[j][at[j]];
      }
      fromHeaders.push_back({k, sure, m.check, false, int(mi)});
    }
  }
  std::vector<Candidate> candidates = fromHeaders;
  Key statsKey;
  std::copy(scores.best, scores.best + 6, statsKey.begin());
  const bool allTold = std::all_of(told, told + 6, [](bool t) { return t; });

  // Whether the bytes as they lie begin with a known header.
  int asLiesHeader = -1;
  TurnedCounts turnedCounts(scores);
  auto orderGain = [&](const Key& key) { return rawBits - Bits(turnedCounts.For(key), len); };
  // Whether there is evidence that the bytes are coded under `key`: the bytes turned back are
  // clearly more ordered than as they lie, or (confirmed by a check with redundancy of its own)
  // not clearly less, and the bytes as they lie do not begin with a known header.
  auto evidence = [&](const Key& key, bool checked) {
    const double gain = orderGain(key);
    if (gain >= kOrderGain) return true;
    if (!checked || gain <= -kOrderSlack) return false;
    if (asLiesHeader < 0) asLiesHeader = BeginsWithHeader(prefix, len);
    return asLiesHeader == 0;
  };
  // Whether the bytes turned back with `key` are text in UTF-8 (ASCII included) of several
  // characters.
  auto IsWholeText = [&](const Key& key) {
    const std::vector<uint8_t> plain = TurnedBack(prefix, len, key);
    std::bitset<256> seen;
    for (uint8_t c : plain) seen.set(c);
    return seen.count() >= kFewDistinct && IsUtf8Text(plain.data(), plain.size());
  };
  auto checked = [&](const Candidate& c) {
    return c.check != HeaderCheck::None ||
           (c.match >= 0 && matches[size_t(c.match)].redundancy >= kRedundantPlaces);
  };

  // Checks each candidate: a real moment, the header's own check, a recognised type, and the
  // evidence.
  struct Passed {
    Candidate c;
    double bits;  // how ordered the bytes turned back are (the fewer bits, the more)
    double likeness;
    ByteKind kind;
    std::string preview;
  };
  // The file's size, where it is known: the bytes are the whole file, or the reader says.
  const uint64_t fileSize = len < kKeyLookBytes ? len : far && far->size >= len ? far->size : 0;
  // What a header's check knows of the file's end under `key`: its size, and its last bytes
  // turned back where the check looks at them.
  auto fileEnd = [&](const Candidate& c) {
    FileEnd end;
    end.size = fileSize;
    const size_t n = TailBytesOf(c.check);
    if (n == 0 || fileSize < n) return end;
    end.tail.resize(n);
    if (fileSize == len)
      std::copy(prefix + len - n, prefix + len, end.tail.begin());
    else if (!far || !far->read || far->read(fileSize - n, end.tail.data(), n) != n)
      return FileEnd{fileSize, {}};
    TransformBytes(end.tail.data(), n, fileSize - n, c.key.data(), CipherDirection::Decode);
    return end;
  };
  const MomentBounds moments(now);
  auto realMoment = [&](const Key& key) { return IsRealMoment(key.data(), lo, hi, moments); };
  // The bytes turned back for the key being checked (one buffer for every key).
  std::vector<uint8_t> plainBuffer;
  auto checkOne = [&](const Candidate& c, std::vector<Passed>* passed) {
    if (!realMoment(c.key)) return;
    std::vector<uint8_t>& plain = plainBuffer;
    // The file's end is read and turned back only for a check that gets that far.
    FileEnd end;
    bool endMade = false;
    auto makeEnd = [&] {
      if (!endMade) end = fileEnd(c), endMade = true;
    };
    // The header's own check on the first few KiB first: most keys fail it there. Bytes no
    // longer than that are checked whole at once (the evidence below would not spare it).
    bool wholeChecked = false;
    if (c.check != HeaderCheck::None) {
      makeEnd();
      wholeChecked = len <= kQuickBytes;
      TurnedFromD(d, std::min(len, kQuickBytes), c.key, &plain);
      if (!HeaderCheckPasses(c.check, plain.data(), plain.size(), end)) return;
    }
    // A TIFF's directory beyond the prefix is read where the header says it lies.
    if (c.check == HeaderCheck::TiffIfd && far && far->read) {
      std::vector<uint8_t> head = TurnedBack(prefix, std::min<size_t>(len, 8), c.key);
      const uint64_t at = TiffDirectoryAt(head.data(), head.size());
      if (at + 2 > len) {
        if (at >= far->size) return;
        std::vector<uint8_t> dir(size_t(std::min<uint64_t>(kFarLookBytes, far->size - at)));
        dir.resize(far->read(at, dir.data(), dir.size()));
        TransformBytes(dir.data(), dir.size(), at, c.key.data(), CipherDirection::Decode);
        if (!TiffDirectoryReads(dir.data(), dir.size(), head[0] == 'I')) return;
      }
    }
    // The evidence next, from the classes' counts: plain bytes fail it before any more is done.
    if (!evidence(c.key, checked(c))) return;
    if (!wholeChecked) {
      makeEnd();
      TurnedFromD(d, len, c.key, &plain);
      if (!HeaderCheckPasses(c.check, plain.data(), plain.size(), end)) return;
    }
    ByteKind kind = KindOfBytes(plain.data(), plain.size());
    if (c.likenessOnly && !kind.Text() && !(kind.Recognised() && IsMostlyText(plain)) &&
        !BeginsWithHeader(plain.data(), plain.size())) {
      if (IsUtf16Text(plain))
        kind = {"text/plain", "Unicode text, UTF-16, without byte order mark"};
      else if (orderGain(c.key) < kOrderGainAlone)
        return;
    }
    if (!kind.Recognised()) return;
    double likeness = 0;
    for (int j = 0; j < 6; ++j) likeness += scores.score[j][c.key[size_t(j)]];
    passed->push_back(
        {c, Bits(turnedCounts.For(c.key), len), likeness / 6, std::move(kind), Preview(plain)});
  };
  auto check = [&](const std::vector<Candidate>& list) {
    std::vector<Passed> passed;
    std::set<Key> seen;
    for (const Candidate& c : list)
      if (seen.insert(c.key).second) checkOne(c, &passed);
    return passed;
  };
  std::vector<Passed> passed = check(candidates);
  // The key every class's likeness tells is weighed beside the headers' when it turns the bytes
  // into text (a text can begin with bytes a header fits under some key).
  const bool statsKeyTried = std::any_of(passed.begin(), passed.end(),
                                         [&](const Passed& p) { return p.c.key == statsKey; });
  if (allTold && !statsKeyTried) {
    const bool headers = !passed.empty();
    std::vector<Passed> more =
        check({{statsKey, ShiftIsClear(scores, statsKey, lo, hi), HeaderCheck::None, true}});
    for (Passed& p : more)
      if (!headers || p.kind.Text()) passed.push_back(std::move(p));
  }
  // The bytes of a short file: coded text turns back into text that is far more ordered than
  // the bytes as they lie, though the key is seldom certain.
  if (passed.empty() && (few || textOnly) && !allTold) {
    const Key key = MendedForUtf8(prefix, len, TextKey(scores, statsKey, lo, hi), lo, hi);
    // Certain when no other value of any class leaves the text whole UTF-8.
    const bool sure = len >= kFewBytes && TheOnlyUtf8(prefix, len, key, lo, hi);
    std::vector<Passed> maybe = check({{key, sure, HeaderCheck::None, true}});
    for (Passed& p : maybe)
      if (rawBits - p.bits >= kOrderGainFew && IsWholeText(p.c.key)) passed.push_back(std::move(p));
  }
  if (passed.empty()) return found;
  // The likeliest of the keys that turn the bytes into something about as ordered as the most
  // ordered: a key that leaves the bytes clearly less ordered than another is wrong in part (it
  // shifts a part of the classes off an alphabet the others share), but one that merges two
  // parts' alphabets by chance (zeros turned into line ends) can be a little more ordered.
  auto order = [&passed] {
    std::stable_sort(passed.begin(), passed.end(),
                     [](const Passed& a, const Passed& b) { return a.bits < b.bits; });
    size_t likeliest = 0;
    for (size_t i = 1; i < passed.size() && passed[i].bits - passed[0].bits <= kSplitBits; ++i)
      if (passed[i].likeness > passed[likeliest].likeness) likeliest = i;
    std::rotate(passed.begin(), passed.begin() + long(likeliest),
                passed.begin() + long(likeliest) + 1);
  };
  order();
  // Keys the statistics cannot tell from the likeliest: each that passes the same checks is a
  // candidate too.
  {
    const Candidate best = passed[0].c;  // a copy: checking alternatives adds to `passed`
    auto allowed = [&](int j, uint8_t v) {
      if (best.match < 0 || !matches[size_t(best.match)].pinned[j]) return true;
      const std::vector<uint8_t>& a = matches[size_t(best.match)].allowed[j];
      return std::find(a.begin(), a.end(), v) != a.end();
    };
    std::set<Key> seen;
    for (const Passed& p : passed) seen.insert(p.c.key);
    // Each alternative costs a look of the type database: a few dozen at most are tried.
    size_t tried = 0;
    for (const Key& k : OrderlyAlternatives(scores, best.key, lo, hi, allowed)) {
      if (passed.size() >= kMostCandidates || tried == kMostAlternatives) break;
      if (!seen.insert(k).second || !realMoment(k)) continue;
      ++tried;
      Candidate other = best;
      other.key = k;
      checkOne(other, &passed);
    }
  }
  order();
  found.keys = int(passed.size());
  found.kind = passed[0].kind;
  // Taken only when every other key leaves the bytes clearly less ordered, or clearly less
  // likely.
  bool clear = true;
  for (size_t i = 1; i < passed.size(); ++i)
    clear = clear && (passed[i].bits - passed[0].bits > kSplitBits ||
                      passed[0].likeness - passed[i].likeness >= kKeyMargin);
  // Text in UTF-16 whose lines end as UTF-16's do: its rivals turn its zero bytes into line ends
  // or blanks, a line for every character, which no text has. Where only one key turns the bytes
  // into such text, it is the key.
  if (!clear && passed.size() > 1) {
    size_t wide = 0, at = 0;
    for (size_t i = 0; i < passed.size(); ++i) {
      const std::vector<uint8_t> plain = TurnedBack(prefix, len, passed[i].c.key);
      if (IsUtf16Text(plain) && Utf16Lines(plain) * kUtf16LineChars >= plain.size() / 2)
        ++wide, at = i;
    }
    if (wide == 1) {
      std::swap(passed[0], passed[at]);
      clear = true;
    }
  }
  // Text in UTF-16 has line ends in each of the classes that hold its characters. A key that
  // shifts one of them onto characters the others hold (a table of a few characters) can leave
  // the text more ordered, but turns that class's line ends into other characters: where a class
  // of characters holds no line end though the others hold several, and a key that differs in
  // it alone leaves more line ends, the key is not certain, and that key is a candidate too.
  if (clear) {
    const Key chosen = passed[0].c.key;
    std::vector<uint8_t> plain = TurnedBack(prefix, std::min(len, kUtf8Bytes), chosen);
    if (IsUtf16Text(plain)) {
      const size_t lines = Utf16Lines(plain);
      size_t nonzero[6] = {}, ends[6] = {};
      for (size_t i = 0; i < plain.size(); ++i) {
        nonzero[i % 6] += plain[i] != 0;
        ends[i % 6] += plain[i] == '\n' && ((i % 2 == 0 && i + 1 < plain.size() && !plain[i + 1]) ||
                                            (i % 2 == 1 && !plain[i - 1]));
      }
      std::vector<Key> more;
      for (int j = 0; j < 6 && lines >= kUtf16ClassLines; ++j) {
        if (ends[j] > 0 || nonzero[j] * 6 < plain.size() / 2) continue;
        for (unsigned v = lo[j]; v <= hi[j]; ++v) {
          const uint8_t shift = uint8_t(chosen[size_t(j)] - v);
          if (shift == 0) continue;
          for (size_t i = size_t(j); i < plain.size(); i += 6) plain[i] = uint8_t(plain[i] + shift);
          if (IsUtf16Text(plain) && Utf16Lines(plain) > lines) {
            more.push_back(chosen);
            more.back()[size_t(j)] = uint8_t(v);
          }
          for (size_t i = size_t(j); i < plain.size(); i += 6) plain[i] = uint8_t(plain[i] - shift);
        }
      }
      clear = more.empty();
      const size_t before = passed.size();
      for (size_t m = 0; m < more.size() && m < kMostCandidates; ++m) {
        Candidate other = passed[0].c;
        other.key = more[m];
        checkOne(other, &passed);
      }
      std::rotate(passed.begin(), passed.begin() + long(before), passed.end());
    }
  }
  // A key that a check reaching over the whole file confirms (a raster or pixels that fill the
  // file, a stream that decodes) is the key where no other key passes such a check: its rivals
  // pass on the bytes' statistics alone, which an image's colour channels can favour wrongly.
  size_t decisive = 0, which = 0;
  for (size_t i = 0; i < passed.size(); ++i)
    if (passed[i].c.sure && CheckIsDecisive(passed[i].c.check)) ++decisive, which = i;
  const bool decided = decisive == 1;
  if (decided) {
    std::swap(passed[0], passed[which]);
    found.kind = passed[0].kind;
  }
  if (!decided &&
      (!clear || !passed[0].c.sure || !AgreesWithItself(scores, passed[0].c.key, lo, hi))) {
    found.verdict = KeyFinding::Verdict::Ambiguous;
    for (const Passed& p : passed) {
      if (found.candidates.size() == kMostCandidates) break;
      KeyCandidate kc;
      std::copy(p.c.key.begin(), p.c.key.end(), kc.key);
      kc.kind = p.kind;
      kc.preview = p.preview;
      found.candidates.push_back(std::move(kc));
    }
    return found;
  }
  found.verdict = KeyFinding::Verdict::Found;
  std::copy(passed[0].c.key.begin(), passed[0].c.key.end(), found.key);
  return found;
}

bool PartLooksPlain(const uint8_t* bytes, size_t len, uint64_t offset, const uint8_t key[6]) {
  if (len < kPartMinBytes) return false;
  uint32_t raw[256] = {}, turned[256] = {};
  std::vector<uint8_t> plain(bytes, bytes + len);
  TransformBytes(plain.data(), len, offset, key, CipherDirection::Decode);
  for (size_t i = 0; i < len; ++i) ++raw[bytes[i]], ++turned[plain[i]];
  return Bits(turned, len) - Bits(raw, len) >= kPartPlainBits;
}

bool LooksPlain(const uint8_t* prefix, size_t len) {
  len = std::min(len, kKeyLookBytes);
  if (BeginsWithHeader(prefix, len)) return true;
  return len >= kKeyLookMinBytes && KindOfBytes(prefix, len).Text();
}
