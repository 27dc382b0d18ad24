#include "platform/gui/CloseOnSignals.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include "platform/gui/Message.h"
#include "platform/gui/Window.h"

namespace plat {
namespace {

int gPipe[2] = {-1, -1};
// The signals caught, and the actions they had before.
std::vector<int> gSignals;
std::vector<struct sigaction> gFormer;
bool gCaughtAll = false;

void WriteSignal(int sig) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(sig);
  // A full pipe already holds a request; nothing is lost by dropping this one.
  (void)!write(gPipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

bool CloseOnSignals::CatchEarly(std::initializer_list<int> which) {
  if (gPipe[0] >= 0) return gCaughtAll;
  if (pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    gPipe[0] = gPipe[1] = -1;
    return false;
  }
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = WriteSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigset_t caught;
  sigemptyset(&caught);
  gCaughtAll = true;
  for (int sig : which) {
    struct sigaction former;
    if (sigaction(sig, &action, &former) != 0) {
      gCaughtAll = false;
      continue;
    }
    gSignals.push_back(sig);
    gFormer.push_back(former);
    sigaddset(&caught, sig);
  }
  // A signal that came while it was blocked is handled now, into the pipe.
  pthread_sigmask(SIG_UNBLOCK, &caught, nullptr);
  return gCaughtAll;
}

CloseOnSignals::CloseOnSignals(Window* window, std::initializer_list<int> which)
    : QObject(window), window_(window) {
  if (gPipe[0] < 0) CatchEarly(which);
  if (gPipe[0] < 0) return;
  notifier_ = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { Arrived(); });
  ok_ = gCaughtAll;
}

CloseOnSignals::~CloseOnSignals() {
  for (size_t i = 0; i < gSignals.size(); ++i) sigaction(gSignals[i], &gFormer[i], nullptr);
  gSignals.clear();
  gFormer.clear();
  if (notifier_) delete notifier_;
  if (gPipe[0] >= 0) {
    close(gPipe[0]);
    close(gPipe[1]);
    gPipe[0] = gPipe[1] = -1;
  }
}

void CloseOnSignals::Arrived() {
  unsigned char bytes[64];
  while (read(gPipe[0], bytes, sizeof bytes) > 0) {
  }
  window_->PostMessage(Message(B_QUIT_REQUESTED));
}

}  // namespace plat
