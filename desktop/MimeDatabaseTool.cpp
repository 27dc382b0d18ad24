#include "desktop/MimeDatabaseTool.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace plat {
namespace {

// Runs `tool` on `folder` from $PATH and waits for it.
Outcome RunCacheTool(const char* tool, const std::string& folder) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  const char* argv[] = {tool, folder.c_str(), nullptr};
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc == ENOENT) return Outcome::Ok();
  if (rc != 0) return Outcome::Fail(std::string("cannot run ") + tool + ": " + std::strerror(rc));
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return Outcome::Fail(std::string("lost ") + tool);
  }
  // 127: the shell's and the spawn's word for a program that could not be run.
  if (WIFEXITED(status) && WEXITSTATUS(status) == 127) return Outcome::Ok();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return Outcome::Fail(std::string(tool) + " failed on '" + folder + "'");
  return Outcome::Ok();
}

}  // namespace

Outcome UpdateMimeDatabase(const std::string& mimeDir) {
  return RunCacheTool("update-mime-database", mimeDir);
}

Outcome UpdateDesktopDatabase(const std::string& applicationsDir) {
  return RunCacheTool("update-desktop-database", applicationsDir);
}

}  // namespace plat
