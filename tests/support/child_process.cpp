// A child process with a time limit and no pipes.
#include "tests/support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

std::string CommandLine(const std::vector<std::string>& argv) {
  std::string text;
  for (const std::string& arg : argv) text += (text.empty() ? "" : " ") + arg;
  return text;
}

double MonotonicSeconds() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

pid_t SpawnChild(const std::vector<std::string>& argv, const std::string& cwd,
                 const std::string& logPath, const std::string& errPath,
                 bool ownGroup) {
  std::vector<char*> args;
  for (const std::string& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    if (ownGroup) setpgid(0, 0);
    int in = open("/dev/null", O_RDONLY);
    int out = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    int err = errPath.empty()
                  ? out
                  : open(errPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (in < 0 || out < 0 || err < 0 || chdir(cwd.c_str()) != 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    execvp(args[0], args.data());
    _exit(127);
  }
  if (pid > 0 && ownGroup) setpgid(pid, pid);  // before a kill can come
  return pid;
}

bool RunChild(const std::vector<std::string>& argv, const std::string& cwd,
              const std::string& logPath, int timeoutSeconds, int* exitStatus,
              std::string* error, const std::string& errPath) {
  if (argv.empty()) {
    *error = "no program to run";
    return false;
  }
  pid_t pid = SpawnChild(argv, cwd, logPath, errPath, false);
  if (pid < 0) {
    *error = std::string("fork: ") + strerror(errno);
    return false;
  }
  double deadline = MonotonicSeconds() + timeoutSeconds;
  for (;;) {
    int status = 0;
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      if (WIFEXITED(status) && WEXITSTATUS(status) == 126) {
        *error = "could not enter " + cwd + " or open " + logPath;
        return false;
      }
      if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
        *error = "could not start " + CommandLine(argv);
        return false;
      }
      if (!WIFEXITED(status)) {
        *error = CommandLine(argv) + " ended by signal " +
                 std::to_string(WTERMSIG(status));
        return false;
      }
      *exitStatus = WEXITSTATUS(status);
      return true;
    }
    if (done < 0 && errno != EINTR) {
      *error = std::string("waitpid: ") + strerror(errno);
      return false;
    }
    if (MonotonicSeconds() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      *error = CommandLine(argv) + " did not finish within " +
               std::to_string(timeoutSeconds) + " s and was killed";
      return false;
    }
    usleep(2000);
  }
}
