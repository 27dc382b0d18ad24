#include "CtlRunner.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

[[noreturn]] void ExecCtl(const std::vector<std::string>& args, const std::string& cwd,
                          const char* program = MURVELCTL_PATH) {
  if (chdir(cwd.c_str()) != 0) _exit(126);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(program, argv.data());
  _exit(127);
}

// A copy of the program in `dir` that any user may run: the build folder may lie where the user
// nobody cannot reach it (under /root, say).
std::string RunnableCopy(const std::string& dir) {
  std::string copy = dir + "/.murvelctl";
  std::ifstream src(MURVELCTL_PATH, std::ios::binary);
  std::ofstream(copy, std::ios::binary) << src.rdbuf();
  chmod(copy.c_str(), 0755);
  return copy;
}

int ExitCodeOf(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace

CtlResult RunCtl(const std::vector<std::string>& args, const std::string& input,
                 const std::string& cwd, bool asNobody) {
  std::string in = cwd + "/.ctl-in", out = cwd + "/.ctl-out", err = cwd + "/.ctl-err";
  std::ofstream(in, std::ios::binary) << input;
  const std::string program = asNobody ? RunnableCopy(cwd) : MURVELCTL_PATH;
  pid_t pid = fork();
  if (pid == 0) {
    int i = open(in.c_str(), O_RDONLY);
    int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (i < 0 || o < 0 || e < 0) _exit(126);
    dup2(i, 0);
    dup2(o, 1);
    dup2(e, 2);
    // No controlling terminal: the password can only come from standard input.
    setsid();
    if (asNobody && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
      _exit(125);
    ExecCtl(args, cwd, program.c_str());
  }
  CtlResult r;
  r.exitCode = ExitCodeOf(pid);
  r.out = ReadAll(out);
  r.err = ReadAll(err);
  std::remove(in.c_str());
  std::remove(out.c_str());
  std::remove(err.c_str());
  if (asNobody) std::remove(program.c_str());
  return r;
}

// The shell's part: runs murvelctl as a foreground job in its own process group and continues it
// whenever it stops; exits with the job's status.
[[noreturn]] void RunCtlAsJob(const std::vector<std::string>& args, const std::string& cwd) {
  signal(SIGTTOU, SIG_IGN);
  pid_t job = fork();
  if (job == 0) {
    setpgid(0, 0);
    signal(SIGTTOU, SIG_DFL);
    ExecCtl(args, cwd);
  }
  setpgid(job, job);
  tcsetpgrp(STDIN_FILENO, job);
  int status = 0;
  while (waitpid(job, &status, WUNTRACED) == job && WIFSTOPPED(status)) {
    termios tty;
    if (tcgetattr(STDIN_FILENO, &tty) == 0) {
      tty.c_lflag |= ECHO;
      tcsetattr(STDIN_FILENO, TCSANOW, &tty);
    }
    tcsetpgrp(STDIN_FILENO, job);
    kill(-job, SIGCONT);
  }
  _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 255);
}

CtlResult RunCtlOnTerminal(const std::vector<std::string>& args,
                           const std::vector<std::string>& answers, const std::string& cwd,
                           bool jobControl) {
  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    if (jobControl) RunCtlAsJob(args, cwd);
    ExecCtl(args, cwd);
  }
  CtlResult r;
  size_t answered = 0;
  size_t seen = 0;  // how much of the output the last prompt search covered
  for (;;) {
    pollfd p{master, POLLIN, 0};
    if (poll(&p, 1, 10000) <= 0) break;  // a hung program fails the test, not the run
    char buf[512];
    ssize_t n = read(master, buf, sizeof buf);
    if (n <= 0) break;
    r.err.append(buf, size_t(n));
    size_t prompt = r.err.find(": ", seen);
    if (prompt != std::string::npos && answered < answers.size()) {
      seen = prompt + 2;
      std::string line = answers[answered++];
      if (line.empty() || line.back() != '\x1a') line += "\n";
      if (write(master, line.data(), line.size()) != ssize_t(line.size())) break;
    }
  }
  close(master);
  r.exitCode = ExitCodeOf(pid);
  return r;
}
