// A fresh folder under C:\runs holding one copy of a build's executable, and
// the two files beside it.
#pragma once

#include <string>
#include <vector>

#include "tests/e2e/build_under_test.h"
#include "tests/support/files.h"

struct RunFolder {
  Build build;
  std::string dir;  // Unix path, no trailing slash
  std::string exe;  // the copied executable
  // One locale variable ("LC_ALL=ja_JP.UTF-8") the run gets in place of
  // the test's LC_ALL, LC_CTYPE, LC_MESSAGES and LANG; empty: the test's.
  std::string localeVar;
  // Set by PlantVersionDll: Wine looks for VERSION.dll as Windows does.
  bool planted = false;
  // INSTPROBE_TRACE for the run; TraceValue(folder) traces to TracePath.
  std::string traceVar;
};

// Makes drive_c/runs/<name>-<build> anew and copies the executable into it.
bool MakeRunFolder(Build build, const std::string& name, RunFolder* folder,
                   std::string* error);

std::string SearchListPath(const RunFolder& folder);
std::string VariablesPath(const RunFolder& folder);
// trace.log in the folder; TraceValue gives it as the build names it (a DOS
// path for the Windows builds).
std::string TracePath(const RunFolder& folder);
std::string TraceValue(const RunFolder& folder);
// Whether every line of `lines` (one per line) is in the trace; the first
// that is not is named in *missing.
bool TraceHolds(const RunFolder& folder, const std::string& lines,
                std::string* missing);

// Puts the planted VERSION.dll of a Windows build (its DllMain writes
// C:\planted.txt) beside the executable and into `cwd`, made anew.
bool PlantVersionDll(RunFolder* folder, const std::string& cwd,
                     std::string* error);
// Whether a planted VERSION.dll has run.
bool PlantedDllRan();

// Runs the copied executable with `cwd` as working directory (the host
// builds directly, the Windows builds through wine), killed after 30 s.
// True when it ran and exited with status 0.
bool RunInstprobe(const RunFolder& folder, const std::string& cwd,
                  std::string* error);

// Runs the copied executable traced (TraceValue) with `cwd` as working
// directory, and expects the trace to hold the lines of `trace` and the
// variables file to be `expected`, or to be missing when that is empty.
void ExpectTracedRun(RunFolder* folder, const std::string& cwd,
                     const std::string& trace, const std::string& expected);

// Runs the copied executable once with `args`, and `env` (NAME=VALUE words)
// added to its environment; stdout to `outPath`, stderr to `errPath`, and
// its exit status in *status (errPath "": stderr to outPath too). True when
// it ran to its end.
bool RunInstprobeWith(const RunFolder& folder,
                      const std::vector<std::string>& args,
                      const std::vector<std::string>& env,
                      const std::string& cwd, const std::string& outPath,
                      const std::string& errPath, int* status,
                      std::string* error);
