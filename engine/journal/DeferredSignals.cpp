#include "engine/journal/DeferredSignals.h"

#include <csignal>
#include <cstring>

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

volatile sig_atomic_t gArrived[sizeof kSignals / sizeof kSignals[0]] = {};

void NoteArrival(int sig) {
  for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i)
    if (kSignals[i] == sig) gArrived[i] = 1;
}

}  // namespace

static_assert(sizeof kSignals / sizeof kSignals[0] == 5, "one flag per signal held back");

DeferredSignals::DeferredSignals() {
  struct sigaction note;
  std::memset(&note, 0, sizeof note);
  note.sa_handler = NoteArrival;
  sigfillset(&note.sa_mask);
  note.sa_flags = SA_RESTART;
  for (int i = 0; i < kCount; ++i) {
    struct sigaction current;
    if (sigaction(kSignals[i], nullptr, &current) != 0) continue;
    if ((current.sa_flags & SA_SIGINFO) || current.sa_handler != SIG_DFL) continue;
    gArrived[i] = 0;
    held_[i] = sigaction(kSignals[i], &note, nullptr) == 0;
  }
}

DeferredSignals::~DeferredSignals() {
  for (int i = 0; i < kCount; ++i) {
    if (!held_[i]) continue;
    signal(kSignals[i], SIG_DFL);
    if (gArrived[i]) raise(kSignals[i]);
  }
}
