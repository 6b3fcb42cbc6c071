#pragma once
// POSIX test support for the files that are not what they seem: named pipes, a watchdog that
// ends a test that would wait for ever, a child process that cannot write a folder, and a
// limit on the size of the files this process writes.

#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>

namespace talvex::testing {

inline bool MakePipe(const std::string& path) {
  return mkfifo(path.c_str(), 0666) == 0;
}

// Ends the test program (SIGALRM) when the scope is not left within the given seconds: an
// open that waits on a pipe fails the test instead of hanging the suite.
class Watchdog {
 public:
  explicit Watchdog(unsigned seconds) { alarm(seconds); }
  ~Watchdog() { alarm(0); }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;
};

// Runs check in a child process whose user cannot write folders it does not own: root writes
// everywhere, so as root the child becomes "nobody". Returns the child's exit code (check's
// result), or -1 when it did not end normally.
inline int RunUnprivileged(const std::function<int()>& check) {
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    if (geteuid() == 0) {
      const passwd* nobody = getpwnam("nobody");
      if (nobody == nullptr || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) {
        _exit(125);
      }
    }
    _exit(check());
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Caps the size of files this process writes, so that a write stops part way.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : oldHandler_(signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  sighandler_t oldHandler_;
};

}  // namespace talvex::testing
