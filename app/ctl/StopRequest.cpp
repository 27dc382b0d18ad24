#include "app/ctl/StopRequest.h"

#include <unistd.h>

#include <csignal>
#include <cstring>

namespace {

volatile sig_atomic_t gStop = 0;

void OnStopSignal(int) {
  if (!gStop) {
    const char msg[] = "\nmurvelctl: stopping after the file in hand\n";
    ssize_t n = write(STDERR_FILENO, msg, sizeof msg - 1);
    (void)n;
  }
  gStop = 1;
}

}  // namespace

void StopRequest::Install() {
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
}

bool StopRequest::Requested() {
  return gStop != 0;
}
