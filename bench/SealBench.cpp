// The sealing pass's work on the processor, 1 GiB of content in memory (a 64 MiB buffer 16
// times, in windows of 128 KiB as the engine's content pass takes them), against memcpy and the
// coding transform (engine/journal/CipherTransform.h) measured in the same run; the stream and the
// MAC (Poly1305) each alone, and keyed BLAKE2b-256, the MAC it replaced, for comparison. Before
// them, the key derivation at the default cost: its time and the peak memory it adds to the
// process.
//   seal_bench [--strong] [benchmark flags]    --strong: the stronger cost's derivation too
#include <benchmark/benchmark.h>
#include <sodium.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/journal/CipherTransform.h"
#include "seal/ContentMac.h"
#include "seal/ContentStream.h"
#include "seal/PasswordKey.h"
#include "seal/SealKeys.h"

namespace {

constexpr size_t kBuffer = size_t(64) << 20;
constexpr size_t kWindow = size_t(128) << 10;
constexpr int kRounds = 16;  // 16 x 64 MiB = 1 GiB
const uint8_t kCodingKey[6] = {40, 30, 20, 85, 25, 40};

std::vector<uint8_t>& Buffer() {
  static std::vector<uint8_t> buffer = [] {
    std::vector<uint8_t> b(kBuffer);
    for (size_t i = 0; i < b.size(); ++i) b[i] = uint8_t(i * 131 + 7);
    return b;
  }();
  return buffer;
}

const seal::NewSeal& Seal() {
  static const seal::NewSeal seal = [] {
    const seal::PasswordKey key = seal::DeriveNewKey("bench", 5, seal::kMinCost).key;
    return seal::MakeSeal(key, kBuffer);
  }();
  return seal;
}

template <typename Work>
void Windows(benchmark::State& state, Work work) {
  uint8_t* data = Buffer().data();
  uint64_t offset = 0;
  for (auto _ : state) {
    for (size_t at = 0; at < kBuffer; at += kWindow) work(offset + at, data + at, kWindow);
    benchmark::ClobberMemory();
    offset += kBuffer;
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBuffer));
}

void BM_Memcpy(benchmark::State& state) {
  static std::vector<uint8_t> to(kBuffer);
  Windows(state, [](uint64_t, uint8_t* data, size_t n) {
    std::memcpy(to.data() + (data - Buffer().data()), data, n);
  });
}

void BM_CodingTransform(benchmark::State& state) {
  Windows(state, [](uint64_t offset, uint8_t* data, size_t n) {
    TransformBytes(data, n, offset, kCodingKey, CipherDirection::Code);
  });
}

void BM_SealStream(benchmark::State& state) {
  Windows(state, [](uint64_t offset, uint8_t* data, size_t n) {
    seal::TransformContent(Seal().keys, offset, data, n);
  });
}

void BM_SealMac(benchmark::State& state) {
  seal::ContentMac mac(Seal().keys, Seal().header);
  Windows(state, [&mac](uint64_t, uint8_t* data, size_t n) { mac.Add(data, n); });
  benchmark::DoNotOptimize(mac.Finish());
}

// What sealing does to each window: the stream, then the MAC of the sealed bytes.
void BM_SealPass(benchmark::State& state) {
  seal::ContentMac mac(Seal().keys, Seal().header);
  Windows(state, [&mac](uint64_t offset, uint8_t* data, size_t n) {
    seal::TransformContent(Seal().keys, offset, data, n);
    mac.Add(data, n);
  });
  benchmark::DoNotOptimize(mac.Finish());
}

// Keyed BLAKE2b with a 32-byte output, the MAC's earlier choice, for comparison.
void BM_Blake2bMac(benchmark::State& state) {
  crypto_generichash_state blake;
  crypto_generichash_init(&blake, Seal().keys.mac_key(), seal::kKeySize, 32);
  Windows(state, [&blake](uint64_t, uint8_t* data, size_t n) {
    crypto_generichash_update(&blake, data, n);
  });
  uint8_t tag[32];
  crypto_generichash_final(&blake, tag, sizeof tag);
  benchmark::DoNotOptimize(tag);
}

#define MURVEL_GIB Iterations(kRounds)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_Memcpy)->MURVEL_GIB;
BENCHMARK(BM_CodingTransform)->MURVEL_GIB;
BENCHMARK(BM_SealStream)->MURVEL_GIB;
BENCHMARK(BM_SealMac)->MURVEL_GIB;
BENCHMARK(BM_SealPass)->MURVEL_GIB;
BENCHMARK(BM_Blake2bMac)->MURVEL_GIB;

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

long PeakKib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The derivation at `cost`, three times: the least and the middle time, and the process's peak
// memory over `start`, its peak before any derivation (nothing else of size is allocated yet).
void MeasureDerivation(const char* name, seal::Cost cost, long start) {
  std::vector<double> seconds;
  for (int i = 0; i < 3; ++i) {
    const auto began = std::chrono::steady_clock::now();
    const seal::DeriveResult derived = seal::DeriveNewKey("password", 8, cost);
    seconds.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
    if (derived.fault != seal::SealFault::None) std::printf("%s: the derivation failed\n", name);
  }
  std::sort(seconds.begin(), seconds.end());
  std::printf(
      "Derivation at the %s cost (%u passes, %u MiB): %.3f s least, %.3f s middle; "
      "peak memory +%ld MiB\n",
      name, cost.ops, cost.mem_kib / 1024, seconds[0], seconds[1], (PeakKib() - start) / 1024);
}

}  // namespace

int main(int argc, char** argv) {
  bool strong = false;
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--strong") strong = true;
  argc = int(
      std::remove_if(argv + 1, argv + argc, [](char* a) { return std::string(a) == "--strong"; }) -
      argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  const long start = PeakKib();
  MeasureDerivation("default", seal::kDefaultCost, start);
  if (strong) MeasureDerivation("stronger", seal::kStrongCost, start);
  std::printf("\n");

  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const auto rate = [&](const char* name) {
    auto it = reporter.rates.find(name);
    return it == reporter.rates.end() ? 0.0 : it->second;
  };
  const double copy = rate("BM_Memcpy/iterations:16"),
               coding = rate("BM_CodingTransform/iterations:16");
  std::printf(
      "\n1 GiB in memory: seconds, and speed as a fraction of memcpy's and of the coding "
      "transform's (same run):\n");
  for (const char* name : {"BM_Memcpy", "BM_CodingTransform", "BM_SealStream", "BM_SealMac",
                           "BM_SealPass", "BM_Blake2bMac"}) {
    const double r = rate((std::string(name) + "/iterations:16").c_str());
    if (r <= 0 || copy <= 0 || coding <= 0) continue;
    std::printf("  %-22s %6.2f s  %5.2fx memcpy  %5.2fx coding\n", name + 3,
                double(size_t(1) << 30) / r, r / copy, r / coding);
  }
  return 0;
}
