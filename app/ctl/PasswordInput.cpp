#include "app/ctl/PasswordInput.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

// The terminal whose echo is off, and its settings to put back; read by the signal handler.
volatile sig_atomic_t gTtyFd = -1;
struct termios gSavedTty;

void RestoreTty() {
  if (gTtyFd >= 0) tcsetattr(gTtyFd, TCSAFLUSH, &gSavedTty);
}

void OnSignalWhileAsking(int sig) {
  RestoreTty();
  signal(sig, SIG_DFL);
  raise(sig);
}

// Reads one line from `fd` into `out`, without the line end. False when the input ended (or
// failed) before the line's end and nothing was read.
bool ReadLine(int fd, std::string* out) {
  out->clear();
  char c;
  for (;;) {
    ssize_t n = read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return !out->empty();
    if (c == '\n') return true;
    out->push_back(c);
  }
}

void StripCarriageReturn(std::string* s) {
  if (!s->empty() && s->back() == '\r') s->pop_back();
}

}  // namespace

plat::Outcome ReadPasswordFromTerminal(const char* prompt, std::string* out) {
  int fd = open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    return plat::Outcome::Fail(std::string("no terminal to ask for the password (") +
                               std::strerror(errno) + "); use --password-stdin");
  }
  struct termios tty;
  struct sigaction previous[3];
  const int signals[3] = {SIGINT, SIGTERM, SIGHUP};
  if (tcgetattr(fd, &tty) == 0) {
    gSavedTty = tty;
    gTtyFd = fd;
    struct sigaction sa {};
    sa.sa_handler = OnSignalWhileAsking;
    sigemptyset(&sa.sa_mask);
    for (int i = 0; i < 3; ++i) sigaction(signals[i], &sa, &previous[i]);
    tty.c_lflag &= ~tcflag_t(ECHO);
    tty.c_lflag |= ECHONL;
    tcsetattr(fd, TCSAFLUSH, &tty);
  }
  // A prompt that cannot be written does not stop the read.
  ssize_t written = write(fd, prompt, std::strlen(prompt));
  (void)written;
  bool got = ReadLine(fd, out);
  if (gTtyFd >= 0) {
    RestoreTty();
    gTtyFd = -1;
    for (int i = 0; i < 3; ++i) sigaction(signals[i], &previous[i], nullptr);
  }
  close(fd);
  if (!got) return plat::Outcome::Fail("no password was typed");
  StripCarriageReturn(out);
  return plat::Outcome::Ok();
}

plat::Outcome ReadPasswordFromStream(std::FILE* in, std::string* out) {
  out->clear();
  int c;
  bool any = false;
  while ((c = std::fgetc(in)) != EOF) {
    any = true;
    if (c == '\n') break;
    out->push_back(char(c));
  }
  if (!any) return plat::Outcome::Fail("standard input held no password");
  StripCarriageReturn(out);
  return plat::Outcome::Ok();
}

bool FitPassword(std::string* password) {
  if (password->size() <= kCtlPasswordMax) return false;
  // The window keeps the first 20 bytes as they are, even when that splits a character; the cut
  // must be the same here, or a password typed in both would not open the same files.
  password->resize(kCtlPasswordMax);
  return true;
}
