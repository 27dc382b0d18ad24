#pragma once
// What the engine tells its front end while a long operation runs: how far a pass is, and which
// entry a folder operation is looking at. The window shows these at once (it runs the engine on
// its own thread); murvelctl shows a progress line. Everything else comes back as result values.
#include <cstdint>
#include <string>

class EngineView {
 public:
  virtual ~EngineView() = default;
  // `done` of `total` bytes are through; `file` is the file in hand.
  virtual void Progress(const std::string& file, uint64_t done, uint64_t total) = 0;
  // A folder operation is looking at the entry `path`.
  virtual void Looking(const std::string& path) = 0;
};
