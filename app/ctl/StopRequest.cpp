#include "app/ctl/StopRequest.h"

#include <unistd.h>

#include <csignal>
#include <cstring>
#include <initializer_list>

namespace {

volatile sig_atomic_t gStop = 0;

void OnStopSignal(int sig) {
  if (!gStop) {
    const char msg[] = "\nmurvelctl: stopping after the files in hand\n";
    ssize_t n = write(STDERR_FILENO, msg, sizeof msg - 1);
    (void)n;
    gStop = sig;
  }
}

}  // namespace

void StopRequest::Install() {
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    // A signal the starting program left ignored stays ignored: under nohup a hang-up, for a
    // background job of a script an interrupt, is not meant to reach the program at all.
    struct sigaction current;
    if (sigaction(sig, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
        current.sa_handler == SIG_IGN)
      continue;
    sigaction(sig, &sa, nullptr);
  }
}

bool StopRequest::Requested() {
  return gStop != 0;
}

int StopRequest::Signal() {
  return gStop;
}
