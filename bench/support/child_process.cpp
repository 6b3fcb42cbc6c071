#include "child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>

extern char** environ;

namespace talvex::bench {

ChildRun RunChild(const std::vector<std::string>& argv, bool captureOutput) {
  ChildRun run;
  if (argv.empty()) return run;
  std::vector<char*> arguments;
  for (const std::string& argument : argv) arguments.push_back(const_cast<char*>(argument.c_str()));
  arguments.push_back(nullptr);

  int pipeEnds[2] = {-1, -1};
  if (captureOutput && pipe2(pipeEnds, O_CLOEXEC) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (captureOutput) {
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  }

  pid_t child = 0;
  run.startNs = MonotonicNanoseconds();
  const int spawned =
      posix_spawnp(&child, arguments[0], &actions, nullptr, arguments.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (captureOutput) close(pipeEnds[1]);
  if (spawned != 0) {
    if (captureOutput) close(pipeEnds[0]);
    return run;
  }
  run.started = true;
  if (captureOutput) {
    char buffer[4096];
    for (;;) {
      const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
      if (got > 0) {
        run.output.append(buffer, static_cast<size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        break;
      }
    }
    close(pipeEnds[0]);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  run.endNs = MonotonicNanoseconds();
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

bool ProgramExists(const std::string& program) {
  if (program.find('/') != std::string::npos) return access(program.c_str(), X_OK) == 0;
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  std::string folders = path;
  size_t start = 0;
  while (start <= folders.size()) {
    const size_t end = folders.find(':', start);
    const std::string folder =
        folders.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!folder.empty() && access((folder + "/" + program).c_str(), X_OK) == 0) return true;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return false;
}

}  // namespace talvex::bench
