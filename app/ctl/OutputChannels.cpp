#include "app/ctl/OutputChannels.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

plat::Outcome Failed(const char* what) {
  return plat::Outcome::Fail(std::string(what) + ": " + std::strerror(errno));
}

}  // namespace

OutputChannels::~OutputChannels() {
  if (results_) std::fclose(results_);
}

plat::Outcome OutputChannels::Open(bool echoDiagnostics) {
  echo_ = echoDiagnostics;
  std::fflush(stdout);
  int results = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  if (results < 0) return Failed("can't keep standard output");
  int capture = memfd_create("murvelctl-diagnostics", MFD_CLOEXEC);
  if (capture < 0) {
    close(results);
    return Failed("can't make a capture file");
  }
  if (dup2(capture, STDOUT_FILENO) < 0) {
    plat::Outcome why = Failed("can't redirect the diagnostics");
    close(capture);
    close(results);
    return why;
  }
  close(capture);
  // The diagnostics are collected a line at a time.
  setvbuf(stdout, nullptr, _IOLBF, 0);
  results_ = fdopen(results, "w");
  if (!results_) {
    plat::Outcome why = Failed("can't open the result stream");
    close(results);
    return why;
  }
  setvbuf(results_, nullptr, _IOLBF, 0);
  return plat::Outcome::Ok();
}

std::string OutputChannels::TakeDiagnostics() {
  std::fflush(stdout);
  if (!results_) return {};
  std::string text;
  off_t end = lseek(STDOUT_FILENO, 0, SEEK_CUR);
  char buf[4096];
  for (off_t at = 0; at < end;) {
    ssize_t n = pread(STDOUT_FILENO, buf, sizeof buf, at);
    if (n <= 0) break;
    text.append(buf, size_t(n));
    at += n;
  }
  if (ftruncate(STDOUT_FILENO, 0) == 0) lseek(STDOUT_FILENO, 0, SEEK_SET);
  if (echo_ && !text.empty()) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
  }
  return text;
}

std::string LastLine(const std::string& text) {
  const char* blanks = " \t\r\n";
  size_t end = text.find_last_not_of(blanks);
  if (end == std::string::npos) return {};
  size_t start = text.find_last_of('\n', end);
  start = start == std::string::npos ? 0 : start + 1;
  start = text.find_first_not_of(blanks, start);
  return text.substr(start, end - start + 1);
}
