#pragma once
// Flushes the journal on a thread of its own, so that the content pass reads and hashes the next
// window while the journal's flush for the window before goes to the disk: a flush costs
// milliseconds on a real disk, most of what the journal would otherwise add to a pass.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "engine/journal/Fault.h"
#include "engine/journal/Journal.h"

class JournalFlusher {
 public:
  explicit JournalFlusher(JournalWriter& journal);
  ~JournalFlusher();
  JournalFlusher(const JournalFlusher&) = delete;
  JournalFlusher& operator=(const JournalFlusher&) = delete;

  // Asks for a flush of everything written to the journal so far; returns its number.
  uint64_t Request();
  // Waits until the flush `number` (and every one before it) is done; its outcome.
  Step Wait(uint64_t number);

 private:
  void Run();

  JournalWriter& journal_;
  std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t requested_ = 0;
  uint64_t done_ = 0;
  bool failed_ = false;
  Fault failure_;
  bool stopping_ = false;
  std::thread thread_;
};
