#include "app/ctl/PasswordInput.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "platform/SecretMemory.h"

namespace {

// The terminal whose echo is off, its settings to put back and those that hide the typing, and
// the prompt; read by the signal handlers.
volatile sig_atomic_t gTtyFd = -1;
struct termios gSavedTty;
struct termios gHiddenTty;
const char* gPrompt = "";

void RestoreTty() {
  if (gTtyFd >= 0) tcsetattr(gTtyFd, TCSAFLUSH, &gSavedTty);
}

void OnSignalWhileAsking(int sig) {
  RestoreTty();
  signal(sig, SIG_DFL);
  raise(sig);
}

void OnStopWhileAsking(int sig);

void Catch(int sig, void (*handler)(int), struct sigaction* previous) {
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = handler;
  sigemptyset(&sa.sa_mask);
  sigaction(sig, &sa, previous);
}

// Ctrl-Z: the terminal is put back before the stop, and the shell that continues murvelctl does
// not hide the typing again, so murvelctl does, and asks afresh (what was typed before the stop
// is dropped with the rest of the unread input).
void OnStopWhileAsking(int sig) {
  const int savedErrno = errno;
  RestoreTty();
  signal(sig, SIG_DFL);
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, sig);
  sigprocmask(SIG_UNBLOCK, &stop, nullptr);
  raise(sig);  // stopped here until continued
  sigprocmask(SIG_BLOCK, &stop, nullptr);
  Catch(sig, OnStopWhileAsking, nullptr);
  if (gTtyFd >= 0) {
    tcsetattr(gTtyFd, TCSAFLUSH, &gHiddenTty);
    ssize_t written = write(gTtyFd, gPrompt, std::strlen(gPrompt));
    (void)written;
  }
  errno = savedErrno;
}

// Reads one line from `fd` into `out`, without the line end: no more of it than tells the
// password, a carriage return after it, and whether it is longer than a password is kept. The
// line is read byte by byte into a buffer that is left out of core dumps and wiped afterwards,
// never into a stdio or heap buffer that would keep it after use. False when the input ended (or
// failed) before the line's end and nothing was read.
bool ReadLine(int fd, plat::SecretText* out, size_t longest) {
  plat::SecretBuffer line(std::min(longest + 2, plat::SecretText::kMax));
  size_t length = 0;
  char c = 0;
  bool ended = false;
  for (;;) {
    ssize_t n = read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    if (c == '\n') {
      ended = true;
      break;
    }
    if (length < line.capacity()) line.data()[length] = c;
    ++length;
  }
  out->assign(line.data(), std::min(length, line.capacity()));
  plat::Wipe(&c, 1);
  return ended || length > 0;
}

void StripCarriageReturn(plat::SecretText* s) {
  if (!s->empty() && s->data()[s->size() - 1] == '\r') s->resize(s->size() - 1);
}

}  // namespace

plat::Outcome ReadPasswordFromTerminal(const char* prompt, plat::SecretText* out, size_t longest) {
  int fd = open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    return plat::Outcome::Fail(std::string("no terminal to ask for the password (") +
                               std::strerror(errno) + "); use --password-stdin");
  }
  struct termios tty;
  constexpr int kCount = 5;
  struct sigaction previous[kCount];
  const int signals[kCount] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};
  if (tcgetattr(fd, &tty) == 0) {
    gSavedTty = tty;
    tty.c_lflag &= ~tcflag_t(ECHO);
    tty.c_lflag |= ECHONL;
    gHiddenTty = tty;
    gPrompt = prompt;
    gTtyFd = fd;
    for (int i = 0; i < kCount; ++i) {
      Catch(signals[i], signals[i] == SIGTSTP ? OnStopWhileAsking : OnSignalWhileAsking,
            &previous[i]);
    }
    tcsetattr(fd, TCSAFLUSH, &tty);
  }
  // A prompt that cannot be written does not stop the read.
  ssize_t written = write(fd, prompt, std::strlen(prompt));
  (void)written;
  bool got = ReadLine(fd, out, longest);
  if (gTtyFd >= 0) {
    RestoreTty();
    gTtyFd = -1;
    for (int i = 0; i < kCount; ++i) sigaction(signals[i], &previous[i], nullptr);
  }
  close(fd);
  if (!got) return plat::Outcome::Fail("no password was typed");
  StripCarriageReturn(out);
  return plat::Outcome::Ok();
}

plat::Outcome ReadPasswordFromStream(std::FILE* in, plat::SecretText* out, size_t longest) {
  if (!ReadLine(fileno(in), out, longest))
    return plat::Outcome::Fail("standard input held no password");
  StripCarriageReturn(out);
  return plat::Outcome::Ok();
}

bool FitPassword(plat::SecretText* password) {
  if (password->size() <= kCtlPasswordMax) return false;
  // The window keeps the first kPasswordMax bytes as they are, even when that splits a character;
  // the cut must be the same here, or a password typed in both would not open the same files.
  password->resize(kCtlPasswordMax);
  return true;
}
