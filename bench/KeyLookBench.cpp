// The look for a lost record's key (FindKey) on one 4 KiB file of each kind a folder of small
// files holds, against one look of the type database at the same bytes in the same run: random
// bytes (compressed data, the costliest kind), plain text, a table of numbers (which a header can
// fit by chance, and the bytes' statistics refute), and a coded copy of the text (which the look
// must find); and on the most the look reads of a larger file, 64 KiB of random bytes.
// At the end: each look's time and its ratio to the database's.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/journal/CipherTransform.h"
#include "engine/rescue/ByteKind.h"
#include "engine/rescue/KeyFinder.h"

namespace {

constexpr size_t kFileBytes = 4096;

std::vector<uint8_t> Random(size_t len) {
  std::mt19937 random(7);
  std::vector<uint8_t> b(len);
  for (uint8_t& x : b) x = uint8_t(random());
  return b;
}

// Lines of prose and source in a random order.
std::vector<uint8_t> Text() {
  const char* lines[] = {
      "The quick brown fox jumps over the lazy dog, and the dog does not mind at all.\n",
      "    for (size_t i = 0; i < count; ++i) total += weights[i] * values[i];\n",
      "Grüße aus Köln: letters of other languages take two bytes in UTF-8.\n",
      "Copies of this file may be made and given away, as long as this notice stays.\n",
      "# Settings read at start-up; a line that begins with a hash is a comment.\n",
  };
  std::mt19937 random(3);
  std::vector<uint8_t> b;
  while (b.size() < kFileBytes) {
    const std::string line = lines[random() % 5];
    b.insert(b.end(), line.begin(), line.end());
  }
  b.resize(kFileBytes);
  return b;
}

// Rows of eight 4-digit numbers.
std::vector<uint8_t> Table() {
  std::mt19937 random(5);
  std::string t;
  while (t.size() < kFileBytes) {
    for (int i = 0; i < 8; ++i) t += std::to_string(1000 + random() % 9000) + (i < 7 ? " " : "\n");
  }
  t.resize(kFileBytes);
  return std::vector<uint8_t>(t.begin(), t.end());
}

std::vector<uint8_t> CodedText() {
  std::vector<uint8_t> b = Text();
  const uint8_t key[6] = {13 + 45, 12 + 30, 11 + 14, 2019 - 1941, 22 + 5, 23 + 17};
  TransformBytes(b.data(), b.size(), 0, key, CipherDirection::Code);
  return b;
}

const std::map<std::string, std::vector<uint8_t>>& Files() {
  static const std::map<std::string, std::vector<uint8_t>> files = {
      {"random", Random(kFileBytes)},
      {"text", Text()},
      {"table", Table()},
      {"coded_text", CodedText()},
      {"random_64k", Random(kKeyLookBytes)}};
  return files;
}

std::tm Now() {
  const std::time_t t = std::time(nullptr);
  std::tm now{};
  localtime_r(&t, &now);
  return now;
}

void BM_FindKey(benchmark::State& state, const std::string& kind) {
  const std::vector<uint8_t>& b = Files().at(kind);
  const std::tm now = Now();
  for (auto _ : state) benchmark::DoNotOptimize(FindKey(b.data(), b.size(), now));
}

void BM_TypeDatabase(benchmark::State& state, const std::string& kind) {
  const std::vector<uint8_t>& b = Files().at(kind);
  for (auto _ : state) benchmark::DoNotOptimize(KindOfBytes(b.data(), b.size()));
}

const char* const kKinds[] = {"random", "text", "table", "coded_text", "random_64k"};

// Prints as usual and keeps each run's processor time per iteration (ns) for the summary: on a
// machine shared with other work it varies less than the time on the clock.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs)
      if (!run.error_occurred && run.run_type == Run::RT_Iteration)
        ns[run.benchmark_name()] = run.GetAdjustedCPUTime();
  }
  std::map<std::string, double> ns;
};

}  // namespace

int main(int argc, char** argv) {
  for (const char* kind : kKinds) {
    benchmark::RegisterBenchmark((std::string("BM_FindKey/") + kind).c_str(), BM_FindKey, kind);
    benchmark::RegisterBenchmark((std::string("BM_TypeDatabase/") + kind).c_str(), BM_TypeDatabase,
                                 kind);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::printf(
      "\nThe look (processor time) against one look of the type database at the same bytes:\n");
  for (const char* kind : kKinds) {
    auto look = reporter.ns.find(std::string("BM_FindKey/") + kind);
    auto magic = reporter.ns.find(std::string("BM_TypeDatabase/") + kind);
    if (look == reporter.ns.end() || magic == reporter.ns.end() || magic->second <= 0) continue;
    std::printf("  %-11s %9.1f us  %7.3fx\n", kind, look->second / 1000,
                look->second / magic->second);
  }
  return 0;
}
