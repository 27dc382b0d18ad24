#include "engine/KeyFinder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

#include "engine/HeaderKeys.h"
#include "engine/journal/CipherTransform.h"

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

// Scores every key byte for one class against `logp` (a log-likelihood per plain byte); the
// best within lo..hi and its margin over the runner-up, per byte of the class.
void ScoreClass(const Histogram& hist, size_t count, const std::array<double, 256>& logp,
                uint8_t lo, uint8_t hi, std::array<double, 256>* score, uint8_t* best,
                double* margin) {
  const double n = double(std::max<size_t>(count, 1));
  // Every byte value is summed, in running sums of two lanes each, over the table laid out
  // twice: key byte k reads logp[(b - k) mod 256] as one straight run. (The whole scoring
  // spends most of its time here.)
  typedef double Lanes __attribute__((vector_size(16)));
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
      Lanes x[4], y[4];
      std::memcpy(x, h + b, sizeof x);
      std::memcpy(y, l + b, sizeof y);
      a0 += x[0] * y[0];
      a1 += x[1] * y[1];
      a2 += x[2] * y[2];
      a3 += x[3] * y[3];
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
  std::array<double, 256> others{};
  double total = 0;
  for (int o = 0; o < 6; ++o) {
    if (o == j) continue;
    const uint8_t k = known[o] >= 0 ? uint8_t(known[o]) : s.first[o];
    for (unsigned b = 0; b < 256; ++b) others[uint8_t(b - k)] += s.hist[o][b];
    total += double(s.count[o]);
  }
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
constexpr double kKeyMargin = 0.15;

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
  for (unsigned k = lo; k <= hi; ++k) {
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
  const double at = pooled(0);
  for (int delta = -64; delta <= 64; ++delta)
    if (delta != 0 && pooled(delta) > at - kShiftMargin) return false;
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

}  // namespace

bool KeyIsRealMoment(const uint8_t key[6], const std::tm& now) {
  uint8_t lo[6], hi[6];
  KeyRanges(now, lo, hi);
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
  std::tm n = now;
  return timegm(&t) <= timegm(&n) + 24 * 3600;
}

ByteKind KindWithKey(const uint8_t* prefix, size_t len, const uint8_t key[6]) {
  Key k;
  std::copy(key, key + 6, k.begin());
  len = std::min(len, kKeyLookBytes);
  std::vector<uint8_t> plain = TurnedBack(prefix, len, k);
  return KindOfBytes(plain.data(), plain.size());
}

KeyFinding FindKey(const uint8_t* prefix, size_t len, const std::tm& now) {
  KeyFinding found;
  len = std::min(len, kKeyLookBytes);
  if (len < kKeyLookMinBytes) return found;
  uint8_t lo[6], hi[6];
  KeyRanges(now, lo, hi);
  // The position term taken off: d[i] = K[i mod 6] + p[i].
  std::vector<uint8_t> d(prefix, prefix + len);
  TakeOffPositions(d.data(), len);
  ClassScores scores;
  CountClasses(d, &scores);
  const std::vector<HeaderMatch> matches = MatchHeaders(d.data(), len, lo, hi);
  // Without a header to pin key bytes, the only key there can be is the one every class's
  // likeness tells: bytes that fail that are plain, and are told so before the whole scoring.
  if (matches.empty() && !AllCouldBeTold(scores, lo, hi)) return found;
  ScoreClasses(scores, lo, hi);
  bool told[6];
  for (int j = 0; j < 6; ++j)
    told[j] = scores.count[j] >= kClassBytes && scores.margin[j] >= ToldMargin(scores.count[j]);

  struct Candidate {
    Key key;
    bool sure;  // every key byte pinned by a header or told by its class
    HeaderCheck check;
    // Found from the classes' likeness alone: the bytes it turns back must be text, or begin
    // with a known header; the type database's weaker guesses (it takes many a run of bytes for
    // a Targa image) do not count here.
    bool likenessOnly = false;
  };
  std::vector<Candidate> fromHeaders;
  for (const HeaderMatch& m : matches) {
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
      fromHeaders.push_back({k, sure, m.check});
    }
  }
  std::vector<Candidate> candidates = fromHeaders;
  Key statsKey;
  std::copy(scores.best, scores.best + 6, statsKey.begin());
  const bool allTold = std::all_of(told, told + 6, [](bool t) { return t; });

  // Checks each candidate: a real moment, the header's own check, a recognised type.
  struct Passed {
    Key key;
    bool sure;
    double likeness;
    ByteKind kind;
  };
  auto check = [&](const std::vector<Candidate>& list) {
    std::vector<Passed> passed;
    std::set<Key> seen;
    for (const Candidate& c : list) {
      if (!seen.insert(c.key).second || !KeyIsRealMoment(c.key.data(), now)) continue;
      // The header's own check on the first few KiB first: most keys fail it there.
      if (c.check != HeaderCheck::None && len > kQuickBytes) {
        std::vector<uint8_t> head = TurnedBack(prefix, kQuickBytes, c.key);
        if (!HeaderCheckPasses(c.check, head.data(), head.size(), false)) continue;
      }
      std::vector<uint8_t> plain = TurnedBack(prefix, len, c.key);
      if (!HeaderCheckPasses(c.check, plain.data(), plain.size(), len < kKeyLookBytes)) continue;
      ByteKind kind = KindOfBytes(plain.data(), plain.size());
      if (c.likenessOnly && !kind.Text() && !(kind.Recognised() && IsMostlyText(plain)) &&
          !BeginsWithHeader(plain.data(), plain.size())) {
        if (!IsUtf16Text(plain)) continue;
        kind = {"text/plain", "Unicode text, UTF-16, without byte order mark"};
      }
      if (!kind.Recognised()) continue;
      double likeness = 0;
      for (int j = 0; j < 6; ++j) likeness += scores.score[j][c.key[size_t(j)]];
      passed.push_back({c.key, c.sure, likeness / 6, std::move(kind)});
    }
    return passed;
  };
  std::vector<Passed> passed = check(candidates);
  if (passed.empty() && allTold)
    passed = check({{statsKey, ShiftIsClear(scores, statsKey, lo, hi), HeaderCheck::None, true}});
  if (passed.empty()) return found;
  std::sort(passed.begin(), passed.end(),
            [](const Passed& a, const Passed& b) { return a.likeness > b.likeness; });
  found.keys = int(passed.size());
  found.kind = passed[0].kind;
  const bool clear = passed.size() == 1 || passed[0].likeness - passed[1].likeness >= kKeyMargin;
  if (!clear || !passed[0].sure || !AgreesWithItself(scores, passed[0].key, lo, hi)) {
    found.verdict = KeyFinding::Verdict::Ambiguous;
    return found;
  }
  found.verdict = KeyFinding::Verdict::Found;
  std::copy(passed[0].key.begin(), passed[0].key.end(), found.key);
  return found;
}

bool LooksPlain(const uint8_t* prefix, size_t len) {
  len = std::min(len, kKeyLookBytes);
  if (BeginsWithHeader(prefix, len)) return true;
  return len >= kKeyLookMinBytes && KindOfBytes(prefix, len).Text();
}
