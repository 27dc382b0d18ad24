#pragma once
// murvelctl keeps standard output for its own result lines. The engine prints its diagnostic
// lines with printf on standard output; Open moves the real standard output to a private
// descriptor for the results and points descriptor 1 at a capture file. What the engine printed
// for a file is then taken after that file: its last line says why a file failed, and with
// --verbose it all goes on to standard error.
#include <cstdio>
#include <string>

#include "platform/Outcome.h"

class OutputChannels {
 public:
  OutputChannels() = default;
  ~OutputChannels();
  OutputChannels(const OutputChannels&) = delete;
  OutputChannels& operator=(const OutputChannels&) = delete;

  // Rearranges the descriptors. On failure nothing was changed.
  plat::Outcome Open(bool echoDiagnostics);
  // The stream for the result lines (line-buffered); standard output before Open.
  std::FILE* Results() const { return results_ ? results_ : stdout; }
  // What was printed on standard output since the last call, also copied to standard error
  // when echoing; the capture is emptied.
  std::string TakeDiagnostics();

 private:
  std::FILE* results_ = nullptr;
  bool echo_ = false;
};

// The last line of `text` that holds more than blanks, trimmed; empty when there is none.
std::string LastLine(const std::string& text);
