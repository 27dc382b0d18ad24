#include "platform/gui/CloseOnSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "platform/gui/Message.h"
#include "platform/gui/Window.h"

namespace plat {
namespace {

int gPipe[2] = {-1, -1};

void WriteSignal(int sig) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(sig);
  // A full pipe already holds a request; nothing is lost by dropping this one.
  (void)!write(gPipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

CloseOnSignals::CloseOnSignals(Window* window, std::initializer_list<int> which)
    : QObject(window), window_(window) {
  if (gPipe[0] >= 0 || pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { Arrived(); });
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = WriteSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ok_ = true;
  for (int sig : which) {
    struct sigaction former;
    if (sigaction(sig, &action, &former) != 0) {
      ok_ = false;
      continue;
    }
    signals_.push_back(sig);
    former_.push_back(former);
  }
}

CloseOnSignals::~CloseOnSignals() {
  for (size_t i = 0; i < signals_.size(); ++i) {
    sigaction(signals_[i], &former_[i], nullptr);
  }
  if (notifier_) {
    delete notifier_;
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
