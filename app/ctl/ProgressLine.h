#pragma once
// A progress line on standard error for a content pass: shown only when standard error is a
// terminal and the pass has run for more than a second, redrawn in place, wiped at the end.
#include <chrono>
#include <cstdint>
#include <string>

class ProgressLine {
 public:
  // `enabled` false keeps the line from ever showing (standard error is no terminal).
  explicit ProgressLine(bool enabled) : enabled_(enabled) {}

  // A new pass over the file named `label` ("coding notes.txt").
  void Start(const std::string& label);
  // The pass has done `done` of `total` bytes.
  void Update(uint64_t done, uint64_t total);
  // The pass ended: the line, if shown, is wiped.
  void Finish();

  // The text of the line for a pass at this point ("coding x: 45% of 1.0 GiB").
  static std::string Text(const std::string& label, uint64_t done, uint64_t total);

 private:
  bool enabled_;
  bool shown_ = false;
  int lastPercent_ = -1;
  std::string label_;
  std::chrono::steady_clock::time_point start_;
};
