// Runs a program to its end with a time limit. Its output goes to a log file,
// never to a pipe: a wineserver started by the child would inherit the pipe
// and hold it open long after the child has gone.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// Runs argv (argv[0] looked up in PATH) in `cwd` with stdin from /dev/null
// and stdout/stderr appended to `logPath` (stderr to `errPath` when one is
// given). Returns true when the child exited on its own within
// `timeoutSeconds`, with its status in *exitStatus; otherwise kills it and
// says why in *error.
bool RunChild(const std::vector<std::string>& argv, const std::string& cwd,
              const std::string& logPath, int timeoutSeconds, int* exitStatus,
              std::string* error, const std::string& errPath = "");

// Starts argv as RunChild does (stdout and stderr to the files, `cwd` its
// working directory) without waiting; with `ownGroup`, in a process group
// of its own that a kill of -pid reaches whole. The pid, or -1.
pid_t SpawnChild(const std::vector<std::string>& argv, const std::string& cwd,
                 const std::string& logPath, const std::string& errPath,
                 bool ownGroup);

// The words of argv joined by blanks, for messages.
std::string CommandLine(const std::vector<std::string>& argv);

// Seconds on the monotonic clock.
double MonotonicSeconds();
