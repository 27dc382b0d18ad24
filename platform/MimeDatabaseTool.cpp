#include "platform/MimeDatabaseTool.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace plat {

Outcome UpdateMimeDatabase(const std::string& mimeDir) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  const char* argv[] = {"update-mime-database", mimeDir.c_str(), nullptr};
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc == ENOENT) return Outcome::Ok();
  if (rc != 0)
    return Outcome::Fail(std::string("cannot run update-mime-database: ") + std::strerror(rc));
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return Outcome::Fail("lost update-mime-database");
  }
  // 127: the shell's and the spawn's word for a program that could not be run.
  if (WIFEXITED(status) && WEXITSTATUS(status) == 127) return Outcome::Ok();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return Outcome::Fail("update-mime-database failed on '" + mimeDir + "'");
  return Outcome::Ok();
}

}  // namespace plat
