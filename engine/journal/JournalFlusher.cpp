#include "engine/journal/JournalFlusher.h"

JournalFlusher::JournalFlusher(JournalWriter& journal)
    : journal_(journal), thread_([this] { Run(); }) {}

JournalFlusher::~JournalFlusher() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

uint64_t JournalFlusher::Request() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++requested_;
  changed_.notify_all();
  return requested_;
}

Step JournalFlusher::Wait(uint64_t number) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return done_ >= number || failed_; });
  if (failed_) return Step::Fail(failure_);
  return Step::Ok();
}

void JournalFlusher::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stopping_ || requested_ > done_; });
    if (requested_ == done_ && stopping_) return;
    if (failed_) {
      // After a failed flush nothing more is flushed: the pass stops writing.
      done_ = requested_;
      changed_.notify_all();
      continue;
    }
    // Everything written before this request is covered by the one flush.
    const uint64_t covering = requested_;
    lock.unlock();
    Step flushed = journal_.Flush();
    lock.lock();
    if (!flushed) {
      failed_ = true;
      failure_ = flushed.fault();
    }
    done_ = covering;
    changed_.notify_all();
  }
}
