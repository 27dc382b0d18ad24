// The content transform against memcpy of the same buffer, in one run: bytes per second of each
// and, at the end, the transform's speed as a fraction of memcpy's for every buffer size.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/journal/CipherTransform.h"
#include "engine/journal/JournaledPass.h"

namespace {

const uint8_t kKey[6] = {40, 30, 20, 85, 25, 40};

std::vector<uint8_t> Filled(size_t len) {
  std::vector<uint8_t> v(len);
  for (size_t i = 0; i < len; ++i) v[i] = uint8_t(i * 131 + 7);
  return v;
}

void BM_Transform(benchmark::State& state) {
  auto buf = Filled(size_t(state.range(0)));
  uint64_t offset = 0;
  for (auto _ : state) {
    TransformBytes(buf.data(), buf.size(), offset, kKey, CipherDirection::Code);
    benchmark::DoNotOptimize(buf.data());
    benchmark::ClobberMemory();
    offset += buf.size();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void BM_Memcpy(benchmark::State& state) {
  auto src = Filled(size_t(state.range(0)));
  std::vector<uint8_t> dst(src.size());
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), src.size());
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void BM_TransformSimple(benchmark::State& state) {
  auto buf = Filled(size_t(state.range(0)));
  for (auto _ : state) {
    TransformBytesSimple(buf.data(), buf.size(), 0, kKey, CipherDirection::Code);
    benchmark::DoNotOptimize(buf.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

// 64 KiB, one content-pass chunk (127.5 KiB) and 1 MiB sit in the caches; 64 MiB is a pass
// through main memory.
const int64_t kSizes[] = {64 << 10, int64_t(4) << 20, 1 << 20, 64 << 20};
#define MURVEL_SIZES Arg(kSizes[0])->Arg(kSizes[1])->Arg(kSizes[2])->Arg(kSizes[3])
BENCHMARK(BM_Transform)->MURVEL_SIZES;
BENCHMARK(BM_Memcpy)->MURVEL_SIZES;
BENCHMARK(BM_TransformSimple)->MURVEL_SIZES;

// Prints as usual and keeps each run's bytes per second for the summary.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      auto it = run.counters.find("bytes_per_second");
      if (it != run.counters.end()) rates[run.benchmark_name()] = it->second.value;
    }
  }
  std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::printf("\nTransform speed as a fraction of memcpy's (same buffer size, same run):\n");
  for (int64_t bytes : kSizes) {
    const std::string size = std::to_string(bytes);
    auto fast = reporter.rates.find("BM_Transform/" + size);
    auto simple = reporter.rates.find("BM_TransformSimple/" + size);
    auto copy = reporter.rates.find("BM_Memcpy/" + size);
    if (copy == reporter.rates.end() || copy->second <= 0) continue;
    std::printf("  %9s bytes:", size.c_str());
    if (fast != reporter.rates.end())
      std::printf("  TransformBytes %.2fx", fast->second / copy->second);
    if (simple != reporter.rates.end())
      std::printf("  TransformBytesSimple %.2fx", simple->second / copy->second);
    std::printf("\n");
  }
  return 0;
}
