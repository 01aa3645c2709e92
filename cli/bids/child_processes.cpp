#include "cli/bids/child_processes.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <map>

// POSIX leaves declaring it to the program.
extern char** environ;  // NOLINT(readability-redundant-declaration)

namespace quorvel::cli {
namespace {

// Starts one command; returns its process id, or -1.
pid_t start(const ChildCommand& command) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, command.stderrFile.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> argv;
  for (const std::string& argument : command.argv)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? pid : -1;
}

int statusOf(int waitStatus) {
  if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
  if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
  return 127;
}

}  // namespace

void runChildCommands(const std::vector<ChildCommand>& commands, unsigned parallel,
                      const std::function<void(std::size_t, int)>& finished) {
  if (parallel == 0) parallel = 1;
  std::map<pid_t, std::size_t> running;
  std::size_t next = 0;
  while (next < commands.size() || !running.empty()) {
    while (next < commands.size() && running.size() < parallel) {
      const pid_t pid = start(commands[next]);
      if (pid < 0) {
        finished(next++, 127);
        continue;
      }
      running[pid] = next++;
    }
    if (running.empty()) continue;
    int waitStatus = 0;
    const pid_t pid = ::waitpid(-1, &waitStatus, 0);
    if (pid < 0) {
      if (errno == EINTR) continue;
      break;  // no children left that this process knows of
    }
    const auto it = running.find(pid);
    if (it == running.end()) continue;
    const std::size_t index = it->second;
    running.erase(it);
    finished(index, statusOf(waitStatus));
  }
}

}  // namespace quorvel::cli
