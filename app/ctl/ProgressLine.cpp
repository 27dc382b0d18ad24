#include "app/ctl/ProgressLine.h"

#include <cstdio>

namespace {

constexpr auto kQuietSpan = std::chrono::seconds(1);

std::string SizeText(uint64_t bytes) {
  const char* units[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
  double v = double(bytes);
  int u = 0;
  while (v >= 1024 && u < 4) {
    v /= 1024;
    ++u;
  }
  char buf[32];
  if (u == 0) {
    std::snprintf(buf, sizeof buf, "%llu bytes", static_cast<unsigned long long>(bytes));
  } else {
    std::snprintf(buf, sizeof buf, "%.1f %s", v, units[u]);
  }
  return buf;
}

}  // namespace

std::string ProgressLine::Text(const std::string& label, uint64_t done, uint64_t total) {
  int percent = total == 0 ? 100 : int(done * 100 / total);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%3d%%", percent);
  return label + ": " + buf + " of " + SizeText(total);
}

void ProgressLine::Start(const std::string& label) {
  label_ = label;
  shown_ = false;
  lastPercent_ = -1;
  start_ = std::chrono::steady_clock::now();
}

void ProgressLine::Update(uint64_t done, uint64_t total) {
  if (!enabled_ || total == 0) return;
  if (!shown_ && std::chrono::steady_clock::now() - start_ < kQuietSpan) return;
  int percent = int(done * 100 / total);
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  shown_ = true;
  std::fprintf(stderr, "\r\033[K%s", Text(label_, done, total).c_str());
  std::fflush(stderr);
}

void ProgressLine::Finish() {
  if (shown_) {
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
  }
  shown_ = false;
}
